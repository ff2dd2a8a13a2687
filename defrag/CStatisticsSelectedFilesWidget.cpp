#include "defrag/CStatisticsSelectedFilesWidget.h"

#include "core/CTextFormat.h"

#include <QVBoxLayout>

using namespace Qt::StringLiterals;

CStatisticsSelectedFilesWidget::CStatisticsSelectedFilesWidget(CDefrager& model,
                                                               IDefragController& controller,
                                                               QWidget* parent)
    : CStatisticsRecordWidget(model, controller, "CStatisticsSelectedFilesWidget", parent)
{
    setObjectName(u"StatisticsSelectedFiles"_s);
}

void CStatisticsSelectedFilesWidget::Fill(QVBoxLayout& body, const CDefrager::TVolumeInfo& volume,
                                          const CDefragStatisticsData::CBase* record)
{
    const auto* r = dynamic_cast<const CDefragStatisticsData::CSelectedFiles*>(record);
    if (!r)
        return;
    QList<TRow> rows;
    for (const CDefragStatisticsData::CSelectedFiles::TFile& file : r->files) {
        qint64 before = file.fragmentsBefore;
        // A count the record lacks is the one kept when the files were handed to the engine.
        if (before < 0)
            for (const CDefrager::TSelectedFile& kept : volume.selectedFiles)
                if (kept.path == file.path)
                    before = kept.fragmentsBefore;
        rows.append({QString::fromStdWString(file.path),
                     -1,
                     {file.sizeBytes < 0 ? QString() : CTextFormat::ByteSizeText(file.sizeBytes),
                      CountText(before), CountText(file.fragmentsAfter)}});
    }
    body.addWidget(MakeTable(Translate("Filename"),
                             {Translate("Size"), Translate("Before"), Translate("After")}, rows));
}
