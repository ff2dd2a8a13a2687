#pragma once

#include "AgentFilterServiceBase.h"

#include <QList>
#include <QString>

#include <functional>

// The agent's filter object (AgentFilter.xml): the mounted volumes the daemon names, and the
// entries of directories on them, read as they are. A directory outside every volume's root,
// also one reached through a symbolic link, is refused with E_ACCESSDENIED; a relative or empty
// path is E_INVALIDARG, one that does not exist or is no directory
// HRESULT_FROM_WIN32(ERROR_PATH_NOT_FOUND).
class CAgentFilterService : public CAgentFilterServiceBase {
public:
    struct TDrive {
        QString root; // mount point
        QString volume;
        uint driveType = 1; // as the engine's GetDriveType
    };
    // Asked at every call, so that volumes coming and going are seen.
    using TDriveProvider = std::function<QList<TDrive>()>;

    // The file attribute bits of ListDirectory.
    static constexpr uint kAttributeReadOnly = 0x1;
    static constexpr uint kAttributeHidden = 0x2;
    static constexpr uint kAttributeDirectory = 0x10;
    static constexpr uint kAttributeNormal = 0x80;
    static constexpr uint kAttributeReparsePoint = 0x400;
    // Beyond this many entries a listing stops and answers S_FALSE, so that the reply stays
    // within what D-Bus carries.
    static constexpr int kMaxEntries = 100000;

    explicit CAgentFilterService(TDriveProvider drives, QObject* parent = nullptr);

    int GetDrives(QStringList& roots, QStringList& volumes, QList<uint>& driveTypes,
                  QList<qulonglong>& totalBytes, QList<qulonglong>& freeBytes) override;
    int ListDirectory(const QString& directory, QStringList& names, QList<uint>& attributes,
                      QList<qulonglong>& sizes, QList<double>& modified) override;

private:
    TDriveProvider m_drives;
};
