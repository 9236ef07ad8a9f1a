#include "tools/kvpack/pack_writer.h"

#include <zip.h>

#include <algorithm>
#include <optional>
#include <vector>

#include "platform/file_system.h"
#include "platform/text.h"

namespace kvpack {
namespace {

// 2026-01-01 00:00 UTC: archive entries carry this time, not the checkout's.
constexpr time_t kFixedTime = 1767225600;

bool AddFolder(zip_t* archive, const std::filesystem::path& folder, const std::string& prefix,
               std::string& error) {
  std::vector<std::filesystem::path> files;
  std::vector<std::filesystem::path> folders;
  for (const auto& item : std::filesystem::directory_iterator(folder)) {
    (item.is_directory() ? folders : files).push_back(item.path());
  }
  std::sort(files.begin(), files.end());
  std::sort(folders.begin(), folders.end());
  for (const auto& file : files) {
    const std::string name = prefix + file.filename().string();
    const std::optional<std::string> bytes =
        platform::ReadWholeFile(platform::Utf8ToWide(file.string()));
    if (!bytes) {
      error = "cannot read " + file.string();
      return false;
    }
    // libzip does not take ownership of an empty buffer, so an empty file gets none.
    void* copy = nullptr;
    if (!bytes->empty()) {
      copy = std::malloc(bytes->size());
      std::copy(bytes->begin(), bytes->end(), static_cast<char*>(copy));
    }
    zip_source_t* source = zip_source_buffer(archive, copy, bytes->size(), copy ? 1 : 0);
    if (!source) {
      std::free(copy);
      error = "cannot read " + file.string();
      return false;
    }
    // libzip frees the copy with the source (freep = 1), which the analyzer cannot see.
    // NOLINTNEXTLINE(clang-analyzer-unix.Malloc)
    const zip_int64_t index = zip_file_add(archive, name.c_str(), source, ZIP_FL_ENC_UTF_8);
    if (index < 0) {
      zip_source_free(source);
      error = "cannot add " + name + ": " + zip_strerror(archive);
      return false;
    }
    zip_set_file_compression(archive, static_cast<zip_uint64_t>(index), ZIP_CM_DEFLATE, 9);
    zip_file_set_mtime(archive, static_cast<zip_uint64_t>(index), kFixedTime, 0);
  }
  for (const auto& sub : folders) {
    const std::string name = prefix + sub.filename().string() + "/";
    const zip_int64_t index = zip_dir_add(archive, name.c_str(), ZIP_FL_ENC_UTF_8);
    if (index < 0) {
      error = "cannot add " + name + ": " + zip_strerror(archive);
      return false;
    }
    zip_file_set_mtime(archive, static_cast<zip_uint64_t>(index), kFixedTime, 0);
    if (!AddFolder(archive, sub, name, error)) return false;
  }
  return true;
}

}  // namespace

bool WritePack(const std::filesystem::path& folder, const std::filesystem::path& output,
               std::string& error) {
  if (!std::filesystem::is_directory(folder)) {
    error = folder.string() + " is not a folder";
    return false;
  }
  std::error_code ignored;
  std::filesystem::remove(output, ignored);
  int code = 0;
  zip_t* archive = zip_open(output.string().c_str(), ZIP_CREATE | ZIP_TRUNCATE, &code);
  if (!archive) {
    error = "cannot create " + output.string();
    return false;
  }
  if (!AddFolder(archive, folder, "", error)) {
    zip_discard(archive);
    return false;
  }
  if (zip_close(archive) != 0) {
    error = "cannot write " + output.string() + ": " + zip_strerror(archive);
    zip_discard(archive);
    return false;
  }
  return true;
}

}  // namespace kvpack
