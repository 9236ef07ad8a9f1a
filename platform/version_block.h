// The version block as the build embeds it in a Linux program: UTF-8 lines "Name=value" with
// the names of a Windows version resource (FileVersion, FileDescription, ProductName, ...).
#pragma once

#include <optional>
#include <string>

#include "platform/version_info.h"

namespace platform {

/// The value of `name` in a version block; nothing when absent.
std::optional<std::string> FindVersionBlockValue(const std::string& block, const std::string& name);

/// Parses "a.b.c.d" (missing parts are 0); nothing when it is not a version.
std::optional<FileVersion> ParseFileVersion(const std::string& text);

}  // namespace platform
