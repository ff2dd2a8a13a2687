#pragma once

#include <QSortFilterProxyModel>

// Sorts the excluded files by the sort role of its source (a CStatsExcludedTableModel): numbers
// by value, texts ignoring case first.
class CStatsExcludedTableSortModel : public QSortFilterProxyModel {
    Q_OBJECT

public:
    explicit CStatsExcludedTableSortModel(QObject* parent = nullptr);

protected:
    bool lessThan(const QModelIndex& left, const QModelIndex& right) const override;
};
