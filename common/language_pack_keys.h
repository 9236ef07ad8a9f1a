// The keys of the language pack that the installer reads, and the built-in English texts.
#pragma once

#include <string>
#include <vector>

#include "common/string_table.h"

/// Keys of section [PRODUCT] of productInfo.ini, the product values first, then the deployment
/// values (hosts and analytics identity).
const std::vector<std::wstring>& ProductKeys();

/// Keys of section [URL] of a language's UrlInfo.ini.
const std::vector<std::wstring>& UrlKeys();

/// Text keys that a language file may leave out without anything looking wrong.
const std::vector<std::wstring>& OptionalTextKeys();

/// The English texts every language starts from, keyed by STR_* name. They may hold the
/// placeholders PRODUCT, COLOR and BRAND and the toolkit's markup.
const StringTable& DefaultTextTable();
