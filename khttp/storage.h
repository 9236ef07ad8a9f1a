// Where the downloader puts the bytes it receives: blocks arrive in any order and are written
// at their offsets.
#pragma once

#include <boost/system/error_code.hpp>
#include <cstdint>
#include <string>

#include "khttp/disk_file.h"

namespace khttp {

/// The storage a download writes through. Counts are bytes; -1 is a failure, and `ec` then holds
/// the system's error (a full disk and a refused write read differently). A write either stores
/// every byte it was given or answers -1: a short write is never reported as a count. The forms
/// without `ec` drop the error.
class storage_interface {
 public:
  virtual ~storage_interface() = default;
  virtual void open(const std::wstring& path, boost::system::error_code& ec) = 0;
  virtual void close() = 0;
  virtual int write_at(const char* data, std::int64_t offset, int size,
                       boost::system::error_code& ec) = 0;
  /// Writes at the current position.
  virtual int write(const char* data, int size, boost::system::error_code& ec) = 0;
  virtual int read_at(char* data, std::int64_t offset, int size, boost::system::error_code& ec) = 0;
  /// Reads at the current position.
  virtual int read(char* data, int size, boost::system::error_code& ec) = 0;
  /// True when the current position is at or beyond the end; the position is left as it was.
  virtual bool at_end() = 0;

  int write_at(const char* data, std::int64_t offset, int size);
  int write(const char* data, int size);
  int read_at(char* data, std::int64_t offset, int size);
  int read(char* data, int size);
};

/// The storage used when a download names no other: one file opened in mode 2.
class default_storage : public storage_interface {
 public:
  using storage_interface::read;
  using storage_interface::read_at;
  using storage_interface::write;
  using storage_interface::write_at;

  void open(const std::wstring& path, boost::system::error_code& ec) override;
  void close() override;
  int write_at(const char* data, std::int64_t offset, int size,
               boost::system::error_code& ec) override;
  int write(const char* data, int size, boost::system::error_code& ec) override;
  int read_at(char* data, std::int64_t offset, int size, boost::system::error_code& ec) override;
  int read(char* data, int size, boost::system::error_code& ec) override;
  bool at_end() override;

 private:
  disk_file file_;
};

}  // namespace khttp
