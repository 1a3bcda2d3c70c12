#pragma once

#include <QtGlobal>

// The scheduling priority of the window's thread while the window sits in the
// task tray: lowered so that the unattended exports give way to the user's
// work, and put back when the window is shown again. Threads started while it
// is lowered (a file operation's worker) inherit the lowered priority.
//
// An unprivileged process may raise its nice value but usually not lower it
// again (RLIMIT_NICE is 0 by default), so a raised nice value is used only
// when it can be undone; otherwise the thread is moved to the batch
// scheduling policy, which it may always leave.

enum class PriorityLowering {
    None, // not lowered
    NiceValue, // the nice value raised by PriorityNiceStep (at most 19)
    BatchPolicy, // SCHED_BATCH instead of SCHED_OTHER
};

constexpr int PriorityNiceStep = 5;

// How the priority of a thread with nice value `nice` can be lowered and put
// back: `niceLimit` is RLIMIT_NICE's soft limit (-1 for unlimited),
// `mayRaisePriority` whether the process holds CAP_SYS_NICE.
PriorityLowering ChoosePriorityLowering(int nice, qint64 niceLimit, bool mayRaisePriority);

// Lowers the calling thread's priority (once; a second call changes nothing)
// and says how; None when it could not be lowered.
PriorityLowering LowerThreadPriority();
// Puts back what LowerThreadPriority changed; false when the system refused.
bool RestoreThreadPriority();
// How the calling thread's priority is lowered now.
PriorityLowering ThreadPriorityLowering();

// The calling thread's nice value and whether it runs under SCHED_BATCH.
int ThreadNiceValue();
bool ThreadUsesBatchPolicy();
