#include "platform/profile_parser.h"

#include "platform/text.h"

namespace platform {
namespace {

bool IsBlank(wchar_t c) { return c == L' ' || c == L'\t' || c == L'\r' || c == L'\n'; }

std::wstring Trim(const std::wstring& text) {
  size_t begin = 0;
  size_t end = text.size();
  while (begin < end && IsBlank(text[begin])) ++begin;
  while (end > begin && IsBlank(text[end - 1])) --end;
  return text.substr(begin, end - begin);
}

std::wstring DecodeUtf16(const std::string& bytes, size_t offset, bool little_endian) {
  std::u16string units;
  for (size_t i = offset; i + 1 < bytes.size(); i += 2) {
    const auto first = static_cast<unsigned char>(bytes[i]);
    const auto second = static_cast<unsigned char>(bytes[i + 1]);
    units.push_back(
        static_cast<char16_t>(little_endian ? first | (second << 8) : (first << 8) | second));
  }
  // Through UTF-8 so that surrogate pairs become one character where wchar_t is 32 bits (and stay
  // a pair where it is 16 bits).
  std::string utf8;
  for (size_t i = 0; i < units.size(); ++i) {
    char32_t cp = units[i];
    if (cp >= 0xD800 && cp <= 0xDBFF && i + 1 < units.size() && units[i + 1] >= 0xDC00 &&
        units[i + 1] <= 0xDFFF) {
      cp = 0x10000 + ((cp - 0xD800) << 10) + (units[++i] - 0xDC00);
    } else if (cp >= 0xD800 && cp <= 0xDFFF) {
      cp = 0xFFFD;
    }
    std::wstring character(1, static_cast<wchar_t>(cp));
    if constexpr (sizeof(wchar_t) == 2) {
      if (cp >= 0x10000) {
        character = {static_cast<wchar_t>(0xD800 + ((cp - 0x10000) >> 10)),
                     static_cast<wchar_t>(0xDC00 + ((cp - 0x10000) & 0x3FF))};
      }
    }
    utf8 += WideToUtf8(character);
  }
  return Utf8ToWide(utf8);
}

bool IsValidUtf8(const std::string& bytes) { return WideToUtf8(Utf8ToWide(bytes)) == bytes; }

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

}  // namespace platform
