#include "platform/registry/CRegistryLocation.h"

#include <QDir>
#include <QFileInfo>

#include <unistd.h>

const char* const CRegistryLocation::kSystemDirectory = "/var/lib/korvane/registry";

QString CRegistryLocation::UserDirectory()
{
    QString config = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (config.isEmpty() || !QDir::isAbsolutePath(config))
        config = QDir::homePath() + QStringLiteral("/.config");
    return config + QStringLiteral("/korvane/registry");
}

bool CRegistryLocation::IsWritableOrCreatable(const QString& directory)
{
    QString probe = QDir::cleanPath(directory);
    while (!QFileInfo::exists(probe)) {
        const QString parent = QFileInfo(probe).path();
        if (parent == probe)
            return false;
        probe = parent;
    }
    return QFileInfo(probe).isDir() &&
           ::access(QFile::encodeName(probe).constData(), W_OK | X_OK) == 0;
}

QString CRegistryLocation::HiveDirectory(HKEY hive)
{
    const QString configured = qEnvironmentVariable("KORVANE_REGISTRY_DIR");
    if (!configured.isEmpty())
        return QDir::cleanPath(configured);
    if (hive != HKEY_CURRENT_USER) {
        const QString system = QString::fromLatin1(kSystemDirectory);
        if (IsWritableOrCreatable(system))
            return system;
    }
    return UserDirectory();
}

QString CRegistryLocation::HiveFileName(HKEY hive)
{
    return RegistryHiveName(hive) + QStringLiteral(".reg");
}

QString CRegistryLocation::HiveFilePath(HKEY hive)
{
    return HiveDirectory(hive) + u'/' + HiveFileName(hive);
}
