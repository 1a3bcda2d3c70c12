#include "core/platform/ProcessPriority.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <sched.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace {

constexpr int kLowestPriorityNice = 19;
constexpr int kSysNiceCapability = 23; // CAP_SYS_NICE

struct LoweredState
{
    PriorityLowering how = PriorityLowering::None;
    int savedNice = 0;
};

// The state belongs to the thread whose priority was changed.
thread_local LoweredState t_lowered;

pid_t ThreadId()
{
    return static_cast<pid_t>(::syscall(SYS_gettid));
}

// Whether the effective capabilities hold CAP_SYS_NICE (/proc/self/status, "CapEff:").
bool HoldsSysNiceCapability()
{
    FILE* status = std::fopen("/proc/self/status", "re");
    if (!status)
        return false;
    char line[256];
    unsigned long long effective = 0;
    bool found = false;
    while (std::fgets(line, sizeof line, status)) {
        if (std::strncmp(line, "CapEff:", 7) == 0) {
            found = std::sscanf(line + 7, "%llx", &effective) == 1;
            break;
        }
    }
    std::fclose(status);
    return found && (effective >> kSysNiceCapability) & 1U;
}

qint64 NiceLimit()
{
    rlimit limit{};
    if (::getrlimit(RLIMIT_NICE, &limit) != 0)
        return 0;
    if (limit.rlim_cur == RLIM_INFINITY)
        return -1;
    return static_cast<qint64>(std::min<rlim_t>(limit.rlim_cur, 40));
}

bool SetPolicy(int policy)
{
    sched_param param{};
    param.sched_priority = 0;
    return ::sched_setscheduler(0, policy, &param) == 0;
}

} // namespace

PriorityLowering ChoosePriorityLowering(int nice, qint64 niceLimit, bool mayRaisePriority)
{
    if (nice >= kLowestPriorityNice)
        return PriorityLowering::BatchPolicy;
    // The kernel lets a thread lower its nice value to n only when
    // 20 - n <= RLIMIT_NICE, or with CAP_SYS_NICE.
    if (mayRaisePriority || niceLimit < 0 || 20 - nice <= niceLimit)
        return PriorityLowering::NiceValue;
    return PriorityLowering::BatchPolicy;
}

int ThreadNiceValue()
{
    errno = 0;
    const int nice = ::getpriority(PRIO_PROCESS, static_cast<id_t>(ThreadId()));
    return (nice == -1 && errno != 0) ? 0 : nice;
}

bool ThreadUsesBatchPolicy()
{
    return ::sched_getscheduler(0) == SCHED_BATCH;
}

PriorityLowering LowerThreadPriority()
{
    if (t_lowered.how != PriorityLowering::None)
        return t_lowered.how;
    const int nice = ThreadNiceValue();
    if (ChoosePriorityLowering(nice, NiceLimit(), HoldsSysNiceCapability()) == PriorityLowering::NiceValue) {
        const int lowered = std::min(kLowestPriorityNice, nice + PriorityNiceStep);
        if (::setpriority(PRIO_PROCESS, static_cast<id_t>(ThreadId()), lowered) == 0) {
            t_lowered = {PriorityLowering::NiceValue, nice};
            return t_lowered.how;
        }
    }
    // Only the normal policy is exchanged; a thread that runs under another
    // one (real-time, idle, already batch) keeps it.
    if (::sched_getscheduler(0) == SCHED_OTHER && SetPolicy(SCHED_BATCH)) {
        t_lowered = {PriorityLowering::BatchPolicy, nice};
        return t_lowered.how;
    }
    return PriorityLowering::None;
}

bool RestoreThreadPriority()
{
    const LoweredState state = t_lowered;
    t_lowered = LoweredState();
    switch (state.how) {
    case PriorityLowering::NiceValue:
        return ::setpriority(PRIO_PROCESS, static_cast<id_t>(ThreadId()), state.savedNice) == 0;
    case PriorityLowering::BatchPolicy:
        return SetPolicy(SCHED_OTHER);
    case PriorityLowering::None:
        break;
    }
    return true;
}

PriorityLowering ThreadPriorityLowering()
{
    return t_lowered.how;
}
