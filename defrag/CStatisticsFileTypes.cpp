#include "defrag/CStatisticsFileTypes.h"

#include "defrag/CDefrager.h"
#include "defrag/CStatisticsTables.h"

#include <QTableWidget>
#include <QVBoxLayout>

CStatisticsFileTypes::CStatisticsFileTypes(CDefrager& model, QWidget* parent)
    : QWidget(parent)
    , CTranslatable("CStatisticsFileTypes")
    , m_model(model)
    , m_table(CStatisticsTables::NewTable(
          {Translate("File Type"), Translate("Number"), Translate("Size"), Translate("% of Drive")},
          0))
{
    setObjectName(u"StatisticsFileTypes"_qs);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_table);
}

QString CStatisticsFileTypes::TypeText(const TString& extension)
{
    if (extension.empty())
        return CTranslatable::Translate("Other", "CStatisticsFileTypes");
    return u'.' + QString::fromStdWString(extension);
}

void CStatisticsFileTypes::ShowVolume(const TId& volume)
{
    const std::shared_ptr<const CDefragStatisticsData::CBase> record =
        CStatisticsTables::ListsRecord(m_model, volume);
    const CStatisticsBlockLists* lists = CStatisticsTables::Lists(record.get());
    const CDefrager::TVolumeInfo* info = lists ? m_model.FindVolume(volume) : nullptr;
    const double driveMegabytes = info ? info->sizeMegabytes : 0.0;
    const int rows = lists ? int(lists->fileTypes.size()) : 0;
    CStatisticsTables::Refill(*m_table, rows, [&](int row) {
        const CStatisticsBlockLists::TFileType& type = lists->fileTypes.at(row);
        m_table->setItem(row, 0, CStatisticsTables::TextItem(TypeText(type.extension)));
        m_table->setItem(row, 1, CStatisticsTables::CountItem(type.files));
        m_table->setItem(row, 2, CStatisticsTables::BytesItem(type.bytes));
        m_table->setItem(row, 3,
                         CStatisticsTables::PercentItem(
                             CStatisticsTables::PercentOfDrive(type.bytes, driveMegabytes)));
    });
}
