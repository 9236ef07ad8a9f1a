// Sets of byte ranges of one download: what connections have claimed, what has been written.
#pragma once

#include <cstdint>
#include <map>
#include <mutex>
#include <string>
#include <vector>

namespace khttp {

/// Inside a range_set: the half-open range [left, right). Handed to a connection: the inclusive
/// range [left, right], as in a "Range" header.
struct byte_range {
  std::int64_t left = 0;
  std::int64_t right = 0;
  friend bool operator==(const byte_range& a, const byte_range& b) {
    return a.left == b.left && a.right == b.right;
  }
};

/// Byte ranges within [0, size) of a download. Ranges are merged lazily, before every question
/// that needs them merged. Every operation takes the set's own lock, so the downloader's
/// thread and a status query may use one set at the same time.
class range_set {
 public:
  /// Forgets every range and sets the size (0 until the size is known).
  void reset(std::int64_t size);

  /// Adds [left, right) when 0 <= left < right <= size; what was covered stays covered (a
  /// range with the same left as a held one keeps the longer of the two). False (and nothing
  /// changes) for anything else.
  bool add(byte_range range);

  /// Uncovers [left, right): a claim handed back by a connection that gives up.
  void subtract(byte_range range);

  /// The parts of [0, size) no range covers, in ascending order. Never an empty range.
  std::vector<byte_range> gaps();
  /// The lowest gap; false when there is none (also when the size is 0).
  bool first_gap(byte_range& gap);
  /// True when one range covers all of [0, size) (never for size 0).
  bool full();
  /// The bytes the ranges cover; a byte covered twice is counted once.
  std::int64_t covered();
  std::int64_t size() const;
  /// The ranges, merged.
  std::vector<byte_range> ranges();

  /// The piece bitmap of the resume file: ceil(size / piece_size) bits, bit 7 of byte 0 for
  /// piece 0; a bit is 1 when its piece [i * piece_size, min((i + 1) * piece_size, size)) is
  /// covered completely. The bits after the last piece are 0. Empty when piece_size <= 0.
  std::string to_bitmap(std::int64_t piece_size);

  /// Replaces the ranges by the pieces whose bits are 1 among the first `pieces` bits of
  /// `bitmap` (fewer when the bitmap is shorter). Pieces beyond the size are left out.
  void from_bitmap(const std::string& bitmap, std::int64_t pieces, std::int64_t piece_size);

 private:
  void merge_locked();

  mutable std::mutex mutex_;
  std::int64_t size_ = 0;
  std::map<std::int64_t, std::int64_t> ranges_;  // left -> right
  bool needs_merge_ = false;
};

/// The number of pieces of `piece_size` bytes that `file_size` bytes make up (the last one may be
/// shorter); 0 when either is not positive.
std::int64_t piece_count(std::int64_t file_size, std::int64_t piece_size);

}  // namespace khttp
