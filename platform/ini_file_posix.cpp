#include "platform/file_system.h"
#include "platform/ini_file.h"
#include "platform/profile_parser.h"

namespace platform {
namespace {

std::vector<ProfileSection> LoadProfile(const std::wstring& file) {
  const auto bytes = ReadWholeFile(file);
  if (!bytes) return {};
  return ParseProfile(DecodeProfileText(*bytes));
}

}  // namespace

std::wstring ReadProfileString(const std::wstring& file, const std::wstring& section,
                               const std::wstring& key) {
  return FindProfileValue(LoadProfile(file), section, key);
}

std::vector<std::wstring> ReadProfileSection(const std::wstring& file,
                                             const std::wstring& section) {
  return ProfileSectionEntries(LoadProfile(file), section);
}

}  // namespace platform
