#pragma once

struct CCommandLine;
class CStopSignals;

// "kvnotify listen": runs an owner's real listener and prints every signal it emits until
// SIGINT or SIGTERM. Needs a QCoreApplication.
class CListenCommand {
public:
    // The exit code; errors have been reported on stderr.
    static int Run(const CCommandLine& command, CStopSignals* stopSignals);
};
