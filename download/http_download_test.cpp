// The driver's clean-up of an earlier download's files.
#include "download/http_download.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "khttp/resume_file.h"
#include "tests/support/temp_folder.h"

namespace {

std::string ResumeRecord(const std::string& url, std::int64_t size) {
  khttp::range_set written;
  written.reset(size);
  return khttp::encode_resume_meta(
      khttp::make_resume_meta(khttp::ParsedUrl(url), size, 16384, written));
}

TEST(JudgeDeleteHistoryFile, DeletesOnlyTheFilesOfAnotherDownload) {
  const std::string url = "http://dl.example/full.exe";
  struct Case {
    const char* name;
    std::string record;
    bool write_record;  // false: no resume file at all
    bool deleted;
    std::int32_t asked_total;
    std::wstring asked_url;
  };
  const Case cases[] = {
      {"same URL and size", ResumeRecord(url, 1000), true, false, 1000,
       L"http://dl.example/full.exe"},
      {"another URL", ResumeRecord(url, 1000), true, true, 1000, L"http://dl.example/other.exe"},
      {"another size", ResumeRecord(url, 1000), true, true, 999, L"http://dl.example/full.exe"},
      {"a size beyond 32 bits never matches", ResumeRecord(url, 5'000'000'000), true, true,
       705'032'704, L"http://dl.example/full.exe"},
      {"an empty resume file belongs to nobody", "", true, true, 1000,
       L"http://dl.example/full.exe"},
      {"no resume file", "", false, false, 1000, L"http://dl.example/full.exe"},
      {"an unreadable resume file", "garbage", true, false, 1000, L"http://dl.example/other.exe"},
  };
  for (const auto& row : cases) {
    SCOPED_TRACE(row.name);
    kvtest::TempFolder folder;
    if (row.write_record) folder.Write("setup.exe.cfg", row.record);
    folder.Write("setup.exe.tmp", "partial");
    EXPECT_EQ(JudgeDeleteHistoryFile(row.asked_url, row.asked_total, folder.Wide("setup.exe")),
              row.deleted);
    EXPECT_EQ(std::filesystem::exists(folder.path() / "setup.exe.tmp"), !row.deleted);
  }
}

TEST(ReadDownloadHistory, ReadsTheUrlAndSizeOfAResumeFile) {
  kvtest::TempFolder folder;
  folder.Write("a.cfg", ResumeRecord("https://user@dl.example:8443/a%20b.exe?x=1", 4096));
  std::int64_t total = 0;
  std::wstring url;
  ASSERT_TRUE(ReadDownloadHistory(folder.Wide("a.cfg"), total, url));
  EXPECT_EQ(total, 4096);
  EXPECT_EQ(url, L"https://user@dl.example:8443/a%20b.exe?x=1");
  EXPECT_FALSE(ReadDownloadHistory(folder.Wide("missing.cfg"), total, url));
}

TEST(RemoveTemporaryFileWrap, RemovesBothFilesAndToleratesMissingOnes) {
  kvtest::TempFolder folder;
  EXPECT_TRUE(RemoveTemporaryFileWrap(folder.Wide("x.exe")));
  folder.Write("x.exe.tmp", "a");
  folder.Write("x.exe.cfg", "b");
  EXPECT_TRUE(RemoveTemporaryFileWrap(folder.Wide("x.exe")));
  EXPECT_FALSE(std::filesystem::exists(folder.path() / "x.exe.tmp"));
  EXPECT_FALSE(std::filesystem::exists(folder.path() / "x.exe.cfg"));
}

}  // namespace
