// Files and folders that only this process's user may change: the work folder and the
// installer run from it. An elevated setup runs a program it downloaded there; if anyone else
// could write the folder, they could swap the program between the download and the run.
#pragma once

#include <string>

namespace platform {

/// Takes the write rights of everyone but the owner from `folder`. False when it is not a real
/// folder (a link counts as not) owned by this process's user, or it cannot be changed.
bool RestrictFolderToOwner(const std::wstring& folder);

/// Prepares a downloaded program to be run: true when `path` is a regular file (not a link)
/// owned by this process's user in a folder of the same owner that nobody else may write; the
/// file is then made executable and writable by its owner only.
bool PrepareOwnProgramForRun(const std::wstring& path);

}  // namespace platform
