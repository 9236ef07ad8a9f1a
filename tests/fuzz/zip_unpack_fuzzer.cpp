// The language pack's unpacking: an archive held in memory unpacked into a fresh folder. Nothing
// is ever written outside that folder, and a damaged archive (one that libzip cannot read whole)
// writes nothing at all.
#include <unistd.h>
#include <zip.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "common/zip_unpack.h"
#include "log/log.h"
#include "tests/fuzz/fuzz_check.h"

namespace fs = std::filesystem;

namespace {

// Unpacking goes to <root>/outer/inner/target, so that an entry that climbs out of the target
// lands somewhere this target can see.
struct Layout {
  fs::path base;
  fs::path root;
  fs::path outer;
  fs::path inner;
  fs::path target;
};

// Made once per process and never destroyed, so that the exit handler below can still use it.
const Layout& GetLayout() {
  static const Layout* const layout = [] {
    auto* made = new Layout;
    // Every run makes and removes folders: in memory (/dev/shm) where there is such a folder.
    std::error_code absent;
    const fs::path temp =
        fs::is_directory("/dev/shm", absent) ? fs::path("/dev/shm") : fs::temp_directory_path();
    made->base = temp / ("kv-zip-unpack-fuzz-" + std::to_string(getpid()));
    made->root = made->base / "root";
    made->outer = made->root / "outer";
    made->inner = made->outer / "inner";
    made->target = made->inner / "target";
    // The refused names are logged; the log lies beside the root, not inside it.
    const std::wstring log_folder = (made->base / "Log").wstring();
    InitLog(L"zip_unpack_fuzzer.log", log_folder.c_str());
    std::atexit([] {
      std::error_code ignored;
      fs::remove_all(GetLayout().base, ignored);
    });
    return made;
  }();
  return *layout;
}

// What UnzipToFolder must take for damage: libzip cannot open the archive or read one of its
// entries whole, or the entries claim more than 64 MiB.
bool ReadsWhole(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return false;
  zip_error_t error;
  zip_error_init(&error);
  zip_source_t* source = zip_source_buffer_create(data, size, 0, &error);
  zip_error_fini(&error);
  if (!source) return false;
  zip_t* archive = zip_open_from_source(source, ZIP_RDONLY | ZIP_CHECKCONS, nullptr);
  if (!archive) {
    zip_source_free(source);
    return false;
  }
  bool whole = true;
  zip_uint64_t total = 0;
  const zip_int64_t count = zip_get_num_entries(archive, 0);
  for (zip_int64_t index = 0; whole && index < count; ++index) {
    zip_stat_t info;
    zip_stat_init(&info);
    if (zip_stat_index(archive, static_cast<zip_uint64_t>(index), 0, &info) != 0 ||
        !(info.valid & ZIP_STAT_NAME) || !(info.valid & ZIP_STAT_SIZE)) {
      whole = false;
      break;
    }
    if (info.size == 0) continue;
    total += info.size;
    if (info.size > (64u << 20) || total > (64u << 20)) {
      whole = false;
      break;
    }
    zip_file_t* file = zip_fopen_index(archive, static_cast<zip_uint64_t>(index), 0);
    if (!file) {
      whole = false;
      break;
    }
    std::vector<char> bytes(info.size + 1);
    zip_uint64_t done = 0;
    while (true) {
      const zip_int64_t got = zip_fread(file, bytes.data() + done, bytes.size() - done);
      if (got < 0) whole = false;
      if (got <= 0) break;
      done += static_cast<zip_uint64_t>(got);
      if (done == bytes.size()) break;
    }
    whole = whole && done == info.size;
    zip_fclose(file);
  }
  zip_discard(archive);
  return whole;
}

// A well-formed archive made from a recipe, so that the fuzzer can try entry names and sizes
// freely: entries are "name\ncontent" separated by NUL bytes; a last byte above 0x7F damages the
// archive at the offset that the byte before it picks.
std::string ArchiveFromRecipe(const std::string& recipe) {
  zip_error_t error;
  zip_error_init(&error);
  zip_source_t* buffer = zip_source_buffer_create(nullptr, 0, 0, &error);
  zip_error_fini(&error);
  if (!buffer) return {};
  zip_source_keep(buffer);
  zip_t* archive = zip_open_from_source(buffer, ZIP_TRUNCATE, nullptr);
  if (!archive) {
    zip_source_free(buffer);
    zip_source_free(buffer);
    return {};
  }
  std::deque<std::string> contents;  // alive until zip_close has read them; never moved
  std::size_t start = 0;
  for (int entries = 0; start < recipe.size() && entries < 16; ++entries) {
    std::size_t end = recipe.find('\0', start);
    if (end == std::string::npos) end = recipe.size();
    const std::string item = recipe.substr(start, end - start);
    start = end + 1;
    const std::size_t newline = item.find('\n');
    const std::string name = item.substr(0, newline);
    contents.push_back(newline == std::string::npos ? "" : item.substr(newline + 1));
    zip_source_t* source =
        zip_source_buffer(archive, contents.back().data(), contents.back().size(), 0);
    if (!source) continue;
    const zip_int64_t index = zip_file_add(archive, name.c_str(), source, ZIP_FL_ENC_GUESS);
    if (index < 0) {
      zip_source_free(source);
      continue;
    }
    // Stored, not deflated: the recipes are about names and sizes, and deflate's large buffers
    // would take most of each run (mutated archives still reach the inflating).
    zip_set_file_compression(archive, static_cast<zip_uint64_t>(index), ZIP_CM_STORE, 0);
  }
  std::string bytes;
  if (zip_close(archive) != 0) {
    zip_discard(archive);
  } else if (zip_source_open(buffer) == 0) {
    char chunk[4096];
    zip_int64_t got = 0;
    while ((got = zip_source_read(buffer, chunk, sizeof(chunk))) > 0) {
      bytes.append(chunk, static_cast<std::size_t>(got));
    }
    zip_source_close(buffer);
  }
  zip_source_free(buffer);
  if (recipe.size() >= 2 && static_cast<unsigned char>(recipe.back()) > 0x7F && !bytes.empty()) {
    bytes[static_cast<unsigned char>(recipe[recipe.size() - 2]) * std::size_t{131} %
          bytes.size()] ^= 0x5A;
  }
  return bytes;
}

}  // namespace

// An input that starts with "PK" is an archive as it is; any other is a recipe for one.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* input, std::size_t input_size) {
  const Layout& layout = GetLayout();
  std::error_code ignored;
  fs::remove_all(layout.root, ignored);
  fs::create_directories(layout.inner);

  std::string archive(reinterpret_cast<const char*>(input), input_size);
  if (archive.compare(0, 2, "PK") != 0) archive = ArchiveFromRecipe(archive);
  const auto* data = reinterpret_cast<const std::uint8_t*>(archive.data());
  const std::size_t size = archive.size();
  const bool unpacked = UnzipToFolder(data, size, layout.target.wstring());

  // Only the target folder and what lies below it may exist under the root.
  for (auto item = fs::recursive_directory_iterator(layout.root);
       item != fs::recursive_directory_iterator(); ++item) {
    const fs::path& path = item->path();
    const bool allowed = path == layout.outer || path == layout.inner || path == layout.target ||
                         path.native().rfind(layout.target.native() + "/", 0) == 0;
    if (!allowed) std::fprintf(stderr, "written outside the target: %s\n", path.c_str());
    KV_FUZZ_CHECK(allowed);
  }
  if (!ReadsWhole(data, size)) {
    KV_FUZZ_CHECK(!unpacked);
    KV_FUZZ_CHECK(!fs::exists(layout.target) || fs::is_empty(layout.target));
  }
  return 0;
}
