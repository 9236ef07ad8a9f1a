#include "common/zip_unpack.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>

#include "log/log.h"
#include "platform/text.h"
#include "tests/support/temp_folder.h"
#include "tests/support/zip_builder.h"

namespace {

using kvtest::BuildZip;
using kvtest::ReadFile;
using kvtest::TempFolder;

TEST(UnzipToFolderTest, FoldersAndFilesInArchiveOrder) {
  TempFolder folder;
  folder.Write("language/English/text.ini", "edited by the user");
  const std::string archive = BuildZip({{"language.ini", "[Language]\r\n"},
                                        {"English/", ""},
                                        {"English/text.ini", "fresh"},
                                        {"Empty/", ""},
                                        {"Nested/Deeper/file.txt", "made with its folders"}});
  ASSERT_TRUE(UnzipToFolder(archive.data(), archive.size(), folder.Wide("language")));
  const auto target = folder.path() / "language";
  EXPECT_EQ(ReadFile(target / "language.ini"), "[Language]\r\n");
  EXPECT_EQ(ReadFile(target / "English" / "text.ini"), "fresh");  // always overwritten
  EXPECT_TRUE(std::filesystem::is_directory(target / "Empty"));
  EXPECT_EQ(ReadFile(target / "Nested" / "Deeper" / "file.txt"), "made with its folders");
}

// A user named José, or one whose folders have Chinese names: the wide path goes to the system as
// it is, under any C library locale (this test program runs under "C").
TEST(UnzipToFolderTest, FolderNamesOutsideAscii) {
  TempFolder folder;
  const std::string archive =
      BuildZip({{"English/text.ini", "fresh"}, {"\xE4\xB8\xAD\xE6\x96\x87/", ""}});
  const std::wstring target = folder.Wide("Jos\xC3\xA9") + L"/\u5B89\u88C5/language";
  ASSERT_TRUE(UnzipToFolder(archive.data(), archive.size(), target));
  const auto unpacked =
      folder.path() / std::filesystem::u8path("Jos\xC3\xA9/\xE5\xAE\x89\xE8\xA3\x85");
  EXPECT_EQ(ReadFile(unpacked / "language" / "English" / "text.ini"), "fresh");
  EXPECT_TRUE(std::filesystem::is_directory(unpacked / "language" /
                                            std::filesystem::u8path("\xE4\xB8\xAD\xE6\x96\x87")));
}

TEST(UnzipToFolderTest, AnEmptyEntryBecomesAFolder) {
  TempFolder folder;
  const std::string archive = BuildZip({{"looks_like_a_file.txt", ""}});
  ASSERT_TRUE(UnzipToFolder(archive.data(), archive.size(), folder.Wide("out")));
  EXPECT_TRUE(std::filesystem::is_directory(folder.path() / "out" / "looks_like_a_file.txt"));
}

// The child starts afresh (its log is not the parent's) and finds the folder by its name.
TEST(UnzipToFolderTest, HostileNamesNeverLeaveTheFolder) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  const auto root = kvtest::FreshNamedFolder("unzip-hostile");
  const std::string archive = BuildZip({{"../escaped.txt", "x"},
                                        {"a/../../escaped2.txt", "x"},
                                        {"..\\escaped3.txt", "x"},
                                        {"/tmp/kvtest-absolute-escape.txt", "x"},
                                        {"C:evil.txt", "x"},
                                        {"..", "x"},
                                        {"good.txt", "kept"}});
  const std::wstring target = platform::Utf8ToWide((root / "inner/language").u8string());
  const std::wstring log_folder = platform::Utf8ToWide((root / "Log").u8string());
  EXPECT_EXIT(
      {
        InitLog(L"unzip.log", log_folder.c_str());
        std::exit(UnzipToFolder(archive.data(), archive.size(), target) ? 1 : 0);
      },
      ::testing::ExitedWithCode(0), "");
  EXPECT_EQ(ReadFile(root / "inner" / "language" / "good.txt"), "kept");
  std::vector<std::string> everything;
  for (const auto& item : std::filesystem::recursive_directory_iterator(root)) {
    everything.push_back(std::filesystem::relative(item.path(), root).generic_u8string());
  }
  EXPECT_THAT(everything,
              ::testing::UnorderedElementsAre("inner", "inner/language", "inner/language/good.txt",
                                              "Log", "Log/unzip.log"));
  EXPECT_FALSE(std::filesystem::exists("/tmp/kvtest-absolute-escape.txt"));
  const std::string log = ReadFile(root / "Log" / "unzip.log");
  EXPECT_THAT(log, ::testing::HasSubstr("refused entry outside the folder: ../escaped.txt"));
  EXPECT_THAT(log, ::testing::HasSubstr("refused entry outside the folder: /tmp/"));
}

// The archive with the stored data of its entry `name` changed in one byte: its directory still
// reads, its data no longer inflates to what its CRC-32 says.
std::string WithDamagedData(std::string archive, const std::string& name) {
  const size_t name_at = archive.find(name);  // the first copy is the entry's local header
  const size_t header = name_at - 30;
  const auto extra = static_cast<size_t>(static_cast<unsigned char>(archive[header + 28]) |
                                         static_cast<unsigned char>(archive[header + 29]) << 8);
  archive[name_at + name.size() + extra + 4] ^= 0x55;
  return archive;
}

TEST(UnzipToFolderTest, DamagedArchivesWriteNothing) {
  TempFolder folder;
  const std::string archive = BuildZip({{"file.txt", std::string(10000, 'a')}});
  const std::string good_then_damaged =
      WithDamagedData(BuildZip({{"file.txt", "written before the damage was seen"},
                                {"Nested/", ""},
                                {"second.txt", "the quick brown fox jumps over the lazy dog, " +
                                                   std::string(2000, 'b')}}),
                      "second.txt");
  const std::string cases[] = {"", "not a zip at all", archive.substr(0, archive.size() / 2),
                               good_then_damaged};
  for (const std::string& bytes : cases) {
    EXPECT_FALSE(UnzipToFolder(bytes.data(), bytes.size(), folder.Wide("out")));
    EXPECT_TRUE(std::filesystem::is_empty(folder.path() / "out"));
  }
}

}  // namespace
