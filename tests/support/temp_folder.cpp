#include "tests/support/temp_folder.h"

#include <stdlib.h>
#include <unistd.h>

#include <fstream>
#include <stdexcept>

#include "platform/file_system.h"
#include "platform/text.h"

namespace kvtest {

TempFolder::TempFolder() {
  std::string pattern = (std::filesystem::temp_directory_path() / "kvtest-XXXXXX").string();
  if (!mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed");
  path_ = pattern;
}

TempFolder::~TempFolder() {
  std::error_code ignored;
  std::filesystem::permissions(path_, std::filesystem::perms::owner_all,
                               std::filesystem::perm_options::add, ignored);
  std::filesystem::remove_all(path_, ignored);
}

std::wstring TempFolder::Wide(const std::string& name) const {
  return platform::Utf8ToWide(name.empty() ? path_.string() : (path_ / name).string());
}

std::filesystem::path TempFolder::Write(const std::string& name, const std::string& bytes) const {
  const auto file = path_ / name;
  std::filesystem::create_directories(file.parent_path());
  std::ofstream(file, std::ios::binary) << bytes;
  return file;
}

std::filesystem::path FreshNamedFolder(const std::string& name) {
  const auto folder =
      std::filesystem::temp_directory_path() / ("kvtest-" + name + "-" + std::to_string(getuid()));
  std::filesystem::remove_all(folder);
  std::filesystem::create_directories(folder);
  return folder;
}

std::string ReadFile(const std::filesystem::path& path) {
  return platform::ReadWholeFile(platform::Utf8ToWide(path.string())).value_or("");
}

std::string Utf16LeWithBom(const std::wstring& text) {
  std::string bytes = "\xFF\xFE";
  for (wchar_t c : text) {
    bytes.push_back(static_cast<char>(c & 0xFF));
    bytes.push_back(static_cast<char>((c >> 8) & 0xFF));
  }
  return bytes;
}

}  // namespace kvtest
