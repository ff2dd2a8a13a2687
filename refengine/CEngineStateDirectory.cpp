#include "refengine/CEngineStateDirectory.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <unistd.h>

const char* const CEngineStateDirectory::kEnvironmentVariable = "KORVANE_ENGINE_STATE_DIR";
const char* const CEngineStateDirectory::kSystemPath = "/var/lib/korvane/engine";

QString CEngineStateDirectory::Path()
{
    const QString configured = qEnvironmentVariable(kEnvironmentVariable);
    if (!configured.isEmpty())
        return configured;
    // The system location is the service's: taken when it exists and is ours to write, or when
    // this process could make it.
    const QString system = QString::fromLatin1(kSystemPath);
    const QFileInfo systemInfo(system);
    if (systemInfo.isDir() ? ::access(QFile::encodeName(system).constData(), W_OK) == 0
                           : ::geteuid() == 0)
        return system;
    QString state = qEnvironmentVariable("XDG_STATE_HOME");
    if (state.isEmpty())
        state = QDir::homePath() + QStringLiteral("/.local/state");
    return state + QStringLiteral("/korvane/engine");
}

QString CEngineStateDirectory::Ensure()
{
    const QString path = Path();
    if (!QDir().mkpath(path))
        return QString();
    QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    return path;
}
