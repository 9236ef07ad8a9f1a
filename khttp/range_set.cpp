#include "khttp/range_set.h"

#include <algorithm>

namespace khttp {

std::int64_t piece_count(std::int64_t file_size, std::int64_t piece_size) {
  if (file_size <= 0 || piece_size <= 0) return 0;
  return file_size / piece_size + (file_size % piece_size != 0 ? 1 : 0);
}

void range_set::reset(std::int64_t size) {
  std::lock_guard<std::mutex> lock(mutex_);
  size_ = size;
  ranges_.clear();
  needs_merge_ = false;
}

bool range_set::add(byte_range range) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (range.left < 0 || range.left >= range.right || range.right > size_) return false;
  needs_merge_ = true;
  // A block that continues a held range (the usual case: a connection writing on) extends it,
  // so the map stays as small as the number of connections.
  auto next = ranges_.upper_bound(range.left);
  if (next != ranges_.begin()) {
    auto previous = std::prev(next);
    if (previous->second >= range.left) {
      previous->second = std::max(previous->second, range.right);
      return true;
    }
  }
  // A range with the same left keeps the longer of the two: adding never uncovers a byte.
  auto [found, inserted] = ranges_.try_emplace(range.left, range.right);
  if (!inserted) found->second = std::max(found->second, range.right);
  return true;
}

void range_set::subtract(byte_range range) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (range.left >= range.right) return;
  merge_locked();
  std::map<std::int64_t, std::int64_t> kept;
  for (const auto& [left, right] : ranges_) {
    if (right <= range.left || left >= range.right) {
      kept.emplace(left, right);
      continue;
    }
    if (left < range.left) kept.emplace(left, range.left);
    if (right > range.right) kept.emplace(range.right, right);
  }
  ranges_.swap(kept);
}

void range_set::merge_locked() {
  if (!needs_merge_) return;
  needs_merge_ = false;
  auto current = ranges_.begin();
  if (current == ranges_.end()) return;
  for (auto next = std::next(current); next != ranges_.end();) {
    if (next->first <= current->second) {  // overlapping or touching
      current->second = std::max(current->second, next->second);
      next = ranges_.erase(next);
    } else {
      current = next++;
    }
  }
}

std::vector<byte_range> range_set::gaps() {
  std::lock_guard<std::mutex> lock(mutex_);
  merge_locked();
  std::vector<byte_range> result;
  std::int64_t cursor = 0;
  for (const auto& [left, right] : ranges_) {
    if (left > cursor) result.push_back({cursor, left});
    cursor = std::max(cursor, right);
  }
  if (cursor < size_) result.push_back({cursor, size_});
  return result;
}

bool range_set::first_gap(byte_range& gap) {
  std::lock_guard<std::mutex> lock(mutex_);
  merge_locked();
  std::int64_t cursor = 0;
  for (const auto& [left, right] : ranges_) {
    if (left > cursor) {
      gap = {cursor, left};
      return true;
    }
    cursor = std::max(cursor, right);
  }
  if (cursor >= size_) return false;
  gap = {cursor, size_};
  return true;
}

bool range_set::full() {
  std::lock_guard<std::mutex> lock(mutex_);
  merge_locked();
  return ranges_.size() == 1 && ranges_.begin()->first == 0 && ranges_.begin()->second == size_;
}

std::int64_t range_set::covered() {
  std::lock_guard<std::mutex> lock(mutex_);
  merge_locked();
  std::int64_t bytes = 0;
  for (const auto& [left, right] : ranges_) bytes += right - left;
  return bytes;
}

std::int64_t range_set::size() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return size_;
}

std::vector<byte_range> range_set::ranges() {
  std::lock_guard<std::mutex> lock(mutex_);
  merge_locked();
  std::vector<byte_range> result;
  for (const auto& [left, right] : ranges_) result.push_back({left, right});
  return result;
}

std::string range_set::to_bitmap(std::int64_t piece_size) {
  std::lock_guard<std::mutex> lock(mutex_);
  merge_locked();
  const std::int64_t pieces = piece_count(size_, piece_size);
  std::string bitmap(static_cast<std::size_t>((pieces + 7) / 8), '\0');
  auto cursor = ranges_.begin();
  for (std::int64_t piece = 0; piece < pieces && cursor != ranges_.end(); ++piece) {
    const std::int64_t begin = piece * piece_size;
    const std::int64_t end = size_ - begin > piece_size ? begin + piece_size : size_;
    // A range that ends at or before this piece's start covers neither it nor any later piece.
    while (cursor != ranges_.end() && cursor->second <= begin) ++cursor;
    if (cursor == ranges_.end()) break;
    if (cursor->first <= begin && end <= cursor->second) {
      bitmap[static_cast<std::size_t>(piece / 8)] |= static_cast<char>(0x80 >> (piece % 8));
    }
  }
  return bitmap;
}

void range_set::from_bitmap(const std::string& bitmap, std::int64_t pieces,
                            std::int64_t piece_size) {
  std::lock_guard<std::mutex> lock(mutex_);
  ranges_.clear();
  needs_merge_ = true;
  if (piece_size <= 0) return;
  pieces = std::min<std::int64_t>(pieces, static_cast<std::int64_t>(bitmap.size()) * 8);
  const auto bit = [&](std::int64_t i) {
    return (static_cast<unsigned char>(bitmap[static_cast<std::size_t>(i / 8)]) >> (7 - i % 8)) & 1;
  };
  for (std::int64_t first = 0; first < pieces;) {
    if (!bit(first)) {
      ++first;
      continue;
    }
    std::int64_t last = first;
    while (last < pieces && bit(last)) ++last;
    // Pieces that start at or beyond the size hold no bytes.
    if (first < size_ / piece_size + 1) {
      const std::int64_t left = first * piece_size;
      const std::int64_t right =
          last > size_ / piece_size ? size_ : std::min(last * piece_size, size_);
      if (left < right) ranges_[left] = right;
    }
    first = last;
  }
}

}  // namespace khttp
