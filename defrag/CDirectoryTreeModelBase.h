#pragma once

#include "core/CTranslatable.h"
#include "core/HResult.h"

#include <QAbstractItemModel>
#include <QHash>
#include <QList>
#include <QMutex>
#include <QString>
#include <QVariant>

#include <functional>
#include <memory>
#include <vector>

class CKV100FileBrowserInterface;

// The folders and files of one volume of the connected computer as a tree under a single row
// for the volume itself. A folder is read when a view first asks for its rows (fetchMore, on
// expansion); the read runs on a worker thread, so the GUI thread never waits for the computer
// that answers it, and its reply comes back by a queued call. A reply meant for a tree that has
// since been replaced, or for a model that is gone, is dropped. Folders come first, each group
// by name.
//
// Columns: the name and the size (files only). Derived models show columns and roles of their
// own (fragment counts, check states) from the nodes kept here; a derived model may also show
// the volume's entries as the top rows, without the volume's row (SetTree).
class CDirectoryTreeModelBase : public QAbstractItemModel, public CTranslatable {
    Q_OBJECT

public:
    enum TColumn { kNameColumn = 0, kSizeColumn, kColumnCount };
    enum TRole {
        kPathRole = Qt::UserRole + 1,
        kDirectoryRole, // bool
        kSizeRole,      // qulonglong, bytes
    };

    struct TEntry {
        QString name;
        bool directory = false;
        qulonglong size = 0;
        // Whatever else a derived model's reader gives for the entry.
        QVariant extra;
    };
    struct TListing {
        HRESULT result = E_FAIL;
        QList<TEntry> entries;
    };
    // Reads one folder (a full path). Runs on a worker thread, so it must touch nothing of the
    // GUI thread's; it may block as long as it needs.
    using TReader = std::function<TListing(const QString& directory)>;

    // The texts are translated in the given context (a derived model's own).
    explicit CDirectoryTreeModelBase(QObject* parent = nullptr,
                                     QByteArray context = "CDirectoryTreeModelBase");
    ~CDirectoryTreeModelBase() override;

    // Replaces the tree by the volume mounted at mountName (a device path for a volume without a
    // mount point); the volume's own entries are read at once. An empty name leaves the model
    // empty.
    void SetVolume(const QString& mountName, TReader reader);
    QString MountName() const { return m_mountName; }
    // The index of the volume's row; invalid while there is none (or it is not shown).
    QModelIndex VolumeIndex() const;
    // The index of a path already read; invalid when the tree does not hold it.
    QModelIndex IndexOfPath(const QString& path) const;
    // Folders asked for and not answered yet.
    int PendingReads() const { return int(m_loading.size()); }

    // The name of the volume's row: "Volume Mounted at %1", or "Unmounted Volume" for a device
    // path.
    QString VolumeName(const QString& mountName) const;
    // A size in bytes as "%.1f TB", "GB", "MB" or "KB".
    static QString SizeText(qulonglong bytes);
    // Reads folders through the connected computer's file browser; symbolic links and junctions
    // are left out. The browser must outlive every read the reader starts.
    static TReader BrowserReader(CKV100FileBrowserInterface& browser);

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

signals:
    // While any folder is being read, and when the last read has answered.
    void LoadingChanged(bool loading);
    // A folder could not be read: it shows no rows.
    void DirectoryFailed(const QString& directory, HRESULT result);

protected:
    // Replaces the tree by the one below root, with or without a row for the root itself; the
    // root's entries are read at once. An empty root leaves the model empty.
    void SetTree(const QString& root, TReader reader, bool volumeRow);

    // For derived models: what a row stands for.
    QString NameOf(const QModelIndex& index) const;
    QString PathOf(const QModelIndex& index) const;
    bool IsDirectory(const QModelIndex& index) const;
    QVariant ExtraOf(const QModelIndex& index) const;

private:
    struct TNode;
    // What a worker answers through: the model while it lives.
    struct TMailbox {
        QMutex mutex;
        CDirectoryTreeModelBase* model = nullptr;
    };
    enum class TState { Unread, Reading, Read };

    TNode* NodeOf(const QModelIndex& index) const;
    QModelIndex IndexOf(TNode* node, int column = 0) const;
    void Read(TNode* node);
    void OnRead(quint64 generation, const QString& directory, const TListing& listing);

    QString m_mountName;
    bool m_volumeRow = true;
    TReader m_reader;
    std::unique_ptr<TNode> m_top;
    QHash<QString, TNode*> m_loading; // by path
    quint64 m_generation = 0;
    std::shared_ptr<TMailbox> m_mailbox;
};
