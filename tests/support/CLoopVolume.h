#pragma once

#include <QString>
#include <QTemporaryDir>

#include <memory>

// A small ext4 (or btrfs) file system of the test's own: an image in a temporary folder,
// loop-mounted while the object lives and unmounted when it goes. Making it needs root, mkfs.ext4
// and a free loop device; tests that cannot have one skip rather than write to a file system they
// did not make.
class CLoopVolume {
public:
    CLoopVolume() = default;
    ~CLoopVolume();
    CLoopVolume(const CLoopVolume&) = delete;
    CLoopVolume& operator=(const CLoopVolume&) = delete;

    // Makes and mounts an image of that many bytes. False, with the reason, when it cannot be
    // done here.
    bool Mount(qint64 bytes, QString* why, const QString& fileSystem = QStringLiteral("ext4"));
    // Unmounts it, keeping the image; true when it is no longer mounted.
    bool Unmount();
    QString ImagePath() const;
    // The mount point, canonical; empty until mounted.
    const QString& Path() const { return m_mountPoint; }
    QString FilePath(const QString& relative) const { return m_mountPoint + u'/' + relative; }

private:
    std::unique_ptr<QTemporaryDir> m_scratch;
    QString m_mountPoint;
};
