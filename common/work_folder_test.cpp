// Start-up preparation with the shipped language pack linked into the test program.
#include "common/work_folder.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>

#include "common/language_manager.h"
#include "platform/text.h"
#include "tests/support/temp_folder.h"

namespace {

using kvtest::ReadFile;
using kvtest::TempFolder;

// The child starts afresh (its log is not the parent's) and finds the folder by its name.
TEST(WorkFolderTest, PreparesLogLanguagePackAndTables) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  const auto root = kvtest::FreshNamedFolder("work-folder");
  const std::wstring work = platform::Utf8ToWide(root.string()) + L"/";
  EXPECT_EXIT(
      {
        setenv("LC_ALL", "ar_SA.UTF-8", 1);
        LanguageManager language;
        PrepareWorkFolder(work, language);
        LoadDomainFile(language);
        const bool right =
            language.GetLanguageName() == L"Arabic" && language.IsRightToLeft() &&
            language.GetCustom() == L"com_fr" &&
            language.GetLicenceUrl() ==
                L"https://api.kelvane.example/producturl?key=license_agreement"
                L"&pid=216&lang=arabic&custom=com_fr" &&
            language.GetText(L"STR_MESSAGEBOX_TITLE").find(L"Kelvane Wayvo") != std::wstring::npos;
        std::exit(right ? 0 : 1);
      },
      ::testing::ExitedWithCode(0), "");
  size_t entries = 0;
  for (const auto& item : std::filesystem::recursive_directory_iterator(root / "language")) {
    (void)item;
    ++entries;
  }
  EXPECT_EQ(entries, 56u);
  const std::string log = ReadFile(root / "Log" / "kelvane_down.log");
  EXPECT_THAT(log, ::testing::HasSubstr(" LoadResZipFile\n"));
  EXPECT_THAT(log, ::testing::HasSubstr(" Language Code:1025\n"));
  EXPECT_THAT(log, ::testing::HasSubstr(" Domain:com_fr\r\n\n"));
}

TEST(WorkFolderTest, RunsOncePerProcess) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(
      {
        TempFolder home;
        setenv("XDG_DATA_HOME", home.path().c_str(), 1);
        LanguageManager language;
        std::wstring first;
        std::wstring second(L"untouched");
        const bool ran = InitWorkFolder(first, language);
        const bool again = InitWorkFolder(second, language);
        std::exit(ran && !again && second == L"untouched" && !first.empty() ? 0 : 1);
      },
      ::testing::ExitedWithCode(0), "");
}

}  // namespace
