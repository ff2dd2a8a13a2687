#pragma once

struct CCommandLine;

// "kvnotify send": one notice into a mailslot.
class CSendCommand {
public:
    // The exit code; errors have been reported on stderr.
    static int Run(const CCommandLine& command);
};
