// The claim is an abstract-namespace UNIX socket named after the setup: it vanishes with the
// process that holds it, whatever way it ends, and cannot be squatted through the file system.
// A later instance connects and writes one byte; the first answers with one byte once it has
// passed the request on.
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <thread>

#include "platform/single_instance.h"
#include "platform/text.h"

namespace platform {
namespace {

constexpr int kAnswerTimeoutMs = 3000;
constexpr char kRaiseRequest = 'R';

// "\0kelvane_down:" + the name in UTF-8, cut to what sun_path holds.
socklen_t MakeAddress(const std::wstring& name, sockaddr_un& address) {
  std::memset(&address, 0, sizeof(address));
  address.sun_family = AF_UNIX;
  const std::string text = "kelvane_down:" + WideToUtf8(name);
  const std::size_t length = std::min(text.size(), sizeof(address.sun_path) - 1);
  std::memcpy(address.sun_path + 1, text.data(), length);
  return static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + 1 + length);
}

bool WaitFor(int fd, short events, int timeout_ms) {
  pollfd item{fd, events, 0};
  int ready;
  do {
    ready = poll(&item, 1, timeout_ms);
  } while (ready < 0 && errno == EINTR);
  return ready > 0;
}

void AskFirstInstance(const sockaddr_un& address, socklen_t length) {
  const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return;
  if (connect(fd, reinterpret_cast<const sockaddr*>(&address), length) == 0 &&
      send(fd, &kRaiseRequest, 1, MSG_NOSIGNAL) == 1 && WaitFor(fd, POLLIN, kAnswerTimeoutMs)) {
    char answer = 0;
    (void)recv(fd, &answer, 1, 0);
  }
  close(fd);
}

class PosixClaim : public SingleInstanceClaim {
 public:
  PosixClaim(int listener, std::function<void()> on_raise) : listener_(listener) {
    // The listener thread is detached: it ends with the process, like the claim itself.
    std::thread([fd = listener, on_raise = std::move(on_raise)] {
      for (;;) {
        const int peer = accept4(fd, nullptr, nullptr, SOCK_CLOEXEC);
        if (peer < 0) {
          if (errno == EINTR || errno == ECONNABORTED) continue;
          close(fd);  // the claim was given up
          return;
        }
        char request = 0;
        if (WaitFor(peer, POLLIN, kAnswerTimeoutMs) && recv(peer, &request, 1, 0) == 1 &&
            request == kRaiseRequest) {
          if (on_raise) on_raise();
          (void)send(peer, &kRaiseRequest, 1, MSG_NOSIGNAL);
        }
        close(peer);
      }
    }).detach();
  }
  ~PosixClaim() override { shutdown(listener_, SHUT_RDWR); }

 private:
  int listener_;
};

}  // namespace

std::unique_ptr<SingleInstanceClaim> ClaimSingleInstance(const std::wstring& name,
                                                         std::function<void()> on_raise_request) {
  sockaddr_un address{};
  const socklen_t length = MakeAddress(name, address);
  const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return nullptr;
  if (bind(fd, reinterpret_cast<const sockaddr*>(&address), length) != 0) {
    const int bind_error = errno;
    close(fd);
    if (bind_error == EADDRINUSE) AskFirstInstance(address, length);
    return nullptr;
  }
  if (listen(fd, 4) != 0) {
    close(fd);
    return nullptr;
  }
  return std::make_unique<PosixClaim>(fd, std::move(on_raise_request));
}

}  // namespace platform
