#pragma once

// Registers, in a fixed order and by the names the signals use, the value types that travel in
// the console's queued signals. Safe to call more than once.
class CConsoleMetaTypes {
public:
    static void Register();
};
