#include "refengine/CDirectoryListing.h"

#include "core/COleDate.h"

#include <QDir>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace {

// Whether path is root or lies below it; both clean and absolute.
bool CDirectoryListingWithin(const QString& path, const QString& root)
{
    if (root == u"/"_s)
        return path.startsWith(u'/');
    return path == root || path.startsWith(root + u'/');
}

bool CDirectoryListingWithinAny(const QString& path, const QStringList& roots)
{
    return std::any_of(roots.cbegin(), roots.cend(),
                       [&](const QString& root) { return CDirectoryListingWithin(path, root); });
}

} // namespace

CDirectoryListing::CDirectoryListing(TDriveProvider drives)
    : m_drives(std::move(drives))
{}

QList<CDirectoryListing::TDrive> CDirectoryListing::Drives() const
{
    return m_drives ? m_drives() : QList<TDrive>();
}

HRESULT CDirectoryListing::Resolve(const QString& directory, QString* canonical) const
{
    if (directory.isEmpty() || !QDir::isAbsolutePath(directory) || directory.contains(QChar::Null))
        return E_INVALIDARG;
    QStringList cleanRoots;
    QStringList canonicalRoots;
    for (const TDrive& drive : Drives()) {
        if (!QDir::isAbsolutePath(drive.root))
            continue;
        cleanRoots.append(QDir::cleanPath(drive.root));
        const QString real = QFileInfo(drive.root).canonicalFilePath();
        if (!real.isEmpty())
            canonicalRoots.append(real);
    }
    // The path as given first, so that nothing outside the volumes is even looked at; then where
    // it really leads.
    if (!CDirectoryListingWithinAny(QDir::cleanPath(directory), cleanRoots))
        return E_ACCESSDENIED;
    const QFileInfo info(directory);
    const QString real = info.canonicalFilePath();
    if (real.isEmpty() || !info.isDir())
        return HRESULT_FROM_WIN32(ERROR_PATH_NOT_FOUND);
    if (!CDirectoryListingWithinAny(real, canonicalRoots))
        return E_ACCESSDENIED;
    if (!info.isReadable() || !info.isExecutable())
        return E_ACCESSDENIED;
    *canonical = real;
    return S_OK;
}

uint CDirectoryListing::Attributes(const QFileInfo& entry)
{
    uint attribute = 0;
    if (entry.isDir())
        attribute |= kAttributeDirectory;
    if (entry.isSymLink())
        attribute |= kAttributeReparsePoint;
    if (entry.fileName().startsWith(u'.'))
        attribute |= kAttributeHidden;
    if (!entry.isWritable())
        attribute |= kAttributeReadOnly;
    return attribute == 0 ? kAttributeNormal : attribute;
}

HRESULT CDirectoryListing::List(const QString& directory, QStringList& names,
                                QList<uint>& attributes, QList<qulonglong>& sizes,
                                QList<double>& modified) const
{
    QString canonical;
    if (const HRESULT resolved = Resolve(directory, &canonical); FAILED(resolved))
        return resolved;
    const QFileInfoList entries = QDir(canonical).entryInfoList(
        QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
    names.clear();
    attributes.clear();
    sizes.clear();
    modified.clear();
    const qsizetype count = std::min<qsizetype>(entries.size(), kMaxEntries);
    for (qsizetype i = 0; i < count; ++i) {
        const QFileInfo& entry = entries.at(i);
        names.append(entry.fileName());
        attributes.append(Attributes(entry));
        sizes.append(entry.isDir() ? 0
                                   : static_cast<qulonglong>(std::max<qint64>(entry.size(), 0)));
        const double date = COleDate::FromDateTime(entry.lastModified());
        modified.append(date == COleDate::Invalid ? 0.0 : date);
    }
    return entries.size() > kMaxEntries ? S_FALSE : S_OK;
}
