// The check of a downloaded installer before it runs: its SHA-256 against the digest the maker
// publishes beside it.
#pragma once

#include <optional>
#include <string>

class LanguageManager;

/// The product key naming the digest's address; without it the address is the download
/// address + ".sha256".
inline constexpr const wchar_t* kDigestUrlKey = L"STR_DOWN_DIGEST_URL";

/// Where the installer's digest is published.
std::wstring DigestUrlFor(const LanguageManager& language);

/// The digest a published text holds: its first word, 64 hexadecimal digits (any case), given
/// in lower case, as `sha256sum` writes it ("HEX  name" or just "HEX"). Nothing otherwise.
std::optional<std::string> ParseDigestText(const std::string& text);

/// The lower-case hexadecimal SHA-256 of a file's content; nothing when it cannot be read.
std::optional<std::string> FileSha256Hex(const std::wstring& path);
