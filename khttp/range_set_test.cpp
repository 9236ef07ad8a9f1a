#include "khttp/range_set.h"

#include <gtest/gtest.h>

#include <thread>

namespace khttp {
namespace {

using Ranges = std::vector<byte_range>;

std::string Bits(const std::string& bitmap, std::int64_t pieces) {
  std::string bits;
  for (std::int64_t i = 0; i < pieces; ++i) {
    bits += ((static_cast<unsigned char>(bitmap[i / 8]) >> (7 - i % 8)) & 1) ? '1' : '0';
  }
  return bits;
}

TEST(RangeSet, AddAcceptsOnlyRangesInsideTheSize) {
  range_set set;
  EXPECT_FALSE(set.add({0, 1})) << "nothing fits before the size is known";
  set.reset(100);
  const std::pair<byte_range, bool> kCases[] = {
      {{0, 100}, true}, {{99, 100}, true}, {{0, 1}, true},    {{-1, 5}, false},
      {{5, 5}, false},  {{6, 5}, false},   {{0, 101}, false}, {{100, 101}, false},
  };
  for (const auto& [range, accepted] : kCases) {
    EXPECT_EQ(set.add(range), accepted) << range.left << "-" << range.right;
  }
}

TEST(RangeSet, MergesLazilyAndAnswersGaps) {
  range_set set;
  set.reset(100);
  EXPECT_EQ(set.gaps(), (Ranges{{0, 100}}));
  set.add({10, 20});
  set.add({20, 30});  // touching
  set.add({25, 40});  // overlapping
  set.add({60, 70});
  set.add({60, 65});  // the same left never uncovers what was covered
  set.add({95, 100});
  EXPECT_EQ(set.ranges(), (Ranges{{10, 40}, {60, 70}, {95, 100}}));
  EXPECT_EQ(set.gaps(), (Ranges{{0, 10}, {40, 60}, {70, 95}}));
  byte_range gap;
  ASSERT_TRUE(set.first_gap(gap));
  EXPECT_EQ(gap, (byte_range{0, 10}));
  EXPECT_EQ(set.covered(), 30 + 10 + 5);
  EXPECT_FALSE(set.full());

  set.add({0, 10});
  ASSERT_TRUE(set.first_gap(gap));
  EXPECT_EQ(gap, (byte_range{40, 60}));
  set.add({40, 95});
  EXPECT_TRUE(set.full());
  EXPECT_FALSE(set.first_gap(gap));
  EXPECT_TRUE(set.gaps().empty());
  EXPECT_EQ(set.covered(), 100);

  set.reset(50);
  EXPECT_EQ(set.size(), 50);
  EXPECT_TRUE(set.ranges().empty());
}

TEST(RangeSet, CoveredCountsOverlappingBytesOnce) {
  range_set set;
  set.reset(1000);
  set.add({0, 600});
  set.add({100, 700});
  set.add({650, 1000});
  EXPECT_EQ(set.covered(), 1000);
  EXPECT_TRUE(set.full());
}

TEST(RangeSet, AddingNeverLowersWhatIsCovered) {
  struct Case {
    std::vector<byte_range> adds;
    std::int64_t covered;
  };
  const Case cases[] = {
      {{{0, 50}, {50, 100}, {0, 10}}, 100},  // a shorter range with a known left
      {{{0, 50}, {0, 10}}, 50},
      {{{0, 10}, {0, 50}}, 50},
      {{{20, 30}, {0, 100}, {20, 25}}, 100},
  };
  for (const auto& row : cases) {
    range_set set;
    set.reset(100);
    for (const auto& range : row.adds) set.add(range);
    EXPECT_EQ(set.covered(), row.covered);
    set.gaps();  // a query merges; the answer must not change
    EXPECT_EQ(set.covered(), row.covered);
  }
}

TEST(RangeSet, SubtractHandsAClaimBack) {
  range_set set;
  set.reset(100);
  set.add({0, 100});
  set.subtract({40, 60});
  EXPECT_EQ(set.ranges(), (Ranges{{0, 40}, {60, 100}}));
  set.subtract({0, 10});
  set.subtract({90, 120});
  EXPECT_EQ(set.ranges(), (Ranges{{10, 40}, {60, 90}}));
  byte_range gap;
  ASSERT_TRUE(set.first_gap(gap));
  EXPECT_EQ(gap, (byte_range{0, 10}));
}

TEST(RangeSet, ASizeOfZeroHasNoGapToClaim) {
  range_set set;
  set.reset(0);
  byte_range gap;
  EXPECT_FALSE(set.first_gap(gap));
  EXPECT_TRUE(set.gaps().empty());
  EXPECT_FALSE(set.full());
  EXPECT_EQ(set.to_bitmap(16), "");
}

struct BitmapCase {
  const char* name;
  std::int64_t size;
  std::int64_t piece_size;
  Ranges written;
  const char* bits;
};

TEST(RangeSet, ToBitmapSetsTheBitsOfCompletePieces) {
  const BitmapCase kCases[] = {
      {"nothing written", 40, 10, {}, "0000"},
      {"exact multiple, all", 40, 10, {{0, 40}}, "1111"},
      {"short last piece written", 35, 10, {{30, 35}}, "0001"},
      {"short last piece in part", 35, 10, {{30, 34}}, "0000"},
      {"pieces in part", 40, 10, {{5, 25}}, "0100"},
      {"touching ranges", 40, 10, {{0, 5}, {5, 10}, {20, 30}}, "1010"},
      // Several small ranges before a complete piece must not hide it.
      {"small ranges first", 50, 10, {{0, 1}, {2, 3}, {4, 5}, {6, 7}, {10, 20}, {30, 50}}, "01011"},
      {"one range over many", 100, 10, {{10, 95}}, "0111111110"},
      {"nine pieces", 90, 10, {{0, 10}, {80, 90}}, "100000001"},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.name);
    range_set set;
    set.reset(c.size);
    for (const auto& range : c.written) ASSERT_TRUE(set.add(range));
    const std::string bitmap = set.to_bitmap(c.piece_size);
    const std::int64_t pieces = piece_count(c.size, c.piece_size);
    ASSERT_EQ(static_cast<std::int64_t>(bitmap.size()), (pieces + 7) / 8);
    EXPECT_EQ(Bits(bitmap, pieces), c.bits);
    // The bits after the last piece are 0.
    if (pieces % 8) {
      EXPECT_EQ(static_cast<unsigned char>(bitmap.back()) & (0xFF >> (pieces % 8)), 0);
    }
  }
}

TEST(RangeSet, FromBitmapRestoresThePieces) {
  range_set set;
  set.reset(35);
  set.from_bitmap(std::string(1, static_cast<char>(0b11010000)), 4, 10);
  EXPECT_EQ(set.ranges(), (Ranges{{0, 20}, {30, 35}})) << "the last piece is short";
  EXPECT_EQ(set.to_bitmap(10), std::string(1, static_cast<char>(0b11010000)));

  // Bits beyond the piece count, or pieces beyond the size, add nothing.
  set.from_bitmap(std::string(1, static_cast<char>(0xFF)), 2, 10);
  EXPECT_EQ(set.ranges(), (Ranges{{0, 20}}));
  set.from_bitmap(std::string(2, static_cast<char>(0xFF)), 16, 10);
  EXPECT_EQ(set.ranges(), (Ranges{{0, 35}}));
  set.from_bitmap("", 4, 10);
  EXPECT_TRUE(set.ranges().empty());
  set.from_bitmap(std::string(1, static_cast<char>(0xFF)), 4, 0);
  EXPECT_TRUE(set.ranges().empty());
}

TEST(RangeSet, BitmapRoundTripOfALargeDownload) {
  const std::int64_t size = 100'000'000, piece = 65'536;
  range_set written;
  written.reset(size);
  // Every third piece, the last (short) one included.
  for (std::int64_t i = 0; i < 1526; i += 3) {
    written.add({i * piece, std::min((i + 1) * piece, size)});
  }
  written.add({1525 * piece, size});
  const std::string bitmap = written.to_bitmap(piece);
  ASSERT_EQ(bitmap.size(), 191u);
  range_set restored;
  restored.reset(size);
  restored.from_bitmap(bitmap, 1526, piece);
  EXPECT_EQ(restored.ranges(), written.ranges());
}

TEST(RangeSet, OneSetServesTwoThreads) {
  range_set set;
  set.reset(1'000'000);
  std::thread reader([&] {
    for (int i = 0; i < 2000; ++i) {
      set.covered();
      byte_range gap;
      set.first_gap(gap);
    }
  });
  for (std::int64_t i = 0; i < 1000; ++i) set.add({i * 1000, i * 1000 + 1000});
  reader.join();
  EXPECT_TRUE(set.full());
}

}  // namespace
}  // namespace khttp
