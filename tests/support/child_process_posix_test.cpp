// The test support's child processes on Linux.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include "tests/support/child_process.h"

namespace kvtest {
namespace {

// A child reaped behind the object's back (waitpid answers ECHILD from then on) ends the wait
// with -1 instead of asking again for ever.
TEST(ChildProcessPosixTest, WaitEndsWhenTheChildWasReapedElsewhere) {
  ChildProcess child({ChildHelperPath().string()});
  ASSERT_TRUE(child.started());
  int status = 0;
  ASSERT_EQ(waitpid(static_cast<pid_t>(child.pid()), &status, 0), child.pid());
  EXPECT_EQ(child.Wait(), -1);
  EXPECT_EQ(child.pid(), -1);
}

TEST(ChildProcessPosixTest, WaitGivesTheExitCode) {
  ChildProcess child({ChildHelperPath().string()});
  EXPECT_EQ(child.Wait(), kChildHelperExitCode);
}

}  // namespace
}  // namespace kvtest
