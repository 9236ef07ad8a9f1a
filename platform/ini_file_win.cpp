#include <windows.h>

#include "platform/ini_file.h"

namespace platform {
namespace {

// The buffers the profile calls fill: a value of 255 characters and its terminator; a section
// list with a terminator after each entry and one after the list.
constexpr DWORD kValueBuffer = 256;
constexpr DWORD kSectionBuffer = 4096;
static_assert(kProfileValueLimit + 1 == kValueBuffer, "a value and its terminator");
static_assert(kProfileSectionLimit == kSectionBuffer, "the section buffer of the profile call");

}  // namespace

std::wstring ReadProfileString(const std::wstring& file, const std::wstring& section,
                               const std::wstring& key) {
  wchar_t value[kValueBuffer] = {};
  const DWORD length = GetPrivateProfileStringW(section.c_str(), key.c_str(), L"", value,
                                                kValueBuffer, file.c_str());
  return std::wstring(value, length);
}

std::vector<std::wstring> ReadProfileSection(const std::wstring& file,
                                             const std::wstring& section) {
  std::vector<wchar_t> buffer(kSectionBuffer, L'\0');
  const DWORD length =
      GetPrivateProfileSectionW(section.c_str(), buffer.data(), kSectionBuffer, file.c_str());
  std::vector<std::wstring> entries;
  size_t start = 0;
  while (start < length && buffer[start] != L'\0') {
    std::wstring entry(buffer.data() + start);
    start += entry.size() + 1;
    entries.push_back(std::move(entry));
  }
  return entries;
}

}  // namespace platform
