#include "defrag/CStatisticsResultsFactory.h"

#include "defrag/CNoStatisticsWidget.h"
#include "defrag/CStatisticsAnalyseWidget.h"
#include "defrag/CStatisticsFTNotExceededWidget.h"
#include "defrag/CStatisticsInsufficientFreeSpaceWidget.h"
#include "defrag/CStatisticsOfflineWidget.h"
#include "defrag/CStatisticsOnlineWidget.h"
#include "defrag/CStatisticsSelectedFilesWidget.h"

#include <utility>

CStatisticsResultsFactory::TKind CStatisticsResultsFactory::Choose(const CDefrager& model,
                                                                   const TId& volume)
{
    using CStats = CDefragStatisticsData;
    using TResults = CStatisticsResultsWidget;
    const CDefrager::TVolumeInfo* info = model.FindVolume(volume);
    if (!info || model.IsRunningOrPaused(volume))
        return kNoStatistics;
    if (model.StatisticsKind() == CDefrager::kThresholdNotExceeded &&
        TResults::NewestRecord<CStats::CFTNotExceeded>(*info).record)
        return kFTNotExceeded;
    if (model.StatisticsKind() == CDefrager::kInsufficientFreeSpace &&
        TResults::NewestRecord<CStats::CInsufficientFreeSpace>(*info).record)
        return kInsufficientFreeSpace;
    const std::pair<TKind, TResults::TFound> passes[] = {
        {kAnalyse, TResults::NewestRecord<CStats::CAnalyse>(*info)},
        {kOnline, TResults::NewestRecord<CStats::COnline>(*info)},
        {kOffline, TResults::NewestRecord<CStats::COffline>(*info)},
        {kSelectedFiles, TResults::NewestRecord<CStats::CSelectedFiles>(*info)},
    };
    TKind kind = kNoStatistics;
    double newest = 0.0;
    for (const auto& [passKind, found] : passes) {
        if (!found.record)
            continue;
        const double end = TResults::EndOf(*found.record);
        if (kind == kNoStatistics || end > newest) {
            kind = passKind;
            newest = end;
        }
    }
    return kind;
}

CStatisticsResultsWidget* CStatisticsResultsFactory::Create(TKind kind, CDefrager& model,
                                                            IDefragController& controller,
                                                            QWidget* parent)
{
    switch (kind) {
    case kAnalyse:
        return new CStatisticsAnalyseWidget(model, controller, parent);
    case kOnline:
        return new CStatisticsOnlineWidget(model, controller, parent);
    case kOffline:
        return new CStatisticsOfflineWidget(model, controller, parent);
    case kSelectedFiles:
        return new CStatisticsSelectedFilesWidget(model, controller, parent);
    case kFTNotExceeded:
        return new CStatisticsFTNotExceededWidget(model, controller, parent);
    case kInsufficientFreeSpace:
        return new CStatisticsInsufficientFreeSpaceWidget(model, controller, parent);
    case kNoStatistics:
        break;
    }
    return new CNoStatisticsWidget(model, controller, parent);
}
