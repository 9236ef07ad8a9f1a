// The terminal a command-line tool runs in: whether output goes to one, and Ctrl-C.
#pragma once

namespace platform {

/// True when standard error is a terminal (a progress line may then be redrawn in place).
bool StandardErrorIsTerminal();

/// Calls `handler` (from a signal or console-control context: it may only set a flag) when the
/// user presses Ctrl-C or the process is asked to end. Replaces the handler set before.
void OnInterrupt(void (*handler)());

}  // namespace platform
