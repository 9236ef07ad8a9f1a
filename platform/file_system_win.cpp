#include <windows.h>

#include "platform/file_system.h"

namespace platform {
namespace {

bool IsSeparator(wchar_t c) { return c == L'\\' || c == L'/'; }

// The path without trailing separators, except the one of a drive's root ("C:\").
std::wstring WithoutTrailingSeparators(std::wstring path) {
  while (path.size() > 1 && IsSeparator(path.back())) {
    if (path.size() == 3 && path[1] == L':') break;
    path.pop_back();
  }
  return path;
}

std::wstring ParentOf(const std::wstring& path) {
  const auto cut = path.find_last_of(L"\\/");
  if (cut == std::wstring::npos) return L".";
  if (cut == 2 && path[1] == L':') return path.substr(0, 3);
  if (cut == 0) return path.substr(0, 1);
  return path.substr(0, cut);
}

class Handle {
 public:
  explicit Handle(HANDLE handle) : handle_(handle) {}
  ~Handle() {
    if (valid()) CloseHandle(handle_);
  }
  Handle(const Handle&) = delete;
  Handle& operator=(const Handle&) = delete;
  bool valid() const { return handle_ != INVALID_HANDLE_VALUE && handle_ != nullptr; }
  HANDLE get() const { return handle_; }
  bool Close() {
    const bool closed = CloseHandle(handle_) != 0;
    handle_ = INVALID_HANDLE_VALUE;
    return closed;
  }

 private:
  HANDLE handle_;
};

}  // namespace

PathState ProbePath(const std::wstring& path) {
  const std::wstring probe = WithoutTrailingSeparators(path);
  if (probe.empty()) return PathState::kParentMissing;
  if (GetFileAttributesW(probe.c_str()) != INVALID_FILE_ATTRIBUTES) return PathState::kExists;
  const DWORD error = GetLastError();
  if (error != ERROR_FILE_NOT_FOUND && error != ERROR_PATH_NOT_FOUND && error != ERROR_DIRECTORY &&
      error != ERROR_INVALID_NAME) {
    return PathState::kUnknown;
  }
  const DWORD parent = GetFileAttributesW(ParentOf(probe).c_str());
  if (parent == INVALID_FILE_ATTRIBUTES) {
    const DWORD parent_error = GetLastError();
    return parent_error == ERROR_FILE_NOT_FOUND || parent_error == ERROR_PATH_NOT_FOUND ||
                   parent_error == ERROR_DIRECTORY
               ? PathState::kParentMissing
               : PathState::kUnknown;
  }
  return (parent & FILE_ATTRIBUTE_DIRECTORY) ? PathState::kLeafMissing : PathState::kParentMissing;
}

std::optional<std::uint64_t> GetVolumeFreeBytes(const std::wstring& path) {
  ULARGE_INTEGER available{};
  ULARGE_INTEGER total{};
  ULARGE_INTEGER total_free{};
  if (!IsDirectory(path)) return std::nullopt;
  if (!GetDiskFreeSpaceExW(path.c_str(), &available, &total, &total_free)) return std::nullopt;
  return total_free.QuadPart;
}

bool CreateOneDirectory(const std::wstring& path) {
  if (CreateDirectoryW(path.c_str(), nullptr)) return true;
  return GetLastError() == ERROR_ALREADY_EXISTS && IsDirectory(path);
}

bool IsDirectory(const std::wstring& path) {
  const DWORD attributes = GetFileAttributesW(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool PathExists(const std::wstring& path) {
  return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool WriteWholeFile(const std::wstring& path, const void* data, std::size_t size) {
  Handle file(CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                          FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.valid()) return false;
  const auto* bytes = static_cast<const char*>(data);
  std::size_t done = 0;
  while (done < size) {
    const DWORD piece = static_cast<DWORD>(std::min<std::size_t>(size - done, 1u << 30));
    DWORD written = 0;
    if (!WriteFile(file.get(), bytes + done, piece, &written, nullptr) || written == 0) break;
    done += written;
  }
  return file.Close() && done == size;
}

bool CanOpenForReading(const std::wstring& path) {
  Handle file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                          OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  return file.valid() && !IsDirectory(path);
}

std::optional<std::string> ReadWholeFile(const std::wstring& path) {
  Handle file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                          OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.valid()) return std::nullopt;
  std::string content;
  char buffer[65536];
  for (;;) {
    DWORD got = 0;
    if (!ReadFile(file.get(), buffer, sizeof(buffer), &got, nullptr)) return std::nullopt;
    if (got == 0) break;
    content.append(buffer, got);
  }
  return content;
}

std::error_code MoveFileReplacing(const std::wstring& from, const std::wstring& to) {
  if (MoveFileExW(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_COPY_ALLOWED)) {
    return {};
  }
  return {static_cast<int>(GetLastError()), std::system_category()};
}

std::error_code DeleteFileIfExists(const std::wstring& path) {
  if (DeleteFileW(path.c_str())) return {};
  const DWORD error = GetLastError();
  if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) return {};
  return {static_cast<int>(error), std::system_category()};
}

}  // namespace platform
