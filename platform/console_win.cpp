#include <io.h>
#include <stdio.h>
#include <windows.h>

#include "platform/console.h"

namespace platform {
namespace {

void (*g_handler)() = nullptr;

BOOL WINAPI Forward(DWORD event) {
  if (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT && event != CTRL_CLOSE_EVENT) {
    return FALSE;
  }
  if (g_handler) g_handler();
  return TRUE;
}

}  // namespace

bool StandardErrorIsTerminal() { return _isatty(_fileno(stderr)) != 0; }

void OnInterrupt(void (*handler)()) {
  g_handler = handler;
  SetConsoleCtrlHandler(Forward, TRUE);
}

}  // namespace platform
