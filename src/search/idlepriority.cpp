// SPDX-License-Identifier: GPL-3.0-or-later
#include "idlepriority.h"

#include <pthread.h>
#include <sched.h>

#ifdef __linux__
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>
#endif

namespace tv::search {
namespace {

#ifdef __linux__
// From linux/ioprio.h, which not every system's headers carry.
constexpr int kIoprioWhoProcess = 1; // a thread id counts as a process here
constexpr int kIoprioClassIdle = 3;
constexpr int kIoprioClassShift = 13;
#endif

} // namespace

void lowerThreadPriority()
{
#ifdef __linux__
    const auto tid = pid_t(syscall(SYS_gettid));
    sched_param param {};
    pthread_setschedparam(pthread_self(), SCHED_IDLE, &param);
    setpriority(PRIO_PROCESS, id_t(tid), 19); // per thread on Linux
    syscall(SYS_ioprio_set, kIoprioWhoProcess, tid, kIoprioClassIdle << kIoprioClassShift);
#else
    int policy = 0;
    sched_param param {};
    if (pthread_getschedparam(pthread_self(), &policy, &param) == 0) {
        param.sched_priority = sched_get_priority_min(policy);
        pthread_setschedparam(pthread_self(), policy, &param);
    }
#endif
}

} // namespace tv::search
