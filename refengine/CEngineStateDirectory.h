#pragma once

#include <QString>

// Where the engine keeps what outlives it (drive settings and results, schedules, settings, log,
// history): $KORVANE_ENGINE_STATE_DIR, else /var/lib/korvane/engine when this process may write
// there (a system service), else $XDG_STATE_HOME/korvane/engine (~/.local/state/korvane/engine).
class CEngineStateDirectory {
public:
    static const char* const kEnvironmentVariable;
    static const char* const kSystemPath;

    // The folder, created (mode 0700) when missing; empty when it cannot be created.
    static QString Ensure();
    // The folder without creating it.
    static QString Path();
};
