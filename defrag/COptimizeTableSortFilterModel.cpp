#include "defrag/COptimizeTableSortFilterModel.h"

#include "defrag/COptimizeTableModel.h"

COptimizeTableSortFilterModel::COptimizeTableSortFilterModel(QObject* parent)
    : QSortFilterProxyModel(parent)
{}

bool COptimizeTableSortFilterModel::lessThan(const QModelIndex& left,
                                             const QModelIndex& right) const
{
    const int role =
        left.column() == COptimizeTableModel::kNameColumn ? Qt::DisplayRole : Qt::UserRole;
    const QVariant leftKey = left.data(role);
    const QVariant rightKey = right.data(role);
    if (leftKey.typeId() == QMetaType::QString)
        return QString::localeAwareCompare(leftKey.toString(), rightKey.toString()) < 0;
    return leftKey.toDouble() < rightKey.toDouble();
}
