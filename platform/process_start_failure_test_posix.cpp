// StartProgram when the system refuses the fork that makes the program's process. The test
// program supplies its own fork(), which the process code calls instead of the C library's, so
// that the fork inside the first child fails as it does when the user's process limit is hit.
#include <dlfcn.h>
#include <errno.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <atomic>
#include <filesystem>

#include "platform/process.h"
#include "platform/text.h"
#include "tests/support/eventually.h"
#include "tests/support/temp_folder.h"

namespace {

// The process whose own forks go through; every fork of its children fails while set.
std::atomic<pid_t> forks_fail_outside{0};

}  // namespace

extern "C" pid_t fork() {
  using Fork = pid_t (*)();
  static const auto real_fork = reinterpret_cast<Fork>(dlsym(RTLD_NEXT, "fork"));
  const pid_t allowed = forks_fail_outside.load();
  if (allowed != 0 && getpid() != allowed) {
    errno = EAGAIN;
    return -1;
  }
  return real_fork();
}

namespace platform {
namespace {

TEST(StartProgramTest, ReportsFailureWhenTheProgramsProcessCannotBeMade) {
  kvtest::TempFolder folder;
  const std::filesystem::path marker = folder.path() / "started";
  const std::vector<std::wstring> arguments{L"-c", L"touch '" + Utf8ToWide(marker.string()) + L"'"};

  forks_fail_outside = getpid();
  EXPECT_FALSE(StartProgram(L"/bin/sh", arguments, RunAs::kThisProcess));
  forks_fail_outside = 0;
  EXPECT_FALSE(std::filesystem::exists(marker));

  // With the fork allowed again the same call starts the program.
  EXPECT_TRUE(StartProgram(L"/bin/sh", arguments, RunAs::kThisProcess));
  EXPECT_TRUE(kvtest::Eventually([&] { return std::filesystem::exists(marker); }));
}

}  // namespace
}  // namespace platform
