#include <windows.h>

#include <algorithm>

#include "platform/random_access_file.h"

namespace platform {
namespace {

static_assert(sizeof(HANDLE) <= sizeof(std::intptr_t), "a HANDLE fits the handle field");

std::error_code LastError() {
  return std::error_code(static_cast<int>(GetLastError()), std::system_category());
}

std::error_code ErrorOf(DWORD code) {
  return std::error_code(static_cast<int>(code), std::system_category());
}

HANDLE Native(std::intptr_t handle) { return reinterpret_cast<HANDLE>(handle); }

bool FitsAfter(std::int64_t offset, std::size_t size) {
  return offset >= 0 &&
         static_cast<std::uint64_t>(size) <= static_cast<std::uint64_t>(INT64_MAX - offset);
}

OVERLAPPED At(std::int64_t offset) {
  OVERLAPPED position{};
  position.Offset = static_cast<DWORD>(static_cast<std::uint64_t>(offset) & 0xFFFFFFFFu);
  position.OffsetHigh = static_cast<DWORD>(static_cast<std::uint64_t>(offset) >> 32);
  return position;
}

// One call moves at most this much, whatever size_t allows.
constexpr std::size_t kLargestPiece = std::size_t{1} << 30;

}  // namespace

RandomAccessFile::~RandomAccessFile() { Close(); }

std::error_code RandomAccessFile::Open(const std::wstring& path) {
  Close();
  HANDLE file = CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                            OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return LastError();
  handle_ = reinterpret_cast<std::intptr_t>(file);
  return {};
}

void RandomAccessFile::Close() {
  if (!IsOpen()) return;
  CloseHandle(Native(handle_));
  handle_ = kClosed;
}

std::error_code RandomAccessFile::WriteAt(std::int64_t offset, const void* data, std::size_t size,
                                          std::size_t& written) {
  written = 0;
  if (!IsOpen()) return ErrorOf(ERROR_INVALID_HANDLE);
  if (!FitsAfter(offset, size)) return ErrorOf(ERROR_INVALID_PARAMETER);
  const auto* bytes = static_cast<const char*>(data);
  while (written < size) {
    OVERLAPPED position = At(offset + static_cast<std::int64_t>(written));
    const DWORD piece = static_cast<DWORD>(std::min(size - written, kLargestPiece));
    DWORD done = 0;
    if (!WriteFile(Native(handle_), bytes + written, piece, &done, &position)) return LastError();
    if (done == 0) return ErrorOf(ERROR_WRITE_FAULT);
    written += done;
  }
  return {};
}

std::error_code RandomAccessFile::ReadAt(std::int64_t offset, void* data, std::size_t size,
                                         std::size_t& read) {
  read = 0;
  if (!IsOpen()) return ErrorOf(ERROR_INVALID_HANDLE);
  if (!FitsAfter(offset, size)) return ErrorOf(ERROR_INVALID_PARAMETER);
  auto* bytes = static_cast<char*>(data);
  while (read < size) {
    OVERLAPPED position = At(offset + static_cast<std::int64_t>(read));
    const DWORD piece = static_cast<DWORD>(std::min(size - read, kLargestPiece));
    DWORD done = 0;
    if (!ReadFile(Native(handle_), bytes + read, piece, &done, &position)) {
      if (GetLastError() == ERROR_HANDLE_EOF) break;
      return LastError();
    }
    if (done == 0) break;  // the end of the file
    read += done;
  }
  return {};
}

std::error_code RandomAccessFile::Size(std::int64_t& size) const {
  size = 0;
  if (!IsOpen()) return ErrorOf(ERROR_INVALID_HANDLE);
  LARGE_INTEGER length{};
  if (!GetFileSizeEx(Native(handle_), &length)) return LastError();
  size = length.QuadPart;
  return {};
}

}  // namespace platform
