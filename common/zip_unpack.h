// Unpacking an in-memory ZIP archive into a folder.
#pragma once

#include <cstddef>
#include <string>

/// Writes every entry of the archive below `folder`, in archive order: an entry of size 0 is a
/// folder, any other is a file that replaces what is there. An entry whose name is absolute or
/// has a ".." component is refused (logged) so nothing is ever written outside `folder`. Every
/// entry is read before any is written: a damaged archive (an entry that cannot be read whole,
/// or more than 64 MiB in all) writes nothing. True when every entry was unpacked.
bool UnzipToFolder(const void* data, std::size_t size, const std::wstring& folder);
