#pragma once

#include <QSortFilterProxyModel>

// Sorts the drive table: the name column by its text, every other column by its sort key (the
// user role), strings locale-aware and everything else as numbers. Every row passes.
class COptimizeTableSortFilterModel : public QSortFilterProxyModel {
    Q_OBJECT

public:
    explicit COptimizeTableSortFilterModel(QObject* parent = nullptr);

protected:
    bool lessThan(const QModelIndex& left, const QModelIndex& right) const override;
};
