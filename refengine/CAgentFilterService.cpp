#include "refengine/CAgentFilterService.h"

#include "core/HResult.h"

#include <QFile>

#include <sys/statvfs.h>

CAgentFilterService::CAgentFilterService(TDriveProvider drives, QObject* parent)
    : CAgentFilterServiceBase(parent)
    , m_listing(std::move(drives))
{}

int CAgentFilterService::GetDrives(QStringList& roots, QStringList& volumes,
                                   QList<uint>& driveTypes, QList<qulonglong>& totalBytes,
                                   QList<qulonglong>& freeBytes)
{
    roots.clear();
    volumes.clear();
    driveTypes.clear();
    totalBytes.clear();
    freeBytes.clear();
    for (const TDrive& drive : m_listing.Drives()) {
        // statvfs of the root itself: the mount table, which QStorageInfo goes by, may not show
        // the mount (a chroot below it).
        struct statvfs figures = {};
        const bool known = ::statvfs(QFile::encodeName(drive.root).constData(), &figures) == 0;
        const qulonglong unit = figures.f_frsize ? figures.f_frsize : figures.f_bsize;
        roots.append(drive.root);
        volumes.append(drive.volume);
        driveTypes.append(drive.driveType);
        totalBytes.append(known ? qulonglong(figures.f_blocks) * unit : 0);
        freeBytes.append(known ? qulonglong(figures.f_bfree) * unit : 0);
    }
    return S_OK;
}

int CAgentFilterService::ListDirectory(const QString& directory, QStringList& names,
                                       QList<uint>& attributes, QList<qulonglong>& sizes,
                                       QList<double>& modified)
{
    return m_listing.List(directory, names, attributes, sizes, modified);
}
