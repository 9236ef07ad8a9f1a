// The profile reader against real files: encodings, limits and quirks.
#include "platform/ini_file.h"

#include <gtest/gtest.h>

#include "tests/support/child_process.h"
#include "tests/support/temp_folder.h"

namespace platform {
namespace {

using kvtest::TempFolder;
using kvtest::Utf16LeWithBom;

TEST(IniFileTest, ReadsValuesOfEveryEncoding) {
  TempFolder folder;
  const struct {
    const char* name;
    std::string bytes;
  } files[] = {
      {"utf16.ini", Utf16LeWithBom(L"[URL]\r\nSTR_DOWN_URL=https://h/\u00E9\r\n")},
      {"utf8bom.ini", "\xEF\xBB\xBF[URL]\r\nSTR_DOWN_URL=https://h/\xC3\xA9\r\n"},
      {"utf8.ini", "[URL]\nSTR_DOWN_URL=https://h/\xC3\xA9\n"},
      {"ansi.ini", "[URL]\r\nSTR_DOWN_URL=https://h/\xE9\r\n"},
  };
  for (const auto& file : files) {
    // Windows reads a file without a byte-order mark in the ANSI code page, UTF-8 or not.
    if (kvtest::kOnWindows && std::string(file.name) == "utf8.ini") continue;
    folder.Write(file.name, file.bytes);
    EXPECT_EQ(ReadProfileString(folder.Wide(file.name), L"URL", L"STR_DOWN_URL"),
              L"https://h/\u00E9")
        << file.name;
  }
}

TEST(IniFileTest, ValueLookupQuirks) {
  TempFolder folder;
  folder.Write("a.ini",
               "[Language]\r\n1033=English\r\n1033=Second\r\n"
               "long=" +
                   std::string(300, 'x') +
                   "\r\n"
                   "quoted=\"in quotes\"\r\n"
                   "  spaced  =  value with blanks  \r\n");
  const std::wstring file = folder.Wide("a.ini");
  EXPECT_EQ(ReadProfileString(file, L"Language", L"1033"), L"English");  // the first one wins
  EXPECT_EQ(ReadProfileString(file, L"language", L"1033"), L"English");  // section ignores case
  EXPECT_EQ(ReadProfileString(file, L"Language", L"long"), std::wstring(255, L'x'));
  EXPECT_EQ(ReadProfileString(file, L"Language", L"quoted"), L"in quotes");
  EXPECT_EQ(ReadProfileString(file, L"Language", L"spaced"), L"value with blanks");
  EXPECT_EQ(ReadProfileString(file, L"Language", L"1046"), L"");
  EXPECT_EQ(ReadProfileString(file, L"Other", L"1033"), L"");
  EXPECT_EQ(ReadProfileString(folder.Wide("missing.ini"), L"Language", L"1033"), L"");
}

TEST(IniFileTest, SectionEntriesKeepOrderDuplicatesAndTrimAroundEquals) {
  TempFolder folder;
  folder.Write("t.ini",
               Utf16LeWithBom(L"[LANSTR]\r\nA=1\r\nB=2=3\r\nA=4\r\nSTR_HIDE = Sembunyikan\r\n"
                              L"no equals\r\n[Next]\r\nC=5\r\n"));
  EXPECT_EQ(
      ReadProfileSection(folder.Wide("t.ini"), L"LANSTR"),
      (std::vector<std::wstring>{L"A=1", L"B=2=3", L"A=4", L"STR_HIDE=Sembunyikan", L"no equals"}));
  EXPECT_TRUE(ReadProfileSection(folder.Wide("t.ini"), L"Missing").empty());
}

TEST(IniFileTest, SectionIsCutToItsRoom) {
  TempFolder folder;
  std::wstring text = L"[S]\r\n";
  for (int i = 0; i < 100; ++i)
    text += L"KEY" + std::to_wstring(i) + L"=" + std::wstring(40, L'v') + L"\r\n";
  folder.Write("big.ini", Utf16LeWithBom(text));
  const auto entries = ReadProfileSection(folder.Wide("big.ini"), L"S");
  size_t used = 1;  // the list's own terminator
  for (const auto& entry : entries) used += entry.size() + 1;
  EXPECT_LE(used, kProfileSectionLimit);
  EXPECT_GT(used, kProfileSectionLimit - 50);
  EXPECT_LT(entries.size(), 100u);
  EXPECT_EQ(entries.front(), L"KEY0=" + std::wstring(40, L'v'));
}

}  // namespace
}  // namespace platform
