// Ports for peers: a peer is only ever reported on a port its own process listens on.
#include "tests/support/ports.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <string>

#include "tests/support/temp_folder.h"

namespace kvtest {
namespace {

sockaddr_in Loopback(int port) {
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(static_cast<uint16_t>(port));
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  return address;
}

// A socket of this test listening on a port the kernel picked: the process that "took" a port.
struct Listener {
  Listener() {
    sockaddr_in address = Loopback(0);
    socklen_t size = sizeof(address);
    if (bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof(address)) == 0 &&
        listen(fd, 4) == 0 && getsockname(fd, reinterpret_cast<sockaddr*>(&address), &size) == 0) {
      port = ntohs(address.sin_port);
    }
  }
  ~Listener() { close(fd); }
  int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  int port = -1;
};

TEST(PortsTest, AClosedPortRefusesConnectionsAndCannotBeTaken) {
  const ClosedPort closed;
  ASSERT_GT(closed.port(), 0);
  const int client = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address = Loopback(closed.port());
  EXPECT_NE(connect(client, reinterpret_cast<sockaddr*>(&address), sizeof(address)), 0);
  close(client);
  const int other = socket(AF_INET, SOCK_STREAM, 0);
  EXPECT_NE(bind(other, reinterpret_cast<sockaddr*>(&address), sizeof(address)), 0);
  close(other);
}

TEST(PortsTest, APeerWhosePortWasTakenStartsOnAnother) {
  // The first port handed out is already another listener's, as when a process takes it
  // between FreePort and the peer's bind.
  const Listener thief;
  ASSERT_GT(thief.port, 0);
  bool first = true;
  const auto pick = [&] {
    if (!first) return FreePort();
    first = false;
    return thief.port;
  };
  TempFolder folder;
  const auto log = folder.path() / "microsocks.log";
  std::optional<ChildProcess> microsocks;
  const auto ports = StartListening(
      microsocks, 1,
      [&](const std::vector<int>& ports) {
        microsocks.emplace(std::vector<std::string>{"microsocks", "-i", "127.0.0.1", "-p",
                                                    std::to_string(ports[0])},
                           log, log);
      },
      pick);
  ASSERT_TRUE(ports.has_value()) << ReadFile(log);
  EXPECT_NE((*ports)[0], thief.port);
  EXPECT_TRUE(ListensOn(microsocks->pid(), (*ports)[0]));
  EXPECT_FALSE(ListensOn(microsocks->pid(), thief.port));
  EXPECT_TRUE(ListensOn(getpid(), thief.port));
}

}  // namespace
}  // namespace kvtest
