#include <arpa/inet.h>
#include <dirent.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <set>
#include <sstream>
#include <string>

#include "tests/support/eventually.h"
#include "tests/support/ports.h"

namespace kvtest {
namespace {

// The socket inodes that the process `pid` holds open ("socket:[12345]" links in its fd folder).
void AddSocketInodes(long pid, std::set<unsigned long>& inodes) {
  const std::string folder = "/proc/" + std::to_string(pid) + "/fd";
  DIR* fds = opendir(folder.c_str());
  if (!fds) return;
  while (const dirent* item = readdir(fds)) {
    char target[64];
    const ssize_t length =
        readlink((folder + "/" + item->d_name).c_str(), target, sizeof(target) - 1);
    if (length <= 0) continue;
    target[length] = '\0';
    unsigned long inode = 0;
    if (std::sscanf(target, "socket:[%lu]", &inode) == 1) inodes.insert(inode);
  }
  closedir(fds);
}

// The direct children of `pid`, from each process's parent id in /proc/<id>/stat.
std::vector<long> ChildrenOf(long pid) {
  std::vector<long> children;
  DIR* proc = opendir("/proc");
  if (!proc) return children;
  while (const dirent* item = readdir(proc)) {
    char* end = nullptr;
    const long id = std::strtol(item->d_name, &end, 10);
    if (*end != '\0' || id <= 0) continue;
    std::ifstream stat_file(std::string("/proc/") + item->d_name + "/stat");
    std::string stat((std::istreambuf_iterator<char>(stat_file)), {});
    const auto name_end = stat.rfind(')');  // the name in parentheses may hold blanks
    if (name_end == std::string::npos) continue;
    std::istringstream rest(stat.substr(name_end + 1));
    std::string state;
    long parent = 0;
    rest >> state >> parent;
    if (parent == pid) children.push_back(id);
  }
  closedir(proc);
  return children;
}

// True when the process has ended (gone, or a zombie waiting to be reaped).
bool HasEnded(long pid) {
  std::ifstream stat_file("/proc/" + std::to_string(pid) + "/stat");
  std::string stat((std::istreambuf_iterator<char>(stat_file)), {});
  const auto name_end = stat.rfind(')');
  return name_end == std::string::npos || stat.compare(name_end + 1, 3, " Z ") == 0;
}

}  // namespace

ClosedPort::ClosedPort() {
  fd_ = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t size = sizeof(address);
  if (fd_ >= 0 && bind(fd_, reinterpret_cast<sockaddr*>(&address), sizeof(address)) == 0 &&
      getsockname(fd_, reinterpret_cast<sockaddr*>(&address), &size) == 0) {
    port_ = ntohs(address.sin_port);
  }
}

ClosedPort::~ClosedPort() {
  if (fd_ >= 0) close(fd_);
}

bool ListensOn(long pid, int port) {
  std::set<unsigned long> inodes;
  AddSocketInodes(pid, inodes);
  for (long child : ChildrenOf(pid)) AddSocketInodes(child, inodes);
  // Lines of /proc/net/tcp: "sl local_address rem_address st ... inode", addresses in hex.
  std::ifstream table("/proc/net/tcp");
  std::string line;
  std::getline(table, line);
  while (std::getline(table, line)) {
    unsigned address = 0, local_port = 0, state = 0;
    unsigned long inode = 0;
    if (std::sscanf(line.c_str(), " %*d: %8X:%4X %*8X:%*4X %2X %*s %*s %*s %*s %*s %lu", &address,
                    &local_port, &state, &inode) != 4) {
      continue;
    }
    constexpr unsigned kListen = 0x0A;
    const bool loopback_or_any = address == 0 || address == htonl(INADDR_LOOPBACK);
    if (state == kListen && static_cast<int>(local_port) == port && loopback_or_any &&
        inodes.count(inode)) {
      return true;
    }
  }
  return false;
}

std::optional<std::vector<int>> StartListening(
    std::optional<ChildProcess>& process, std::size_t count,
    const std::function<void(const std::vector<int>&)>& start, const std::function<int()>& pick) {
  for (int attempt = 0; attempt < 5; ++attempt) {
    std::vector<int> ports;
    for (std::size_t i = 0; i < count; ++i) ports.push_back(pick());
    start(ports);
    if (!process || !process->started()) return std::nullopt;
    const long pid = process->pid();
    bool listening = false;
    const bool settled = Eventually([&] {
      listening = true;
      for (int port : ports) listening = listening && ListensOn(pid, port);
      return listening || HasEnded(pid);
    });
    if (settled && listening) return ports;
    process.reset();  // stops it
  }
  return std::nullopt;
}

}  // namespace kvtest
