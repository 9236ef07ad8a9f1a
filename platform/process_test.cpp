// Processes against a real program, the tests' own helper (tests/support/kvtest_child.cpp), on
// both systems: finding by name, ending, running and waiting, starting without waiting.
#include "platform/process.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "platform/text.h"
#include "tests/support/child_process.h"
#include "tests/support/eventually.h"
#include "tests/support/temp_folder.h"

namespace platform {
namespace {

using kvtest::ChildProcess;
using kvtest::CopyChildHelper;
using kvtest::Eventually;
using kvtest::ReadFile;
using kvtest::ScopedEnvironment;
using kvtest::TempFolder;

std::wstring WideOf(const std::filesystem::path& path) { return Utf8ToWide(path.u8string()); }

TEST(ProcessTest, FindsByFullExecutableNameAndCaseMatters) {
  TempFolder folder;
  // Longer than the 15 characters the Linux kernel keeps as a process's short name.
  const auto program = CopyChildHelper(folder.path(), "kelvane-download.tmp");
  ScopedEnvironment sleep("KVTEST_CHILD_SLEEP", "60000");
  ChildProcess sleeper({program.u8string()});
  ASSERT_TRUE(sleeper.started());
  const long child = sleeper.pid();
  ASSERT_TRUE(
      Eventually([&] { return FindProcessByImageName(L"kelvane-download.tmp").has_value(); }));
  EXPECT_EQ(*FindProcessByImageName(L"kelvane-download.tmp"), child);
  EXPECT_FALSE(FindProcessByImageName(L"Kelvane-download.tmp").has_value());
  EXPECT_FALSE(FindProcessByImageName(L"kelvane-download").has_value());
  EXPECT_FALSE(FindProcessByImageName(L"").has_value());

  EXPECT_TRUE(TerminateProcessById(child));
  EXPECT_NE(sleeper.Wait(), kvtest::kChildHelperExitCode);  // ended before its sleep was over
  EXPECT_FALSE(TerminateProcessById(child));                // gone and reaped
}

// Windows hands the program one command line: each "/name=value" goes as /name="value" and the
// helper splits it the way installers do, so both systems read back the same arguments. The
// program lies in a folder whose name no single-byte code page holds.
TEST(ProcessTest, RunAndWaitPassesEachArgumentWholeAndWaits) {
  TempFolder folder;
  const auto output = folder.path() / "args.txt";
  const auto downloads =
      folder.path() / std::filesystem::u8path("Jos\xC3\xA9 \xE5\xAE\x89\xE8\xA3\x85");
  std::filesystem::create_directory(downloads);
  const auto installer = CopyChildHelper(downloads, "setup with blanks.exe");
  // Linux sets the execute bits itself.
  std::filesystem::permissions(
      installer, std::filesystem::perms::owner_read | std::filesystem::perms::owner_write |
                     std::filesystem::perms::group_read | std::filesystem::perms::others_read);
  // The helper writes its file only after a pause: when RunAndWait returns, the file is there.
  ScopedEnvironment sleep("KVTEST_CHILD_SLEEP", "200");
  ScopedEnvironment write("KVTEST_CHILD_OUTPUT", output.u8string());
  ASSERT_TRUE(RunAndWait(WideOf(installer), {L"/verysilent", L"/path=/opt/My Folder/",
                                             L"/progress=$(x) & 'q' \u00E9"}));
  EXPECT_EQ(ReadFile(output),
            "/verysilent\n/path=/opt/My Folder/\n/progress=$(x) & 'q' \xC3\xA9\n");
  EXPECT_FALSE(RunAndWait(folder.Wide("missing-program"), {}));
}

// The helper waits for a file the test creates only after it has checked that nothing was
// written: StartProgram must have returned while the program still ran.
TEST(ProcessTest, StartProgramDoesNotWait) {
  TempFolder folder;
  const auto go = folder.path() / "go";
  const auto marker = folder.path() / "started";
  const auto program = CopyChildHelper(folder.path(), "product.exe");
  ScopedEnvironment wait("KVTEST_CHILD_WAIT_FOR", go.u8string());
  ScopedEnvironment write("KVTEST_CHILD_OUTPUT", marker.u8string());
  ASSERT_TRUE(StartProgram(WideOf(program), {L"a b"}, RunAs::kThisProcess));
  EXPECT_FALSE(std::filesystem::exists(marker));
  folder.Write("go", "");
  EXPECT_TRUE(Eventually([&] { return ReadFile(marker) == "a b\n"; }));
  EXPECT_FALSE(StartProgram(folder.Wide("missing"), {}, RunAs::kThisProcess));
}

}  // namespace
}  // namespace platform
