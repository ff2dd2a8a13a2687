#pragma once

#include <QtGlobal>

// What the user has to do before pending work can finish.
class CFinalAdvice {
public:
    enum TFinishActionAdvice : quint32 {
        kReboot = 1,
        kLogOff = 2,
        kCloseBrowser = 4,
    };
};
