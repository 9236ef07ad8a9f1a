// Programs the tests start and stop: peers (nginx, proxies) and the tools under test.
#pragma once

#include <cstdlib>
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
  long pid() const;
  /// Waits for the end; the exit code, or 128 + signal, or -1 when it never started.
  int Wait();
  void Stop();
  /// Ctrl-C: asks the program to end (SIGINT); Wait for its exit code.
  void Interrupt();
  /// Ends the program at once, with no chance to save anything (kill -9), and reaps it.
  void Kill();

 private:
  long pid_ = -1;         // the process id (Linux) or handle (Windows) until reaped
  long process_id_ = -1;  // Windows: the process id
  int status_ = -1;
};

/// Runs a program to its end; its exit code.
int RunProgram(const std::vector<std::string>& argv, const std::filesystem::path& out = {},
               const std::filesystem::path& err = {});

/// Sets an environment variable of this process (and so of the programs it starts); an empty
/// value removes it.
void SetEnvironment(const std::string& name, const std::string& value);

/// A TCP port on 127.0.0.1 that nothing listened on a moment ago. Another process may take it
/// before it is used: start peers on it with StartListening, and use ClosedPort where nothing
/// must answer (tests/support/ports.h).
/// True in the Windows build, for the few checks whose subject only one system has.
extern const bool kOnWindows;

/// A text that tells this user's files from another user's (the user id on Linux).
std::string UserTag();

/// The program's arguments after its own name, in UTF-8. On Windows the command line is split
/// the way installers split theirs: at blanks outside double quotes, quotes removed, backslashes
/// taken as they are.
std::vector<std::string> ProgramArguments(int argc, char** argv);

/// The helper program of the tests (tests/support/kvtest_child.cpp), built beside them.
std::filesystem::path ChildHelperPath();

/// Sets an environment variable for the life of the object, then gives it its old value back.
class ScopedEnvironment {
 public:
  ScopedEnvironment(std::string name, const std::string& value) : name_(std::move(name)) {
    const char* old = std::getenv(name_.c_str());
    old_ = old ? old : "";
    SetEnvironment(name_, value);
  }
  ~ScopedEnvironment() { SetEnvironment(name_, old_); }
  ScopedEnvironment(const ScopedEnvironment&) = delete;
  ScopedEnvironment& operator=(const ScopedEnvironment&) = delete;

 private:
  std::string name_;
  std::string old_;
};

/// What the helper program exits with when it ends by itself.
constexpr int kChildHelperExitCode = 3;

/// A copy of the helper program as `folder`/`name` (any name: "Wayvo.exe", "setup with
/// blanks.exe"); its path.
inline std::filesystem::path CopyChildHelper(const std::filesystem::path& folder,
                                             const std::string& name) {
  const auto copy = folder / std::filesystem::u8path(name);
  std::filesystem::copy_file(ChildHelperPath(), copy);
  return copy;
}

int FreePort();
/// Waits up to five seconds until something accepts connections on 127.0.0.1:`port`.
bool WaitForPort(int port);

}  // namespace kvtest
