#include "platform/CEngineLocation.h"

#include "platform/registry/CRegKey.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

#include <algorithm>

const char* const CEngineLocation::kServerKey =
    "SOFTWARE\\Classes\\CLSID\\{22DAA0A2-0E27-4CC4-9588-EEEE76358306}\\LocalServer32";
const char* const CEngineLocation::kDaemonName = "korvane-engine";

QString CEngineLocation::RegisteredDirectory()
{
    CRegKey key;
    if (key.Open(HKEY_LOCAL_MACHINE, QString::fromLatin1(kServerKey), KEY_READ) != ERROR_SUCCESS)
        return QString();
    QString command;
    if (key.QueryStringValue(QString(), &command) != ERROR_SUCCESS)
        return QString();
    // The registered command may stand in quotes and between blanks.
    qsizetype begin = 0;
    qsizetype end = command.size();
    const auto stripped = [](QChar c) { return c == u'"' || c == u' '; };
    while (begin < end && stripped(command.at(begin)))
        ++begin;
    while (end > begin && stripped(command.at(end - 1)))
        --end;
    const QString program = command.mid(begin, end - begin);
    const qsizetype separator = std::max(program.lastIndexOf(u'/'), program.lastIndexOf(u'\\'));
    // A bare program name says nothing about where its files are.
    if (separator < 0)
        return QString();
    return program.left(separator + 1);
}

QString CEngineLocation::DaemonProgram()
{
    const QString name = QString::fromLatin1(kDaemonName);
    const QString beside = QCoreApplication::applicationDirPath() + u'/' + name;
    if (QFileInfo(beside).isExecutable())
        return beside;
    return QStandardPaths::findExecutable(name);
}

QString CEngineLocation::Directory()
{
    const QString registered = RegisteredDirectory();
    if (!registered.isEmpty())
        return registered;
    const QString daemon = DaemonProgram();
    if (daemon.isEmpty())
        return QString();
    return DataDirectory(QFileInfo(daemon).absolutePath());
}

QString CEngineLocation::DataDirectory(const QString& programDirectory)
{
    const QDir programs(programDirectory);
    // The installed layout keeps the programs in PREFIX/bin and their files in
    // PREFIX/share/korvane (as the build configured them); the build folder keeps them together.
    const QString installed =
        QDir::cleanPath(programs.absoluteFilePath(QStringLiteral(KORVANE_DATA_FROM_PROGRAMS)));
    if (programs.dirName() == QStringLiteral(KORVANE_PROGRAMS_FOLDER) &&
        QFileInfo(installed).isDir())
        return installed + u'/';
    return QDir::cleanPath(programs.absolutePath()) + u'/';
}

QString CEngineLocation::HelperProgram(const QString& name)
{
    const QDir programs(QCoreApplication::applicationDirPath());
    for (const QString& candidate :
         {programs.absoluteFilePath(name),
          QDir::cleanPath(programs.absoluteFilePath(
              QStringLiteral(KORVANE_HELPERS_FROM_PROGRAMS "/") + name))}) {
        if (QFileInfo(candidate).isExecutable())
            return candidate;
    }
    return QStandardPaths::findExecutable(name);
}
