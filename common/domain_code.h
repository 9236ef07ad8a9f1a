// The domain code: a short single-byte text carried as a resource, appended to the maker's page
// addresses and left for the installed product in a file named "domain".
#pragma once

#include <cstddef>
#include <string>

/// The code held in resource bytes: at most the first 254 bytes up to a NUL, in the system's
/// narrow encoding, with every CR LF pair removed. `raw` receives the bytes before that removal.
std::wstring DomainCodeFromBytes(const unsigned char* data, std::size_t size, std::string& raw);

/// Writes `custom` in the narrow encoding, without terminator or line end, to `product_folder` +
/// "domain" (replacing it). Nothing happens for an empty code. False when it could not be written.
bool WriteDomainFile(const std::wstring& product_folder, const std::wstring& custom);
