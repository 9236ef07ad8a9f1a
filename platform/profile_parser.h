// The ini reader behind the profile functions on systems that have none of their own.
#pragma once

#include <string>
#include <vector>

#include "platform/ini_file.h"

namespace platform {

/// Decodes the bytes of an ini file: UTF-16LE or UTF-16BE with a byte-order mark, UTF-8 with or
/// without one, and otherwise single-byte Windows-1252 text.
std::wstring DecodeProfileText(const std::string& bytes);

struct ProfileEntry {
  std::wstring key;
  std::wstring value;
  bool has_equals = false;
};

struct ProfileSection {
  std::wstring name;
  std::vector<ProfileEntry> entries;
};

/// Splits decoded ini text into sections. Lines are trimmed of blanks at both ends; ";" lines
/// are comments; a "[name]" line opens a section; an entry is split at its first "=" with the
/// blanks around that "=" trimmed. Lines before the first section are ignored.
std::vector<ProfileSection> ParseProfile(const std::wstring& text);

/// The first section called `name`, ignoring ASCII case; null when there is none.
const ProfileSection* FindProfileSection(const std::vector<ProfileSection>& sections,
                                         const std::wstring& name);

/// The value of `key` in `section` the way ReadProfileString gives it: the first match ignoring
/// ASCII case, one pair of surrounding quotes removed, cut to kProfileValueLimit characters.
std::wstring FindProfileValue(const std::vector<ProfileSection>& sections,
                              const std::wstring& section, const std::wstring& key);

/// The entries of `section` the way ReadProfileSection gives them: "key=value" (or the bare
/// text), cut so that with a terminator after each entry and one after the list they fit in
/// kProfileSectionLimit characters.
std::vector<std::wstring> ProfileSectionEntries(const std::vector<ProfileSection>& sections,
                                                const std::wstring& section);

/// True when `a` and `b` are equal ignoring ASCII case.
bool EqualsIgnoringAsciiCase(const std::wstring& a, const std::wstring& b);

}  // namespace platform
