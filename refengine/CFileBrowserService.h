#pragma once

#include "FileBrowserExServiceBase.h"
#include "refengine/CDirectoryListing.h"

#include <QList>
#include <QString>
#include <QStringList>

// The file browser (FileBrowserEx.xml): the mount points of the volumes the daemon names with
// their drive types, the entries of directories on them, and the files below a directory whose
// names match wildcard patterns. Paths are checked as CDirectoryListing checks them.
//
// A search never follows symbolic links and never crosses into another mount. So that a huge
// tree cannot hold up the daemon (it answers every console on one thread), it looks at no more
// than kMaxVisited entries and gathers no more than kMaxMatches files; a search cut short
// answers S_FALSE with what it found so far.
class CFileBrowserService : public CFileBrowserExServiceBase {
public:
    static constexpr int kMaxVisited = 200000;
    static constexpr int kMaxMatches = 10000;

    explicit CFileBrowserService(CDirectoryListing::TDriveProvider drives,
                                 QObject* parent = nullptr);

    int GetDrives(QStringList& roots, QList<uint>& driveTypes) override;
    int ListDirectory(const QString& directory, QStringList& names, QList<uint>& attributes,
                      QList<qulonglong>& sizes, QList<double>& modified) override;
    // Patterns use "*", "?" and "[...]" against the file's name (case as it is); "*.*" matches
    // every name, with or without a dot. An empty pattern list, or a pattern that is empty or
    // holds "/", is E_INVALIDARG. Full paths, sorted.
    int FindFiles(const QString& directory, const QStringList& patterns, bool recursive,
                  QStringList& files) override;

private:
    CDirectoryListing m_listing;
};
