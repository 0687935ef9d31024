#include "toolkit/ThreadPriority.h"

#ifndef _WIN32
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace toolkit {

long CurrentNativeThreadId() { return static_cast<long>(syscall(SYS_gettid)); }

void ApplyThreadPriority(long nativeId, TThreadPriority priority) {
  if (nativeId == 0) return;
  // Linux keeps a nice value per thread; the lower priorities map onto it.
  int nice = 0;
  switch (priority) {
    case tpIdle: nice = 19; break;
    case tpLowest: nice = 10; break;
    case tpLower: nice = 5; break;
    default: nice = 0; break;
  }
  (void)setpriority(PRIO_PROCESS, static_cast<id_t>(nativeId), nice);
}

}  // namespace toolkit

#else

namespace toolkit {
long CurrentNativeThreadId() { return 0; }
void ApplyThreadPriority(long, TThreadPriority) {}
}  // namespace toolkit

#endif
