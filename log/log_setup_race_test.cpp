// A worker's first record sets the log up lazily while the window's InitLog runs: the two must
// not both install an appender. The lazy set-up is held inside its file open (its default log
// file is a FIFO nobody reads yet) while InitLog is called, so the order is the same every run.
// It is its own program because it needs the default log place to itself.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <atomic>
#include <filesystem>
#include <log4cpp/Category.hh>
#include <string>
#include <thread>

#include "log/log.h"
#include "platform/text.h"
#include "tests/support/eventually.h"
#include "tests/support/temp_folder.h"

namespace {

// The system call a thread of this process waits in ("257" for openat, "202" for futex), or
// "running" when it waits in none.
std::string WaitingIn(pid_t thread) {
  const std::string text =
      kvtest::ReadFile("/proc/self/task/" + std::to_string(thread) + "/syscall");
  return text.substr(0, text.find(' '));
}

TEST(LogSetUpRaceTest, InitLogWaitsForTheLazySetUpAndAddsNoSecondAppender) {
  const std::filesystem::path default_folder =
      std::filesystem::path(platform::WideToUtf8(GetModuleDir())) / "Log";
  const std::filesystem::path default_file = default_folder / (GetModuleBaseName() + ".log");
  std::filesystem::create_directories(default_folder);
  std::filesystem::remove(default_file);
  ASSERT_EQ(mkfifo(default_file.c_str(), 0600), 0);

  kvtest::TempFolder folder;
  std::atomic<pid_t> worker_id{0};
  std::atomic<pid_t> window_id{0};
  std::atomic<bool> window_done{false};
  // Whatever happens below, the worker's open is released and both threads are joined before
  // what they use goes.
  std::thread worker;
  std::thread window;
  struct Release {
    const std::filesystem::path& fifo;
    std::thread& worker;
    std::thread& window;
    ~Release() {
      const int reader = open(fifo.c_str(), O_RDONLY | O_NONBLOCK);
      if (worker.joinable()) worker.join();
      if (window.joinable()) window.join();
      if (reader >= 0) close(reader);
      std::filesystem::remove(fifo);
    }
  } release{default_file, worker, window};

  worker = std::thread([&] {
    worker_id = static_cast<pid_t>(syscall(SYS_gettid));
    KLOGA(kLogInfo, "the worker's first record");
  });
  ASSERT_TRUE(kvtest::Eventually([&] { return worker_id && WaitingIn(worker_id) == "257"; }));

  window = std::thread([&] {
    window_id = static_cast<pid_t>(syscall(SYS_gettid));
    InitLog(L"kelvane_down.log", folder.Wide("Log").c_str());
    window_done = true;
  });
  // InitLog has either finished beside the pending set-up, or waits for the set-up lock.
  ASSERT_TRUE(kvtest::Eventually(
      [&] { return window_done || (window_id && WaitingIn(window_id) == "202"); }));

  const int reader = open(default_file.c_str(), O_RDONLY | O_NONBLOCK);
  ASSERT_GE(reader, 0);
  worker.join();
  window.join();
  close(reader);
  EXPECT_EQ(log4cpp::Category::getRoot().getAllAppenders().size(), 1u);
  EXPECT_FALSE(std::filesystem::exists(folder.path() / "Log" / "kelvane_down.log"));
}

}  // namespace
