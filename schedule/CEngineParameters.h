#pragma once

#include "core/HResult.h"
#include "engine/CParameterString.h"
#include "schedule/CCadence.h"

#include <QString>
#include <QStringList>
#include <QStringView>

// The engine's view of a drive schedule, between the schedule record and the agent's parameter
// text: what the drive, screen-saver and QuietWatch texts hold, written and read here.
class CEngineParameters {
public:
    // driveSelection
    static constexpr quint32 kAllDrives = 1;
    static constexpr quint32 kDriveList = 2;

    // methodFlags
    static constexpr quint32 kMethodOffline = 1;
    static constexpr quint32 kMethodDefrag = 2;
    static constexpr quint32 kMethodTierLayout = 4;
    static constexpr quint32 kMethodConsolidate = 8;
    static constexpr quint32 kMethodDefault = 16;
    // The bits that choose the online pass's method.
    static constexpr quint32 kOnlineMethods =
        kMethodDefrag | kMethodTierLayout | kMethodConsolidate | kMethodDefault;

    // The set of a drive record. The offline flags are the offline options when the passes
    // include the offline pass; the method flags hold the offline pass (bit 0) and the online
    // method (none for "Analyze Only"). The screen-saver and QuietWatch schedules never run an
    // offline pass, so their bit 0 is cleared.
    static CEngineParameters FromRecord(const CCadence::CScheduleData& schedule);

    // The text of the record's code (drive 101 to 103, screen saver 104, QuietWatch 105).
    QString DriveString() const;
    QString ScreenSaverString() const;
    QString QuietWatchString() const;

    // Reads the text of a drive code: 101 to 103 the drive text, 104 the screen-saver text,
    // 105 the QuietWatch text, 106 only its "volumes". A text without a "method" pair is an
    // "Analyze Only" schedule: the agent keeps those so. E_INVALIDARG for a text that lacks what
    // the code needs or holds a value that cannot be read, and for a code that is not a drive
    // code; parameters is changed only on success.
    static HRESULT Read(quint32 code, QStringView text, CEngineParameters* parameters);

    // Rebuilds the parts of a drive record that the text of the code holds (the items give the
    // rest). Without an online method the online pass is "Analyze Only", unless the offline pass
    // runs alone. E_FAIL for an option other than 0, 1 and 2; schedule is changed only on
    // success.
    HRESULT ApplyTo(quint32 code, CCadence::CScheduleData* schedule) const;

    // The interval in days, six significant digits: 72 hours is "3", one hour "0.0416667"; more
    // digits for the long intervals that six would change (240001 hours is "10000.04").
    static QString IntervalDays(quint32 hours);
    // The integer part of days x 24 + 0.3; E_INVALIDARG unless it is a positive 32-bit count.
    static HRESULT ReadIntervalDays(QStringView text, quint32* hours);

    bool operator==(const CEngineParameters& other) const = default;

    quint32 freeSpaceConsolidation = 0;
    // Bit 0 "b", bit 1 "t".
    quint32 freeSpaceOptions = 0;
    quint32 driveSelection = 0;
    QStringList drives;
    // 0 none, 1 parallel, 2 automatic.
    quint32 option = 0;
    // Bit 0 "d", bit 1 "s", bit 2 "p".
    quint32 offlineFlags = 0;
    quint32 methodFlags = kMethodTierLayout;
    quint32 intervalHours = 120;
    // QuietWatch only.
    quint32 timeoutMinutes = 0;
    CScheduleSettings::TExclusionWindows exclusionWindows;
    QStringList processes;

private:
    void AddDrivePairs(CParameterString* pairs) const;
    HRESULT ReadVolumes(const CParameterString& pairs);
    HRESULT ReadDrivePairs(const CParameterString& pairs);
    HRESULT ReadQuietWatchPairs(const CParameterString& pairs);
    // Sets the method from the online method bits (the highest set one wins); the method stays
    // when none is set. True when one was set.
    bool ApplyOnlineMethod(CScheduleSettings* settings) const;
};
