#pragma once

// Registers, by the names the signals use, every type that the engine wrappers' signals carry
// across threads. Safe to call more than once.
class CEngineMetaTypes {
public:
    static void Register();
};
