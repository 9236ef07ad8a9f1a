// Well-known folders and the running program's own path.
#pragma once

#include <string>

namespace platform {

/// The separator of path components on this system ("\" on Windows, "/" on Linux).
extern const wchar_t kPathSeparator;

/// The folder programs are installed below, without a trailing separator. Windows: the 32-bit
/// Program Files folder. Linux: /opt for root, else $XDG_DATA_HOME (default ~/.local/share).
/// Empty when it cannot be found.
std::wstring GetProgramFilesFolder();

/// The full path of the running executable; empty when it cannot be read.
std::wstring GetModulePath();

/// True when the process runs with administrator rights (root on Linux).
bool IsElevated();

}  // namespace platform
