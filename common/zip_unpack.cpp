#include "common/zip_unpack.h"

#include <zip.h>

#include <memory>
#include <string>
#include <vector>

#include "log/log.h"
#include "platform/file_system.h"
#include "platform/paths.h"
#include "platform/text.h"

namespace {

// The language pack unpacks to a few hundred kilobytes; an archive that claims more than this
// is taken for a broken or hostile one before anything is held in memory.
constexpr zip_uint64_t kMaxUnpackedBytes = 64u << 20;

struct ArchiveCloser {
  void operator()(zip_t* archive) const { zip_discard(archive); }
};
struct EntryCloser {
  void operator()(zip_file_t* entry) const { zip_fclose(entry); }
};

// An entry read whole, waiting to be written.
struct PendingEntry {
  std::wstring path;
  bool is_folder = false;
  std::vector<char> bytes;
};

// An entry name made of components that all stay inside the target folder: not absolute, no
// drive letter, no "..". Both separators count, whatever system wrote the archive.
bool IsSafeEntryName(const std::string& name) {
  if (name.empty() || name[0] == '/' || name[0] == '\\') return false;
  if (name.size() >= 2 && name[1] == ':') return false;
  size_t start = 0;
  while (start <= name.size()) {
    size_t end = name.find_first_of("/\\", start);
    if (end == std::string::npos) end = name.size();
    if (name.compare(start, end - start, "..") == 0) return false;
    start = end + 1;
  }
  return true;
}

std::wstring TargetPath(const std::wstring& folder, const std::string& name) {
  std::wstring relative = platform::Utf8ToWide(name);
  for (wchar_t& c : relative) {
    if (c == L'/' || c == L'\\') c = platform::kPathSeparator;
  }
  std::wstring base = folder;
  if (base.empty() || base.back() != platform::kPathSeparator) base += platform::kPathSeparator;
  return base + relative;
}

// Reads the entry to its end, one read past its size, so that libzip checks its CRC-32 and an
// entry longer than it claims is caught.
bool ReadEntry(zip_t* archive, zip_uint64_t index, zip_uint64_t size, std::vector<char>& bytes) {
  std::unique_ptr<zip_file_t, EntryCloser> entry(zip_fopen_index(archive, index, 0));
  if (!entry) return false;
  bytes.resize(size);
  zip_uint64_t done = 0;
  while (done < size) {
    const zip_int64_t got = zip_fread(entry.get(), bytes.data() + done, size - done);
    if (got <= 0) return false;
    done += static_cast<zip_uint64_t>(got);
  }
  char beyond = 0;
  return zip_fread(entry.get(), &beyond, 1) == 0;
}

// Folders and files are made from the wide path as it is: a std::filesystem::path made from
// wide text would convert it through the C library's locale, and throw for "José" under "C".
bool WriteEntry(const PendingEntry& entry) {
  if (entry.is_folder) {
    return platform::IsDirectory(entry.path) || CreateDirectories(entry.path);
  }
  const auto cut = entry.path.find_last_of(platform::kPathSeparator);
  if (cut != std::wstring::npos && cut > 0) CreateDirectories(entry.path.substr(0, cut));
  return platform::WriteWholeFile(entry.path, entry.bytes.data(), entry.bytes.size());
}

}  // namespace

bool UnzipToFolder(const void* data, std::size_t size, const std::wstring& folder) {
  CreateDirectories(folder);
  if (!platform::IsDirectory(folder)) platform::CreateOneDirectory(folder);

  if (!data || size == 0) return false;  // libzip would take no bytes for an empty archive

  zip_error_t error;
  zip_error_init(&error);
  zip_source_t* source = zip_source_buffer_create(data, size, 0, &error);
  if (!source) {
    zip_error_fini(&error);
    return false;
  }
  std::unique_ptr<zip_t, ArchiveCloser> archive(
      zip_open_from_source(source, ZIP_RDONLY | ZIP_CHECKCONS, &error));
  zip_error_fini(&error);
  if (!archive) {
    zip_source_free(source);
    return false;
  }

  // Every entry is read and checked before the first one is written, so that a damaged
  // archive leaves nothing behind. A refused name is skipped; the rest still unpacks.
  bool all_unpacked = true;
  std::vector<PendingEntry> pending;
  zip_uint64_t total = 0;
  const zip_int64_t count = zip_get_num_entries(archive.get(), 0);
  for (zip_int64_t index = 0; index < count; ++index) {
    zip_stat_t info;
    zip_stat_init(&info);
    if (zip_stat_index(archive.get(), static_cast<zip_uint64_t>(index), 0, &info) != 0 ||
        !(info.valid & ZIP_STAT_NAME) || !(info.valid & ZIP_STAT_SIZE)) {
      KLOGA(kLogInfo, "UnzipToFolder found a damaged entry at index %lld",
            static_cast<long long>(index));
      return false;
    }
    const std::string name = info.name;
    PendingEntry entry;
    entry.is_folder = info.size == 0;
    if (!entry.is_folder) {
      total += info.size;
      if (info.size > kMaxUnpackedBytes || total > kMaxUnpackedBytes) {
        KLOGA(kLogInfo, "UnzipToFolder refused an archive unpacking to more than %llu bytes",
              static_cast<unsigned long long>(kMaxUnpackedBytes));
        return false;
      }
      if (!ReadEntry(archive.get(), static_cast<zip_uint64_t>(index), info.size, entry.bytes)) {
        KLOGA(kLogInfo, "UnzipToFolder found a damaged entry: %s", name.c_str());
        return false;
      }
    }
    if (!IsSafeEntryName(name)) {
      KLOGA(kLogInfo, "UnzipToFolder refused entry outside the folder: %s", name.c_str());
      all_unpacked = false;
      continue;
    }
    entry.path = TargetPath(folder, name);
    pending.push_back(std::move(entry));
  }

  for (const PendingEntry& entry : pending) {
    if (!WriteEntry(entry)) all_unpacked = false;
  }
  return all_unpacked;
}
