#include "defrag/CExcludedTreeModel.h"

#include <algorithm>

namespace {

// Whether path lies inside the folder (not the folder itself).
bool IsInside(const QString& path, const QString& folder)
{
    if (folder.endsWith(u'/'))
        return path.size() > folder.size() && path.startsWith(folder);
    return path.size() > folder.size() + 1 && path.startsWith(folder) &&
           path.at(folder.size()) == u'/';
}

} // namespace

CExcludedTreeModel::CExcludedTreeModel(QObject* parent)
    : CDirectoryTreeModelBase(parent, "CExcludedTreeModel")
{}

QStringList CExcludedTreeModel::CheckedPaths() const
{
    QStringList paths(m_checked.begin(), m_checked.end());
    std::sort(paths.begin(), paths.end());
    return paths;
}

void CExcludedTreeModel::SetCheckedPaths(const QStringList& paths)
{
    QStringList sorted = paths;
    std::sort(sorted.begin(), sorted.end());
    m_checked.clear();
    for (const QString& path : std::as_const(sorted)) {
        if (path.isEmpty())
            continue;
        const bool covered =
            std::any_of(m_checked.cbegin(), m_checked.cend(),
                        [&](const QString& folder) { return IsInside(path, folder); });
        if (!covered)
            m_checked.insert(path);
    }
    AnnounceAll(QModelIndex());
}

Qt::CheckState CExcludedTreeModel::CheckStateOf(const QString& path) const
{
    bool below = false;
    for (const QString& checked : m_checked) {
        if (checked == path || IsInside(path, checked))
            return Qt::Checked;
        below = below || IsInside(checked, path);
    }
    return below ? Qt::PartiallyChecked : Qt::Unchecked;
}

Qt::ItemFlags CExcludedTreeModel::flags(const QModelIndex& index) const
{
    Qt::ItemFlags flags = CDirectoryTreeModelBase::flags(index);
    if (index.isValid() && index.column() == kNameColumn)
        flags |= Qt::ItemIsUserCheckable;
    return flags;
}

QVariant CExcludedTreeModel::data(const QModelIndex& index, int role) const
{
    if (role == Qt::CheckStateRole && index.isValid() && index.column() == kNameColumn)
        return CheckStateOf(PathOf(index));
    return CDirectoryTreeModelBase::data(index, role);
}

bool CExcludedTreeModel::setData(const QModelIndex& index, const QVariant& value, int role)
{
    if (role != Qt::CheckStateRole || !index.isValid() || index.column() != kNameColumn)
        return CDirectoryTreeModelBase::setData(index, value, role);
    const QString path = PathOf(index);
    const bool check = value.toInt() == Qt::Checked;
    if (check == (CheckStateOf(path) == Qt::Checked))
        return true;
    if (check) {
        m_checked.removeIf([&](const QString& checked) { return IsInside(checked, path); });
        m_checked.insert(path);
    } else {
        Uncheck(index);
    }
    // The item, everything read below it and every folder above it may show another state.
    QModelIndex top = index;
    while (top.parent().isValid())
        top = top.parent();
    AnnounceAll(top.parent());
    emit CheckedChanged();
    return true;
}

void CExcludedTreeModel::Uncheck(const QModelIndex& index)
{
    const QString path = PathOf(index);
    if (m_checked.remove(path))
        return;
    // Excluded through a folder above it: that folder gives way to everything in it on the way
    // down but this item. The rows on the way are all read, since this one is shown.
    QList<QModelIndex> way;
    for (QModelIndex above = index.parent(); above.isValid(); above = above.parent()) {
        way.prepend(above);
        if (m_checked.remove(PathOf(above)))
            break;
    }
    way.append(index);
    for (qsizetype level = 0; level + 1 < way.size(); ++level) {
        const QModelIndex folder = way[level];
        for (int row = 0; row < rowCount(folder); ++row) {
            const QModelIndex child = this->index(row, kNameColumn, folder);
            if (child != way[level + 1])
                m_checked.insert(PathOf(child));
        }
    }
}

void CExcludedTreeModel::AnnounceAll(const QModelIndex& parent)
{
    const int rows = rowCount(parent);
    if (rows == 0)
        return;
    emit dataChanged(index(0, kNameColumn, parent), index(rows - 1, kNameColumn, parent),
                     {Qt::CheckStateRole});
    for (int row = 0; row < rows; ++row)
        AnnounceAll(index(row, kNameColumn, parent));
}
