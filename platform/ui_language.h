// The user's interface language as a Windows language identifier (LANGID).
#pragma once

#include <string>

namespace platform {

/// The user's default UI language, for example 1033 for en-US. Linux derives it from the first
/// non-empty of LC_ALL, LC_MESSAGES and LANG; an unknown or "C" locale gives 1033.
unsigned GetUserUILanguageId();

/// The LANGID Windows reports for a POSIX locale name such as "pt_BR.UTF-8" or "sr_RS@latin";
/// 1033 for "C", "POSIX", empty text and languages Windows has no identifier for here.
unsigned LanguageIdForLocale(const std::string& locale);

}  // namespace platform
