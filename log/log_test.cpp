// The log file byte for byte. The log is set up once per process, so each case that sets it up
// runs in a child process (a death test that exits normally) and the parent reads the file. On
// Windows the child runs the test again from its start, so the folder has a fixed name.
#include "log/log.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <regex>

#include "log/log_sink.h"
#include "platform/text.h"
#include "tests/support/child_process.h"
#include "tests/support/temp_folder.h"

namespace {

using kvtest::ReadFile;
using kvtest::TempFolder;

const std::string kStamp = R"(\d{4}-\d\d-\d\d \d\d:\d\d:\d\d,\d{3})";
// The end of a record and the blank that leads the next one.
const std::string kEnd = std::string(klog_detail::kLineEnd) + " ";

// `text` with each line feed as the log writes it (CR LF on Windows).
std::string Lines(const std::string& text) {
  std::string out;
  for (char c : text) {
    if (c == '\n') {
      out += klog_detail::kLineEnd;
    } else {
      out.push_back(c);
    }
  }
  return out;
}

// Runs `body` in a child process that starts without a log.
template <typename Body>
void InChild(Body body) {
  EXPECT_EXIT(
      {
        body();
        std::exit(0);
      },
      ::testing::ExitedWithCode(0), "");
}

class LogTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { GTEST_FLAG_SET(death_test_style, "fast"); }
  std::string LogFile(const char* name = "kelvane_down.log") const {
    return ReadFile(folder_ / "Log" / name);
  }
  std::wstring LogFolder() const { return platform::Utf8ToWide((folder_ / "Log").u8string()); }
  const std::filesystem::path folder_ = kvtest::FreshNamedFolder(
      std::string("log-") + ::testing::UnitTest::GetInstance()->current_test_info()->name());
};

TEST_F(LogTest, RecordsHaveTheTimestampAndTheLeadingBlankOfTheNextRecord) {
  InChild([&] {
    InitLog(L"kelvane_down.log", LogFolder().c_str());
    KLOGA(kLogInfo, "DownloadRatio:%d  ==== ReadFileTimeout:%d", 80, 1500);
    KLOGA(kLogInfo, "Domain:%s", "com_fr\r\n");
    KLOGW(kLogInfo, L"Language Code:%ls", L"1033");
  });
  const std::regex expected(kStamp + " DownloadRatio:80  ==== ReadFileTimeout:1500" + kEnd +
                            kStamp + Lines(" Domain:com_fr\r\n") + kEnd + kStamp +
                            " Language Code:1033" + kEnd);
  EXPECT_TRUE(std::regex_match(LogFile(), expected)) << LogFile();
}

TEST_F(LogTest, LevelsZeroToThreeWriteAndOthersDoNot) {
  InChild([&] {
    InitLog(L"kelvane_down.log", LogFolder().c_str());
    for (int level : {-1, 0, 1, 2, 3, 4, 5}) LogA("f", "f.cpp", 1, level, "level %d", level);
  });
  const std::string file = LogFile();
  for (const char* written : {"level 0", "level 1", "level 2", "level 3"}) {
    EXPECT_THAT(file, ::testing::HasSubstr(written));
  }
  for (const char* silent : {"level -1", "level 4", "level 5"}) {
    EXPECT_THAT(file, ::testing::Not(::testing::HasSubstr(silent)));
  }
}

TEST_F(LogTest, TheFirstSetUpWins) {
  InChild([&] {
    InitLog(L"first.log", LogFolder().c_str());
    InitLog(L"second.log", LogFolder().c_str());
    KLOGA(kLogInfo, "record");
  });
  EXPECT_THAT(LogFile("first.log"), ::testing::HasSubstr(" record" + kEnd));
  EXPECT_FALSE(std::filesystem::exists(folder_ / "Log" / "second.log"));
}

TEST_F(LogTest, EmptyMessagesWriteNothing) {
  InChild([&] {
    InitLog(L"kelvane_down.log", LogFolder().c_str());
    LogA("f", "f.cpp", 1, kLogInfo, nullptr);
    LogA("f", "f.cpp", 1, kLogInfo, "%s", "");
    LogW(L"f", L"f.cpp", 1, kLogInfo, L"");
  });
  EXPECT_EQ(LogFile(), "");
}

TEST_F(LogTest, AFormattingFailureWritesTheFatalRecordWithItsLocation) {
  if (kvtest::kOnWindows) GTEST_SKIP() << "the C runtime of Windows converts these characters";
  InChild([&] {
    InitLog(L"kelvane_down.log", LogFolder().c_str());
    // Without a UTF-8 locale the C library cannot convert these characters and says so.
    LogA("void CMainFrameWnd::InitData()", "/src/Window/MainFrameWnd.cpp", 42, kLogInfo, "%ls",
         L"\u00E9");
    LogW(L"void CGA::SendGACommon(int)", L"C:\\src\\common\\GA.cpp", 7, kLogInfo, L"%s", "\xFF");
  });
  const std::regex expected(
      kStamp +
      R"( \[MainFrameWnd\.cpp:42\]\[CMainFrameWnd::InitData\] \*\*\*Fatal Error Check,Please Fix it!\*\*\*
 )" + kStamp +
      R"( \[GA\.cpp:7\]\[CGA::SendGACommon\] \*\*\*Fatal Error Check,Please Fix it!\*\*\*
 )");
  EXPECT_TRUE(std::regex_match(LogFile(), expected)) << LogFile();
}

TEST_F(LogTest, WideTextIsWrittenInTheLogEncoding) {
  InChild([&] {
    InitLog(L"kelvane_down.log", LogFolder().c_str());
    KLOGW(kLogInfo, L"Tip\uFF1A%ls %hs", L"تثبيت", "narrow");
  });
  // UTF-8 on Linux; the OEM code page on Windows, with its default character for what it lacks.
  EXPECT_THAT(LogFile(), ::testing::HasSubstr(" " + platform::WideToLogEncoding(L"Tip\uFF1Aتثبيت") +
                                              " narrow" + kEnd));
}

TEST_F(LogTest, RollsOverAtTenMebibytesKeepingOneBackup) {
  InChild([&] {
    InitLog(L"kelvane_down.log", LogFolder().c_str());
    const std::string chunk(std::size_t{1024} * 1024, 'x');
    for (int i = 0; i < 11; ++i) KLOGA(kLogInfo, "%d %s", i, chunk.c_str());
    KLOGA(kLogInfo, "after the roll");
  });
  const auto log = folder_ / "Log" / "kelvane_down.log";
  const auto backup = folder_ / "Log" / "kelvane_down.log.1";
  ASSERT_TRUE(std::filesystem::exists(backup));
  EXPECT_GE(std::filesystem::file_size(backup), 10u * 1024 * 1024);
  EXPECT_LT(std::filesystem::file_size(log), 2u * 1024 * 1024);
  EXPECT_THAT(ReadFile(log), ::testing::HasSubstr("after the roll"));
}

TEST_F(LogTest, WithoutSetUpTheLogGoesBesideTheProgram) {
  const auto default_folder = std::filesystem::u8path(platform::WideToUtf8(GetModuleDir())) / "Log";
  std::filesystem::remove_all(default_folder);
  InChild([] { KLOGA(kLogInfo, "lazy record"); });
  EXPECT_THAT(ReadFile(default_folder / (GetModuleBaseName() + ".log")),
              ::testing::HasSubstr(" lazy record" + kEnd));
  std::filesystem::remove_all(default_folder);
}

TEST(LogNamesTest, ModuleBaseNameIsCutBeforeTheFirstDot) {
  EXPECT_EQ(GetModuleBaseName(), "log_tests");
}

TEST(LogNamesTest, QualifiedFunctionNames) {
  const struct {
    const char* decorated;
    const char* qualified;
  } cases[] = {
      {"void CMainFrameWnd::InitData()", "CMainFrameWnd::InitData"},
      {"static bool LanguageManager::InitCurrentLanguage(int, char*)",
       "LanguageManager::InitCurrentLanguage"},
      {"std::map<int, int> ns::Make(const std::vector<int>&)", "ns::Make"},
      {"CMainFrameWnd::OnClickInstall()::<lambda()>", "CMainFrameWnd::OnClickInstall::<lambda()>"},
      {"int main()", "main"},
      {"CGA::SendGACommon", "CGA::SendGACommon"},
  };
  for (const auto& c : cases) EXPECT_EQ(QualifiedFunctionName(c.decorated), c.qualified);
}

TEST(CreateDirectoriesTest, NormalisesSeparatorsAndMakesParents) {
  TempFolder folder;
  const std::wstring messy = folder.Wide() + L"//a///b//c/";
  EXPECT_TRUE(CreateDirectories(messy));
  EXPECT_TRUE(std::filesystem::is_directory(folder.path() / "a" / "b" / "c"));
  EXPECT_TRUE(CreateDirectories(messy));  // exists already
  EXPECT_FALSE(CreateDirectories(L""));
  EXPECT_FALSE(CreateDirectories(L"/"));  // normalises to nothing
  folder.Write("file", "x");
  EXPECT_FALSE(CreateDirectories(folder.Wide("file/sub")));
}

}  // namespace
