// "kvdl meta FILE": what a resume file says about its download.
#pragma once

#include <ostream>
#include <string>

namespace kvdl {

/// Prints the record of the resume file at `path` to `out` as "key=value" lines (final_url,
/// file_size, piece_size, piece_num, pieces_done, then one "missing=FIRST-LAST" line per missing
/// byte range, inclusive and ascending) and returns 0. For a file that cannot be read, is empty
/// or is damaged it prints one line saying what is wrong to `err` and returns 1. The file is
/// only read, never created or changed.
int RunMeta(const std::wstring& path, std::ostream& out, std::ostream& err);

}  // namespace kvdl
