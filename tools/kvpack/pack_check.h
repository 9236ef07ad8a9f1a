// Checking a language-pack folder before it is packed.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace kvpack {

/// Every problem of the pack folder, one "file:line: what is wrong" text each (line 0 when the
/// problem is the file as a whole); empty when the pack is sound.
std::vector<std::string> CheckLanguagePack(const std::filesystem::path& folder);

}  // namespace kvpack
