#pragma once

#include "core/CTranslatable.h"
#include "core/HResult.h"

#include <QAbstractItemModel>
#include <QHash>
#include <QList>
#include <QMutex>
#include <QString>

#include <functional>
#include <memory>
#include <vector>

// The directory tree of one volume with the fragment count of every file, read lazily: a
// directory is read when a view first asks for its rows (fetchMore, on expansion), and the read
// runs on a worker thread, so that the GUI thread never waits for whoever answers it. The reply
// comes back by a queued call; a reply meant for a tree that has since been replaced (another
// root) or for a model that is gone is dropped.
//
// Columns: the name, the fragments text ("%1 fragments" or "Not Fragmented"; empty where the
// count is unknown, and for directories) and the full path.
class CFragDirModel : public QAbstractItemModel, public CTranslatable {
    Q_OBJECT

public:
    enum TColumn { kNameColumn = 0, kFragmentsColumn, kPathColumn, kColumnCount };
    enum TRole {
        kPathRole = Qt::UserRole + 1,
        kDirectoryRole, // bool
        kFragmentsRole, // int; -1 unknown
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
    ~CFragDirModel() override;

    // Replaces the tree by the one below root (its rows are the root's entries, read at once);
    // an empty root leaves the model empty.
    void SetRoot(const QString& root, TReader reader);
    QString Root() const { return m_root; }
    // Directories asked for and not answered yet.
    int PendingReads() const { return int(m_loading.size()); }
    QModelIndex IndexOfPath(const QString& path) const;

    QModelIndex index(int row, int column, const QModelIndex& parent = {}) const override;
    QModelIndex parent(const QModelIndex& child) const override;
    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    bool hasChildren(const QModelIndex& parent = {}) const override;
    bool canFetchMore(const QModelIndex& parent) const override;
    void fetchMore(const QModelIndex& parent) override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

    // The fragments column's text for a count.
    QString FragmentsText(int fragments) const;

signals:
    // While any directory is being read, and when the last read has answered.
    void LoadingChanged(bool loading);
    // A directory could not be read: it shows no rows.
    void DirectoryFailed(const QString& directory, HRESULT result);

private:
    struct TNode;
    // What a worker answers through: the model while it lives.
    struct TMailbox {
        QMutex mutex;
        CFragDirModel* model = nullptr;
    };
    enum class TState { Unread, Reading, Read };

    TNode* NodeOf(const QModelIndex& index) const;
    QModelIndex IndexOf(TNode* node, int column = 0) const;
    void Read(TNode* node);
    void OnRead(quint64 generation, const QString& directory, const TListing& listing);
    static QString Join(const QString& directory, const QString& name);

    QString m_root;
    TReader m_reader;
    std::unique_ptr<TNode> m_top;
    QHash<QString, TNode*> m_loading; // by path
    quint64 m_generation = 0;
    std::shared_ptr<TMailbox> m_mailbox;
};
