#pragma once

#include <QString>

// The words in which a disabled engine service of this computer is explained: what to change in
// the service's settings, and that Retry tries again. Translated in the console's context.
class CServiceDisabledMessage {
public:
    static QString Title(const QString& service);
    // startupType: the start type the service needs, untranslated ("Manual", "Automatic").
    static QString Text(const QString& service, const char* startupType);
};
