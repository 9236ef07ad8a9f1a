#include <errno.h>
#include <fcntl.h>
#include <sys/types.h>
#include <unistd.h>

#include "platform/random_access_file.h"
#include "platform/text.h"

namespace platform {
namespace {

static_assert(sizeof(off_t) == sizeof(std::int64_t), "offsets must be 64 bits wide");

std::error_code LastError() { return std::error_code(errno, std::system_category()); }

int Descriptor(std::intptr_t handle) { return static_cast<int>(handle); }

// True when [offset, offset + size) is a range of 64-bit offsets.
bool FitsAfter(std::int64_t offset, std::size_t size) {
  return offset >= 0 &&
         static_cast<std::uint64_t>(size) <= static_cast<std::uint64_t>(INT64_MAX - offset);
}

}  // namespace

RandomAccessFile::~RandomAccessFile() { Close(); }

std::error_code RandomAccessFile::Open(const std::wstring& path) {
  Close();
  const int fd = open(WideToNarrow(path).c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
  if (fd < 0) return LastError();
  handle_ = fd;
  return {};
}

void RandomAccessFile::Close() {
  if (!IsOpen()) return;
  close(Descriptor(handle_));
  handle_ = kClosed;
}

std::error_code RandomAccessFile::WriteAt(std::int64_t offset, const void* data, std::size_t size,
                                          std::size_t& written) {
  written = 0;
  if (!IsOpen()) return std::error_code(EBADF, std::system_category());
  if (!FitsAfter(offset, size)) return std::error_code(EINVAL, std::system_category());
  const auto* bytes = static_cast<const char*>(data);
  while (written < size) {
    const ssize_t done = pwrite(Descriptor(handle_), bytes + written, size - written,
                                static_cast<off_t>(offset + static_cast<std::int64_t>(written)));
    if (done < 0) {
      if (errno == EINTR) continue;
      return LastError();
    }
    // pwrite makes progress or fails; a zero count would repeat for ever.
    if (done == 0) return std::error_code(EIO, std::system_category());
    written += static_cast<std::size_t>(done);
  }
  return {};
}

std::error_code RandomAccessFile::ReadAt(std::int64_t offset, void* data, std::size_t size,
                                         std::size_t& read) {
  read = 0;
  if (!IsOpen()) return std::error_code(EBADF, std::system_category());
  if (!FitsAfter(offset, size)) return std::error_code(EINVAL, std::system_category());
  auto* bytes = static_cast<char*>(data);
  while (read < size) {
    const ssize_t done = pread(Descriptor(handle_), bytes + read, size - read,
                               static_cast<off_t>(offset + static_cast<std::int64_t>(read)));
    if (done < 0) {
      if (errno == EINTR) continue;
      return LastError();
    }
    if (done == 0) break;  // the end of the file
    read += static_cast<std::size_t>(done);
  }
  return {};
}

std::error_code RandomAccessFile::Size(std::int64_t& size) const {
  size = 0;
  if (!IsOpen()) return std::error_code(EBADF, std::system_category());
  const off_t end = lseek(Descriptor(handle_), 0, SEEK_END);
  if (end < 0) return LastError();
  size = end;
  return {};
}

}  // namespace platform
