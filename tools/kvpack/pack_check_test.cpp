#include "tools/kvpack/pack_check.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>

#include "tests/support/temp_folder.h"

namespace {

using kvtest::ReadFile;
using kvtest::TempFolder;
using kvtest::Utf16LeWithBom;

const std::filesystem::path kShippedPack = std::filesystem::path(KV_SOURCE_DIR) / "language";

TEST(PackCheckTest, TheShippedPackIsSound) {
  EXPECT_THAT(kvpack::CheckLanguagePack(kShippedPack), ::testing::IsEmpty());
}

TEST(PackCheckTest, EachDamageIsReportedWithFileAndLine) {
  const struct {
    const char* what;
    std::function<void(const TempFolder&)> damage;
    const char* expected;
  } cases[] = {
      {"listed folder missing",
       [](const TempFolder& pack) { std::filesystem::remove_all(pack.path() / "Thai"); },
       "language.ini:14: language folder Thai is missing"},
      {"UTF-8 text file",
       [](const TempFolder& pack) {
         pack.Write("French/text.ini", "[LANSTR]\r\nSTR_INSTALL=Installer\r\n");
       },
       "French/text.ini:1: not UTF-16LE with a byte-order mark"},
      {"LF line ends",
       [](const TempFolder& pack) {
         pack.Write("Dutch/UrlInfo.ini", Utf16LeWithBom(L"[URL]\r\nSTR_DOWN_URL=https://h/x\n"));
       },
       "Dutch/UrlInfo.ini:2: line end is not CR LF"},
      {"unknown key",
       [](const TempFolder& pack) {
         pack.Write("German/UrlInfo.ini",
                    Utf16LeWithBom(L"[URL]\r\nSTR_DOWN_URL=https://h/x\r\nSTR_DOWN_ULR=x\r\n"));
       },
       "German/UrlInfo.ini:3: key STR_DOWN_ULR is unknown to the installer"},
      {"missing text key",
       [](const TempFolder& pack) {
         pack.Write("Swedish/text.ini", Utf16LeWithBom(L"[LANSTR]\r\nSTR_INSTALL=Installera\r\n"));
       },
       "Swedish/text.ini:0: key STR_HIDE is missing"},
      {"colour nobody fills",
       [](const TempFolder& pack) {
         pack.Write(
             "Polish/text.ini",
             Utf16LeWithBom(L"[LANSTR]\r\nSTR_INSTALL=x\r\nSTR_LISENCE={c BLUE}BRAND{/c}\r\n"));
       },
       "Polish/text.ini:3: colour placeholder BLUE is filled by no table"},
      {"product name nobody fills",
       [](const TempFolder& pack) {
         pack.Write("productInfo.ini", Utf16LeWithBom(L"[PRODUCT]\r\nSTR_PID=216\r\n"));
       },
       "English/text.ini:12: placeholder PRODUCT has no STR_PRODUCT_NAME to fill it"},
      {"no download URL",
       [](const TempFolder& pack) {
         pack.Write("Korean/UrlInfo.ini", Utf16LeWithBom(L"[URL]\r\nSTR_DOWN_URL=\r\n"));
       },
       "Korean/UrlInfo.ini:0: no download URL (STR_DOWN_URL)"},
      {"duplicated key",
       [](const TempFolder& pack) {
         pack.Write("Italian/UrlInfo.ini",
                    Utf16LeWithBom(L"[URL]\r\nSTR_DOWN_URL=a\r\nSTR_DOWN_URL=b\r\n"));
       },
       "Italian/UrlInfo.ini:3: key STR_DOWN_URL is given twice"},
      {"language table with UTF-8",
       [](const TempFolder& pack) {
         pack.Write("language.ini", "[Language]\r\n1033=Engl\xC3\xA9sh\r\n");
       },
       "language.ini:1: not plain ASCII text"},
  };
  for (const auto& c : cases) {
    TempFolder pack;
    std::filesystem::copy(kShippedPack, pack.path(), std::filesystem::copy_options::recursive);
    c.damage(pack);
    EXPECT_THAT(kvpack::CheckLanguagePack(pack.path()), ::testing::Contains(c.expected)) << c.what;
  }
}

TEST(PackCheckTest, AnEmptyFolderSaysWhatIsMissing) {
  TempFolder pack;
  EXPECT_THAT(kvpack::CheckLanguagePack(pack.path()),
              ::testing::IsSupersetOf(
                  {"productInfo.ini:0: file is missing", "language.ini:0: file is missing"}));
}

}  // namespace
