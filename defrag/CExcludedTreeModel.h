#pragma once

#include "defrag/CDirectoryTreeModelBase.h"

#include <QSet>
#include <QStringList>

// The folders and files of a volume with a check box each: checked when the path is excluded
// (itself or through a checked folder above it), partly checked when something below it is.
// The checked paths are kept as a set, so paths in folders not read yet keep their state, and a
// checked folder stands for everything in it.
class CExcludedTreeModel : public CDirectoryTreeModelBase {
    Q_OBJECT

public:
    explicit CExcludedTreeModel(QObject* parent = nullptr);

    // The checked paths, sorted; a checked folder's contents are not listed.
    QStringList CheckedPaths() const;
    // Replaces the checked paths; paths inside a checked folder are dropped.
    void SetCheckedPaths(const QStringList& paths);
    Qt::CheckState CheckStateOf(const QString& path) const;

    Qt::ItemFlags flags(const QModelIndex& index) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;

signals:
    // The user checked or unchecked an item.
    void CheckedChanged();

private:
    void Uncheck(const QModelIndex& index);
    void AnnounceAll(const QModelIndex& parent);

    QSet<QString> m_checked;
};
