// The file object under the storage and the resume file: random access with 64-bit offsets.
#pragma once

#include <boost/asio/buffer.hpp>
#include <boost/system/error_code.hpp>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/random_access_file.h"

namespace khttp {

/// A random-access file with a file position, as the engine's data and resume files need it.
/// Every failure is a system error code plus a result of -1; nothing throws. A write is
/// reported only when it is complete: a write that fails or comes out short (a full disk) is -1
/// with the error, never a smaller count. Used by one thread at a time.
class disk_file {
 public:
  /// Open mode 2, the one mode the engine uses: read and write, an existing file is opened
  /// with its content, a missing one is created empty; nothing is truncated or pre-allocated.
  static constexpr int read_write_open_always = 2;
  /// An offset of -1 stands for the current file position.
  static constexpr std::int64_t current_position = -1;

  disk_file() = default;
  disk_file(const disk_file&) = delete;
  disk_file& operator=(const disk_file&) = delete;

  /// Closes a file that is open, then opens `path` in `mode`. On failure the object is closed
  /// and `ec` holds the system error; another mode than 2 gives operation_not_supported.
  void open(const std::wstring& path, int mode, boost::system::error_code& ec);
  void close();
  bool is_open() const { return file_.IsOpen(); }
  /// The path of the open file; empty when closed.
  const std::wstring& path() const { return path_; }
  int open_mode() const { return open_mode_; }

  /// Writes the buffers one after the other from `offset` (or the current position) and leaves
  /// the position after the last byte. Returns the bytes written: the sum of the buffers'
  /// sizes, or -1 with `ec` set.
  std::int64_t write_at(std::int64_t offset, const std::vector<boost::asio::const_buffer>& buffers,
                        boost::system::error_code& ec);
  std::int64_t write_at(std::int64_t offset, const void* data, std::size_t size,
                        boost::system::error_code& ec);

  /// Fills the buffers one after the other from `offset` (or the current position) until the
  /// end of the file and leaves the position after the last byte read. Returns the bytes read
  /// (0 at or past the end, without error), or -1 with `ec` set.
  std::int64_t read_at(std::int64_t offset, const std::vector<boost::asio::mutable_buffer>& buffers,
                       boost::system::error_code& ec);
  std::int64_t read_at(std::int64_t offset, void* data, std::size_t size,
                       boost::system::error_code& ec);

  /// The current position, or -1 with `ec` set when the file is closed.
  std::int64_t position(boost::system::error_code& ec) const;
  /// Moves the position to `offset` from the start (beyond the end is allowed); returns it.
  std::int64_t seek(std::int64_t offset, boost::system::error_code& ec);
  /// The length of the file in bytes, or -1 with `ec` set.
  std::int64_t size(boost::system::error_code& ec) const;

 private:
  bool start_at(std::int64_t& offset, boost::system::error_code& ec) const;

  platform::RandomAccessFile file_;
  std::wstring path_;
  int open_mode_ = 0;
  std::int64_t position_ = 0;
};

}  // namespace khttp
