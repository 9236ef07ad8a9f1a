#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/private_files.h"
#include "platform/text.h"

namespace platform {
namespace {

constexpr mode_t kOthersWrite = S_IWGRP | S_IWOTH;

std::string ParentOf(const std::string& path) {
  std::string folder = path;
  while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
  const auto slash = folder.find_last_of('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : folder.substr(0, slash);
}

}  // namespace

bool RestrictFolderToOwner(const std::wstring& folder) {
  const std::string native = WideToUtf8(folder);
  const int fd = open(native.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
  if (fd < 0) return false;
  struct stat info {};
  bool ok = fstat(fd, &info) == 0 && S_ISDIR(info.st_mode) && info.st_uid == geteuid();
  if (ok && (info.st_mode & kOthersWrite) != 0) {
    ok = fchmod(fd, info.st_mode & 07777 & ~kOthersWrite) == 0;
  }
  close(fd);
  return ok;
}

bool PrepareOwnProgramForRun(const std::wstring& path) {
  const std::string native = WideToUtf8(path);
  struct stat folder {};
  if (stat(ParentOf(native).c_str(), &folder) != 0 || !S_ISDIR(folder.st_mode) ||
      folder.st_uid != geteuid() || (folder.st_mode & kOthersWrite) != 0) {
    return false;
  }
  const int fd = open(native.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
  if (fd < 0) return false;
  struct stat info {};
  const bool ok = fstat(fd, &info) == 0 && S_ISREG(info.st_mode) && info.st_uid == geteuid() &&
                  fchmod(fd, S_IRWXU | S_IRGRP | S_IXGRP | S_IROTH | S_IXOTH) == 0;
  close(fd);
  return ok;
}

}  // namespace platform
