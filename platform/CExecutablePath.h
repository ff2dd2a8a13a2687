#pragma once

#include <QString>

// Where the running program lives: the module file of the process (not of a library in it), as
// the start-up reads its translations and config.ini beside it.
class CExecutablePath {
public:
    // The absolute path of the running executable; empty when it cannot be read.
    static QString File();
    // Its directory, without a trailing separator; empty when it cannot be read.
    static QString Directory();
};
