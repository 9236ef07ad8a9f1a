// What only the Linux side of the process service does: dropping root rights for the invoking
// user, and handing URLs to xdg-open.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

#include "platform/process.h"
#include "platform/text.h"
#include "tests/support/child_process.h"
#include "tests/support/eventually.h"
#include "tests/support/temp_folder.h"

namespace platform {
namespace {

using kvtest::Eventually;
using kvtest::ReadFile;
using kvtest::ScopedEnvironment;
using kvtest::TempFolder;

TEST(ProcessPosixTest, InvokingUserDropsRootRights) {
  if (geteuid() != 0) GTEST_SKIP() << "needs root to change user";
  TempFolder folder;
  std::filesystem::permissions(folder.path(), std::filesystem::perms::all);
  const auto marker = folder.path() / "uid";
  const auto program = folder.Write("product", "#!/bin/sh\nid -u > '" + marker.string() + "'\n");
  chmod(program.c_str(), 0755);
  bool started = false;
  {
    ScopedEnvironment sudo("SUDO_UID", "65534");
    started = StartProgram(Utf8ToWide(program.string()), {}, RunAs::kInvokingUser);
  }
  ASSERT_TRUE(started);
  EXPECT_TRUE(Eventually([&] { return ReadFile(marker) == "65534\n"; }));
}

TEST(ProcessPosixTest, UrlsOpenWithoutAShell) {
  TempFolder folder;
  const auto received = folder.path() / "received";
  const auto opener = folder.Write(
      "xdg-open", "#!/bin/sh\nprintf '%s|%s' \"$#\" \"$1\" > '" + received.string() + "'\n");
  chmod(opener.c_str(), 0755);
  const std::wstring url = L"https://api.kelvane.example/p?a=1&b=$(touch " +
                           Utf8ToWide((folder.path() / "pwned").string()) + L");x";
  bool opened = false;
  {
    ScopedEnvironment path("PATH", folder.path().string() + ":" + getenv("PATH"));
    opened = OpenWithDefaultHandler(url);
  }
  ASSERT_TRUE(opened);
  EXPECT_TRUE(Eventually([&] { return ReadFile(received) == "1|" + WideToUtf8(url); }));
  EXPECT_FALSE(std::filesystem::exists(folder.path() / "pwned"));
}

}  // namespace
}  // namespace platform
