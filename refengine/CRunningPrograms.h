#pragma once

#include <QStringList>

// The programs running on this computer, from /proc: for each process its command name and the
// file name of the program it was started as (a process whose details are hidden gives what can
// be read, or nothing).
class CRunningPrograms {
public:
    CRunningPrograms() = delete;

    static QStringList Names(const QString& procRoot = QStringLiteral("/proc"));
};
