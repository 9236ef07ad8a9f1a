#include "khttp/disk_file.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "khttp/storage.h"
#include "tests/support/temp_folder.h"

namespace khttp {
namespace {

namespace fs = std::filesystem;
using boost::system::error_code;

TEST(DiskFile, OpenCreatesAMissingFileAndKeepsAnExistingOne) {
  kvtest::TempFolder folder;
  disk_file file;
  error_code ec;
  file.open(folder.Wide("new.bin"), disk_file::read_write_open_always, ec);
  ASSERT_FALSE(ec) << ec.message();
  EXPECT_TRUE(file.is_open());
  EXPECT_EQ(file.path(), folder.Wide("new.bin"));
  EXPECT_EQ(file.size(ec), 0);
  file.close();
  EXPECT_FALSE(file.is_open());
  EXPECT_EQ(file.path(), L"");

  folder.Write("old.bin", "content");
  file.open(folder.Wide("old.bin"), disk_file::read_write_open_always, ec);
  ASSERT_FALSE(ec);
  EXPECT_EQ(file.size(ec), 7) << "opening never truncates";
  char head[3] = {};
  EXPECT_EQ(file.read_at(0, head, sizeof(head), ec), 3);
  EXPECT_EQ(std::string(head, 3), "con");
}

TEST(DiskFile, OpenFailuresLeaveTheFileClosed) {
  kvtest::TempFolder folder;
  disk_file file;
  error_code ec;
  file.open(folder.Wide("a.bin"), disk_file::read_write_open_always, ec);
  ASSERT_FALSE(ec);

  file.open(folder.Wide("missing/folder/a.bin"), disk_file::read_write_open_always, ec);
  EXPECT_EQ(ec, boost::system::errc::no_such_file_or_directory);
  EXPECT_EQ(&ec.category(), &boost::system::system_category());
  EXPECT_FALSE(file.is_open()) << "the file open before was closed";
  EXPECT_EQ(file.path(), L"");
  EXPECT_EQ(file.write_at(0, "x", 1, ec), -1);
  EXPECT_EQ(ec, boost::system::errc::bad_file_descriptor);
  EXPECT_EQ(file.read_at(0, nullptr, 0, ec), -1);
  EXPECT_EQ(file.position(ec), -1);
  EXPECT_EQ(file.seek(0, ec), -1);

  file.open(folder.Wide(), disk_file::read_write_open_always, ec);
  EXPECT_TRUE(ec) << "a folder is no file";
  file.open(folder.Wide("b.bin"), 1, ec);
  EXPECT_EQ(ec, boost::system::errc::operation_not_supported);
  EXPECT_FALSE(fs::exists(folder.path() / "b.bin"));
}

TEST(DiskFile, AWriteFarPastTheEndFillsTheGapWithZeros) {
  kvtest::TempFolder folder;
  disk_file file;
  error_code ec;
  file.open(folder.Wide("far.bin"), disk_file::read_write_open_always, ec);
  ASSERT_FALSE(ec);
  EXPECT_EQ(file.write_at(1'000'000, "0123456789", 10, ec), 10);
  EXPECT_FALSE(ec);
  EXPECT_EQ(file.size(ec), 1'000'010);
  file.close();
  const std::string content = kvtest::ReadFile(folder.path() / "far.bin");
  ASSERT_EQ(content.size(), 1'000'010u);
  EXPECT_EQ(content.find_first_not_of('\0'), 1'000'000u);
  EXPECT_EQ(content.substr(1'000'000), "0123456789");
}

TEST(DiskFile, OffsetsBeyondFourGibibytes) {
  kvtest::TempFolder folder;
  disk_file file;
  error_code ec;
  file.open(folder.Wide("big.bin"), disk_file::read_write_open_always, ec);
  ASSERT_FALSE(ec);
  const std::int64_t offset = 5'000'000'000LL;
  ASSERT_EQ(file.write_at(offset, "tail", 4, ec), 4) << ec.message();
  EXPECT_EQ(file.size(ec), offset + 4);
  char back[4] = {};
  EXPECT_EQ(file.read_at(offset, back, 4, ec), 4);
  EXPECT_EQ(std::string(back, 4), "tail");
  EXPECT_EQ(file.position(ec), offset + 4);
}

TEST(DiskFile, BuffersAndTheFilePosition) {
  kvtest::TempFolder folder;
  disk_file file;
  error_code ec;
  file.open(folder.Wide("pos.bin"), disk_file::read_write_open_always, ec);
  ASSERT_FALSE(ec);
  EXPECT_EQ(file.position(ec), 0);
  EXPECT_EQ(file.write_at(2,
                          {boost::asio::buffer("ab", 2), boost::asio::buffer("", 0),
                           boost::asio::buffer("cde", 3)},
                          ec),
            5);
  EXPECT_EQ(file.position(ec), 7);
  EXPECT_EQ(file.write_at(disk_file::current_position, "fg", 2, ec), 2);
  EXPECT_EQ(file.position(ec), 9);

  EXPECT_EQ(file.seek(2, ec), 2);
  char first[3] = {}, second[10] = {};
  EXPECT_EQ(file.read_at(disk_file::current_position,
                         {boost::asio::buffer(first), boost::asio::buffer(second)}, ec),
            7);
  EXPECT_EQ(std::string(first, 3), "abc");
  EXPECT_EQ(std::string(second, 4), "defg");
  EXPECT_EQ(file.position(ec), 9);
  EXPECT_EQ(file.read_at(100, first, 3, ec), 0) << "reading past the end is no error";
  EXPECT_FALSE(ec);
  EXPECT_EQ(file.read_at(-2, first, 3, ec), -1);
  EXPECT_EQ(ec, boost::system::errc::invalid_argument);
  EXPECT_EQ(file.seek(-5, ec), -1);
}

TEST(DefaultStorage, SlotsMapOntoTheFile) {
  kvtest::TempFolder folder;
  default_storage storage;
  error_code ec;
  storage.open(folder.Wide("missing/data.tmp"), ec);
  EXPECT_TRUE(ec);
  EXPECT_EQ(storage.write_at("x", 0, 1), -1);
  EXPECT_FALSE(storage.at_end());

  storage.open(folder.Wide("data.tmp"), ec);
  ASSERT_FALSE(ec);
  EXPECT_TRUE(storage.at_end()) << "an empty file starts at its end";
  EXPECT_EQ(storage.write_at("hello", 0, 5), 5);
  EXPECT_TRUE(storage.at_end()) << "right after a write at the end";
  EXPECT_EQ(storage.write(" world", 6), 6) << "at_end left the position where it was";
  EXPECT_EQ(storage.write_at("x", 0, -1), -1);

  char buffer[16] = {};
  EXPECT_EQ(storage.read_at(buffer, 6, 5), 5);
  EXPECT_EQ(std::string(buffer, 5), "world");
  EXPECT_TRUE(storage.at_end());
  EXPECT_EQ(storage.read(buffer, 5), 0);
  EXPECT_EQ(storage.read_at(buffer, 0, 1), 1);
  EXPECT_FALSE(storage.at_end());
  EXPECT_EQ(storage.read(buffer, 4), 4);
  EXPECT_EQ(std::string(buffer, 4), "ello");
  storage.close();
  EXPECT_EQ(kvtest::ReadFile(folder.path() / "data.tmp"), "hello world");
}

}  // namespace
}  // namespace khttp
