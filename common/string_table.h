// The tables of the language pack: wide keys to wide values, ordered, case-sensitive.
#pragma once

#include <map>
#include <string>

using StringTable = std::map<std::wstring, std::wstring>;

/// The value under `key`, or empty text when the table has none.
inline std::wstring LookUp(const StringTable& table, const std::wstring& key) {
  const auto found = table.find(key);
  return found == table.end() ? std::wstring() : found->second;
}
