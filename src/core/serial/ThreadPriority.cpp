// Real-time priority for the watcher thread (see ThreadPriority.h).
#include "serial/ThreadPriority.h"

#if defined(__linux__)
#include <pthread.h>
#include <sched.h>
#endif

namespace caniparc {

bool RaiseCallingThreadPriority() {
#if defined(__linux__)
    // Low in the real-time range: above every normal thread, below the kernel's own handlers.
    // The watcher only waits and stamps, so it cannot starve the machine.
    sched_param param{};
    param.sched_priority = 10;
    return pthread_setschedparam(pthread_self(), SCHED_FIFO, &param) == 0;
#else
    return false;
#endif
}

} // namespace caniparc
