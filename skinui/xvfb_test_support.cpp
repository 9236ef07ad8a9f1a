#include "skinui/xvfb_test_support.h"

#include <glib.h>
#include <poll.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>

namespace SkinUI {

void XvfbEnvironment::SetUp() {
  int pipe_fds[2];
  ASSERT_EQ(pipe(pipe_fds), 0);
  const std::string fd = std::to_string(pipe_fds[1]);
  const std::string screen = std::to_string(Width()) + "x" + std::to_string(Height()) + "x24";
  pid_ = fork();
  ASSERT_GE(pid_, 0);
  if (pid_ == 0) {
    close(pipe_fds[0]);
    execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", screen.c_str(), "-nolisten",
           "tcp", "-noreset", static_cast<char*>(nullptr));
    _exit(127);
  }
  close(pipe_fds[1]);
  std::string display;
  pollfd wait{pipe_fds[0], POLLIN, 0};
  char c = 0;
  while (poll(&wait, 1, 10000) > 0 && read(pipe_fds[0], &c, 1) == 1 && c != '\n') display += c;
  close(pipe_fds[0]);
  ASSERT_FALSE(display.empty()) << "Xvfb did not start";
  setenv("DISPLAY", (":" + display).c_str(), 1);
  unsetenv("WAYLAND_DISPLAY");
  setenv("GDK_BACKEND", "x11", 1);
  // Synthetic key events (XSendEvent) are core events; GDK reads them only without XInput2.
  setenv("GDK_CORE_DEVICE_EVENTS", "1", 1);
  // No accessibility bus or settings daemon in a test.
  setenv("NO_AT_BRIDGE", "1", 1);
  setenv("GSETTINGS_BACKEND", "memory", 1);
  // Button labels and their mnemonics (Alt+N for No) as the tests press them.
  setenv("LC_ALL", "C.UTF-8", 1);
}

void XvfbEnvironment::TearDown() {
  if (pid_ > 0) {
    kill(pid_, SIGTERM);
    waitpid(pid_, nullptr, 0);
  }
}

bool RunMainLoopOnce(int& elapsed_ms) {
  const gint64 start = g_get_monotonic_time();
  if (!g_main_context_iteration(nullptr, FALSE)) g_usleep(2000);
  elapsed_ms += static_cast<int>((g_get_monotonic_time() - start) / 1000) + 1;
  return true;
}

}  // namespace SkinUI
