#pragma once

#include <QStringList>
#include <QTreeView>

// The tree of a volume's directories and files in the selected-files dialog: several rows may be
// selected; double-clicking a file hands its path on (a directory opens as in any tree).
class CDefragTreeView : public QTreeView {
    Q_OBJECT

public:
    explicit CDefragTreeView(QWidget* parent = nullptr);

    // The full paths of the selected files (not directories), in the tree's order.
    QStringList SelectedFiles() const;

signals:
    void FileDoubleClicked(const QString& path);

private:
    void OnDoubleClicked(const QModelIndex& index);
};
