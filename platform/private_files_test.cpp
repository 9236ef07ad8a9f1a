#include "platform/private_files.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>

#include "tests/support/temp_folder.h"

namespace {

namespace fs = std::filesystem;

fs::perms Mode(const fs::path& path) { return fs::status(path).permissions(); }

TEST(PrivateFilesTest, AFolderLosesTheWriteRightsOfOthers) {
  kvtest::TempFolder temp;
  const fs::path folder = temp.path() / "work";
  fs::create_directories(folder);
  fs::permissions(folder, fs::perms::all);
  ASSERT_TRUE(platform::RestrictFolderToOwner(folder.wstring()));
  EXPECT_EQ(Mode(folder) & (fs::perms::group_write | fs::perms::others_write), fs::perms::none);
  EXPECT_NE(Mode(folder) & fs::perms::owner_write, fs::perms::none);

  // A link in its place is refused, not followed.
  fs::create_directory_symlink(folder, temp.path() / "link");
  EXPECT_FALSE(platform::RestrictFolderToOwner((temp.path() / "link").wstring()));
  EXPECT_FALSE(platform::RestrictFolderToOwner((temp.path() / "missing").wstring()));
}

TEST(PrivateFilesTest, OnlyAnOwnFileInAnOwnFolderIsPreparedForRunning) {
  kvtest::TempFolder temp;
  const fs::path folder = temp.path() / "work";
  fs::create_directories(folder);
  fs::permissions(folder, fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec |
                              fs::perms::others_read | fs::perms::others_exec);
  const fs::path program = temp.Write("work/kelvane-download.exe", "program");
  fs::permissions(program, fs::perms::all);
  ASSERT_TRUE(platform::PrepareOwnProgramForRun(program.wstring()));
  EXPECT_EQ(Mode(program) & (fs::perms::group_write | fs::perms::others_write), fs::perms::none);
  EXPECT_NE(Mode(program) & fs::perms::owner_exec, fs::perms::none);

  fs::create_symlink(program, folder / "link.exe");
  EXPECT_FALSE(platform::PrepareOwnProgramForRun((folder / "link.exe").wstring()));
  EXPECT_FALSE(platform::PrepareOwnProgramForRun((folder / "missing.exe").wstring()));

  // In a folder anyone may write, the file could be swapped before it runs.
  fs::permissions(folder, fs::perms::all);
  EXPECT_FALSE(platform::PrepareOwnProgramForRun(program.wstring()));
}

}  // namespace
