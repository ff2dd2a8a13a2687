#include "refengine/CFileBrowserService.h"

#include "core/HResult.h"

#include <QDirIterator>
#include <QFile>
#include <QQueue>

#include <fnmatch.h>
#include <sys/stat.h>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace {

bool CFileBrowserServiceMatches(const QList<QByteArray>& patterns, const QString& name)
{
    const QByteArray encoded = QFile::encodeName(name);
    return std::any_of(patterns.cbegin(), patterns.cend(), [&](const QByteArray& pattern) {
        return pattern == "*.*" || ::fnmatch(pattern.constData(), encoded.constData(), 0) == 0;
    });
}

} // namespace

CFileBrowserService::CFileBrowserService(CDirectoryListing::TDriveProvider drives, QObject* parent)
    : CFileBrowserExServiceBase(parent)
    , m_listing(std::move(drives))
{}

int CFileBrowserService::GetDrives(QStringList& roots, QList<uint>& driveTypes)
{
    roots.clear();
    driveTypes.clear();
    for (const CDirectoryListing::TDrive& drive : m_listing.Drives()) {
        roots.append(drive.root);
        driveTypes.append(drive.driveType);
    }
    return S_OK;
}

int CFileBrowserService::ListDirectory(const QString& directory, QStringList& names,
                                       QList<uint>& attributes, QList<qulonglong>& sizes,
                                       QList<double>& modified)
{
    return m_listing.List(directory, names, attributes, sizes, modified);
}

int CFileBrowserService::FindFiles(const QString& directory, const QStringList& patterns,
                                   bool recursive, QStringList& files)
{
    if (patterns.isEmpty())
        return E_INVALIDARG;
    QList<QByteArray> encoded;
    for (const QString& pattern : patterns) {
        if (pattern.isEmpty() || pattern.contains(u'/') || pattern.contains(QChar::Null))
            return E_INVALIDARG;
        encoded.append(QFile::encodeName(pattern));
    }
    QString start;
    if (const HRESULT resolved = m_listing.Resolve(directory, &start); FAILED(resolved))
        return resolved;
    struct stat top = {};
    if (::stat(QFile::encodeName(start).constData(), &top) != 0)
        return HRESULT_FROM_WIN32(ERROR_PATH_NOT_FOUND);

    QStringList found;
    QQueue<QString> pending;
    pending.enqueue(start);
    int visited = 0;
    bool cut = false;
    while (!pending.isEmpty() && !cut) {
        QDirIterator entries(pending.dequeue(),
                             QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
        while (entries.hasNext()) {
            if (++visited > kMaxVisited || found.size() >= kMaxMatches) {
                cut = true;
                break;
            }
            const QString path = entries.next();
            const QFileInfo entry = entries.fileInfo();
            if (entry.isSymLink())
                continue;
            if (entry.isDir()) {
                struct stat below = {};
                if (recursive && ::lstat(QFile::encodeName(path).constData(), &below) == 0 &&
                    below.st_dev == top.st_dev)
                    pending.enqueue(path);
                continue;
            }
            if (entry.isFile() && CFileBrowserServiceMatches(encoded, entry.fileName()))
                found.append(path);
        }
    }
    found.sort();
    files = found;
    return cut ? S_FALSE : S_OK;
}
