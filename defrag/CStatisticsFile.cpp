#include "defrag/CStatisticsFile.h"

#include "defrag/CBitmapColors.h"
#include "defrag/CDefrager.h"
#include "defrag/CStatisticsTables.h"

#include <QTableWidget>
#include <QVBoxLayout>

#include <cmath>
#include <limits>

namespace {

// A row of the tab: which categories of the table it sums, and whether it counts files.
struct TStatisticsFileRow {
    const char* name;
    quint32 first;
    quint32 second; // 0: one category only
    bool files;
};

constexpr TStatisticsFileRow StatisticsFileRows[] = {
    {"Rarely Modified", CBitmapColors::kRarelyModified, 0, true},
    {"Occasionally Modified", CBitmapColors::kOccasionallyModified, 0, true},
    {"Recently Modified", CBitmapColors::kRecentlyModified, 0, true},
    {"Directory", CBitmapColors::kDirectory, 0, true},
    {"Boot", CBitmapColors::kBoot, 0, true},
    {"Excluded", CBitmapColors::kExcluded, 0, true},
    {"Free space outside the MFT Reserved zone", CBitmapColors::kFreeSpace, 0, false},
    {"Free space inside the MFT Reserved zone", CBitmapColors::kMftZone, 0, false},
    {"Free space", CBitmapColors::kFreeSpace, CBitmapColors::kMftZone, false},
};

} // namespace

CStatisticsFile::CStatisticsFile(CDefrager& model, QWidget* parent)
    : QWidget(parent)
    , CTranslatable("CStatisticsFile")
    , m_model(model)
    , m_table(CStatisticsTables::NewTable(
          {Translate("File Type"), Translate("Number"), Translate("Size"), Translate("% of Drive")},
          0))
{
    setObjectName(u"StatisticsFile"_qs);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_table);
}

QList<CStatisticsReport::TTypeLine>
CStatisticsFile::Rows(const CStatisticsBlockCategoryTable& categories, double driveMegabytes)
{
    QList<CStatisticsReport::TTypeLine> rows;
    for (const TStatisticsFileRow& line : StatisticsFileRows) {
        quint64 files = 0;
        quint64 bytes = 0;
        for (const CStatisticsBlockCategoryTable::TEntry& entry : categories.Entries())
            if (entry.category == line.first ||
                (line.second != 0 && entry.category == line.second)) {
                files += entry.files;
                bytes += entry.bytes;
            }
        const double percent = CStatisticsTables::PercentOfDrive(bytes, driveMegabytes);
        rows.append({CTranslatable::Translate(line.name, "CStatisticsFile").Text().toStdWString(),
                     line.files ? qint64(files) : -1, qint64(bytes),
                     std::isfinite(percent) ? percent : -1.0});
    }
    return rows;
}

void CStatisticsFile::ShowVolume(const TId& volume)
{
    const std::shared_ptr<const CDefragStatisticsData::CBase> record =
        CStatisticsTables::ListsRecord(m_model, volume);
    const CStatisticsBlockCategoryTable* categories = CStatisticsTables::Categories(record.get());
    if (!categories || categories->Entries().empty()) {
        CStatisticsTables::Refill(*m_table, 0, [](int) {});
        return;
    }
    const CDefrager::TVolumeInfo* info = m_model.FindVolume(volume);
    const QList<CStatisticsReport::TTypeLine> rows =
        Rows(*categories, info ? info->sizeMegabytes : 0.0);
    CStatisticsTables::Refill(*m_table, int(rows.size()), [&](int row) {
        const CStatisticsReport::TTypeLine& line = rows.at(row);
        m_table->setItem(row, 0, CStatisticsTables::TextItem(QString::fromStdWString(line.name)));
        m_table->setItem(row, 1,
                         line.count >= 0 ? CStatisticsTables::CountItem(quint64(line.count))
                                         : CStatisticsTables::TextItem({}));
        m_table->setItem(row, 2, CStatisticsTables::BytesItem(quint64(line.sizeBytes)));
        m_table->setItem(
            row, 3,
            CStatisticsTables::PercentItem(
                line.percent >= 0.0 ? line.percent : std::numeric_limits<double>::quiet_NaN()));
    });
}
