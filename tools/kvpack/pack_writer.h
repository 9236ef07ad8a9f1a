// Writing a pack folder as the ZIP archive the installer carries.
#pragma once

#include <filesystem>
#include <string>

namespace kvpack {

/// Writes every file and folder below `folder` into the archive `output`: sorted by name, the
/// files of a folder before its subfolders, each folder as a stored entry before its content,
/// files deflated, all with one fixed time so that the same folder gives the same bytes. On
/// failure returns false with a message in `error`.
bool WritePack(const std::filesystem::path& folder, const std::filesystem::path& output,
               std::string& error);

}  // namespace kvpack
