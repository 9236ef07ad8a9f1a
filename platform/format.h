// printf-style formatting of wide text, which the C library offers in different shapes.
#pragma once

#include <cstdarg>
#include <optional>
#include <string>

namespace platform {

/// Formats `format` with `arguments` (wide conversions: %ls for wide text, %hs for narrow) into
/// a text of any length; nothing when the C library reports a formatting error.
std::optional<std::wstring> FormatWide(const wchar_t* format, va_list arguments);

}  // namespace platform
