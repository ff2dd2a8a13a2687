#include "refengine/CThreadPriority.h"

#include <cerrno>

#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace {

// The kernel's encoding of an I/O priority (linux/ioprio.h, not in every libc's headers).
constexpr int CThreadPriorityIoClassShift = 13;
constexpr int CThreadPriorityIoLevelMask = (1 << CThreadPriorityIoClassShift) - 1;
constexpr int CThreadPriorityWhoProcess = 1; // a thread id, for these calls

int CThreadPriorityIoValue(int ioClass, int ioLevel)
{
    return (ioClass << CThreadPriorityIoClassShift) | ioLevel;
}

} // namespace

pid_t CThreadPriority::CurrentThreadId()
{
    return static_cast<pid_t>(::syscall(SYS_gettid));
}

CThreadPriority::TOutcome CThreadPriority::Apply(const TPriority& priority)
{
    TOutcome outcome;
    const pid_t self = CurrentThreadId();
    // PRIO_PROCESS with a thread id sets that thread only.
    if (::setpriority(PRIO_PROCESS, static_cast<id_t>(self), priority.nice) != 0)
        outcome.niceKept = true;
    const int level = priority.ioClass == kIoClassIdle ? 0 : priority.ioLevel;
    if (::syscall(SYS_ioprio_set, CThreadPriorityWhoProcess, self,
                  CThreadPriorityIoValue(priority.ioClass, level)) != 0)
        outcome.ioKept = true;
    return outcome;
}

CThreadPriority::TPriority CThreadPriority::Of(pid_t threadId)
{
    const pid_t thread = threadId != 0 ? threadId : CurrentThreadId();
    TPriority priority;
    errno = 0;
    const int nice = ::getpriority(PRIO_PROCESS, static_cast<id_t>(thread));
    priority.nice = errno == 0 ? nice : 0;
    const long value = ::syscall(SYS_ioprio_get, CThreadPriorityWhoProcess, thread);
    if (value < 0) {
        priority.ioClass = kIoClassNone;
        priority.ioLevel = 0;
    } else {
        priority.ioClass = static_cast<int>(value) >> CThreadPriorityIoClassShift;
        priority.ioLevel = static_cast<int>(value) & CThreadPriorityIoLevelMask;
    }
    return priority;
}
