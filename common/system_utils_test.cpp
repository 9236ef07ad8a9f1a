#include "common/system_utils.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "platform/paths.h"
#include "platform/text.h"
#include "platform/version_info.h"
#include "tests/support/child_process.h"
#include "tests/support/eventually.h"
#include "tests/support/temp_folder.h"

namespace {

using kvtest::ReadFile;
using kvtest::TempFolder;

TEST(SystemUtilsTest, FileNamePartAndWorkFolder) {
  EXPECT_EQ(GetFileNamePart(L""), L"");
  EXPECT_EQ(GetFileNamePart(L"setup.exe"), L"setup.exe");
  EXPECT_EQ(GetFileNamePart(L"/dl/setup.beta.exe"), L"setup.beta.exe");
  EXPECT_EQ(GetFileNamePart(L"D:\\Downloads/x\\setup_fr.exe"), L"setup_fr.exe");
  EXPECT_EQ(GetFileNamePart(L"/dl/"), L"");
  // The work folder is named after the test program, cut before its last dot (".exe").
  const wchar_t separator = platform::kPathSeparator;
  EXPECT_EQ(GetWorkFolder(),
            GetDefaultInstallRoot() + L"kelvane_down" + separator + L"common_tests" + separator);
  EXPECT_EQ(GetDefaultInstallRoot().back(), separator);
}

TEST(SystemUtilsTest, InstallPathUsability) {
  TempFolder folder;
  const struct {
    std::string relative;
    bool usable;
    bool exists;
  } cases[] = {
      {"/", true, true},
      {"", true, true},
      {"/NewFolder/", true, false},
      {"/NewFolder", true, false},
      {"/No/Such/Deep/", false, false},
  };
  for (const auto& c : cases) {
    bool exists = !c.exists;
    EXPECT_EQ(IsInstallPathUsable(folder.Wide() + platform::Utf8ToWide(c.relative), exists),
              c.usable)
        << c.relative;
    EXPECT_EQ(exists, c.exists) << c.relative;
  }
}

TEST(SystemUtilsTest, IniSectionLastEntryWinsAndValuesKeepTheirEquals) {
  TempFolder folder;
  folder.Write("s.ini", "[S]\r\nA=1\r\nB=2=3\r\nA=4\r\nlonely\r\n");
  StringTable table{{L"keep", L"me"}};
  EXPECT_TRUE(ReadIniSection(folder.Wide("s.ini"), L"S", table));
  EXPECT_EQ(table, (StringTable{{L"A", L"4"}, {L"B", L"2=3"}, {L"keep", L"me"}, {L"lonely", L""}}));
  EXPECT_TRUE(ReadIniSection(folder.Wide("none.ini"), L"S", table));
  EXPECT_EQ(ReadIniValue(folder.Wide("s.ini"), L"S", L"B"), L"2=3");
}

TEST(SystemUtilsTest, SplitOnceAndReplaceAll) {
  std::wstring first = L"x", second = L"y";
  EXPECT_TRUE(SplitOnce(L"key=a=b", L"=", first, second));
  EXPECT_EQ(first, L"key");
  EXPECT_EQ(second, L"a=b");
  EXPECT_FALSE(SplitOnce(L"no separator", L"=", first, second));
  EXPECT_EQ(first, L"no separator");
  EXPECT_EQ(second, L"");

  const struct {
    std::wstring text, search, replacement, expected;
  } cases[] = {
      {L"PRODUCT Setup", L"PRODUCT", L"Kelvane Wayvo", L"Kelvane Wayvo Setup"},
      {L"aaa", L"a", L"aa", L"aaaaaa"},  // a replacement is not searched again
      {L"a\r\nb\r\n", L"\r\n", L"", L"ab"},
      {L"a\rb\n", L"\r\n", L"", L"a\rb\n"},
      {L"text", L"", L"x", L"text"},  // an empty search changes nothing
  };
  for (auto c : cases) {
    ReplaceAll(c.text, c.search, c.replacement);
    EXPECT_EQ(c.text, c.expected);
  }
}

TEST(SystemUtilsTest, DiskFreeMegabytes) {
  TempFolder folder;
  std::uint32_t megabytes = 7;
  EXPECT_FALSE(GetDiskFreeMB(folder.Wide("missing/x"), megabytes));
  EXPECT_EQ(megabytes, 7u);
  EXPECT_TRUE(GetDiskFreeMB(folder.Wide(), megabytes));
}

TEST(SystemUtilsTest, FindProcessIsCaseSensitiveAndKillEndsIt) {
  TempFolder folder;
  const auto program = kvtest::CopyChildHelper(folder.path(), "Wayvo.exe");
  kvtest::ScopedEnvironment sleep("KVTEST_CHILD_SLEEP", "60000");
  kvtest::ChildProcess sleeper({program.u8string()});
  ASSERT_TRUE(sleeper.started());
  const long child = sleeper.pid();
  platform::ProcessId found = -1;
  ASSERT_TRUE(kvtest::Eventually([&] { return FindProcess(L"Wayvo.exe", found); }));
  EXPECT_EQ(found, child);
  platform::ProcessId untouched = -1;
  EXPECT_FALSE(FindProcess(L"wayvo.exe", untouched));
  EXPECT_FALSE(FindProcess(std::wstring(64, L'x'), untouched));
  EXPECT_EQ(untouched, -1);
  EXPECT_TRUE(KillProcess(child));
  EXPECT_NE(sleeper.Wait(), kvtest::kChildHelperExitCode);
}

// The installer reads its switches back as five arguments on both systems (on Windows from one
// command line with the values of /path= and /progress= in double quotes).
TEST(SystemUtilsTest, SilentInstallerGetsItsFiveSwitches) {
  TempFolder folder;
  const auto output = folder.path() / "switches";
  const auto installer = kvtest::CopyChildHelper(folder.path(), "kelvane-download.exe");
  kvtest::ScopedEnvironment write("KVTEST_CHILD_OUTPUT", output.u8string());
  EXPECT_TRUE(RunSilentInstaller(platform::Utf8ToWide(installer.u8string()), L"/opt/Install Here/",
                                 L"/opt/kelvane_down/setup_fr/temp.progress"));
  EXPECT_EQ(ReadFile(output),
            "/verysilent\n/kelvane_down\n/wait_run\n/path=/opt/Install Here/\n"
            "/progress=/opt/kelvane_down/setup_fr/temp.progress\n");
  EXPECT_TRUE(RunSilentInstaller(folder.Wide("missing.exe"), L"/", L"/p"));  // always true
}

TEST(SystemUtilsTest, FileExistsOpensForReading) {
  TempFolder folder;
  folder.Write("present", "");
  folder.Write("Jos\xC3\xA9 \xE5\xAE\x89\xE8\xA3\x85.ini", "");
  EXPECT_TRUE(FileExists(folder.Wide("present")));
  EXPECT_TRUE(
      FileExists(folder.Wide("Jos\xC3\xA9 \xE5\xAE\x89\xE8\xA3\x85.ini")));  // under any locale
  EXPECT_FALSE(FileExists(folder.Wide("absent")));
  EXPECT_FALSE(FileExists(folder.Wide("Jos\xC3\xA9 absent")));
}

}  // namespace

namespace {

// The program carries its version block as a resource (this test program links the shipped one).
TEST(SystemUtilsTest, OwnVersionComesFromTheVersionBlock) {
  const std::wstring self = platform::GetModulePath();
  EXPECT_EQ(GetFileVersionString(self), L"1.0.0.1");
  EXPECT_EQ(platform::ReadFileDescription(self), L"Kelvane Wayvo Setup");
  EXPECT_EQ(GetFileVersionString(L"/bin/sh"), L"");
}

}  // namespace
