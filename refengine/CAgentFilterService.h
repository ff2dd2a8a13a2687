#pragma once

#include "AgentFilterServiceBase.h"
#include "refengine/CDirectoryListing.h"

#include <QList>
#include <QString>

// The agent's filter object (AgentFilter.xml): the mounted volumes the daemon names, and the
// entries of directories on them, read as they are (CDirectoryListing says what is refused).
class CAgentFilterService : public CAgentFilterServiceBase {
public:
    using TDrive = CDirectoryListing::TDrive;
    using TDriveProvider = CDirectoryListing::TDriveProvider;

    static constexpr uint kAttributeReadOnly = CDirectoryListing::kAttributeReadOnly;
    static constexpr uint kAttributeHidden = CDirectoryListing::kAttributeHidden;
    static constexpr uint kAttributeDirectory = CDirectoryListing::kAttributeDirectory;
    static constexpr uint kAttributeNormal = CDirectoryListing::kAttributeNormal;
    static constexpr uint kAttributeReparsePoint = CDirectoryListing::kAttributeReparsePoint;
    static constexpr int kMaxEntries = CDirectoryListing::kMaxEntries;

    explicit CAgentFilterService(TDriveProvider drives, QObject* parent = nullptr);

    int GetDrives(QStringList& roots, QStringList& volumes, QList<uint>& driveTypes,
                  QList<qulonglong>& totalBytes, QList<qulonglong>& freeBytes) override;
    int ListDirectory(const QString& directory, QStringList& names, QList<uint>& attributes,
                      QList<qulonglong>& sizes, QList<double>& modified) override;

private:
    CDirectoryListing m_listing;
};
