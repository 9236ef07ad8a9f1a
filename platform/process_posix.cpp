#include <dirent.h>
#include <errno.h>
#include <fcntl.h>
#include <grp.h>
#include <pwd.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <climits>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>

#include "platform/file_name.h"
#include "platform/process.h"
#include "platform/text.h"

extern char** environ;

namespace platform {
namespace {

// The names a process answers to: its executable file's name (not cut to 15 characters like
// the kernel's comm field) and the name it was started under.
bool ProcessHasName(const std::string& pid_folder, const std::string& wanted) {
  char target[PATH_MAX];
  const ssize_t length = readlink((pid_folder + "/exe").c_str(), target, sizeof(target) - 1);
  if (length > 0) {
    std::string exe(target, static_cast<size_t>(length));
    constexpr const char kDeleted[] = " (deleted)";
    if (exe.size() > sizeof(kDeleted) - 1 &&
        exe.compare(exe.size() - (sizeof(kDeleted) - 1), std::string::npos, kDeleted) == 0) {
      exe.resize(exe.size() - (sizeof(kDeleted) - 1));
    }
    if (FileNamePart(exe) == wanted) return true;
  }
  std::ifstream cmdline(pid_folder + "/cmdline", std::ios::binary);
  std::string argv0;
  std::getline(cmdline, argv0, '\0');
  return !argv0.empty() && FileNamePart(argv0) == wanted;
}

std::vector<std::string> NarrowArguments(const std::wstring& program,
                                         const std::vector<std::wstring>& arguments) {
  std::vector<std::string> narrow{WideToNarrow(program)};
  for (const std::wstring& argument : arguments) narrow.push_back(WideToNarrow(argument));
  return narrow;
}

std::vector<char*> ArgvOf(std::vector<std::string>& narrow) {
  std::vector<char*> argv;
  for (std::string& argument : narrow) argv.push_back(argument.data());
  argv.push_back(nullptr);
  return argv;
}

std::optional<uid_t> InvokingUser() {
  if (geteuid() != 0) return std::nullopt;
  for (const char* variable : {"SUDO_UID", "PKEXEC_UID"}) {
    const char* value = std::getenv(variable);
    if (!value || !*value) continue;
    char* end = nullptr;
    const unsigned long uid = std::strtoul(value, &end, 10);
    if (*end == '\0' && uid != 0) return static_cast<uid_t>(uid);
  }
  return std::nullopt;
}

struct UserIdentity {
  uid_t uid;
  gid_t gid;
  std::vector<gid_t> groups;
  std::string name;
  std::string home;
};

std::optional<UserIdentity> LookUpUser(uid_t uid) {
  const passwd* entry = getpwuid(uid);
  if (!entry) return std::nullopt;
  UserIdentity user{uid, entry->pw_gid, {}, entry->pw_name, entry->pw_dir};
  int count = 64;
  user.groups.resize(static_cast<size_t>(count));
  if (getgrouplist(user.name.c_str(), user.gid, user.groups.data(), &count) < 0) {
    user.groups.resize(static_cast<size_t>(count));
    getgrouplist(user.name.c_str(), user.gid, user.groups.data(), &count);
  }
  user.groups.resize(static_cast<size_t>(count));
  return user;
}

// The environment of a child that runs as `user`: this one's, with HOME, USER and LOGNAME set.
std::vector<std::string> EnvironmentFor(const UserIdentity* user) {
  std::vector<std::string> environment;
  for (char** item = environ; *item; ++item) {
    const std::string entry = *item;
    if (user && (entry.rfind("HOME=", 0) == 0 || entry.rfind("USER=", 0) == 0 ||
                 entry.rfind("LOGNAME=", 0) == 0)) {
      continue;
    }
    environment.push_back(entry);
  }
  if (user) {
    environment.push_back("HOME=" + user->home);
    environment.push_back("USER=" + user->name);
    environment.push_back("LOGNAME=" + user->name);
  }
  return environment;
}

// Starts the program in a grandchild (so no zombie is left behind), optionally as another user.
// Everything that allocates happens before fork; the children only make system calls. True once
// the program has been executed.
bool SpawnDetached(std::vector<std::string> narrow, const UserIdentity* user) {
  std::vector<char*> argv = ArgvOf(narrow);
  std::vector<std::string> environment = EnvironmentFor(user);
  std::vector<char*> envp = ArgvOf(environment);
  int status_pipe[2];
  if (pipe2(status_pipe, O_CLOEXEC) != 0) return false;
  const pid_t child = fork();
  if (child < 0) {
    close(status_pipe[0]);
    close(status_pipe[1]);
    return false;
  }
  if (child == 0) {
    // The first child only makes the grandchild; a fork that fails is reported like a failed
    // exec, since nothing was started.
    const pid_t grandchild = fork();
    if (grandchild < 0) {
      const int failure = errno ? errno : EAGAIN;
      (void)!write(status_pipe[1], &failure, sizeof(failure));
      _exit(127);
    }
    if (grandchild > 0) _exit(0);
    setsid();
    int failure = 0;
    if (user && (setgroups(user->groups.size(), user->groups.data()) != 0 ||
                 setgid(user->gid) != 0 || setuid(user->uid) != 0)) {
      failure = errno ? errno : EPERM;
    } else {
      execvpe(argv[0], argv.data(), envp.data());
      failure = errno;
    }
    (void)!write(status_pipe[1], &failure, sizeof(failure));
    _exit(127);
  }
  close(status_pipe[1]);
  int status = 0;
  while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
  }
  int failure = 0;
  ssize_t got = 0;
  do {
    got = read(status_pipe[0], &failure, sizeof(failure));
  } while (got < 0 && errno == EINTR);
  close(status_pipe[0]);
  return got == 0;  // the pipe closes unwritten when exec succeeds
}

}  // namespace

std::optional<ProcessId> FindProcessByImageName(const std::wstring& image_name) {
  const std::string wanted = WideToNarrow(image_name);
  if (wanted.empty()) return std::nullopt;
  DIR* proc = opendir("/proc");
  if (!proc) return std::nullopt;
  std::optional<ProcessId> found;
  while (const dirent* item = readdir(proc)) {
    char* end = nullptr;
    const long pid = std::strtol(item->d_name, &end, 10);
    if (*end != '\0' || pid <= 0) continue;
    if (ProcessHasName(std::string("/proc/") + item->d_name, wanted)) {
      found = pid;
      break;
    }
  }
  closedir(proc);
  return found;
}

bool TerminateProcessById(ProcessId process_id) {
  if (process_id <= 0) return false;
  return kill(static_cast<pid_t>(process_id), SIGKILL) == 0;
}

bool RunAndWait(const std::wstring& program, const std::vector<std::wstring>& arguments) {
  std::vector<std::string> narrow = NarrowArguments(program, arguments);
  struct stat info {};
  if (stat(narrow[0].c_str(), &info) == 0) {
    chmod(narrow[0].c_str(), info.st_mode | S_IXUSR | S_IXGRP | S_IXOTH);
  }
  std::vector<char*> argv = ArgvOf(narrow);
  pid_t child = 0;
  if (posix_spawn(&child, argv[0], nullptr, nullptr, argv.data(), environ) != 0) return false;
  int status = 0;
  while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
  }
  return true;
}

bool StartProgram(const std::wstring& program, const std::vector<std::wstring>& arguments,
                  RunAs run_as) {
  std::vector<std::string> narrow = NarrowArguments(program, arguments);
  if (run_as == RunAs::kInvokingUser) {
    if (const auto uid = InvokingUser()) {
      const auto user = LookUpUser(*uid);
      if (!user) return false;
      return SpawnDetached(std::move(narrow), &*user);
    }
  }
  return SpawnDetached(std::move(narrow), nullptr);
}

bool OpenWithDefaultHandler(const std::wstring& target) {
  return StartProgram(L"xdg-open", {target}, RunAs::kInvokingUser);
}

}  // namespace platform
