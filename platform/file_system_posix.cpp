#include <errno.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <cstdio>

#include "platform/file_system.h"
#include "platform/text.h"

namespace platform {
namespace {

std::string Native(const std::wstring& path) { return WideToNarrow(path); }

}  // namespace

PathState ProbePath(const std::wstring& path) {
  std::string native = Native(path);
  while (native.size() > 1 && native.back() == '/') native.pop_back();
  if (native.empty()) return PathState::kParentMissing;
  struct stat info {};
  if (stat(native.c_str(), &info) == 0) return PathState::kExists;
  if (errno == ENOTDIR) return PathState::kParentMissing;
  if (errno != ENOENT) return PathState::kUnknown;
  const auto slash = native.find_last_of('/');
  const std::string parent =
      slash == std::string::npos ? "." : (slash == 0 ? "/" : native.substr(0, slash));
  if (stat(parent.c_str(), &info) == 0) {
    return S_ISDIR(info.st_mode) ? PathState::kLeafMissing : PathState::kParentMissing;
  }
  return errno == ENOENT || errno == ENOTDIR ? PathState::kParentMissing : PathState::kUnknown;
}

std::optional<std::uint64_t> GetVolumeFreeBytes(const std::wstring& path) {
  struct statvfs info {};
  if (statvfs(Native(path).c_str(), &info) != 0) return std::nullopt;
  return static_cast<std::uint64_t>(info.f_bfree) * static_cast<std::uint64_t>(info.f_frsize);
}

bool CreateOneDirectory(const std::wstring& path) {
  const std::string native = Native(path);
  if (mkdir(native.c_str(), 0755) == 0) return true;
  return errno == EEXIST && IsDirectory(path);
}

bool IsDirectory(const std::wstring& path) {
  struct stat info {};
  return stat(Native(path).c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

bool PathExists(const std::wstring& path) {
  struct stat info {};
  return stat(Native(path).c_str(), &info) == 0;
}

bool WriteWholeFile(const std::wstring& path, const void* data, std::size_t size) {
  const int fd = open(Native(path).c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd < 0) return false;
  const auto* bytes = static_cast<const char*>(data);
  std::size_t done = 0;
  while (done < size) {
    const ssize_t written = write(fd, bytes + done, size - done);
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) break;
    done += static_cast<std::size_t>(written);
  }
  const bool closed = close(fd) == 0;
  return done == size && closed;
}

std::optional<std::string> ReadWholeFile(const std::wstring& path) {
  const int fd = open(Native(path).c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return std::nullopt;
  std::string content;
  char buffer[65536];
  for (;;) {
    const ssize_t got = read(fd, buffer, sizeof(buffer));
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) {
      close(fd);
      return std::nullopt;
    }
    if (got == 0) break;
    content.append(buffer, static_cast<std::size_t>(got));
  }
  close(fd);
  return content;
}

std::error_code MoveFileReplacing(const std::wstring& from, const std::wstring& to) {
  const std::string source = Native(from);
  const std::string target = Native(to);
  if (rename(source.c_str(), target.c_str()) == 0) return {};
  if (errno != EXDEV) return {errno, std::system_category()};
  const auto content = ReadWholeFile(from);
  if (!content) return {errno ? errno : EIO, std::system_category()};
  errno = 0;
  if (!WriteWholeFile(to, content->data(), content->size())) {
    return {errno ? errno : EIO, std::system_category()};
  }
  if (unlink(source.c_str()) != 0) return {errno, std::system_category()};
  return {};
}

std::error_code DeleteFileIfExists(const std::wstring& path) {
  if (unlink(Native(path).c_str()) == 0 || errno == ENOENT) return {};
  return {errno, std::system_category()};
}

}  // namespace platform
