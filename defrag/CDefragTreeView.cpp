#include "defrag/CDefragTreeView.h"

#include "defrag/CFragDirModel.h"

#include <QHeaderView>

#include <algorithm>

CDefragTreeView::CDefragTreeView(QWidget* parent)
    : QTreeView(parent)
{
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setUniformRowHeights(true);
    setExpandsOnDoubleClick(true);
    header()->setStretchLastSection(true);
    connect(this, &QTreeView::doubleClicked, this, &CDefragTreeView::OnDoubleClicked);
}

QStringList CDefragTreeView::SelectedFiles() const
{
    if (!selectionModel())
        return {};
    QModelIndexList rows = selectionModel()->selectedRows(CFragDirModel::kNameColumn);
    // In the order the tree shows them, whatever order they were selected in: by their rows
    // from the top of the tree down.
    const auto place = [](QModelIndex index) {
        QList<int> path;
        for (; index.isValid(); index = index.parent())
            path.prepend(index.row());
        return path;
    };
    std::sort(rows.begin(), rows.end(),
              [&](const QModelIndex& a, const QModelIndex& b) { return place(a) < place(b); });
    QStringList files;
    for (const QModelIndex& row : rows) {
        if (!row.data(CFragDirModel::kDirectoryRole).toBool())
            files.append(row.data(CFragDirModel::kPathRole).toString());
    }
    return files;
}

void CDefragTreeView::OnDoubleClicked(const QModelIndex& index)
{
    if (index.isValid() && !index.data(CFragDirModel::kDirectoryRole).toBool())
        emit FileDoubleClicked(index.data(CFragDirModel::kPathRole).toString());
}
