// A file read and written at explicit byte offsets, with 64-bit offsets on every system.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <system_error>

namespace platform {

/// One open file for reading and writing at offsets. It keeps no file position of its own: every
/// read and write names its offset. Errors are the system's own numbers in
/// std::system_category() (errno on Linux, GetLastError on Windows). Used by one thread at a time.
class RandomAccessFile {
 public:
  RandomAccessFile() = default;
  ~RandomAccessFile();
  RandomAccessFile(const RandomAccessFile&) = delete;
  RandomAccessFile& operator=(const RandomAccessFile&) = delete;

  /// Opens `path` for reading and writing. An existing file keeps its content; a missing one is
  /// created empty (its folder must exist). Nothing is truncated or pre-allocated. Other
  /// processes may open it for reading while it is open (on Windows they may not write it).
  /// A file already open is closed first; on failure the object stays closed.
  std::error_code Open(const std::wstring& path);

  void Close();
  bool IsOpen() const { return handle_ != kClosed; }

  /// Writes all `size` bytes at `offset`, extending the file when the offset lies beyond its end
  /// (the gap reads as zeros). `written` says how many bytes reached the file; it is less than
  /// `size` only together with an error (a full disk, for example).
  std::error_code WriteAt(std::int64_t offset, const void* data, std::size_t size,
                          std::size_t& written);

  /// Reads up to `size` bytes at `offset`. `read` is less than `size` only at the end of the
  /// file or with an error; reading at or past the end gives 0 bytes and no error.
  std::error_code ReadAt(std::int64_t offset, void* data, std::size_t size, std::size_t& read);

  /// The current length of the file in bytes.
  std::error_code Size(std::int64_t& size) const;

 private:
  static constexpr std::intptr_t kClosed = -1;
  std::intptr_t handle_ = kClosed;  // a file descriptor or a HANDLE
};

}  // namespace platform
