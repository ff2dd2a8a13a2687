#pragma once

#include "core/HResult.h"
#include "defrag/CDirectoryTreeModelBase.h"

#include <QList>
#include <QString>

#include <functional>

// The directory tree of one volume with the fragment count of every file, read lazily (see
// CDirectoryTreeModelBase): its top rows are the root's entries.
//
// Columns: the name, the fragments text ("%1 fragments" or "Not Fragmented"; empty where the
// count is unknown, and for directories) and the full path.
class CFragDirModel : public CDirectoryTreeModelBase {
    Q_OBJECT

public:
    enum TColumn { kNameColumn = 0, kFragmentsColumn, kPathColumn, kColumnCount };
    enum TRole {
        kPathRole = CDirectoryTreeModelBase::kPathRole,
        kDirectoryRole = CDirectoryTreeModelBase::kDirectoryRole, // bool
        kFragmentsRole = Qt::UserRole + 16,                       // int; -1 unknown
    };

    struct TEntry {
        QString name;
        bool directory = false;
        int fragments = -1; // unknown
    };
    struct TListing {
        HRESULT result = E_FAIL;
        QList<TEntry> entries;
    };
    // Reads one directory (a full path). Runs on a worker thread, so it must touch nothing of the
    // GUI thread's; it may block as long as it needs.
    using TReader = std::function<TListing(const QString& directory)>;

    explicit CFragDirModel(QObject* parent = nullptr);

    // Replaces the tree by the one below root (its rows are the root's entries, read at once);
    // an empty root leaves the model empty.
    void SetRoot(const QString& root, TReader reader);
    QString Root() const { return MountName(); }

    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

    // The fragments column's text for a count.
    QString FragmentsText(int fragments) const;
};
