// The few file-system questions whose answers differ in shape between the systems.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <system_error>

namespace platform {

/// What a look at a path found.
enum class PathState {
  kExists,         // something exists under the path
  kLeafMissing,    // the last component is missing, its parent folder exists
  kParentMissing,  // a folder on the way is missing (or is not a folder)
  kUnknown,        // the system refused to say (permissions and the like)
};

/// Looks at `path` without following a trailing separator.
PathState ProbePath(const std::wstring& path);

/// The total number of free bytes on the volume that holds `path` (not the caller's quota).
std::optional<std::uint64_t> GetVolumeFreeBytes(const std::wstring& path);

/// Creates one folder whose parent exists. True when it was created or already is a folder.
bool CreateOneDirectory(const std::wstring& path);

/// True when `path` names an existing folder.
bool IsDirectory(const std::wstring& path);

/// True when `path` exists (file or folder).
bool PathExists(const std::wstring& path);

/// Writes `size` bytes to `path`, replacing an existing file. True when every byte was written.
bool WriteWholeFile(const std::wstring& path, const void* data, std::size_t size);

/// Reads the whole file; nothing when it cannot be opened or read.
std::optional<std::string> ReadWholeFile(const std::wstring& path);

/// Moves the file `from` to `to`, replacing a file of that name in one step where the system
/// allows it (across volumes: copied, then the original removed). The system's error, if any.
std::error_code MoveFileReplacing(const std::wstring& from, const std::wstring& to);

/// Deletes the file `path`; a file that is not there is no error.
std::error_code DeleteFileIfExists(const std::wstring& path);

}  // namespace platform
