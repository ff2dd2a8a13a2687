#pragma once

#include "core/Types.h"

class CDefrager;
class CStatisticsResultsWidget;
class IDefragController;
class QWidget;

// Which results widget shows a volume.
class CStatisticsResultsFactory {
public:
    enum TKind {
        kNoStatistics,
        kAnalyse,
        kOnline,
        kOffline,
        kSelectedFiles,
        kFTNotExceeded,
        kInsufficientFreeSpace,
    };

    CStatisticsResultsFactory() = delete;

    // Nothing while an operation runs or is paused on the volume. A skipped pass (statistics
    // kind 5 or 6) when the model's kind says so and the volume holds that record; otherwise
    // the newest (by end time) of the volume's analysis, online, offline and selected-files
    // records; nothing when it has none.
    static TKind Choose(const CDefrager& model, const TId& volume);
    static CStatisticsResultsWidget*
    Create(TKind kind, CDefrager& model, IDefragController& controller, QWidget* parent = nullptr);
};
