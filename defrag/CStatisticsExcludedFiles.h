#pragma once

#include "defrag/IStatisticsTab.h"

#include <QWidget>

class CDefrager;
class CStatsExcludedTableModel;
class CStatsExcludedTableSortModel;
class QTableView;

// The "Excluded Files" tab of the statistics page: the files the shown volume's last analysis
// or online pass left out, sortable by each column.
class CStatisticsExcludedFiles : public QWidget, public IStatisticsTab {
    Q_OBJECT

public:
    explicit CStatisticsExcludedFiles(CDefrager& model, QWidget* parent = nullptr);

    void ShowVolume(const TId& volume) override;

    CStatsExcludedTableModel* Model() const { return m_entries; }
    QTableView* View() const { return m_view; }

private:
    CDefrager& m_model;
    CStatsExcludedTableModel* m_entries;
    CStatsExcludedTableSortModel* m_sorted;
    QTableView* m_view;
};
