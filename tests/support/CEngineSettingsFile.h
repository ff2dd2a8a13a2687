#pragma once

#include <QDir>
#include <QFile>
#include <QString>

// Engine settings for tests whose passes run on whatever disk the test machine has: by default
// the engine does not defragment solid-state, flash or external drives. Written into the state
// folder before the daemon starts; false when the file could not be written.
inline bool WriteEngineSettingsAllowingEveryDrive(const QString& stateFolder)
{
    if (!QDir().mkpath(stateFolder))
        return false;
    QFile settings(stateFolder + QStringLiteral("/settings.json"));
    return settings.open(QIODevice::WriteOnly) &&
           settings.write(R"({"version": 1, "settings": {"allowExternalDrives": true,
                             "allowFlashDrives": true, "allowSsdDrives": true}})") > 0;
}
