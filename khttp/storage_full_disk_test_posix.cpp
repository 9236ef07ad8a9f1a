// The storage on a file system that runs full: a small tmpfs mounted for the test.
#include <gtest/gtest.h>
#include <sys/mount.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string>

#include "khttp/disk_file.h"
#include "khttp/storage.h"
#include "tests/support/temp_folder.h"

namespace khttp {
namespace {

constexpr std::size_t kVolumeBytes = 64 * 1024;

class FullDisk : public ::testing::Test {
 protected:
  void SetUp() override {
    if (geteuid() != 0) GTEST_SKIP() << "mounting a small tmpfs needs root";
    const std::string options = "size=" + std::to_string(kVolumeBytes);
    if (mount("tmpfs", folder_.path().c_str(), "tmpfs", 0, options.c_str()) != 0) {
      GTEST_SKIP() << "cannot mount a tmpfs here: " << std::strerror(errno);
    }
    mounted_ = true;
  }
  void TearDown() override {
    if (mounted_) umount2(folder_.path().c_str(), MNT_DETACH);
  }

  kvtest::TempFolder folder_;
  bool mounted_ = false;
};

TEST_F(FullDisk, AWriteThatComesOutShortIsAFailure) {
  disk_file file;
  boost::system::error_code ec;
  file.open(folder_.Wide("data.tmp"), disk_file::read_write_open_always, ec);
  ASSERT_FALSE(ec) << ec.message();
  const std::string block(2 * kVolumeBytes, 'x');
  EXPECT_EQ(file.write_at(0, block.data(), block.size(), ec), -1)
      << "part of the block reached the disk, the rest did not";
  EXPECT_EQ(ec, boost::system::errc::no_space_on_device);

  // Once the volume is full, every further write fails the same way.
  EXPECT_EQ(file.write_at(static_cast<std::int64_t>(block.size()), "y", 1, ec), -1);
  EXPECT_EQ(ec, boost::system::errc::no_space_on_device);
}

TEST_F(FullDisk, StorageAnswersMinusOneAndNeverAShortCount) {
  default_storage storage;
  boost::system::error_code ec;
  storage.open(folder_.Wide("data.tmp"), ec);
  ASSERT_FALSE(ec);
  const std::string block(4096, 'z');
  int accepted = 0;
  std::int64_t offset = 0;
  for (int i = 0; i < 64; ++i, offset += static_cast<std::int64_t>(block.size())) {
    const int result = storage.write_at(block.data(), offset, static_cast<int>(block.size()), ec);
    ASSERT_TRUE(result == -1 || result == static_cast<int>(block.size())) << result;
    if (result < 0) break;
    ++accepted;
  }
  EXPECT_GT(accepted, 0);
  EXPECT_LT(accepted, 64) << "the volume never ran full";
  // The caller learns why: a full disk, not just "-1".
  EXPECT_EQ(ec, boost::system::errc::no_space_on_device) << ec.message();
}

TEST(Storage, AWriteToAClosedStorageSaysWhy) {
  default_storage storage;
  boost::system::error_code ec;
  EXPECT_EQ(storage.write_at("x", 0, 1, ec), -1);
  EXPECT_EQ(ec, boost::system::errc::bad_file_descriptor);
  EXPECT_EQ(storage.read_at(nullptr, 0, -1, ec), -1);
  EXPECT_EQ(ec, boost::system::errc::invalid_argument);
}

}  // namespace
}  // namespace khttp
