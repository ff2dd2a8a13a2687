#include "refengine/CAgentFilterService.h"

#include "core/HResult.h"
#include "refengine/CJsonStateFile.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonObject>
#include <QMutex>

#include <algorithm>

#include <sys/statvfs.h>

using namespace Qt::StringLiterals;

namespace {

constexpr int CAgentFilterVersion = 1;
constexpr qint64 CAgentFilterMaxFileBytes = 1024 * 1024;

// One read-modify-write at a time across the instances of the service.
QMutex CAgentFilterMutex;

bool CAgentFilterValidEntry(const QString& folder)
{
    return !folder.trimmed().isEmpty() &&
           folder.size() <= CAgentFilterService::kMaxExclusionLength &&
           std::none_of(folder.cbegin(), folder.cend(),
                        [](QChar c) { return c.unicode() < 0x20 || c.unicode() == 0x7F; });
}

} // namespace

CAgentFilterService::CAgentFilterService(TDriveProvider drives, QString exclusionsFile,
                                         QObject* parent)
    : CAgentFilterServiceBase(parent)
    , m_listing(std::move(drives))
    , m_exclusionsFile(std::move(exclusionsFile))
{}

CAgentFilterService::TExclusions CAgentFilterService::DefaultExclusions()
{
    return {{u"System Volume Information\\"_s, u"$ISR\\"_s, u"lost+found\\"_s}, {true, true, true}};
}

bool CAgentFilterService::IsValid(const TExclusions& exclusions)
{
    return exclusions.folders.size() == exclusions.subfolders.size() &&
           exclusions.folders.size() <= kMaxExclusions &&
           std::all_of(exclusions.folders.cbegin(), exclusions.folders.cend(),
                       CAgentFilterValidEntry);
}

CAgentFilterService::TExclusions CAgentFilterService::ReadExclusions() const
{
    TExclusions exclusions;
    const auto parse = [&exclusions](const QJsonObject& root) {
        const QJsonValue list = root.value(u"duplicateExclusions"_s);
        if (!list.isArray())
            return false;
        for (const QJsonValue& entry : list.toArray()) {
            const QJsonValue folder = entry.toObject().value(u"folder"_s);
            const QJsonValue subfolders = entry.toObject().value(u"subfolders"_s);
            if (!folder.isString() || !subfolders.isBool())
                return false;
            exclusions.folders.append(folder.toString());
            exclusions.subfolders.append(subfolders.toBool());
        }
        return IsValid(exclusions);
    };
    if (CJsonStateFile::Load(m_exclusionsFile, CAgentFilterMaxFileBytes, CAgentFilterVersion,
                             "duplicate search exclusions", "using the defaults", parse) != S_OK)
        return DefaultExclusions();
    return exclusions;
}

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

int CAgentFilterService::GetDuplicateExclusions(QStringList& folders, QList<bool>& subfolders)
{
    QMutexLocker locker(&CAgentFilterMutex);
    const TExclusions exclusions = ReadExclusions();
    folders = exclusions.folders;
    subfolders = exclusions.subfolders;
    return S_OK;
}

int CAgentFilterService::SetDuplicateExclusions(const QStringList& folders,
                                                const QList<bool>& subfolders)
{
    if (!IsValid({folders, subfolders}))
        return E_INVALIDARG;
    QJsonArray list;
    for (qsizetype i = 0; i < folders.size(); ++i)
        list.append(QJsonObject{{u"folder"_s, folders[i]}, {u"subfolders"_s, subfolders[i]}});
    QMutexLocker locker(&CAgentFilterMutex);
    return CJsonStateFile::Write(m_exclusionsFile, QJsonObject{{u"version"_s, CAgentFilterVersion},
                                                               {u"duplicateExclusions"_s, list}})
               ? S_OK
               : kNotSaved;
}

int CAgentFilterService::GetDefaultDuplicateExclusions(QStringList& folders,
                                                       QList<bool>& subfolders)
{
    const TExclusions exclusions = DefaultExclusions();
    folders = exclusions.folders;
    subfolders = exclusions.subfolders;
    return S_OK;
}
