#pragma once

#include "core/HResult.h"

#include <QString>

// The folder of this user's sockets: $KORVANE_RUNTIME_DIR, else $XDG_RUNTIME_DIR/korvane,
// else /tmp/korvane-UID.
class CRuntimeDirectory {
public:
    static QString Path();
    // Path() + "/" + sub, created with mode 0700 (with Path() itself) when missing. Answers a
    // Win32 error code.
    static DWORD Ensure(const QString& sub, QString* directory);
};
