#include <gtest/gtest.h>

#include <cstdlib>
#include <sstream>

#include "khttp/resume_file.h"
#include "tests/support/child_process.h"
#include "tests/support/temp_folder.h"
#include "tools/kvdl/meta_command.h"

namespace {

struct Result {
  int status;
  std::string out;
  std::string err;
};

Result Meta(const std::wstring& path) {
  std::ostringstream out, err;
  const int status = kvdl::RunMeta(path, out, err);
  return {status, out.str(), err.str()};
}

std::string ResumeFile(std::int64_t size, std::int64_t piece,
                       const std::vector<khttp::byte_range>& done) {
  khttp::range_set written;
  written.reset(size);
  for (const auto& range : done) written.add(range);
  return khttp::encode_resume_meta(khttp::make_resume_meta(
      khttp::ParsedUrl("http://dl.example/full.exe"), size, piece, written));
}

TEST(KvdlMeta, PrintsTheRecordAndTheMissingRanges) {
  kvtest::TempFolder folder;
  folder.Write("a.cfg",
               ResumeFile(100'000'000, 65'536,
                          {{0, 524'288}, {1'048'576, 1'572'864}, {99'942'400, 100'000'000}}));
  const Result result = Meta(folder.Wide("a.cfg"));
  EXPECT_EQ(result.status, 0) << result.err;
  EXPECT_EQ(result.out,
            "final_url=http://dl.example/full.exe\n"
            "file_size=100000000\n"
            "piece_size=65536\n"
            "piece_num=1526\n"
            "pieces_done=17\n"
            "missing=524288-1048575\n"
            "missing=1572864-99942399\n");
  EXPECT_EQ(result.err, "");

  folder.Write("done.cfg", ResumeFile(35, 10, {{0, 35}}));
  EXPECT_EQ(Meta(folder.Wide("done.cfg")).out,
            "final_url=http://dl.example/full.exe\nfile_size=35\npiece_size=10\npiece_num=4\n"
            "pieces_done=4\n");
  folder.Write("fresh.cfg", ResumeFile(35, 10, {{0, 9}}));
  EXPECT_NE(Meta(folder.Wide("fresh.cfg")).out.find("pieces_done=0\nmissing=0-34\n"),
            std::string::npos);
}

TEST(KvdlMeta, SaysWhatIsWrongWithABadFile) {
  kvtest::TempFolder folder;
  folder.Write("empty.cfg", "");
  folder.Write("garbage.cfg", "not bencode");
  folder.Write("short.cfg", "d8:bitfield0:9:file_sizei40e9:piece_numi4e10:piece_sizei10ee");
  const std::pair<std::string, std::string> kCases[] = {
      {"missing.cfg", "cannot be read"},
      {"empty.cfg", "empty, no record saved yet"},
      {"garbage.cfg", "damaged resume file: not a bencoded dictionary"},
      {"short.cfg", "damaged resume file: bitfield is shorter than ceil(piece_num / 8) bytes"},
  };
  for (const auto& [name, message] : kCases) {
    const Result result = Meta(folder.Wide(name));
    EXPECT_EQ(result.status, 1) << name;
    EXPECT_EQ(result.out, "") << name;
    EXPECT_EQ(result.err, "kvdl: " + (folder.path() / name).string() + ": " + message + "\n");
  }
  EXPECT_FALSE(std::filesystem::exists(folder.path() / "missing.cfg")) << "kvdl only reads";
}

TEST(KvdlMeta, TheProgramExitsWithTheStatus) {
  kvtest::TempFolder folder;
  folder.Write("a.cfg", ResumeFile(35, 10, {}));
  const std::string program = KVDL_PATH;
  EXPECT_EQ(kvtest::RunProgram({program, "meta", (folder.path() / "a.cfg").u8string()}), 0);
  EXPECT_NE(kvtest::RunProgram({program, "meta", (folder.path() / "b.cfg").u8string()}), 0);
  EXPECT_NE(kvtest::RunProgram({program}), 0);
}

}  // namespace
