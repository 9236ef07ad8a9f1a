// Processes against real programs: finding by name, ending, running and waiting, detaching.
#include "platform/process.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

#include "platform/text.h"
#include "tests/support/child_process.h"
#include "tests/support/eventually.h"
#include "tests/support/temp_folder.h"

namespace platform {
namespace {

using kvtest::ReadFile;
using kvtest::TempFolder;

using kvtest::ChildProcess;
using kvtest::Eventually;

TEST(ProcessTest, FindsByFullExecutableNameAndCaseMatters) {
  TempFolder folder;
  // Longer than the 15 characters the kernel keeps as a process's short name.
  const auto program = folder.path() / "kelvane-download.tmp";
  std::filesystem::copy_file("/bin/sleep", program);
  ChildProcess sleeper({program.string(), "30"});
  const long child = sleeper.pid();
  ASSERT_GT(child, 0);
  ASSERT_TRUE(
      Eventually([&] { return FindProcessByImageName(L"kelvane-download.tmp").has_value(); }));
  EXPECT_EQ(*FindProcessByImageName(L"kelvane-download.tmp"), child);
  EXPECT_FALSE(FindProcessByImageName(L"Kelvane-download.tmp").has_value());
  EXPECT_FALSE(FindProcessByImageName(L"kelvane-download").has_value());
  EXPECT_FALSE(FindProcessByImageName(L"").has_value());

  EXPECT_TRUE(TerminateProcessById(child));
  EXPECT_EQ(sleeper.Wait(), 128 + SIGKILL);
  EXPECT_FALSE(TerminateProcessById(child));  // gone and reaped
}

TEST(ProcessTest, RunAndWaitPassesEachArgumentWholeAndSetsTheExecuteBit) {
  TempFolder folder;
  const auto output = folder.path() / "args.txt";
  const auto installer =
      folder.Write("setup with blanks.sh",
                   "#!/bin/sh\nsleep 0.2\nfor a in \"$@\"; do printf '%s\\n' \"$a\"; done > '" +
                       output.string() + "'\n");
  chmod(installer.c_str(), 0644);
  const auto start = std::chrono::steady_clock::now();
  ASSERT_TRUE(RunAndWait(Utf8ToWide(installer.string()),
                         {L"/verysilent", L"/path=/opt/My Folder/", L"/progress=$(x) & \"q\""}));
  EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(200));
  EXPECT_EQ(ReadFile(output), "/verysilent\n/path=/opt/My Folder/\n/progress=$(x) & \"q\"\n");
  EXPECT_FALSE(RunAndWait(folder.Wide("missing-program"), {}));
}

TEST(ProcessTest, StartProgramDoesNotWait) {
  TempFolder folder;
  const auto marker = folder.path() / "started";
  const auto program =
      folder.Write("product", "#!/bin/sh\nsleep 0.3\necho \"$1\" > '" + marker.string() + "'\n");
  chmod(program.c_str(), 0755);
  ASSERT_TRUE(StartProgram(Utf8ToWide(program.string()), {L"a b"}, RunAs::kThisProcess));
  EXPECT_FALSE(std::filesystem::exists(marker));
  EXPECT_TRUE(Eventually([&] { return ReadFile(marker) == "a b\n"; }));
  EXPECT_FALSE(StartProgram(folder.Wide("missing"), {}, RunAs::kThisProcess));
}

TEST(ProcessTest, InvokingUserDropsRootRights) {
  if (geteuid() != 0) GTEST_SKIP() << "needs root to change user";
  TempFolder folder;
  std::filesystem::permissions(folder.path(), std::filesystem::perms::all);
  const auto marker = folder.path() / "uid";
  const auto program = folder.Write("product", "#!/bin/sh\nid -u > '" + marker.string() + "'\n");
  chmod(program.c_str(), 0755);
  setenv("SUDO_UID", "65534", 1);
  const bool started = StartProgram(Utf8ToWide(program.string()), {}, RunAs::kInvokingUser);
  unsetenv("SUDO_UID");
  ASSERT_TRUE(started);
  EXPECT_TRUE(Eventually([&] { return ReadFile(marker) == "65534\n"; }));
}

TEST(ProcessTest, UrlsOpenWithoutAShell) {
  TempFolder folder;
  const auto received = folder.path() / "received";
  const auto opener = folder.Write(
      "xdg-open", "#!/bin/sh\nprintf '%s|%s' \"$#\" \"$1\" > '" + received.string() + "'\n");
  chmod(opener.c_str(), 0755);
  const char* path_variable = getenv("PATH");
  const std::string old_path = path_variable ? path_variable : "";
  setenv("PATH", (folder.path().string() + ":" + old_path).c_str(), 1);
  const std::wstring url = L"https://api.kelvane.example/p?a=1&b=$(touch " +
                           Utf8ToWide((folder.path() / "pwned").string()) + L");x";
  const bool opened = OpenWithDefaultHandler(url);
  setenv("PATH", old_path.c_str(), 1);
  ASSERT_TRUE(opened);
  EXPECT_TRUE(Eventually([&] { return ReadFile(received) == "1|" + WideToUtf8(url); }));
  EXPECT_FALSE(std::filesystem::exists(folder.path() / "pwned"));
}

}  // namespace
}  // namespace platform
