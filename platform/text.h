// Conversions between wide text (window texts, paths, ini values, URLs) and narrow text (JSON,
// HTTP bodies, log records). This is the one place where text changes its encoding.
#pragma once

#include <string>

namespace platform {

/// UTF-16 (UTF-32 where wchar_t is 32 bits) to UTF-8. Unpaired surrogates become U+FFFD.
std::string WideToUtf8(const std::wstring& text);

/// UTF-8 to wide text. Invalid sequences become U+FFFD; nothing is dropped silently.
std::wstring Utf8ToWide(const std::string& text);

/// Wide text to the system's narrow encoding: the ANSI code page on Windows, UTF-8 on Linux.
std::string WideToNarrow(const std::wstring& text);

/// The system's narrow encoding to wide text (the inverse of WideToNarrow).
std::wstring NarrowToWide(const std::string& text);

/// Wide text to the encoding log records are written in: the OEM code page on Windows (with its
/// default character for what the page lacks), UTF-8 on Linux.
std::string WideToLogEncoding(const std::wstring& text);

/// Decodes text in a single-byte Western code page (Windows-1252) to wide text.
std::wstring SingleByteToWide(const std::string& text);

}  // namespace platform
