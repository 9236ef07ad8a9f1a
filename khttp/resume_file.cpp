#include "khttp/resume_file.h"

#include <limits>

#include "khttp/entry.h"
#include "platform/file_system.h"

namespace khttp {
namespace {

constexpr char kBitfield[] = "bitfield";
constexpr char kEtag[] = "etag";
constexpr char kLastModified[] = "last_modified";
constexpr char kFileSize[] = "file_size";
constexpr char kFinalUrl[] = "final_url";
constexpr char kPieceNum[] = "piece_num";
constexpr char kPieceSize[] = "piece_size";

// The value of an integer key; a missing key reads as 0.
bool ReadInteger(const entry& dict, const char* key, std::int64_t& value, std::string& problem) {
  value = 0;
  const entry* found = dict.find(key);
  if (!found || found->type() == entry::kind::undefined) return true;
  if (found->type() != entry::kind::integer) {
    problem = std::string(key) + " is not an integer";
    return false;
  }
  value = found->integer();
  return true;
}

// The value of a string key; a missing key reads as empty.
bool ReadString(const entry& dict, const char* key, std::string& value, std::string& problem) {
  value.clear();
  const entry* found = dict.find(key);
  if (!found || found->type() == entry::kind::undefined) return true;
  if (found->type() != entry::kind::string) {
    problem = std::string(key) + " is not a string";
    return false;
  }
  value = found->string();
  return true;
}

}  // namespace

resume_meta make_resume_meta(const ParsedUrl& final_url, std::int64_t total,
                             std::int64_t piece_size, range_set& written) {
  resume_meta meta;
  meta.final_url = final_url.ToString(kUrlAll);
  meta.file_size = total;
  meta.piece_size = piece_size;
  meta.piece_num = piece_count(total, piece_size);
  meta.bitfield = written.to_bitmap(piece_size);
  return meta;
}

std::string encode_resume_meta(const resume_meta& meta) {
  entry::dictionary_type dict;
  dict[kBitfield] = meta.bitfield;
  dict[kFileSize] = meta.file_size;
  dict[kFinalUrl] = meta.final_url;
  dict[kPieceNum] = meta.piece_num;
  dict[kPieceSize] = meta.piece_size;
  if (!meta.etag.empty()) dict[kEtag] = meta.etag;
  if (!meta.last_modified.empty()) dict[kLastModified] = meta.last_modified;
  return encode(entry(std::move(dict)));
}

bool parse_resume_meta(const std::string& bytes, resume_meta& meta, std::string& problem) {
  meta = resume_meta();
  const entry root = decode(bytes);
  if (root.type() != entry::kind::dictionary) {
    problem = "not a bencoded dictionary";
    return false;
  }
  resume_meta read;
  if (!ReadString(root, kFinalUrl, read.final_url, problem) ||
      !ReadInteger(root, kFileSize, read.file_size, problem) ||
      !ReadInteger(root, kPieceSize, read.piece_size, problem) ||
      !ReadInteger(root, kPieceNum, read.piece_num, problem) ||
      !ReadString(root, kBitfield, read.bitfield, problem) ||
      !ReadString(root, kEtag, read.etag, problem) ||
      !ReadString(root, kLastModified, read.last_modified, problem)) {
    return false;
  }
  if (read.file_size <= 0) {
    problem = "file_size is not above 0";
    return false;
  }
  // The downloader multiplies the piece size by its pieces per request in 32 bits.
  if (read.piece_size <= 0 || read.piece_size > std::numeric_limits<std::int32_t>::max()) {
    problem = "piece_size is not between 1 and 2147483647";
    return false;
  }
  if (read.piece_num != piece_count(read.file_size, read.piece_size)) {
    problem = "piece_num is not ceil(file_size / piece_size)";
    return false;
  }
  const std::int64_t bitmap_bytes = (read.piece_num + 7) / 8;
  if (static_cast<std::int64_t>(read.bitfield.size()) < bitmap_bytes) {
    problem = "bitfield is shorter than ceil(piece_num / 8) bytes";
    return false;
  }
  if (!read.final_url.empty()) {
    boost::system::error_code ec;
    ParsedUrl::FromString(read.final_url, ec);
    if (ec) {
      problem = "final_url is not a URL";
      return false;
    }
  }
  read.bitfield.resize(static_cast<std::size_t>(bitmap_bytes));
  if (read.piece_num % 8 != 0) {
    read.bitfield.back() = static_cast<char>(static_cast<unsigned char>(read.bitfield.back()) &
                                             (0xFF00 >> (read.piece_num % 8)));
  }
  meta = std::move(read);
  return true;
}

void restore_ranges(const resume_meta& meta, range_set& claimed, range_set& written) {
  for (range_set* set : {&claimed, &written}) {
    set->reset(meta.file_size);
    set->from_bitmap(meta.bitfield, meta.piece_num, meta.piece_size);
  }
}

boost::system::error_code save_resume_file(disk_file& file, const std::wstring& path,
                                           const resume_meta& meta) {
  boost::system::error_code ec;
  if (!file.is_open()) {
    file.open(path, disk_file::read_write_open_always, ec);
    if (ec) return ec;
  }
  const std::string bytes = encode_resume_meta(meta);
  file.write_at(0, bytes.data(), bytes.size(), ec);
  return ec;
}

boost::system::error_code replace_resume_file(const std::wstring& path, const resume_meta& meta) {
  const std::wstring fresh = path + L".new";
  const std::string bytes = encode_resume_meta(meta);
  if (!platform::WriteWholeFile(fresh, bytes.data(), bytes.size())) {
    platform::DeleteFileIfExists(fresh);
    return make_error_code(boost::system::errc::io_error);
  }
  const std::error_code error = platform::MoveFileReplacing(fresh, path);
  if (error) return boost::system::error_code(error.value(), boost::system::system_category());
  return {};
}

resume_load load_resume_file(disk_file& file, const std::wstring& path, resume_meta& meta,
                             std::string& problem) {
  meta = resume_meta();
  boost::system::error_code ec;
  file.open(path, disk_file::read_write_open_always, ec);
  if (ec) {
    problem = "cannot open: " + ec.message();
    return resume_load::unusable;
  }
  const std::int64_t size = file.size(ec);
  if (ec) {
    problem = "cannot read: " + ec.message();
    return resume_load::unusable;
  }
  if (size == 0) return resume_load::fresh;
  if (size > kMaxResumeFileBytes) {
    problem = "larger than any resume file (" + std::to_string(size) + " bytes)";
    return resume_load::unusable;
  }
  std::string bytes(static_cast<std::size_t>(size), '\0');
  const std::int64_t got = file.read_at(0, bytes.data(), bytes.size(), ec);
  if (got != size) {
    problem = ec ? "cannot read: " + ec.message() : "shorter than its size";
    return resume_load::unusable;
  }
  return parse_resume_meta(bytes, meta, problem) ? resume_load::restored : resume_load::unusable;
}

}  // namespace khttp
