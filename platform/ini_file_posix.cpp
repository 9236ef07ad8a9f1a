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

std::wstring StripQuotes(const std::wstring& value) {
  if (value.size() >= 2 && (value.front() == L'"' || value.front() == L'\'') &&
      value.back() == value.front()) {
    return value.substr(1, value.size() - 2);
  }
  return value;
}

}  // namespace

std::wstring ReadProfileString(const std::wstring& file, const std::wstring& section,
                               const std::wstring& key) {
  const auto sections = LoadProfile(file);
  const ProfileSection* found = FindProfileSection(sections, section);
  if (!found) return {};
  for (const ProfileEntry& entry : found->entries) {
    if (EqualsIgnoringAsciiCase(entry.key, key)) {
      return StripQuotes(entry.value).substr(0, kProfileValueLimit);
    }
  }
  return {};
}

std::vector<std::wstring> ReadProfileSection(const std::wstring& file,
                                             const std::wstring& section) {
  const auto sections = LoadProfile(file);
  const ProfileSection* found = FindProfileSection(sections, section);
  if (!found) return {};
  // Each entry takes its length plus a terminator; one more terminator closes the list. An
  // entry that does not fit is cut, and nothing after it is returned.
  std::vector<std::wstring> entries;
  size_t room = kProfileSectionLimit - 1;
  for (const ProfileEntry& entry : found->entries) {
    std::wstring text = entry.has_equals ? entry.key + L"=" + entry.value : entry.key;
    if (text.size() + 1 <= room) {
      room -= text.size() + 1;
      entries.push_back(std::move(text));
      continue;
    }
    if (room > 1) entries.push_back(text.substr(0, room - 1));
    break;
  }
  return entries;
}

}  // namespace platform
