#pragma once

#include <sys/types.h>

// The CPU (nice) and I/O priority of one thread, as Linux keeps them per thread. Threads a thread
// starts afterwards inherit both, so setting them on a pass's thread before it starts its helpers
// sets them for all of its work.
class CThreadPriority {
public:
    // The I/O scheduling classes of ioprio_set.
    static constexpr int kIoClassNone = 0;
    static constexpr int kIoClassRealTime = 1;
    static constexpr int kIoClassBestEffort = 2;
    static constexpr int kIoClassIdle = 3;

    struct TPriority {
        int nice = 0;                     // -20 (highest) to 19
        int ioClass = kIoClassBestEffort; // one of kIoClass…
        int ioLevel = 4;                  // 0 (highest) to 7, for the best-effort class

        bool operator==(const TPriority&) const = default;
    };

    // What Apply could not do: an engine without the privilege cannot raise a thread above the
    // priority it started with, and keeps that one.
    struct TOutcome {
        bool niceKept = false; // the nice value asked for was refused
        bool ioKept = false;   // the I/O priority asked for was refused
    };

    CThreadPriority() = delete;

    // Sets the calling thread's priorities.
    static TOutcome Apply(const TPriority& priority);
    // The priorities of a thread of this process (0: the calling one); class kIoClassNone when
    // the I/O priority cannot be read or follows the CPU's.
    static TPriority Of(pid_t threadId = 0);
    static pid_t CurrentThreadId();
};
