#pragma once

#include <QString>

#include <atomic>
#include <cstdio>

// The engine's one-shot command line: one analysis or defragmentation of the volume holding a
// path (of the files under it, when it is a folder inside the volume, or of the one file),
// with progress on a terminal and a summary at the end. The volume's settings (excluded
// paths, zone order, file ages) are read from the engine's state folder when it has them; the
// folder is never written.
class CDefragCommand {
public:
    struct TOptions {
        QString path;
        bool analyseOnly = false;
        int method = 1; // 0 TierLayout, 1 Defrag Only, 2 Consolidate Free Space
        QString stateDirectory;
    };

    // The method named on the command line ("defrag", "tierlayout", "cfs"); -1 for another.
    static int MethodNamed(const QString& name);

    // The process's exit code: 0 done, 1 failed or stopped.
    static int Run(const TOptions& options, const std::atomic<bool>& stopRequested, std::FILE* out,
                   std::FILE* err);
};
