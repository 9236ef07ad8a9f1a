#include "platform/profile_parser.h"

#include "platform/text.h"
#include "platform/trim.h"

namespace platform {
namespace {

std::wstring DecodeUtf16(const std::string& bytes, size_t offset, bool little_endian) {
  const auto unit_at = [&](size_t i) {
    const auto first = static_cast<unsigned char>(bytes[i]);
    const auto second = static_cast<unsigned char>(bytes[i + 1]);
    return static_cast<char32_t>(little_endian ? first | (second << 8) : (first << 8) | second);
  };
  // A pair of surrogates is one character where wchar_t is 32 bits and stays a pair where it is
  // 16 bits; an unpaired surrogate becomes U+FFFD.
  std::wstring text;
  text.reserve((bytes.size() - offset) / 2);
  for (size_t i = offset; i + 1 < bytes.size(); i += 2) {
    char32_t cp = unit_at(i);
    if (cp >= 0xD800 && cp <= 0xDBFF && i + 3 < bytes.size()) {
      const char32_t low = unit_at(i + 2);
      if (low >= 0xDC00 && low <= 0xDFFF) {
        i += 2;
        if constexpr (sizeof(wchar_t) == 2) {
          text.push_back(static_cast<wchar_t>(cp));
          text.push_back(static_cast<wchar_t>(low));
        } else {
          text.push_back(static_cast<wchar_t>(0x10000 + ((cp - 0xD800) << 10) + (low - 0xDC00)));
        }
        continue;
      }
    }
    if (cp >= 0xD800 && cp <= 0xDFFF) cp = 0xFFFD;
    text.push_back(static_cast<wchar_t>(cp));
  }
  return text;
}

bool IsValidUtf8(const std::string& bytes) { return WideToUtf8(Utf8ToWide(bytes)) == bytes; }

std::wstring StripQuotes(const std::wstring& value) {
  if (value.size() >= 2 && (value.front() == L'"' || value.front() == L'\'') &&
      value.back() == value.front()) {
    return value.substr(1, value.size() - 2);
  }
  return value;
}

}  // namespace

std::wstring DecodeProfileText(const std::string& bytes) {
  if (bytes.size() >= 2 && bytes[0] == '\xFF' && bytes[1] == '\xFE') {
    return DecodeUtf16(bytes, 2, true);
  }
  if (bytes.size() >= 2 && bytes[0] == '\xFE' && bytes[1] == '\xFF') {
    return DecodeUtf16(bytes, 2, false);
  }
  if (bytes.size() >= 3 && bytes.compare(0, 3, "\xEF\xBB\xBF") == 0) {
    return Utf8ToWide(bytes.substr(3));
  }
  return IsValidUtf8(bytes) ? Utf8ToWide(bytes) : SingleByteToWide(bytes);
}

std::vector<ProfileSection> ParseProfile(const std::wstring& text) {
  std::vector<ProfileSection> sections;
  size_t position = 0;
  while (position <= text.size()) {
    size_t line_end = text.find_first_of(L"\r\n", position);
    if (line_end == std::wstring::npos) line_end = text.size();
    const std::wstring line = Trim(text.substr(position, line_end - position));
    position = line_end + 1;
    if (line.empty() || line[0] == L';') continue;
    if (line[0] == L'[') {
      const size_t close = line.find(L']');
      sections.push_back(ProfileSection{
          Trim(line.substr(1, close == std::wstring::npos ? std::wstring::npos : close - 1)), {}});
      continue;
    }
    if (sections.empty()) continue;
    ProfileEntry entry;
    const size_t equals = line.find(L'=');
    if (equals == std::wstring::npos) {
      entry.key = line;
    } else {
      entry.key = Trim(line.substr(0, equals));
      entry.value = Trim(line.substr(equals + 1));
      entry.has_equals = true;
    }
    sections.back().entries.push_back(std::move(entry));
  }
  return sections;
}

bool EqualsIgnoringAsciiCase(const std::wstring& a, const std::wstring& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    wchar_t x = a[i];
    wchar_t y = b[i];
    if (x >= L'A' && x <= L'Z') x = static_cast<wchar_t>(x - L'A' + L'a');
    if (y >= L'A' && y <= L'Z') y = static_cast<wchar_t>(y - L'A' + L'a');
    if (x != y) return false;
  }
  return true;
}

const ProfileSection* FindProfileSection(const std::vector<ProfileSection>& sections,
                                         const std::wstring& name) {
  for (const ProfileSection& section : sections) {
    if (EqualsIgnoringAsciiCase(section.name, name)) return &section;
  }
  return nullptr;
}

std::wstring FindProfileValue(const std::vector<ProfileSection>& sections,
                              const std::wstring& section, const std::wstring& key) {
  const ProfileSection* found = FindProfileSection(sections, section);
  if (!found) return {};
  for (const ProfileEntry& entry : found->entries) {
    if (EqualsIgnoringAsciiCase(entry.key, key)) {
      return StripQuotes(entry.value).substr(0, kProfileValueLimit);
    }
  }
  return {};
}

std::vector<std::wstring> ProfileSectionEntries(const std::vector<ProfileSection>& sections,
                                                const std::wstring& section) {
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
