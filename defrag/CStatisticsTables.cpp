#include "defrag/CStatisticsTables.h"

#include "core/CTextFormat.h"
#include "defrag/CDefrager.h"
#include "engine/CStatisticsBlock.h"
#include "widgets/CTableWidgetItemSort.h"

#include <QHeaderView>
#include <QTableWidget>

#include <cmath>
#include <limits>

namespace {

// The end of a record as an OLE date; invalid ends count as the oldest.
double StatisticsTablesEnd(const std::shared_ptr<const CDefragStatisticsData::CBase>& record)
{
    if (!record || !record->endTime.IsValid())
        return -std::numeric_limits<double>::infinity();
    return record->endTime.Value();
}

} // namespace

std::shared_ptr<const CDefragStatisticsData::CBase>
CStatisticsTables::ListsRecord(const CDefrager& model, const TId& volume)
{
    std::shared_ptr<const CDefragStatisticsData::CBase> analysis =
        model.Statistics(volume, CStatisticsBlock::kAnalysis);
    std::shared_ptr<const CDefragStatisticsData::CBase> online =
        model.Statistics(volume, CStatisticsBlock::kOnline);
    if (!Lists(analysis.get()))
        analysis.reset();
    if (!Lists(online.get()))
        online.reset();
    if (!analysis || !online)
        return analysis ? analysis : online;
    return StatisticsTablesEnd(analysis) > StatisticsTablesEnd(online) ? analysis : online;
}

const CStatisticsBlockLists* CStatisticsTables::Lists(const CDefragStatisticsData::CBase* record)
{
    if (const auto* analysis = dynamic_cast<const CDefragStatisticsData::CAnalyse*>(record))
        return &analysis->lists;
    if (const auto* online = dynamic_cast<const CDefragStatisticsData::COnline*>(record))
        return &online->lists;
    return nullptr;
}

const CStatisticsBlockCategoryTable*
CStatisticsTables::Categories(const CDefragStatisticsData::CBase* record)
{
    if (const auto* analysis = dynamic_cast<const CDefragStatisticsData::CAnalyse*>(record))
        return &analysis->categories;
    if (const auto* online = dynamic_cast<const CDefragStatisticsData::COnline*>(record))
        return &online->categories;
    return nullptr;
}

QString CStatisticsTables::PercentText(double percent)
{
    if (!std::isfinite(percent))
        return {};
    const double rounded = std::round(percent * 10.0) / 10.0;
    const QString number = CTextFormat::NumberText(rounded, 1);
    const qsizetype whole = number.indexOf(u'.') < 0 ? number.size() : number.indexOf(u'.');
    return QString(std::max<qsizetype>(0, 3 - whole), u' ') + number + u'%';
}

double CStatisticsTables::PercentOfDrive(quint64 bytes, double driveMegabytes)
{
    if (!std::isfinite(driveMegabytes) || driveMegabytes <= 0.0)
        return std::numeric_limits<double>::quiet_NaN();
    return 100.0 * double(bytes) / (driveMegabytes * 1024.0 * 1024.0);
}

QTableWidget* CStatisticsTables::NewTable(const QStringList& headers, int stretchedColumn,
                                          QWidget* parent)
{
    auto* table = new QTableWidget(0, int(headers.size()), parent);
    table->setHorizontalHeaderLabels(headers);
    SetUpView(*table, stretchedColumn);
    return table;
}

void CStatisticsTables::SetUpView(QTableView& view, int stretchedColumn)
{
    view.setEditTriggers(QAbstractItemView::NoEditTriggers);
    view.setSelectionBehavior(QAbstractItemView::SelectRows);
    view.setAlternatingRowColors(true);
    view.setWordWrap(false);
    view.verticalHeader()->hide();
    view.verticalHeader()->setDefaultSectionSize(view.fontMetrics().height() + 6);
    QHeaderView* header = view.horizontalHeader();
    header->setSectionResizeMode(QHeaderView::ResizeToContents);
    // Sized by the first rows only, so that long lists stay quick to show.
    header->setResizeContentsPrecision(200);
    header->setSectionResizeMode(stretchedColumn, QHeaderView::Stretch);
    header->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    header->setSortIndicatorShown(true);
    // No sort until the user asks for one: the rows keep the order they are given in.
    header->setSortIndicator(-1, Qt::AscendingOrder);
    view.setSortingEnabled(true);
}

namespace {

QTableWidgetItem* StatisticsTablesNumberItem(const QString& text, double value)
{
    auto* item = new CTableWidgetItemSort(text, value);
    item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
    return item;
}

} // namespace

QTableWidgetItem* CStatisticsTables::CountItem(quint64 count)
{
    return StatisticsTablesNumberItem(QString::number(count), double(count));
}

QTableWidgetItem* CStatisticsTables::BytesItem(quint64 bytes)
{
    return StatisticsTablesNumberItem(CTextFormat::ByteSizeText(bytes), double(bytes));
}

QTableWidgetItem* CStatisticsTables::PercentItem(double percent)
{
    if (!std::isfinite(percent))
        return new CTableWidgetItemSort();
    return StatisticsTablesNumberItem(PercentText(percent), percent);
}

QTableWidgetItem* CStatisticsTables::TextItem(const QString& text)
{
    return new CTableWidgetItemSort(text);
}

bool CStatisticsTables::BeginRefill(QTableWidget& table, int rows)
{
    const bool sorted = table.isSortingEnabled();
    table.setSortingEnabled(false);
    table.setUpdatesEnabled(false);
    table.clearContents();
    table.setRowCount(rows);
    return sorted;
}

void CStatisticsTables::EndRefill(QTableWidget& table, bool sorted)
{
    table.setSortingEnabled(sorted);
    table.setUpdatesEnabled(true);
}
