#pragma once

#include "platform/registry/RegistryTypes.h"

#include <QString>

// Where the hive files live. KORVANE_REGISTRY_DIR names one folder for all hives. Otherwise
// the user's hive is in the XDG configuration folder ("$XDG_CONFIG_HOME/korvane/registry", by
// default "~/.config/korvane/registry"), and the machine's hives are in the system folder
// "/var/lib/korvane/registry" when this user may write there, else beside the user's hive.
class CRegistryLocation {
public:
    static const char* const kSystemDirectory;

    static QString HiveDirectory(HKEY hive);
    static QString HiveFileName(HKEY hive); // "HKEY_CURRENT_USER.reg" and so on
    static QString HiveFilePath(HKEY hive);

    static QString UserDirectory();
    // True when the folder exists and is writable, or could be created here.
    static bool IsWritableOrCreatable(const QString& directory);
};
