#pragma once

#include <QString>

// Where the engine's files are: the directory of its registered local server (the machine
// hive's class registration), else of the daemon that activation starts for this computer.
// Translations, help and the update checker live beside it: in the build folder beside the
// programs, once installed in the data folder of their prefix (DataDirectory).
class CEngineLocation {
public:
    // The engine's local-server registration; its default value is the server's command line.
    static const char* const kServerKey;
    static const char* const kDaemonName;

    // The directory of the registered server, with a trailing separator; empty when the server
    // is not registered or is registered by a bare program name.
    static QString RegisteredDirectory();
    // The daemon that activation starts: beside this program, else on the PATH; empty when
    // there is none.
    static QString DaemonProgram();
    // RegisteredDirectory(), else DataDirectory() of the daemon's directory; empty when neither
    // is known.
    static QString Directory();
    // Where the files that sit beside the programs in the build folder are for the programs in
    // programDirectory, with a trailing separator: the installed data folder (share/korvane of
    // the same prefix) when the programs are installed, else programDirectory itself.
    static QString DataDirectory(const QString& programDirectory);
    // A helper program of this program's: beside it (the build folder), else in the installed
    // helpers' folder (libexec/korvane of the same prefix), else on the PATH; empty when none.
    static QString HelperProgram(const QString& name);
};
