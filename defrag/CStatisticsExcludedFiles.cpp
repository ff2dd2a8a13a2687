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
    m_view->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_view->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_view->setAlternatingRowColors(true);
    m_view->setWordWrap(false);
    m_view->verticalHeader()->hide();
    m_view->verticalHeader()->setDefaultSectionSize(m_view->fontMetrics().height() + 6);
    QHeaderView* header = m_view->horizontalHeader();
    header->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    header->setSectionResizeMode(CStatsExcludedTableModel::kNameColumn, QHeaderView::Stretch);
    header->setSortIndicatorShown(true);
    header->setSortIndicator(-1, Qt::AscendingOrder);
    m_view->setSortingEnabled(true);
    header->setSectionResizeMode(CStatsExcludedTableModel::kFragmentsColumn,
                                 QHeaderView::ResizeToContents);
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
