#pragma once

#include <QString>

// This computer's name and the test of whether a name means this computer.
class CComputerName {
public:
    // The host name.
    static QString Local();
    // True for an empty name, ".", "localhost", or the local name in any letter case.
    static bool IsLocal(const QString& computer);
};
