#include "khttp/disk_file.h"

#include <boost/system/error_code.hpp>

namespace khttp {
namespace {

// The system's error number, in the category the engine reports system errors in.
boost::system::error_code FromSystem(const std::error_code& error) {
  return boost::system::error_code(error.value(), boost::system::system_category());
}

boost::system::error_code NotOpen() {
  return make_error_code(boost::system::errc::bad_file_descriptor);
}

}  // namespace

void disk_file::open(const std::wstring& path, int mode, boost::system::error_code& ec) {
  close();
  if (mode != read_write_open_always) {
    ec = make_error_code(boost::system::errc::operation_not_supported);
    return;
  }
  const std::error_code error = file_.Open(path);
  if (error) {
    ec = FromSystem(error);
    return;
  }
  ec.clear();
  path_ = path;
  open_mode_ = mode;
  position_ = 0;
}

void disk_file::close() {
  file_.Close();
  path_.clear();
  open_mode_ = 0;
  position_ = 0;
}

bool disk_file::start_at(std::int64_t& offset, boost::system::error_code& ec) const {
  if (!is_open()) {
    ec = NotOpen();
    return false;
  }
  if (offset == current_position) offset = position_;
  if (offset < 0) {
    ec = make_error_code(boost::system::errc::invalid_argument);
    return false;
  }
  ec.clear();
  return true;
}

std::int64_t disk_file::write_at(std::int64_t offset,
                                 const std::vector<boost::asio::const_buffer>& buffers,
                                 boost::system::error_code& ec) {
  if (!start_at(offset, ec)) return -1;
  std::int64_t total = 0;
  for (const auto& buffer : buffers) {
    std::size_t written = 0;
    const std::error_code error =
        file_.WriteAt(offset + total, buffer.data(), buffer.size(), written);
    total += static_cast<std::int64_t>(written);
    if (error) {
      position_ = offset + total;
      ec = FromSystem(error);
      return -1;
    }
  }
  position_ = offset + total;
  return total;
}

std::int64_t disk_file::write_at(std::int64_t offset, const void* data, std::size_t size,
                                 boost::system::error_code& ec) {
  return write_at(offset, {boost::asio::const_buffer(data, size)}, ec);
}

std::int64_t disk_file::read_at(std::int64_t offset,
                                const std::vector<boost::asio::mutable_buffer>& buffers,
                                boost::system::error_code& ec) {
  if (!start_at(offset, ec)) return -1;
  std::int64_t total = 0;
  for (const auto& buffer : buffers) {
    std::size_t read = 0;
    const std::error_code error = file_.ReadAt(offset + total, buffer.data(), buffer.size(), read);
    total += static_cast<std::int64_t>(read);
    if (error) {
      position_ = offset + total;
      ec = FromSystem(error);
      return -1;
    }
    if (read < buffer.size()) break;  // the end of the file
  }
  position_ = offset + total;
  return total;
}

std::int64_t disk_file::read_at(std::int64_t offset, void* data, std::size_t size,
                                boost::system::error_code& ec) {
  return read_at(offset, {boost::asio::mutable_buffer(data, size)}, ec);
}

std::int64_t disk_file::position(boost::system::error_code& ec) const {
  if (!is_open()) {
    ec = NotOpen();
    return -1;
  }
  ec.clear();
  return position_;
}

std::int64_t disk_file::seek(std::int64_t offset, boost::system::error_code& ec) {
  if (!is_open()) {
    ec = NotOpen();
    return -1;
  }
  if (offset < 0) {
    ec = make_error_code(boost::system::errc::invalid_argument);
    return -1;
  }
  ec.clear();
  position_ = offset;
  return position_;
}

std::int64_t disk_file::size(boost::system::error_code& ec) const {
  std::int64_t length = 0;
  const std::error_code error = file_.Size(length);
  if (error) {
    ec = FromSystem(error);
    return -1;
  }
  ec.clear();
  return length;
}

}  // namespace khttp
