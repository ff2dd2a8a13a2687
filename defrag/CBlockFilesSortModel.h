#pragma once

#include <QSortFilterProxyModel>

class CBlockFilesModel;

// Sorts the files of a block (its source is a CBlockFilesModel; other sources stay unsorted):
// name and folder as text (ignoring case first), excess fragments as integers (unknown ones
// first), space used as numbers.
class CBlockFilesSortModel : public QSortFilterProxyModel {
    Q_OBJECT

public:
    explicit CBlockFilesSortModel(QObject* parent = nullptr);

    void setSourceModel(QAbstractItemModel* model) override;

protected:
    bool lessThan(const QModelIndex& left, const QModelIndex& right) const override;

private:
    const CBlockFilesModel* m_files = nullptr;
};
