#include "defrag/CStatsExcludedTableSortModel.h"

#include "defrag/CStatsExcludedTableModel.h"

CStatsExcludedTableSortModel::CStatsExcludedTableSortModel(QObject* parent)
    : QSortFilterProxyModel(parent)
{
    setSortRole(CStatsExcludedTableModel::kSortRole);
}

bool CStatsExcludedTableSortModel::lessThan(const QModelIndex& left, const QModelIndex& right) const
{
    const QVariant a = left.data(sortRole());
    const QVariant b = right.data(sortRole());
    if (a.typeId() == QMetaType::LongLong && b.typeId() == QMetaType::LongLong)
        return a.toLongLong() < b.toLongLong();
    const QString first = a.toString();
    const QString second = b.toString();
    if (const int folded = first.compare(second, Qt::CaseInsensitive); folded != 0)
        return folded < 0;
    return first < second;
}
