#include "refengine/CAgentFilterService.h"

#include "core/COleDate.h"
#include "core/HResult.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <sys/statvfs.h>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace {

// Whether path is root or lies below it; both clean and absolute.
bool CAgentFilterServiceWithin(const QString& path, const QString& root)
{
    if (root == u"/"_s)
        return path.startsWith(u'/');
    return path == root || path.startsWith(root + u'/');
}

bool CAgentFilterServiceWithinAny(const QString& path, const QStringList& roots)
{
    return std::any_of(roots.cbegin(), roots.cend(),
                       [&](const QString& root) { return CAgentFilterServiceWithin(path, root); });
}

} // namespace

CAgentFilterService::CAgentFilterService(TDriveProvider drives, QObject* parent)
    : CAgentFilterServiceBase(parent)
    , m_drives(std::move(drives))
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
    const QList<TDrive> drives = m_drives ? m_drives() : QList<TDrive>();
    for (const TDrive& drive : drives) {
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
    if (directory.isEmpty() || !QDir::isAbsolutePath(directory) || directory.contains(QChar::Null))
        return E_INVALIDARG;
    QStringList cleanRoots;
    QStringList canonicalRoots;
    const QList<TDrive> drives = m_drives ? m_drives() : QList<TDrive>();
    for (const TDrive& drive : drives) {
        if (!QDir::isAbsolutePath(drive.root))
            continue;
        cleanRoots.append(QDir::cleanPath(drive.root));
        const QString canonical = QFileInfo(drive.root).canonicalFilePath();
        if (!canonical.isEmpty())
            canonicalRoots.append(canonical);
    }
    // The path as given first, so that nothing outside the volumes is even looked at; then where
    // it really leads.
    if (!CAgentFilterServiceWithinAny(QDir::cleanPath(directory), cleanRoots))
        return E_ACCESSDENIED;
    const QFileInfo info(directory);
    const QString canonical = info.canonicalFilePath();
    if (canonical.isEmpty() || !info.isDir())
        return HRESULT_FROM_WIN32(ERROR_PATH_NOT_FOUND);
    if (!CAgentFilterServiceWithinAny(canonical, canonicalRoots))
        return E_ACCESSDENIED;
    if (!info.isReadable() || !info.isExecutable())
        return E_ACCESSDENIED;

    const QFileInfoList entries = QDir(canonical).entryInfoList(
        QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
    names.clear();
    attributes.clear();
    sizes.clear();
    modified.clear();
    const qsizetype count = std::min<qsizetype>(entries.size(), kMaxEntries);
    for (qsizetype i = 0; i < count; ++i) {
        const QFileInfo& entry = entries.at(i);
        uint attribute = 0;
        if (entry.isDir())
            attribute |= kAttributeDirectory;
        if (entry.isSymLink())
            attribute |= kAttributeReparsePoint;
        if (entry.fileName().startsWith(u'.'))
            attribute |= kAttributeHidden;
        if (!entry.isWritable())
            attribute |= kAttributeReadOnly;
        names.append(entry.fileName());
        attributes.append(attribute == 0 ? kAttributeNormal : attribute);
        sizes.append(entry.isDir() ? 0
                                   : static_cast<qulonglong>(std::max<qint64>(entry.size(), 0)));
        const double date = COleDate::FromDateTime(entry.lastModified());
        modified.append(date == COleDate::Invalid ? 0.0 : date);
    }
    return entries.size() > kMaxEntries ? S_FALSE : S_OK;
}
