// Loopback ports for peers the tests start. A port the kernel reports free can be taken by
// another process before the peer binds it; these make sure a test talks to its own peer, or to
// nobody when that is what it wants.
#pragma once

#include <cstddef>
#include <functional>
#include <optional>
#include <vector>

#include "tests/support/child_process.h"

namespace kvtest {

/// A port on 127.0.0.1 held bound but not listening: connections to it are refused, and no
/// other process can take it while this object lives.
class ClosedPort {
 public:
  ClosedPort();
  ~ClosedPort();
  ClosedPort(const ClosedPort&) = delete;
  ClosedPort& operator=(const ClosedPort&) = delete;

  int port() const { return port_; }

 private:
  int fd_ = -1;
  int port_ = -1;
};

/// True when the process `pid`, or one of its children, holds a socket listening on
/// 127.0.0.1:`port` (or on every address at that port).
bool ListensOn(long pid, int port);

/// Starts a peer on `count` ports from `pick` (FreePort unless a test says otherwise):
/// `start(ports)` writes the peer's configuration and emplaces `process`. Returns the ports once
/// the peer's own process listens on each. A peer that lost a port to another process fails to
/// bind, or something else answers there: it is stopped and started on new ports, up to five
/// times in all. Nothing when it never came up.
std::optional<std::vector<int>> StartListening(
    std::optional<ChildProcess>& process, std::size_t count,
    const std::function<void(const std::vector<int>&)>& start,
    const std::function<int()>& pick = FreePort);

}  // namespace kvtest
