#include <gtest/gtest.h>

#include <filesystem>

#include "platform/private_files.h"
#include "tests/support/temp_folder.h"

namespace {

namespace fs = std::filesystem;

TEST(PrivateFilesWinTest, OnlyRealFoldersAndFilesPass) {
  kvtest::TempFolder temp;
  const fs::path folder = temp.path() / "work";
  fs::create_directories(folder);
  EXPECT_TRUE(platform::RestrictFolderToOwner(folder.wstring()));
  EXPECT_FALSE(platform::RestrictFolderToOwner((temp.path() / "missing").wstring()));

  const fs::path program = temp.Write("work/kelvane-download.exe", "program");
  fs::permissions(program, fs::perms::owner_write, fs::perm_options::remove);
  EXPECT_TRUE(platform::RestrictFolderToOwner(folder.wstring()));
  EXPECT_FALSE(platform::RestrictFolderToOwner(program.wstring())) << "a file is no folder";
  ASSERT_TRUE(platform::PrepareOwnProgramForRun(program.wstring()));
  EXPECT_NE(fs::status(program).permissions() & fs::perms::owner_write, fs::perms::none)
      << "the read-only mark is taken off so that the clean-up can delete it";
  EXPECT_FALSE(platform::PrepareOwnProgramForRun((folder / "missing.exe").wstring()));
  EXPECT_FALSE(platform::PrepareOwnProgramForRun(folder.wstring())) << "a folder is no program";
}

}  // namespace
