#include "Window/install_paths.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "tests/support/temp_folder.h"

namespace {

TEST(InstallPathsTest, TheRootEndsInOneSeparator) {
  EXPECT_EQ(InstallRootFromPathField(L"/opt/apps"), L"/opt/apps/");
  EXPECT_EQ(InstallRootFromPathField(L"/opt/apps/"), L"/opt/apps/");
  EXPECT_EQ(InstallRootFromPathField(L""), L"/");
}

TEST(InstallPathsTest, TheVolumeIsTheDriveOrTheNearestFolderThatExists) {
  kvtest::TempFolder temp;
  std::filesystem::create_directories(temp.path() / "apps");
  struct Case {
    std::wstring root;
    std::wstring volume;
  };
  const Case cases[] = {
      {L"D:\\Apps\\", L"D:"},
      {temp.Wide("apps") + L"/", temp.Wide("apps")},
      {temp.Wide("apps/New Folder") + L"/", temp.Wide("apps")},
      {temp.Wide("no/such/deep") + L"/", temp.Wide()},
      {L"relative", L""},
  };
  for (const Case& c : cases) {
    std::wstring expected = c.volume;
    while (expected.size() > 1 && expected.back() == L'/') expected.pop_back();
    EXPECT_EQ(VolumeOfInstallRoot(c.root), expected) << std::filesystem::path(c.root);
  }
}

}  // namespace
