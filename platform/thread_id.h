// The calling thread's number as the system shows it (in logs, debuggers, process listings).
#pragma once

namespace platform {

/// GetCurrentThreadId on Windows, the kernel's thread id on Linux.
unsigned long CurrentThreadId();

}  // namespace platform
