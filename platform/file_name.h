// The last component of a path, the way every part of the installer cuts it.
#pragma once

#include <string>

namespace platform {

/// The text after the last "/" or "\" of `path` (both separate, whichever system wrote it); the
/// whole text when it has neither: "setup.exe" for "C:\dl\setup.exe" and for "/dl/setup.exe".
template <typename Char>
std::basic_string<Char> FileNamePart(const std::basic_string<Char>& path) {
  std::size_t start = path.size();
  while (start > 0 && path[start - 1] != '/' && path[start - 1] != '\\') --start;
  return path.substr(start);
}

}  // namespace platform
