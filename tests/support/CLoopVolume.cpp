#include "tests/support/CLoopVolume.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>

#include <unistd.h>

namespace {

// Looked up in the system's folders: a test may have pointed PATH elsewhere.
QString SystemTool(const QString& name)
{
    return QStandardPaths::findExecutable(name,
                                          {QStringLiteral("/usr/sbin"), QStringLiteral("/sbin"),
                                           QStringLiteral("/usr/bin"), QStringLiteral("/bin")});
}

int RunTool(const QString& name, const QStringList& arguments, QByteArray* output)
{
    const QString program = SystemTool(name);
    if (program.isEmpty())
        return -1;
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(program, arguments);
    if (!process.waitForFinished(120000))
        return -1;
    *output = process.readAll();
    return process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
}

} // namespace

CLoopVolume::~CLoopVolume()
{
    if (m_mountPoint.isEmpty())
        return;
    QByteArray output;
    if (RunTool(QStringLiteral("umount"), {m_mountPoint}, &output) != 0)
        RunTool(QStringLiteral("umount"), {QStringLiteral("-l"), m_mountPoint}, &output);
}

bool CLoopVolume::Mount(qint64 bytes, QString* why)
{
    if (::geteuid() != 0) {
        *why = QStringLiteral("Mounting an image on a loop device needs root.");
        return false;
    }
    const QString mkfs = QStringLiteral("mkfs.ext4");
    if (SystemTool(mkfs).isEmpty()) {
        *why = QStringLiteral("mkfs.ext4 is not installed.");
        return false;
    }
    m_scratch = std::make_unique<QTemporaryDir>();
    const QString image = m_scratch->filePath(QStringLiteral("volume.img"));
    const QString mountPoint = m_scratch->filePath(QStringLiteral("mnt"));
    QFile file(image);
    if (!m_scratch->isValid() || !file.open(QIODevice::WriteOnly) || !file.resize(bytes) ||
        !QDir().mkpath(mountPoint)) {
        *why = QStringLiteral("No scratch image could be made.");
        return false;
    }
    file.close();
    QByteArray output;
    const int made = RunTool(mkfs, {QStringLiteral("-q"), QStringLiteral("-F"), image}, &output);
    const int mounted =
        made != 0
            ? -1
            : RunTool(QStringLiteral("mount"),
                      {QStringLiteral("-o"), QStringLiteral("loop"), image, mountPoint}, &output);
    if (mounted != 0) {
        *why = QStringLiteral("No loop-mounted image here: ") +
               QString::fromLocal8Bit(output).trimmed();
        return false;
    }
    m_mountPoint = QFileInfo(mountPoint).canonicalFilePath();
    return true;
}
