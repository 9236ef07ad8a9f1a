#include "khttp/storage.h"

namespace khttp {
namespace {

int CountOrFailure(std::int64_t count) { return count < 0 ? -1 : static_cast<int>(count); }

}  // namespace

int storage_interface::write_at(const char* data, std::int64_t offset, int size) {
  boost::system::error_code ignored;
  return write_at(data, offset, size, ignored);
}

int storage_interface::write(const char* data, int size) {
  boost::system::error_code ignored;
  return write(data, size, ignored);
}

int storage_interface::read_at(char* data, std::int64_t offset, int size) {
  boost::system::error_code ignored;
  return read_at(data, offset, size, ignored);
}

int storage_interface::read(char* data, int size) {
  boost::system::error_code ignored;
  return read(data, size, ignored);
}

void default_storage::open(const std::wstring& path, boost::system::error_code& ec) {
  file_.open(path, disk_file::read_write_open_always, ec);
}

void default_storage::close() { file_.close(); }

int default_storage::write_at(const char* data, std::int64_t offset, int size,
                              boost::system::error_code& ec) {
  if (size < 0) {
    ec = make_error_code(boost::system::errc::invalid_argument);
    return -1;
  }
  return CountOrFailure(file_.write_at(offset, data, static_cast<std::size_t>(size), ec));
}

int default_storage::write(const char* data, int size, boost::system::error_code& ec) {
  return write_at(data, disk_file::current_position, size, ec);
}

int default_storage::read_at(char* data, std::int64_t offset, int size,
                             boost::system::error_code& ec) {
  if (size < 0) {
    ec = make_error_code(boost::system::errc::invalid_argument);
    return -1;
  }
  return CountOrFailure(file_.read_at(offset, data, static_cast<std::size_t>(size), ec));
}

int default_storage::read(char* data, int size, boost::system::error_code& ec) {
  return read_at(data, disk_file::current_position, size, ec);
}

bool default_storage::at_end() {
  boost::system::error_code ec;
  const std::int64_t position = file_.position(ec);
  if (ec) return false;  // closed: nothing was read, not even the end
  char probe = 0;
  const std::int64_t got = file_.read_at(disk_file::current_position, &probe, 1, ec);
  file_.seek(position, ec);
  return got == 0;
}

}  // namespace khttp
