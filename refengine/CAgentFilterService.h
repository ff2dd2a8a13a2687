#pragma once

#include "AgentFilterServiceBase.h"
#include "refengine/CDirectoryListing.h"

#include <QList>
#include <QString>

// The agent's filter object (AgentFilter.xml): the mounted volumes the daemon names, the
// entries of directories on them, read as they are (CDirectoryListing says what is refused), and
// the folders the duplicates search leaves out. Those are kept in a small JSON file read at every
// call, so that every instance of the service sees the same list; a missing or damaged file reads
// as the defaults.
//
// An excluded folder is either an absolute path or, as the defaults are written, a name ending in
// "\", which stands for the folder of that name at the root of every volume.
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

    static constexpr qsizetype kMaxExclusions = 256;
    static constexpr qsizetype kMaxExclusionLength = 1024;
    static constexpr int kNotSaved = static_cast<int>(0x8007001Du); // ERROR_WRITE_FAULT

    struct TExclusions {
        QStringList folders;
        QList<bool> subfolders;

        bool operator==(const TExclusions&) const = default;
    };

    // exclusionsFile: where the duplicates search's exclusions are kept.
    CAgentFilterService(TDriveProvider drives, QString exclusionsFile, QObject* parent = nullptr);

    // Those of a fresh installation: "System Volume Information\", "$ISR\" and "lost+found\"
    // with their subfolders.
    static TExclusions DefaultExclusions();
    // True for lists of the same length, at most kMaxExclusions entries, each neither blank nor
    // longer than kMaxExclusionLength and without control characters.
    static bool IsValid(const TExclusions& exclusions);

    int GetDrives(QStringList& roots, QStringList& volumes, QList<uint>& driveTypes,
                  QList<qulonglong>& totalBytes, QList<qulonglong>& freeBytes) override;
    int ListDirectory(const QString& directory, QStringList& names, QList<uint>& attributes,
                      QList<qulonglong>& sizes, QList<double>& modified) override;
    int GetDuplicateExclusions(QStringList& folders, QList<bool>& subfolders) override;
    // E_INVALIDARG (nothing kept) unless IsValid; kNotSaved when the file cannot be written.
    int SetDuplicateExclusions(const QStringList& folders, const QList<bool>& subfolders) override;
    int GetDefaultDuplicateExclusions(QStringList& folders, QList<bool>& subfolders) override;

private:
    // Under the class's lock.
    TExclusions ReadExclusions() const;

    CDirectoryListing m_listing;
    const QString m_exclusionsFile;
};
