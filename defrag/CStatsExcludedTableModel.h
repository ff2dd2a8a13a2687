#pragma once

#include "core/CTranslatable.h"
#include "engine/CStatisticsBlockLists.h"

#include <QAbstractTableModel>

// The files a pass left out, one row each: why, the file, its excess fragments (empty when not
// known). The sort role gives the excess fragments as a number (-1 not known) and the texts
// otherwise.
class CStatsExcludedTableModel : public QAbstractTableModel, public CTranslatable {
    Q_OBJECT

public:
    enum TColumn {
        kReasonColumn = 0,
        kNameColumn = 1,
        kFragmentsColumn = 2,
        kColumnCount = 3,
    };
    static constexpr int kSortRole = Qt::UserRole + 1;

    explicit CStatsExcludedTableModel(QObject* parent = nullptr);

    void SetEntries(QList<CStatisticsBlockLists::TExcluded> entries);
    const QList<CStatisticsBlockLists::TExcluded>& Entries() const { return m_entries; }

    // The reason as the table words it: 0 "Access Denied ", 1 "Metadata ", 2 "System File",
    // 3 the system text of the entry's error, 4 "Excluded File", anything else "None".
    QString ReasonText(const CStatisticsBlockLists::TExcluded& entry) const;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

private:
    QList<CStatisticsBlockLists::TExcluded> m_entries;
};
