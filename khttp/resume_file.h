// The resume file beside a partial download: which URL, how large, which pieces are written.
// A bencoded dictionary with the keys "bitfield", "file_size", "final_url", "piece_num" and
// "piece_size"; the downloader rewrites it at offset 0 once a second while it runs.
#pragma once

#include <boost/system/error_code.hpp>
#include <cstdint>
#include <string>

#include "khttp/disk_file.h"
#include "khttp/parsed_url.h"
#include "khttp/range_set.h"

namespace khttp {

/// What a resume file records.
struct resume_meta {
  std::string final_url;  // every component; may be empty
  std::int64_t file_size = 0;
  std::int64_t piece_size = 0;
  std::int64_t piece_num = 0;
  std::string bitfield;  // ceil(piece_num / 8) bytes; bit 7 of byte 0 is piece 0
  // The first answer's validators, so that a resumed download never mixes two versions of the
  // file. Written only when known ("etag", "last_modified"); older files without them load.
  std::string etag;
  std::string last_modified;
};

/// Resume files larger than this are not read: no usable one comes near it.
inline constexpr std::int64_t kMaxResumeFileBytes = std::int64_t{16} * 1024 * 1024;

/// The record of a download of `total` bytes from `final_url` in pieces of `piece_size` bytes,
/// with a bit set for every piece `written` covers completely.
resume_meta make_resume_meta(const ParsedUrl& final_url, std::int64_t total,
                             std::int64_t piece_size, range_set& written);

/// The file's bytes. Their length depends only on the URL, the sizes and the piece count, so it
/// stays the same on every save of one download.
std::string encode_resume_meta(const resume_meta& meta);

/// Decodes and checks a resume file's bytes. False, with `problem` saying what is wrong, when
/// they do not decode to a dictionary or hold values the downloader cannot use: a key of the
/// wrong kind, file_size or piece_size not above 0, piece_num other than
/// ceil(file_size / piece_size), a bitfield shorter than ceil(piece_num / 8) bytes or a
/// final_url that is no URL. On success the bitfield is cut to ceil(piece_num / 8) bytes with
/// the bits after the last piece cleared. Missing keys read as 0 or empty.
bool parse_resume_meta(const std::string& bytes, resume_meta& meta, std::string& problem);

/// Resets both sets to the file size and fills them with the written pieces, so that written
/// pieces are neither claimed nor fetched again (a piece written in part is fetched again).
void restore_ranges(const resume_meta& meta, range_set& claimed, range_set& written);

/// One save: opens `path` in mode 2 when `file` is not open yet (created when missing) and
/// writes the encoded record at offset 0 in one write. The file is kept open for the next save.
/// The error of the open or the write, if any.
boost::system::error_code save_resume_file(disk_file& file, const std::wstring& path,
                                           const resume_meta& meta);

/// One save that a crash cannot tear: the record goes to `path` + ".new" and is then renamed over
/// `path`. The error of the write or the rename, if any.
boost::system::error_code replace_resume_file(const std::wstring& path, const resume_meta& meta);

enum class resume_load {
  fresh,     // the file is empty (or was missing and is now created): start from nothing
  restored,  // `meta` holds the checked record
  unusable,  // the file cannot be opened or read, or its record is damaged; `problem` says why
};

/// The load at the start of a download: (re)opens `path` in `file` in mode 2, reads it whole and
/// checks it. On `unusable` the caller closes the file and deletes it, and starts from nothing;
/// otherwise the file stays open for the saves.
resume_load load_resume_file(disk_file& file, const std::wstring& path, resume_meta& meta,
                             std::string& problem);

}  // namespace khttp
