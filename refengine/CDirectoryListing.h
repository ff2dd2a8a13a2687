#pragma once

#include "core/HResult.h"

#include <QFileInfo>
#include <QList>
#include <QString>
#include <QStringList>

#include <functional>

// The directories of the volumes a daemon serves, read as they are: what the agent's filter
// object and the file browser hand out. A directory outside every volume's root, also one
// reached through a symbolic link, is refused with E_ACCESSDENIED; a relative or empty path is
// E_INVALIDARG, one that does not exist or is no directory HRESULT_FROM_WIN32(
// ERROR_PATH_NOT_FOUND).
class CDirectoryListing {
public:
    struct TDrive {
        QString root; // mount point
        QString volume;
        uint driveType = 1; // as the engine's GetDriveType
    };
    // Asked at every call, so that volumes coming and going are seen.
    using TDriveProvider = std::function<QList<TDrive>()>;

    // The file attribute bits of a listing.
    static constexpr uint kAttributeReadOnly = 0x1;
    static constexpr uint kAttributeHidden = 0x2;
    static constexpr uint kAttributeDirectory = 0x10;
    static constexpr uint kAttributeNormal = 0x80;
    static constexpr uint kAttributeReparsePoint = 0x400;
    // Beyond this many entries a listing stops and answers S_FALSE, so that the reply stays
    // within what D-Bus carries.
    static constexpr int kMaxEntries = 100000;

    explicit CDirectoryListing(TDriveProvider drives);

    QList<TDrive> Drives() const;

    // Where a directory named from outside really leads: its canonical path when it is a
    // readable directory on one of the volumes, else the failure above.
    HRESULT Resolve(const QString& directory, QString* canonical) const;

    // The entries of a directory, sorted by name; the lists are written only on success.
    HRESULT List(const QString& directory, QStringList& names, QList<uint>& attributes,
                 QList<qulonglong>& sizes, QList<double>& modified) const;

    static uint Attributes(const QFileInfo& entry);

private:
    TDriveProvider m_drives;
};
