#include "tests/support/temp_folder.h"

#include <fstream>
#include <iterator>
#include <random>
#include <stdexcept>

#include "platform/file_system.h"
#include "platform/text.h"
#include "tests/support/child_process.h"

namespace kvtest {

TempFolder::TempFolder() {
  static const char kLetters[] = "abcdefghijklmnopqrstuvwxyz0123456789";
  std::random_device seed;
  std::mt19937 random(seed());
  const auto base = std::filesystem::temp_directory_path();
  for (int attempt = 0; attempt < 100; ++attempt) {
    std::string name = "kvtest-";
    for (int i = 0; i < 10; ++i) name += kLetters[random() % (sizeof(kLetters) - 1)];
    // create_directory is false when the folder exists already: another name is tried.
    if (std::filesystem::create_directory(base / name)) {
      path_ = base / name;
      return;
    }
  }
  throw std::runtime_error("no fresh temporary folder");
}

TempFolder::~TempFolder() {
  std::error_code ignored;
  std::filesystem::permissions(path_, std::filesystem::perms::owner_all,
                               std::filesystem::perm_options::add, ignored);
  std::filesystem::remove_all(path_, ignored);
}

std::wstring TempFolder::Wide(const std::string& name) const {
  return platform::Utf8ToWide(name.empty() ? path_.u8string()
                                           : (path_ / std::filesystem::u8path(name)).u8string());
}

std::filesystem::path TempFolder::Write(const std::string& name, const std::string& bytes) const {
  const auto file = path_ / std::filesystem::u8path(name);
  std::filesystem::create_directories(file.parent_path());
  std::ofstream(file, std::ios::binary) << bytes;
  return file;
}

std::filesystem::path FreshNamedFolder(const std::string& name) {
  const auto folder = std::filesystem::temp_directory_path() / ("kvtest-" + name + "-" + UserTag());
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
