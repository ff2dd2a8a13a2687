#include "schedule/CCadenceTableSortFilterModel.h"

#include "schedule/CCadenceTableModel.h"

CCadenceTableSortFilterModel::CCadenceTableSortFilterModel(QObject* parent)
    : QSortFilterProxyModel(parent)
{
    setSortRole(CCadenceTableModel::kSortRole);
    setSortCaseSensitivity(Qt::CaseInsensitive);
    setSortLocaleAware(true);
}

bool CCadenceTableSortFilterModel::lessThan(const QModelIndex& left, const QModelIndex& right) const
{
    const QVariant leftValue = left.data(sortRole());
    const QVariant rightValue = right.data(sortRole());
    if (leftValue.typeId() == QMetaType::Double && rightValue.typeId() == QMetaType::Double)
        return leftValue.toDouble() < rightValue.toDouble();
    return QSortFilterProxyModel::lessThan(left, right);
}
