// SPDX-License-Identifier: GPL-3.0-or-later
#include "cpu/thread_priority.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>
#endif

namespace zm::cpu {

void RaiseCurrentThreadToTimeCritical() {
#ifdef _WIN32
    SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_TIME_CRITICAL);
#elif defined(__linux__)
    // Linux keeps a nice value per thread; -20 is the top of the normal (non-realtime) range,
    // the counterpart of Windows' time-critical level. A realtime policy is not wanted: the
    // thread must never be able to starve the window thread.
    const auto tid = static_cast<id_t>(syscall(SYS_gettid));
    (void)setpriority(PRIO_PROCESS, tid, -20);
#endif
}

}  // namespace zm::cpu
