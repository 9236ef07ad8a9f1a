// The download manager on a volume that fills up or cannot be written: a tmpfs mounted for the
// test (root only; skipped otherwise).
#include <gtest/gtest.h>
#include <sys/mount.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "tests/integration/download_test_support.h"
#include "tests/servers/range_server.h"

namespace {

using kvtest::range_server;
using namespace kvtest::download;  // NOLINT(google-build-using-namespace)

class SmallVolume : public ::testing::Test {
 protected:
  void Mount(const char* options) {
    if (geteuid() != 0) GTEST_SKIP() << "mounting a tmpfs needs root";
    if (mount("tmpfs", folder_.path().c_str(), "tmpfs", 0, options) != 0) {
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

TEST_F(SmallVolume, AFullDiskFailsTheJobWithTheSystemsMessage) {
  Mount("size=256k");
  range_server server(Content(kFileBytes, 17));
  const auto result = Download(server.Url("/full"), folder_.Wide("file.bin"));
  ASSERT_TRUE(result.ended) << "a full disk must not make the job reconnect forever";
  EXPECT_EQ(result.state, kJobFailed);
  EXPECT_NE(result.error.find("No space left on device"), std::string::npos) << result.error;
}

TEST_F(SmallVolume, AReadOnlyTargetFailsTheJobWithTheSystemsMessage) {
  Mount("size=4m,ro");
  range_server server(Content(kFileBytes, 18));
  const auto result = Download(server.Url("/readonly"), folder_.Wide("file.bin"));
  ASSERT_TRUE(result.ended);
  EXPECT_EQ(result.state, kJobFailed);
  EXPECT_NE(result.error.find("Read-only file system"), std::string::npos) << result.error;
}

}  // namespace
