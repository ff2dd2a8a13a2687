#pragma once

#include <QSortFilterProxyModel>

// Sorts the schedule table by the column clicked: run dates by their value (an empty cell
// first), the other columns by their text.
class CCadenceTableSortFilterModel : public QSortFilterProxyModel {
    Q_OBJECT

public:
    explicit CCadenceTableSortFilterModel(QObject* parent = nullptr);

protected:
    bool lessThan(const QModelIndex& left, const QModelIndex& right) const override;
};
