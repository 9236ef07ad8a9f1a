// Reading ini ("profile") files the way the Windows profile functions read them.
#pragma once

#include <string>
#include <vector>

namespace platform {

/// Longest value ReadProfileString returns, in characters.
constexpr size_t kProfileValueLimit = 255;
/// Room for one section's entries, in characters, counting a terminator after each entry and
/// one after the list.
constexpr size_t kProfileSectionLimit = 4096;

/// The value of `key` in `section` (both matched ignoring ASCII case; the first match wins), cut
/// to kProfileValueLimit characters; empty when the file, section or key is missing.
std::wstring ReadProfileString(const std::wstring& file, const std::wstring& section,
                               const std::wstring& key);

/// The entries of `section` in file order, each "key=value" (or the bare text of a line without
/// "="), cut like the Windows call cuts them to kProfileSectionLimit; empty when missing.
std::vector<std::wstring> ReadProfileSection(const std::wstring& file, const std::wstring& section);

}  // namespace platform
