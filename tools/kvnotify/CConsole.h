#pragma once

#include "core/HResult.h"

#include <QByteArray>
#include <QString>

// kvnotify's output. Lines go out whole and flushed, one at a time, whatever thread writes
// them: the listener's signals arrive on its own thread.
class CConsole {
public:
    static void Line(const QByteArray& line);
    // "kvnotify: MESSAGE" on stderr.
    static void Error(const QString& message);
    // "kvnotify: MESSAGE: error CODE: TEXT" on stderr.
    static void Error(const QString& message, DWORD code);
    // "error CODE: TEXT".
    static QString Describe(DWORD code);
};
