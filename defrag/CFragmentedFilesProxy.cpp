#include "defrag/CFragmentedFilesProxy.h"

#include "defrag/CFragDirModel.h"

CFragmentedFilesProxy::CFragmentedFilesProxy(QObject* parent)
    : QSortFilterProxyModel(parent)
{}

void CFragmentedFilesProxy::UpdateFileFilter(bool showAll)
{
    if (showAll == m_showAll)
        return;
    m_showAll = showAll;
    invalidateRowsFilter();
}

bool CFragmentedFilesProxy::filterAcceptsRow(int sourceRow, const QModelIndex& sourceParent) const
{
    if (m_showAll)
        return true;
    const QModelIndex index = sourceModel()->index(sourceRow, 0, sourceParent);
    return index.data(CFragDirModel::kDirectoryRole).toBool() ||
           index.data(CFragDirModel::kFragmentsRole).toInt() >= 2;
}
