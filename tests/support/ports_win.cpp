// The closed port on Windows. The peers themselves run on the Linux side (kvtest_peers), so
// ListensOn and StartListening have no Windows form.
#include <winsock2.h>

#include "tests/support/ports.h"

namespace kvtest {

static_assert(sizeof(SOCKET) == sizeof(int), "the socket handle fits the descriptor field");

ClosedPort::ClosedPort() {
  WSADATA data{};
  if (WSAStartup(MAKEWORD(2, 2), &data) != 0) return;
  const SOCKET fd = socket(AF_INET, SOCK_STREAM, 0);
  if (fd == INVALID_SOCKET) return;
  // The Windows socket handle is kept in the int the Linux descriptor uses: on the 32-bit
  // build a SOCKET is 32 bits wide.
  fd_ = static_cast<int>(fd);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  int size = sizeof(address);
  if (bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof(address)) == 0 &&
      getsockname(fd, reinterpret_cast<sockaddr*>(&address), &size) == 0) {
    port_ = ntohs(address.sin_port);
  }
}

ClosedPort::~ClosedPort() {
  if (fd_ != -1) closesocket(static_cast<SOCKET>(static_cast<unsigned>(fd_)));
  WSACleanup();
}

}  // namespace kvtest
