#include "platform/file_system.h"

#include <gtest/gtest.h>

#include "platform/text.h"
#include "tests/support/temp_folder.h"

namespace platform {
namespace {

using kvtest::TempFolder;

// Names outside ASCII, and outside the ANSI code page of a Western Windows (Cyrillic, Chinese):
// wide paths reach the system as they are.
TEST(FileSystemTest, ProbeTellsMissingLeafFromMissingParent) {
  TempFolder folder;
  folder.Write("file", "x");
  ASSERT_TRUE(CreateOneDirectory(folder.Wide() + L"/Jos\u00E9"));
  ASSERT_TRUE(CreateOneDirectory(folder.Wide() + L"/\u5B89\u88C5 \u0444"));
  const struct {
    std::wstring relative;
    PathState expected;
  } cases[] = {
      {L"", PathState::kExists},
      {L"/", PathState::kExists},  // a trailing separator changes nothing
      {L"/file", PathState::kExists},
      {L"/NewFolder", PathState::kLeafMissing},
      {L"/NewFolder/", PathState::kLeafMissing},
      {L"/No/Such/Deep", PathState::kParentMissing},
      {L"/file/below", PathState::kParentMissing},  // a file on the way is no folder
      {L"/Jos\u00E9", PathState::kExists},
      {L"/Jos\u00E9/Caf\u00E9", PathState::kLeafMissing},
      {L"/\u5B89\u88C5 \u0444/", PathState::kExists},
      {L"/\u5B89\u88C5 \u0444/\u65B0", PathState::kLeafMissing},
      {L"/\u65B0/\u65B0", PathState::kParentMissing},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ProbePath(folder.Wide() + c.relative), c.expected) << WideToUtf8(c.relative);
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

  const std::wstring file = folder.Wide("sub") + L"/d\u00E4t\u00E0 \u6570\u636E.bin";
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
