// Where Linux finds its folders, and which files carry a version there.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include "platform/paths.h"
#include "platform/text.h"
#include "platform/version_info.h"

namespace platform {
namespace {

TEST(PathsTest, ProgramFilesFolderFollowsTheUser) {
  if (geteuid() == 0) {
    EXPECT_EQ(GetProgramFilesFolder(), L"/opt");
    return;
  }
  const char* old = getenv("XDG_DATA_HOME");
  const std::string saved = old ? old : "";
  setenv("XDG_DATA_HOME", "/data/home", 1);
  EXPECT_EQ(GetProgramFilesFolder(), L"/data/home");
  setenv("XDG_DATA_HOME", "relative/ignored", 1);
  const char* home = getenv("HOME");
  ASSERT_NE(home, nullptr);
  EXPECT_EQ(GetProgramFilesFolder(), NarrowToWide(home) + L"/.local/share");
  if (old)
    setenv("XDG_DATA_HOME", saved.c_str(), 1);
  else
    unsetenv("XDG_DATA_HOME");
}

TEST(VersionInfoTest, OnlyTheRunningProgramCarriesAVersionOnLinux) {
  // This test program links no resource table.
  EXPECT_FALSE(ReadFileVersion(GetModulePath()).has_value());
  EXPECT_FALSE(ReadFileVersion(L"/bin/sh").has_value());
  EXPECT_EQ(ReadFileDescription(L"/no/such/file"), L"");
}

}  // namespace
}  // namespace platform
