#include "refengine/CRunningPrograms.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>

using namespace Qt::StringLiterals;

QStringList CRunningPrograms::Names(const QString& procRoot)
{
    QSet<QString> names;
    const QStringList entries = QDir(procRoot).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    for (const QString& entry : entries) {
        bool isProcess = false;
        entry.toUInt(&isProcess);
        if (!isProcess)
            continue;
        const QString directory = procRoot + u'/' + entry;
        QFile comm(directory + u"/comm"_s);
        if (comm.open(QIODevice::ReadOnly)) {
            const QString name = QString::fromUtf8(comm.readAll()).trimmed();
            if (!name.isEmpty())
                names.insert(name);
        }
        // The command name is cut to 15 bytes; the program's own file name is not.
        QFile commandLine(directory + u"/cmdline"_s);
        if (commandLine.open(QIODevice::ReadOnly)) {
            const QByteArray first = commandLine.read(4096).split('\0').constFirst();
            const QString program = QFileInfo(QString::fromLocal8Bit(first)).fileName();
            if (!program.isEmpty())
                names.insert(program);
        }
    }
    return QStringList(names.cbegin(), names.cend());
}
