#include <windows.h>

#include "platform/thread_id.h"

namespace platform {

static_assert(sizeof(DWORD) <= sizeof(unsigned long), "a thread id fits the seam's type");

unsigned long CurrentThreadId() { return GetCurrentThreadId(); }

}  // namespace platform
