// Small utilities over the operating system for the installer: folders, disk space, versions,
// ini files, processes, the shell and text (whose encodings platform/text.h alone converts).
// They keep no state, never show anything and never log; a failure is a false result, an empty
// text or an out value left as it was.
#pragma once

#include <cstdint>
#include <string>

#include "common/string_table.h"
#include "platform/process.h"

/// The folder programs are installed below, with a trailing separator (a lone separator when it
/// cannot be found).
std::wstring GetDefaultInstallRoot();

/// The per-setup work folder: install root + "kelvane_down" + the setup file's name before its
/// last "." , with a trailing separator ("/opt/kelvane_down/setup.beta/" for setup.beta.exe).
std::wstring GetWorkFolder();

/// The total free space of the volume holding `path` in MiB, cut to 32 bits. False on failure,
/// leaving `megabytes` unchanged.
bool GetDiskFreeMB(const std::wstring& path, std::uint32_t& megabytes);

/// "major.minor.build.revision" of a program file, or empty text.
std::wstring GetFileVersionString(const std::wstring& path);

/// The user's UI language id in decimal ("1033").
std::wstring GetUILanguageId();

/// The last component of a path ("/" and "\" both separate); empty for empty input.
std::wstring GetFileNamePart(const std::wstring& path);

/// The operating system's product name, or empty text.
std::wstring GetWindowsProductName();

/// One value of an ini file, at most 255 characters; empty when missing.
std::wstring ReadIniValue(const std::wstring& file, const std::wstring& section,
                          const std::wstring& key);

/// Adds every entry of an ini section to `table`, split at its first "="; a later entry with
/// the same key wins. Always true.
bool ReadIniSection(const std::wstring& file, const std::wstring& section, StringTable& table);

/// True on a 64-bit x86 (or Itanium) processor; false on 32-bit x86 and ARM64.
bool IsNative64Bit();

/// True when the file opens for reading.
bool FileExists(const std::wstring& path);

/// The id of a running process whose executable name equals `image_name` exactly (at most 63
/// characters). False when none runs, leaving `process_id` unchanged.
bool FindProcess(const std::wstring& image_name, platform::ProcessId& process_id);

/// Ends a process. True when it could be reached.
bool KillProcess(platform::ProcessId process_id);

/// Opens a web page or file with the desktop's default handler. `owner` is the window asking.
bool ShellOpen(void* owner, const std::wstring& target);

/// Runs the product installer silently into `install_root`, reporting to `progress_file`, and
/// returns once it has ended (always true: a failed start is not told apart).
bool RunSilentInstaller(const std::wstring& installer, const std::wstring& install_root,
                        const std::wstring& progress_file);

/// Starts the product, elevated (with this process's rights) or as the invoking user.
void RunProgram(const std::wstring& program, bool elevated);

/// Whether `path` can be an install folder: it exists (`exists` set), or only its last folder is
/// missing. False when a folder on the way is missing.
bool IsInstallPathUsable(const std::wstring& path, bool& exists);

/// Splits `text` at the first `separator`. False (first = text, second = empty) when absent.
bool SplitOnce(const std::wstring& text, const std::wstring& separator, std::wstring& first,
               std::wstring& second);

/// Replaces every occurrence of `search` (not empty) from left to right; a replacement is never
/// searched again.
void ReplaceAll(std::wstring& text, const std::wstring& search, const std::wstring& replacement);
