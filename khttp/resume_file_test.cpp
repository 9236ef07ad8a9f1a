#include "khttp/resume_file.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "tests/support/temp_folder.h"

namespace khttp {
namespace {

constexpr char kUrl[] = "https://user:pw@dl.kelvane.example:8443/wayvo/full.exe?v=2#x";

resume_meta Record(std::int64_t size, std::int64_t piece, const std::vector<byte_range>& done) {
  range_set written;
  written.reset(size);
  for (const auto& range : done) written.add(range);
  return make_resume_meta(ParsedUrl(kUrl), size, piece, written);
}

TEST(ResumeFile, TheByteExactFileOfAHundredMillionBytes) {
  const resume_meta meta = Record(100'000'000, 65'536, {});
  EXPECT_EQ(meta.piece_num, 1526);
  ASSERT_EQ(meta.bitfield.size(), 191u);
  const std::string url = kUrl;
  const std::string expected = "d8:bitfield191:" + std::string(191, '\0') +
                               "9:file_sizei100000000e9:final_url" + std::to_string(url.size()) +
                               ":" + url + "9:piece_numi1526e10:piece_sizei65536ee";
  EXPECT_EQ(encode_resume_meta(meta), expected);

  // Writing pieces changes bits, never the length.
  const resume_meta later =
      Record(100'000'000, 65'536, {{0, 65'536 * 700}, {99'000'000, 100'000'000}});
  EXPECT_EQ(encode_resume_meta(later).size(), expected.size());
  EXPECT_EQ(static_cast<unsigned char>(later.bitfield[0]), 0xFF);
  // The last piece, 1525, is the 6th bit of byte 190: 0b00000100; 1510..1525 are whole.
  EXPECT_EQ(static_cast<unsigned char>(later.bitfield[190]), 0b11111100);
}

TEST(ResumeFile, RoundTripsThroughItsBytes) {
  struct Case {
    std::int64_t size, piece;
    std::vector<byte_range> done;
    std::int64_t pieces;
  };
  const Case kCases[] = {
      {100'000'000, 65'536, {{0, 524'288}, {1'048'576, 1'572'864}}, 1526},
      {65'536 * 16, 65'536, {{0, 65'536 * 16}}, 16},  // an exact multiple: a full last piece
      {65'536 * 16 + 1, 65'536, {{65'536 * 16, 65'536 * 16 + 1}}, 17},  // a one-byte last piece
      {1, 16'384, {}, 1},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.size);
    const resume_meta meta = Record(c.size, c.piece, c.done);
    EXPECT_EQ(meta.piece_num, c.pieces);
    resume_meta read;
    std::string problem;
    ASSERT_TRUE(parse_resume_meta(encode_resume_meta(meta), read, problem)) << problem;
    EXPECT_EQ(read.final_url, kUrl);
    EXPECT_EQ(read.file_size, c.size);
    EXPECT_EQ(read.piece_size, c.piece);
    EXPECT_EQ(read.piece_num, c.pieces);
    EXPECT_EQ(read.bitfield, meta.bitfield);

    range_set claimed, written;
    claimed.add({0, 1});
    restore_ranges(read, claimed, written);
    EXPECT_EQ(written.size(), c.size);
    EXPECT_EQ(written.ranges(), c.done);
    EXPECT_EQ(claimed.ranges(), c.done) << "written pieces are never claimed again";
  }
}

TEST(ResumeFile, APieceWrittenInPartIsFetchedAgain) {
  resume_meta read;
  std::string problem;
  ASSERT_TRUE(parse_resume_meta(encode_resume_meta(Record(40, 10, {{0, 25}})), read, problem));
  range_set claimed, written;
  restore_ranges(read, claimed, written);
  EXPECT_EQ(written.ranges(), (std::vector<byte_range>{{0, 20}}));
}

TEST(ResumeFile, ToleratesWhatAnOlderSaveLeftBehind) {
  // A longer bitfield is cut and its extra bits cleared; bytes after the dictionary (a longer
  // file saved before) are ignored; a missing URL reads as empty.
  const std::string bytes =
      "d8:bitfield2:\xFF\xFF"
      "9:file_sizei35e9:piece_numi4e10:piece_sizei10eeOLD";
  resume_meta read;
  std::string problem;
  ASSERT_TRUE(parse_resume_meta(bytes, read, problem)) << problem;
  EXPECT_EQ(read.bitfield, "\xF0");
  EXPECT_EQ(read.final_url, "");
}

TEST(ResumeFile, DamagedRecordsAreRefusedWithAReason) {
  const std::string good_tail =
      "9:file_sizei40e9:final_url12:http://h/a.b9:piece_numi4e10:piece_sizei10ee";
  struct Damaged {
    std::string bytes;
    const char* problem;
  };
  const Damaged kDamaged[] = {
      {"", "not a bencoded dictionary"},
      {"garbage", "not a bencoded dictionary"},
      {"li1ee", "not a bencoded dictionary"},
      {"d8:bitfield1:\x80"
       "9:file_sizei40e9:final_url12:http://h/a",
       "not a bencoded dictionary"},
      {"d8:bitfield1:\x80"
       "9:file_size2:40e",
       "file_size is not an integer"},
      {"d8:bitfieldi1e" + good_tail.substr(0), "bitfield is not a string"},
      {"d8:bitfield1:\x80"
       "9:file_sizei40e9:final_urlli1ee9:piece_numi4e10:piece_sizei10ee",
       "final_url is not a string"},
      {"d8:bitfield1:\x80"
       "9:file_sizei40e9:piece_num1:410:piece_sizei10ee",
       "piece_num is not an integer"},
      {"d8:bitfield1:\x80"
       "9:file_sizei0e9:piece_numi0e10:piece_sizei10ee",
       "file_size is not above 0"},
      {"d8:bitfield1:\x80"
       "9:file_sizei-40e9:piece_numi4e10:piece_sizei10ee",
       "file_size is not above 0"},
      {"d8:bitfield1:\x80"
       "9:piece_numi4e10:piece_sizei10ee",
       "file_size is not above 0"},
      {"d8:bitfield1:\x80"
       "9:file_sizei40e9:piece_numi4e10:piece_sizei0ee",
       "piece_size is not between 1 and 2147483647"},
      {"d8:bitfield1:\x80"
       "9:file_sizei40e9:piece_numi4e10:piece_sizei-10ee",
       "piece_size is not between 1 and 2147483647"},
      {"d8:bitfield1:\x80"
       "9:file_sizei4294967296e9:piece_numi1e10:piece_sizei4294967296ee",
       "piece_size is not between 1 and 2147483647"},
      {"d8:bitfield1:\x80"
       "9:file_sizei40e9:piece_numi5e10:piece_sizei10ee",
       "piece_num is not ceil(file_size / piece_size)"},
      {"d8:bitfield1:\x80"
       "9:file_sizei41e9:piece_numi4e10:piece_sizei10ee",
       "piece_num is not ceil(file_size / piece_size)"},
      {"d8:bitfield1:\x80"
       "9:file_sizei170e9:piece_numi17e10:piece_sizei10ee",
       "bitfield is shorter than ceil(piece_num / 8) bytes"},
      {"d8:bitfield0:" + good_tail, "bitfield is shorter than ceil(piece_num / 8) bytes"},
      {"d8:bitfield1:\x80"
       "9:file_sizei40e9:final_url8:nonsense9:piece_numi4e10:piece_sizei10ee",
       "final_url is not a URL"},
  };
  for (const auto& c : kDamaged) {
    SCOPED_TRACE(c.bytes);
    resume_meta read;
    read.file_size = 99;
    std::string problem;
    EXPECT_FALSE(parse_resume_meta(c.bytes, read, problem));
    EXPECT_EQ(problem, c.problem);
    EXPECT_EQ(read.file_size, 0) << "nothing of a damaged record is handed out";
  }
  // An interrupted save: every cut of a good file is refused, none is used half.
  const std::string good = encode_resume_meta(Record(100'000, 1'000, {{0, 50'000}}));
  for (std::size_t length = 0; length < good.size(); ++length) {
    resume_meta read;
    std::string problem;
    EXPECT_FALSE(parse_resume_meta(good.substr(0, length), read, problem)) << length;
  }
}

TEST(ResumeFile, SavesAndLoadsARealFile) {
  kvtest::TempFolder folder;
  const std::wstring path = folder.Wide("kelvane-download.exe.cfg");
  disk_file file;
  resume_meta meta;
  std::string problem;

  // A missing file is created and counts as a fresh start, as does an empty one.
  EXPECT_EQ(load_resume_file(file, path, meta, problem), resume_load::fresh);
  EXPECT_TRUE(file.is_open());
  EXPECT_TRUE(std::filesystem::exists(folder.path() / "kelvane-download.exe.cfg"));

  const resume_meta first = Record(100'000'000, 65'536, {{0, 65'536}});
  EXPECT_FALSE(save_resume_file(file, path, first));
  const auto length = std::filesystem::file_size(folder.path() / "kelvane-download.exe.cfg");
  const resume_meta second = Record(100'000'000, 65'536, {{0, 65'536 * 9}});
  EXPECT_FALSE(save_resume_file(file, path, second));
  EXPECT_EQ(std::filesystem::file_size(folder.path() / "kelvane-download.exe.cfg"), length);
  file.close();

  ASSERT_EQ(load_resume_file(file, path, meta, problem), resume_load::restored) << problem;
  EXPECT_EQ(meta.bitfield, second.bitfield);
  EXPECT_EQ(meta.final_url, kUrl);
  // A save after a load goes to the file the load opened.
  EXPECT_FALSE(save_resume_file(file, L"", first));
  file.close();
  ASSERT_EQ(load_resume_file(file, path, meta, problem), resume_load::restored);
  EXPECT_EQ(meta.bitfield, first.bitfield);
}

TEST(ResumeFile, KeepsTheFirstAnswersValidatorsAndReadsFilesWithoutThem) {
  range_set written;
  written.reset(100000);
  written.add({0, 16384});
  resume_meta meta = make_resume_meta(ParsedUrl("http://dl.example/a.exe"), 100000, 16384, written);
  const std::string without = encode_resume_meta(meta);
  meta.etag = "\"5f3-1a\"";
  meta.last_modified = "Tue, 01 Dec 2026 10:00:00 GMT";
  const std::string with = encode_resume_meta(meta);
  EXPECT_NE(with.find("4:etag8:\"5f3-1a\""), std::string::npos);
  EXPECT_NE(with.find("13:last_modified29:Tue, 01 Dec 2026 10:00:00 GMT"), std::string::npos);

  resume_meta read;
  std::string problem;
  ASSERT_TRUE(parse_resume_meta(with, read, problem)) << problem;
  EXPECT_EQ(read.etag, meta.etag);
  EXPECT_EQ(read.last_modified, meta.last_modified);
  ASSERT_TRUE(parse_resume_meta(without, read, problem)) << problem;
  EXPECT_EQ(read.etag, "");
  EXPECT_EQ(read.file_size, 100000);
}

TEST(ResumeFile, AReplacingSaveLeavesNoHalfWrittenFile) {
  kvtest::TempFolder folder;
  range_set written;
  written.reset(100000);
  const resume_meta meta =
      make_resume_meta(ParsedUrl("http://dl.example/a.exe"), 100000, 16384, written);
  folder.Write("a.cfg", std::string(5000, 'x'));  // a longer, older file
  ASSERT_FALSE(replace_resume_file(folder.Wide("a.cfg"), meta));
  EXPECT_EQ(kvtest::ReadFile(folder.path() / "a.cfg"), encode_resume_meta(meta));
  EXPECT_FALSE(std::filesystem::exists(folder.path() / "a.cfg.new"));
  // A folder that is gone: an error, nothing thrown.
  EXPECT_TRUE(replace_resume_file(folder.Wide("missing/a.cfg"), meta));
}

TEST(ResumeFile, UnusableFiles) {
  kvtest::TempFolder folder;
  disk_file file;
  resume_meta meta;
  std::string problem;
  EXPECT_EQ(load_resume_file(file, folder.Wide("no/such/folder.cfg"), meta, problem),
            resume_load::unusable);
  EXPECT_NE(problem.find("cannot open"), std::string::npos) << problem;
  EXPECT_FALSE(save_resume_file(file, folder.Wide("no/such/folder.cfg"), meta) ==
               boost::system::error_code());

  folder.Write("bad.cfg", "d8:bitfield1:");
  EXPECT_EQ(load_resume_file(file, folder.Wide("bad.cfg"), meta, problem), resume_load::unusable);
  EXPECT_EQ(problem, "not a bencoded dictionary");
}

}  // namespace
}  // namespace khttp
