// The version values and description a program file carries.
#pragma once

#include <optional>
#include <string>

namespace platform {

struct FileVersion {
  unsigned major = 0;
  unsigned minor = 0;
  unsigned build = 0;
  unsigned revision = 0;
};

/// The file version of the program file at `path`; nothing when it carries none. On Linux only
/// the running program carries one (its version block resource).
std::optional<FileVersion> ReadFileVersion(const std::wstring& path);

/// The FileDescription text of the program file at `path` (US English block); empty when none.
std::wstring ReadFileDescription(const std::wstring& path);

}  // namespace platform
