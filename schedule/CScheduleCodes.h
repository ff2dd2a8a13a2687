#pragma once

#include <QtGlobal>

// The numeric schedule codes the agent keeps for each schedule, and the schedule types they stand
// for (the values of CCadence::TScheduleType: 1 one time, 2 daily, 3 weekly, 4 screen saver,
// 5 QuietWatch).
class CScheduleCodes {
public:
    enum class TKind {
        Drive,
        Exchange,
        Guest,
    };

    static constexpr quint32 kDriveOneTime = 101;
    static constexpr quint32 kDriveDaily = 102;
    static constexpr quint32 kDriveWeekly = 103;
    static constexpr quint32 kScreenSaver = 104;
    static constexpr quint32 kQuietWatch = 105;
    // A daily drive schedule of which only the drives are kept in the parameter text.
    static constexpr quint32 kDriveVolumesOnly = 106;

    CScheduleCodes() = delete;

    // 0 for a type the kind has no code for (drives 1 to 5, Exchange and guests 1 to 3).
    static quint32 Code(TKind kind, quint32 type);
    // The type of any kind's code; 0 for an unknown code.
    static quint32 Type(quint32 code);
    // Whether the code is one of the kind's (106 counts as a drive code).
    static bool IsCodeOf(TKind kind, quint32 code);
};
