#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <cstdlib>

#include "tests/support/child_process.h"

extern char** environ;

namespace kvtest {
namespace {

void SleepMilliseconds(int milliseconds) {
  timespec pause{0, milliseconds * 1000000L};
  nanosleep(&pause, nullptr);
}

sockaddr_in Loopback(int port) {
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(static_cast<uint16_t>(port));
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  return address;
}

}  // namespace

ChildProcess::ChildProcess(const std::vector<std::string>& argv, const std::filesystem::path& out,
                           const std::filesystem::path& err) {
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  const std::string out_path = out.empty() ? "/dev/null" : out.string();
  const std::string err_path = err.empty() ? "/dev/null" : err.string();
  posix_spawn_file_actions_addopen(&actions, 1, out_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                   0644);
  posix_spawn_file_actions_addopen(&actions, 2, err_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                   0644);
  std::vector<char*> args;
  for (const std::string& arg : argv) args.push_back(const_cast<char*>(arg.c_str()));
  args.push_back(nullptr);
  pid_t pid = -1;
  if (posix_spawnp(&pid, args[0], &actions, nullptr, args.data(), environ) == 0) pid_ = pid;
  posix_spawn_file_actions_destroy(&actions);
}

ChildProcess::~ChildProcess() { Stop(); }

int ChildProcess::Wait() {
  if (pid_ <= 0) return status_;
  int status = 0;
  while (waitpid(static_cast<pid_t>(pid_), &status, 0) < 0) {
  }
  pid_ = -1;
  status_ = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  return status_;
}

void ChildProcess::Stop() {
  if (pid_ <= 0) return;
  const auto pid = static_cast<pid_t>(pid_);
  kill(pid, SIGTERM);
  for (int i = 0; i < 200; ++i) {
    int status = 0;
    if (waitpid(pid, &status, WNOHANG) == pid) {
      pid_ = -1;
      return;
    }
    SleepMilliseconds(10);
  }
  kill(pid, SIGKILL);
  Wait();
}

void ChildProcess::Interrupt() {
  if (pid_ > 0) kill(static_cast<pid_t>(pid_), SIGINT);
}

void ChildProcess::Kill() {
  if (pid_ <= 0) return;
  kill(static_cast<pid_t>(pid_), SIGKILL);
  Wait();
}

int RunProgram(const std::vector<std::string>& argv, const std::filesystem::path& out,
               const std::filesystem::path& err) {
  ChildProcess child(argv, out, err);
  return child.Wait();
}

void SetEnvironment(const std::string& name, const std::string& value) {
  setenv(name.c_str(), value.c_str(), 1);
}

int FreePort() {
  const int fd = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address = Loopback(0);
  socklen_t size = sizeof(address);
  int port = -1;
  if (bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof(address)) == 0 &&
      getsockname(fd, reinterpret_cast<sockaddr*>(&address), &size) == 0) {
    port = ntohs(address.sin_port);
  }
  close(fd);
  return port;
}

bool WaitForPort(int port) {
  for (int attempt = 0; attempt < 250; ++attempt) {
    const int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address = Loopback(port);
    const bool up = connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof(address)) == 0;
    close(fd);
    if (up) return true;
    SleepMilliseconds(20);
  }
  return false;
}

}  // namespace kvtest
