#include "platform/file_system.h"

#include <gtest/gtest.h>

#include "tests/support/temp_folder.h"

namespace platform {
namespace {

using kvtest::TempFolder;

TEST(FileSystemTest, ProbeTellsMissingLeafFromMissingParent) {
  TempFolder folder;
  folder.Write("file", "x");
  const struct {
    std::string relative;
    PathState expected;
  } cases[] = {
      {"", PathState::kExists},
      {"/", PathState::kExists},  // a trailing separator changes nothing
      {"/file", PathState::kExists},
      {"/NewFolder", PathState::kLeafMissing},
      {"/NewFolder/", PathState::kLeafMissing},
      {"/No/Such/Deep", PathState::kParentMissing},
      {"/file/below", PathState::kParentMissing},  // a file on the way is no folder
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ProbePath(folder.Wide() + std::wstring(c.relative.begin(), c.relative.end())),
              c.expected)
        << c.relative;
  }
}

TEST(FileSystemTest, FoldersAndWholeFiles) {
  TempFolder folder;
  const std::wstring sub = folder.Wide("sub");
  EXPECT_FALSE(IsDirectory(sub));
  EXPECT_TRUE(CreateOneDirectory(sub));
  EXPECT_TRUE(CreateOneDirectory(sub));  // already there
  EXPECT_TRUE(IsDirectory(sub));
  EXPECT_FALSE(CreateOneDirectory(folder.Wide("a/b")));  // no parent

  const std::wstring file = folder.Wide("sub/data.bin");
  const std::string bytes("\0\x01\xFFtext", 7);
  EXPECT_TRUE(WriteWholeFile(file, bytes.data(), bytes.size()));
  EXPECT_EQ(ReadWholeFile(file), bytes);
  EXPECT_TRUE(WriteWholeFile(file, "ab", 2));  // replaces, never appends
  EXPECT_EQ(ReadWholeFile(file), "ab");
  EXPECT_TRUE(PathExists(file));
  EXPECT_FALSE(WriteWholeFile(folder.Wide("none/x"), "a", 1));
  EXPECT_FALSE(ReadWholeFile(folder.Wide("none/x")).has_value());
}

TEST(FileSystemTest, VolumeFreeBytesOfAnExistingFolder) {
  TempFolder folder;
  const auto free_bytes = GetVolumeFreeBytes(folder.Wide());
  ASSERT_TRUE(free_bytes.has_value());
  EXPECT_GT(*free_bytes, 0u);
  EXPECT_FALSE(GetVolumeFreeBytes(folder.Wide("missing/deeper")).has_value());
}

TEST(FileSystemTest, MoveReplacesAndDeleteToleratesAMissingFile) {
  TempFolder folder;
  folder.Write("new.bin", "new");
  folder.Write("old.bin", "old and longer");
  EXPECT_FALSE(MoveFileReplacing(folder.Wide("new.bin"), folder.Wide("old.bin")));
  EXPECT_EQ(kvtest::ReadFile(folder.path() / "old.bin"), "new");
  EXPECT_FALSE(PathExists(folder.Wide("new.bin")));
  // A missing source is the system's error, not a crash.
  EXPECT_TRUE(MoveFileReplacing(folder.Wide("gone.bin"), folder.Wide("old.bin")));

  EXPECT_FALSE(DeleteFileIfExists(folder.Wide("old.bin")));
  EXPECT_FALSE(PathExists(folder.Wide("old.bin")));
  EXPECT_FALSE(DeleteFileIfExists(folder.Wide("old.bin")));
  folder.Write("dir/inside", "x");
  EXPECT_TRUE(DeleteFileIfExists(folder.Wide("dir"))) << "a folder is no file";
}

}  // namespace
}  // namespace platform
