#include "common/language_manager.h"

#include <gtest/gtest.h>

#include "platform/paths.h"
#include "tests/support/pack_fixture.h"

namespace {

using kvtest::PackFixture;
using kvtest::ShippedProductInfo;
using kvtest::TempFolder;

const char kLanguages[] =
    "[Language]\r\n1033=English\r\n1036=French\r\n1025=Arabic\r\n1057=Indonesian\r\n"
    "1031=German\r\n1049=Russian\r\n";

class LanguageManagerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    pack_.Languages(kLanguages);
    pack_.Ini("productInfo.ini", ShippedProductInfo());
    pack_.Ini("English/UrlInfo.ini",
              L"[URL]\r\nSTR_DOWN_URL=https://dl.kelvane.example/Wayvo/kelvane-wayvo.exe\r\n"
              L"STR_DOWN_URL_X64=https://dl.kelvane.example/Wayvo/kelvane-wayvo.exe\r\n"
              L"STR_LICENCE_URL=https://api.kelvane.example/producturl?key=license_agreement"
              L"&pid=216&lang=English\r\n");
    pack_.Ini("French/text.ini", L"[LANSTR]\r\nSTR_INSTALL=Installer\r\nSTR_HIDE=\r\n");
    pack_.Ini("Indonesian/text.ini", L"[LANSTR]\r\nSTR_INSTALL = Pasang\r\nSTR_MB = MB\r\n");
    pack_.Ini(
        "German/text.ini",
        L"[LANSTR]\r\nSTR_LISENCE=Ich stimme der {c COLOR}BRAND-Lizenzvereinbarung{/c} zu\r\n");
  }

  LanguageManager Load(const std::wstring& language_id) {
    LanguageManager language;
    language.InitForLanguageId(pack_.Folder(), language_id);
    return language;
  }

  TempFolder folder_;
  PackFixture pack_{folder_};
};

TEST_F(LanguageManagerTest, LanguageComesFromTheTableByExactId) {
  const struct {
    const wchar_t* id;
    const wchar_t* name;
    bool right_to_left;
  } cases[] = {
      {L"1033", L"English", false}, {L"1036", L"French", false},  {L"1025", L"Arabic", true},
      {L"1046", L"English", false}, {L"2058", L"English", false}, {L"", L"English", false},
      {L"1049", L"Russian", false},  // listed without a folder: the name is taken as it is
  };
  for (const auto& c : cases) {
    const LanguageManager language = Load(c.id);
    EXPECT_EQ(language.GetLanguageName(), c.name) << c.id;
    EXPECT_EQ(language.IsRightToLeft(), c.right_to_left) << c.id;
  }
}

TEST_F(LanguageManagerTest, LanguageFileOverlaysTheDefaultsWithPlaceholdersFilled) {
  const LanguageManager french = Load(L"1036");
  EXPECT_EQ(french.GetText(L"STR_INSTALL"), L"Installer");
  EXPECT_EQ(french.GetText(L"STR_HIDE"), L"");  // given empty: shown empty, not the default
  EXPECT_EQ(french.GetText(L"STR_BROWSE"), L"Browse");
  EXPECT_EQ(french.GetText(L"STR_MB"), L"MB");
  EXPECT_EQ(french.GetText(L"STR_MESSAGEBOX_TITLE"), L"Kelvane Wayvo Setup");
  EXPECT_EQ(french.GetText(L"STR_NO_SUCH_KEY"), L"");
  EXPECT_EQ(french.GetText(L"STR_START"), L"Start\u00A0Now");

  const LanguageManager english = Load(L"1033");
  EXPECT_EQ(english.GetText(L"STR_LISENCE"),
            L"I've read and agreed to {c #337BDD}Kelvane License Agreement{/c}");
  EXPECT_EQ(english.GetText(L"STR_SOFT_RUN").rfind(L"Kelvane Wayvo is running.", 0), 0u);

  EXPECT_EQ(Load(L"1031").GetText(L"STR_LISENCE"),
            L"Ich stimme der {c #337BDD}Kelvane-Lizenzvereinbarung{/c} zu");
  // Blanks around "=" do not keep an entry from its key.
  EXPECT_EQ(Load(L"1057").GetText(L"STR_INSTALL"), L"Pasang");
}

TEST_F(LanguageManagerTest, PlaceholdersAreFilledProductThenColourThenBrand) {
  pack_.Ini("productInfo.ini",
            L"[PRODUCT]\r\nSTR_PRODUCT_NAME=COLOR BRAND Box\r\nSTR_LISENCE_COLOR=#112233\r\n");
  const LanguageManager language = Load(L"1033");
  EXPECT_EQ(language.GetText(L"STR_MESSAGEBOX_TITLE"), L"#112233 Kelvane Box Setup");
}

TEST_F(LanguageManagerTest, MissingProductTableDegradesToEmptyValues) {
  std::filesystem::remove(folder_.path() / "language" / "productInfo.ini");
  const LanguageManager language = Load(L"1033");
  EXPECT_EQ(language.GetText(L"STR_MESSAGEBOX_TITLE"), L" Setup");
  EXPECT_EQ(language.GetText(L"STR_LISENCE"),
            L"I've read and agreed to {c }Kelvane License Agreement{/c}");
  EXPECT_EQ(language.GetBrandName(), L"Kelvane");
  EXPECT_TRUE(language.IsRunAsAdmin());
  EXPECT_EQ(language.GetInstallSubDir(), L"");
  EXPECT_EQ(language.GetExeSubPath(), L"");
}

TEST_F(LanguageManagerTest, CarouselQueryCarriesEncodedValues) {
  pack_.Ini("productInfo.ini",
            L"[PRODUCT]\r\nSTR_PID=2 16&x=1\r\nSTR_API_HOST=api.kelvane.example:8443\r\n");
  const LanguageManager language = Load(L"1033");
  EXPECT_EQ(
      language.GetCarouselUrl(),
      L"https://api.kelvane.example:8443/downloader/carousel?pid=2%2016%26x%3D1&lang=English");
}

// Folder names as the system writes them: "\\" on Windows, "/" on Linux.
std::wstring Native(std::wstring path) {
  for (wchar_t& c : path) {
    if (c == L'/') c = platform::kPathSeparator;
  }
  return path;
}

TEST_F(LanguageManagerTest, ProductAccessors) {
  const LanguageManager language = Load(L"1033");
  EXPECT_EQ(language.GetInstallSubDir(), Native(L"Kelvane/Kelvane Wayvo/"));
  EXPECT_EQ(language.GetExeSubPath(), Native(L"Kelvane/Kelvane Wayvo/Wayvo.exe"));
  EXPECT_EQ(language.GetCarouselUrl(),
            L"https://api.kelvane.example/downloader/carousel?pid=216&lang=English");
  EXPECT_EQ(language.GetDownloadUrl(), L"https://dl.kelvane.example/Wayvo/kelvane-wayvo.exe");
  EXPECT_EQ(language.GetDownloadRatio(), 80);
  EXPECT_EQ(language.GetReadFileTimeout(), 1500);

  const struct {
    const wchar_t* table;
    bool run_as_admin;
    const wchar_t* sub_dir;
  } cases[] = {
      {L"STR_RUN_AS_ADMIN=0\r\nSTR_DIR2_NAME=B\r\n", false, L"B/"},
      {L"STR_RUN_AS_ADMIN=00\r\nSTR_DIR1_NAME=A\r\n", true, L"A/"},
      {L"STR_RUN_AS_ADMIN=no\r\n", true, L""},
      {L"STR_RUN_AS_ADMIN=\r\n", true, L""},
      {L"str_run_as_admin=0\r\n", true, L""},  // keys are case-sensitive
  };
  for (const auto& c : cases) {
    pack_.Ini("productInfo.ini", std::wstring(L"[PRODUCT]\r\n") + c.table);
    const LanguageManager other = Load(L"1033");
    EXPECT_EQ(other.IsRunAsAdmin(), c.run_as_admin) << c.table;
    EXPECT_EQ(other.GetInstallSubDir(), Native(c.sub_dir)) << c.table;
  }
}

TEST_F(LanguageManagerTest, OnlyPageAddressesCarryTheDomainCode) {
  LanguageManager language = Load(L"1033");
  language.SetCustom(L"com_fr");
  EXPECT_EQ(language.GetLicenceUrl(),
            L"https://api.kelvane.example/producturl?key=license_agreement&pid=216&lang=English"
            L"&custom=com_fr");
  EXPECT_EQ(language.GetDownloadUrl(), L"https://dl.kelvane.example/Wayvo/kelvane-wayvo.exe");
  EXPECT_EQ(language.GetDownloadUrlEx(), L"");
  EXPECT_EQ(language.GetInstallUrl(), L"");
}

TEST_F(LanguageManagerTest, BeforeInitEverythingIsEmptyAndEnglish) {
  const LanguageManager language;
  EXPECT_EQ(language.GetText(L"STR_INSTALL"), L"");
  EXPECT_EQ(language.GetLanguageName(), L"English");
  EXPECT_FALSE(language.IsRightToLeft());
}

}  // namespace
