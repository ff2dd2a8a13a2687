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
    if (!Unmount())
        RunTool(QStringLiteral("umount"), {QStringLiteral("-l"), m_mountPoint}, &output);
}

bool CLoopVolume::Unmount()
{
    QByteArray output;
    if (m_mountPoint.isEmpty() || RunTool(QStringLiteral("umount"), {m_mountPoint}, &output) != 0)
        return false;
    m_mountPoint.clear();
    return true;
}

QString CLoopVolume::ImagePath() const
{
    return m_scratch ? m_scratch->filePath(QStringLiteral("volume.img")) : QString();
}

bool CLoopVolume::Mount(qint64 bytes, QString* why, const QString& fileSystem)
{
    if (::geteuid() != 0) {
        *why = QStringLiteral("Mounting an image on a loop device needs root.");
        return false;
    }
    if (!QFile::exists(QStringLiteral("/dev/loop-control"))) {
        *why = QStringLiteral("There are no loop devices here (/dev/loop-control is missing).");
        return false;
    }
    const QString mkfs = QStringLiteral("mkfs.") + fileSystem;
    if (SystemTool(mkfs).isEmpty()) {
        *why = mkfs + QStringLiteral(" is not installed.");
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
    const QString force =
        fileSystem == QLatin1String("btrfs") ? QStringLiteral("-f") : QStringLiteral("-F");
    const int made = RunTool(mkfs, {QStringLiteral("-q"), force, image}, &output);
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
