#include "tests/support/zip_builder.h"

#include <zip.h>

#include <stdexcept>

#include "tests/support/temp_folder.h"

namespace kvtest {

std::string BuildZip(const std::vector<ZipEntry>& entries) {
  TempFolder folder;
  const std::string path = (folder.path() / "built.zip").string();
  int code = 0;
  zip_t* archive = zip_open(path.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &code);
  if (!archive) throw std::runtime_error("zip_open failed");
  for (const ZipEntry& entry : entries) {
    if (!entry.name.empty() && entry.name.back() == '/') {
      zip_dir_add(archive, entry.name.c_str(), ZIP_FL_ENC_UTF_8);
      continue;
    }
    // The entries outlive zip_close, which reads the contents, so libzip need not copy them.
    zip_source_t* source =
        zip_source_buffer(archive, entry.content.data(), entry.content.size(), 0);
    const zip_int64_t index =
        zip_file_add(archive, entry.name.c_str(), source, ZIP_FL_ENC_UTF_8 | ZIP_FL_OVERWRITE);
    if (index < 0) throw std::runtime_error("zip_file_add failed for " + entry.name);
    zip_set_file_compression(archive, static_cast<zip_uint64_t>(index), ZIP_CM_DEFLATE, 9);
  }
  if (zip_close(archive) != 0) throw std::runtime_error("zip_close failed");
  return ReadFile(path);
}

}  // namespace kvtest
