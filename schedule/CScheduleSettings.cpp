#include "schedule/CScheduleSettings.h"

#include <utility>

CScheduleSettings::CScheduleSettings(quint32 type, quint32 method, bool freeSpaceConsolidation,
                                     quint32 freeSpaceOptions, quint32 passes,
                                     quint32 offlineOptions, double start, quint32 interval,
                                     quint32 maxDuration, bool shutdownWhenComplete,
                                     quint32 weekdays, quint32 idleMinutes,
                                     TStringList excludedPrograms, quint32 option, double lastRun,
                                     double nextRun, bool disabled,
                                     TExclusionWindows exclusionWindows)
    : type(type)
    , method(method)
    , freeSpaceConsolidation(freeSpaceConsolidation)
    , freeSpaceOptions(freeSpaceOptions)
    , passes(passes)
    , offlineOptions(offlineOptions)
    , start(start)
    , interval(interval)
    , maxDuration(maxDuration)
    , shutdownWhenComplete(shutdownWhenComplete)
    , weekdays(weekdays)
    , idleMinutes(idleMinutes)
    , excludedPrograms(std::move(excludedPrograms))
    , option(option)
    , lastRun(lastRun)
    , nextRun(nextRun)
    , disabled(disabled)
    , exclusionWindows(std::move(exclusionWindows))
{}

bool CScheduleSettings::operator==(const CScheduleSettings& other) const
{
    return type == other.type && method == other.method &&
           freeSpaceConsolidation == other.freeSpaceConsolidation &&
           freeSpaceOptions == other.freeSpaceOptions && passes == other.passes &&
           offlineOptions == other.offlineOptions && start == other.start &&
           interval == other.interval && maxDuration == other.maxDuration &&
           shutdownWhenComplete == other.shutdownWhenComplete && weekdays == other.weekdays &&
           idleMinutes == other.idleMinutes && excludedPrograms == other.excludedPrograms &&
           option == other.option;
}
