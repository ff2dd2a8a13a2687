#pragma once

#include "core/Types.h"

#include <QtGlobal>

#include <vector>

// When and how a schedule runs: the part common to drive, Exchange and guest schedules. The
// enumerated fields hold the numeric values of CCadence's enumerations (TScheduleType,
// TScheduleMethod, TPassMask, TWeekdayMask); any value is kept as it is, so that what the agent
// or a template file holds survives a round trip. Dates are OLE automation dates, below 1.0
// meaning "not set".
class CScheduleSettings {
public:
    // A period in which the QuietWatch schedule must not run.
    struct TExclusionWindow {
        // OLE date.
        double start = 0.0;
        quint32 lengthHours = 0;
        // Days after which the window comes back; 0 for a window that does not repeat.
        quint32 repeat = 0;

        bool operator==(const TExclusionWindow& other) const = default;
    };
    using TExclusionWindows = std::vector<TExclusionWindow>;

    CScheduleSettings() = default;
    CScheduleSettings(quint32 type, quint32 method, bool freeSpaceConsolidation,
                      quint32 freeSpaceOptions, quint32 passes, quint32 offlineOptions,
                      double start, quint32 interval, quint32 maxDuration,
                      bool shutdownWhenComplete, quint32 weekdays, quint32 idleMinutes,
                      TStringList excludedPrograms, quint32 option, double lastRun, double nextRun,
                      bool disabled, TExclusionWindows exclusionWindows);

    // Equal when everything from the type up to the option is equal: the run times reported
    // by the agent, the disabled flag and the exclusion windows do not make two schedules
    // different.
    bool operator==(const CScheduleSettings& other) const;

    quint32 type = 0;
    quint32 method = 0;
    // The offline pass also consolidates free space.
    bool freeSpaceConsolidation = false;
    // Bits 0 and 1: the two free-space sub-options.
    quint32 freeSpaceOptions = 0;
    quint32 passes = 1;
    // Bits 0, 1 and 2: the three options of the offline pass.
    quint32 offlineOptions = 0;
    double start = 0.0;
    // Hours between runs; for the screen-saver and QuietWatch schedules the least time
    // between two runs.
    quint32 interval = 72;
    // Seconds an online run may last; 0 for no limit.
    quint32 maxDuration = 0;
    bool shutdownWhenComplete = false;
    quint32 weekdays = 0;
    // QuietWatch: minutes the computer must be idle before a run starts or resumes.
    quint32 idleMinutes = 5;
    // QuietWatch: programs during whose run nothing is defragmented.
    TStringList excludedPrograms;
    // 0 none, 1 the drives in parallel, 2 automatic.
    quint32 option = 0;
    double lastRun = 0.0;
    double nextRun = 0.0;
    bool disabled = false;
    TExclusionWindows exclusionWindows;
};
