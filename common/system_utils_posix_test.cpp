// The free space of a volume of known size: a tmpfs mounted for the test (Linux, as root).
#include <gtest/gtest.h>
#include <sys/mount.h>

#include "common/system_utils.h"
#include "tests/support/temp_folder.h"

namespace {

using kvtest::TempFolder;

TEST(SystemUtilsPosixTest, DiskFreeMegabytesOfATmpfs) {
  TempFolder folder;
  std::uint32_t megabytes = 7;
  if (mount("tmpfs", folder.path().c_str(), "tmpfs", 0, "size=5g") != 0) {
    GTEST_SKIP() << "cannot mount a 5 GiB tmpfs here (needs root)";
  }
  const bool read = GetDiskFreeMB(folder.Wide(), megabytes);
  umount(folder.path().c_str());
  EXPECT_TRUE(read);
  EXPECT_EQ(megabytes, 5120u);
}

}  // namespace
