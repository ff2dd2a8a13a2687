#pragma once

#include "core/Types.h"
#include "engine/CDefragStatisticsData.h"

#include <QStringList>

#include <memory>

class CDefrager;
class QTableView;
class QTableWidget;
class QTableWidgetItem;
class QWidget;

// What the table tabs of the statistics page share: which record of a volume they read, the
// percent text of their cells, and their tables.
class CStatisticsTables {
public:
    CStatisticsTables() = delete;

    // The record whose lists and category table the tabs show: the newer of the volume's
    // analysis and online records (the only kinds that carry them; on a tie, or when neither
    // has an end time, the online one). Null for an unknown volume or one without either.
    static std::shared_ptr<const CDefragStatisticsData::CBase> ListsRecord(const CDefrager& model,
                                                                           const TId& volume);
    // The lists and the category table of such a record; null for any other record.
    static const CStatisticsBlockLists* Lists(const CDefragStatisticsData::CBase* record);
    static const CStatisticsBlockCategoryTable*
    Categories(const CDefragStatisticsData::CBase* record);

    // The percent rounded to one decimal, then "%"; numbers below 100 left-padded with blanks so
    // that they line up: "  7.2%", " 12%", "100%". Empty for a value that is not finite.
    static QString PercentText(double percent);
    // bytes as a percent of a drive of that many megabytes; NaN when the size is not known.
    static double PercentOfDrive(quint64 bytes, double driveMegabytes);

    // A read-only table with these column titles, sortable by its header, rows selected whole;
    // the column given takes the width left over by the others, sized to their contents.
    static QTableWidget* NewTable(const QStringList& headers, int stretchedColumn,
                                  QWidget* parent = nullptr);
    // The same look and behaviour for a view whose model is already set.
    static void SetUpView(QTableView& view, int stretchedColumn);
    // Right-aligned sortable cells: a count, a size in bytes, a percent (empty when NaN).
    static QTableWidgetItem* CountItem(quint64 count);
    static QTableWidgetItem* BytesItem(quint64 bytes);
    static QTableWidgetItem* PercentItem(double percent);
    static QTableWidgetItem* TextItem(const QString& text);

    // Fills a table row by row with sorting off (fast even for thousands of rows), then sorts it
    // again the way the user last chose. fill(row) sets the cells of each row.
    template <typename TFill>
    static void Refill(QTableWidget& table, int rows, TFill fill);

private:
    static bool BeginRefill(QTableWidget& table, int rows);
    static void EndRefill(QTableWidget& table, bool sorted);
};

template <typename TFill>
void CStatisticsTables::Refill(QTableWidget& table, int rows, TFill fill)
{
    const bool sorted = BeginRefill(table, rows);
    for (int row = 0; row < rows; ++row)
        fill(row);
    EndRefill(table, sorted);
}
