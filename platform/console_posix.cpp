#include <signal.h>
#include <unistd.h>

#include "platform/console.h"

namespace platform {
namespace {

void (*g_handler)() = nullptr;

void Forward(int) {
  if (g_handler) g_handler();
}

}  // namespace

bool StandardErrorIsTerminal() { return isatty(STDERR_FILENO) == 1; }

void OnInterrupt(void (*handler)()) {
  g_handler = handler;
  struct sigaction action {};
  action.sa_handler = Forward;
  sigemptyset(&action.sa_mask);
  sigaction(SIGINT, &action, nullptr);
  sigaction(SIGTERM, &action, nullptr);
}

}  // namespace platform
