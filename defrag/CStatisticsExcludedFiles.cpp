#include "defrag/CStatisticsExcludedFiles.h"

#include "defrag/CStatisticsTables.h"
#include "defrag/CStatsExcludedTableModel.h"
#include "defrag/CStatsExcludedTableSortModel.h"

#include <QHeaderView>
#include <QTableView>
#include <QVBoxLayout>

CStatisticsExcludedFiles::CStatisticsExcludedFiles(CDefrager& model, QWidget* parent)
    : QWidget(parent)
    , m_model(model)
    , m_entries(new CStatsExcludedTableModel(this))
    , m_sorted(new CStatsExcludedTableSortModel(this))
    , m_view(new QTableView)
{
    setObjectName(u"StatisticsExcludedFiles"_qs);
    m_sorted->setSourceModel(m_entries);
    m_view->setModel(m_sorted);
    CStatisticsTables::SetUpView(*m_view, CStatsExcludedTableModel::kNameColumn);
    m_view->horizontalHeader()->setSectionResizeMode(CStatsExcludedTableModel::kReasonColumn,
                                                     QHeaderView::Interactive);
    // Room for the longer reasons, the system texts of errors; the rest shows in the tool tip.
    m_view->setColumnWidth(CStatsExcludedTableModel::kReasonColumn, 300);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_view);
}

void CStatisticsExcludedFiles::ShowVolume(const TId& volume)
{
    const std::shared_ptr<const CDefragStatisticsData::CBase> record =
        CStatisticsTables::ListsRecord(m_model, volume);
    const CStatisticsBlockLists* lists = CStatisticsTables::Lists(record.get());
    m_entries->SetEntries(lists ? lists->excluded : QList<CStatisticsBlockLists::TExcluded>());
}
