#include "skinui/archive.h"

#include <zip.h>

#include <filesystem>
#include <mutex>

#include "platform/file_system.h"
#include "platform/text.h"
#include "skinui/values.h"

namespace SkinUI {
namespace {

// The largest file a skin holds is a picture of a few hundred kilobytes; a size beyond this in
// the archive's directory is taken for damage before anything is allocated for it.
constexpr zip_uint64_t kMaxSkinFileBytes = 32u << 20;

// Refuses names that climb out of the skin: "/etc/x", "../x", "img/../../x".
bool IsInsideSkin(const std::wstring& name) {
  if (name.empty() || name[0] == L'/' || (name.size() > 1 && name[1] == L':')) return false;
  std::size_t start = 0;
  while (start <= name.size()) {
    const std::size_t slash = name.find(L'/', start);
    const std::wstring part =
        name.substr(start, slash == std::wstring::npos ? slash : slash - start);
    if (part == L"..") return false;
    if (slash == std::wstring::npos) break;
    start = slash + 1;
  }
  return true;
}

class CZipSource : public ISkinSource {
 public:
  CZipSource(zip_t* archive, std::unique_ptr<std::string> owned)
      : archive_(archive), owned_(std::move(owned)) {}
  ~CZipSource() override { zip_discard(archive_); }

  std::optional<std::string> ReadFile(const std::wstring& name) const override {
    const std::wstring path = NormalizeSkinPath(name);
    if (!IsInsideSkin(path)) return std::nullopt;
    // libzip keeps per-archive state while reading, so one reader at a time.
    std::lock_guard<std::mutex> lock(archive_lock_);
    const std::string narrow = platform::WideToUtf8(path);
    zip_stat_t stat;
    zip_stat_init(&stat);
    if (zip_stat(archive_, narrow.c_str(), 0, &stat) != 0 || !(stat.valid & ZIP_STAT_SIZE) ||
        stat.size > kMaxSkinFileBytes) {
      return std::nullopt;
    }
    zip_file_t* file = zip_fopen(archive_, narrow.c_str(), 0);
    if (!file) return std::nullopt;
    std::string bytes(static_cast<std::size_t>(stat.size), '\0');
    const zip_int64_t read = bytes.empty() ? 0 : zip_fread(file, bytes.data(), bytes.size());
    zip_fclose(file);
    if (read < 0 || static_cast<zip_uint64_t>(read) != stat.size) return std::nullopt;
    return bytes;
  }

  std::string Describe() const override { return "the skin archive"; }

 private:
  zip_t* archive_;
  std::unique_ptr<std::string> owned_;  // the archive's bytes when read from a file
  mutable std::mutex archive_lock_;
};

class CFolderSource : public ISkinSource {
 public:
  explicit CFolderSource(std::filesystem::path folder) : folder_(std::move(folder)) {}

  std::optional<std::string> ReadFile(const std::wstring& name) const override {
    const std::wstring path = NormalizeSkinPath(name);
    if (!IsInsideSkin(path)) return std::nullopt;
    return platform::ReadWholeFile(platform::Utf8ToWide(
        (folder_ / std::filesystem::u8path(platform::WideToUtf8(path))).u8string()));
  }

  std::string Describe() const override { return "the skin folder " + folder_.string(); }

 private:
  std::filesystem::path folder_;
};

std::unique_ptr<ISkinSource> OpenZip(const void* data, std::size_t size,
                                     std::unique_ptr<std::string> owned, std::string& error) {
  zip_error_t zip_error;
  zip_error_init(&zip_error);
  zip_source_t* source = zip_source_buffer_create(data, size, 0, &zip_error);
  if (!source) {
    error = std::string("cannot read the skin archive: ") + zip_error_strerror(&zip_error);
    zip_error_fini(&zip_error);
    return nullptr;
  }
  zip_t* archive = zip_open_from_source(source, ZIP_RDONLY, &zip_error);
  if (!archive) {
    error = std::string("the skin is not a ZIP archive: ") + zip_error_strerror(&zip_error);
    zip_source_free(source);
    zip_error_fini(&zip_error);
    return nullptr;
  }
  zip_error_fini(&zip_error);
  return std::make_unique<CZipSource>(archive, std::move(owned));
}

}  // namespace

std::unique_ptr<ISkinSource> OpenSkinArchive(const void* data, std::size_t size,
                                             std::string& error) {
  return OpenZip(data, size, nullptr, error);
}

std::unique_ptr<ISkinSource> OpenSkinArchiveFile(const std::wstring& path, std::string& error) {
  std::optional<std::string> read = platform::ReadWholeFile(path);
  if (!read) {
    error = "cannot open " + platform::WideToUtf8(path);
    return nullptr;
  }
  auto bytes = std::make_unique<std::string>(std::move(*read));
  const void* data = bytes->data();
  const std::size_t size = bytes->size();
  return OpenZip(data, size, std::move(bytes), error);
}

std::unique_ptr<ISkinSource> OpenSkinFolder(const std::wstring& folder, std::string& error) {
  const std::filesystem::path path = std::filesystem::u8path(platform::WideToUtf8(folder));
  if (!std::filesystem::is_directory(path)) {
    error = platform::WideToUtf8(folder) + " is not a folder";
    return nullptr;
  }
  return std::make_unique<CFolderSource>(path);
}

}  // namespace SkinUI
