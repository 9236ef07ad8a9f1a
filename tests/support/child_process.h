// Programs the tests start and stop: peers (nginx, proxies) and the tools under test.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace kvtest {

/// A started program. The destructor stops it (SIGTERM, then SIGKILL after two seconds) if it
/// still runs.
class ChildProcess {
 public:
  /// Starts `argv[0]` (searched on PATH) with standard output and error going to the given
  /// files (empty: /dev/null). `started()` tells whether it ran.
  ChildProcess(const std::vector<std::string>& argv, const std::filesystem::path& out = {},
               const std::filesystem::path& err = {});
  ~ChildProcess();
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;

  bool started() const { return pid_ > 0; }
  /// The process id while it runs (until Wait or Stop has reaped it).
  long pid() const { return pid_; }
  /// Waits for the end; the exit code, or 128 + signal, or -1 when it never started.
  int Wait();
  void Stop();
  /// Ctrl-C: asks the program to end (SIGINT); Wait for its exit code.
  void Interrupt();
  /// Ends the program at once, with no chance to save anything (kill -9), and reaps it.
  void Kill();

 private:
  long pid_ = -1;
  int status_ = -1;
};

/// Runs a program to its end; its exit code.
int RunProgram(const std::vector<std::string>& argv, const std::filesystem::path& out = {},
               const std::filesystem::path& err = {});

/// Sets an environment variable of this process (and so of the programs it starts).
void SetEnvironment(const std::string& name, const std::string& value);

/// A TCP port on 127.0.0.1 that nothing listens on right now.
int FreePort();
/// Waits up to five seconds until something accepts connections on 127.0.0.1:`port`.
bool WaitForPort(int port);

}  // namespace kvtest
