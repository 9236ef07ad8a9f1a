#include <sys/syscall.h>
#include <unistd.h>

#include "platform/thread_id.h"

namespace platform {

unsigned long CurrentThreadId() { return static_cast<unsigned long>(::syscall(SYS_gettid)); }

}  // namespace platform
