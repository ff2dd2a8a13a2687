#pragma once

#include "defrag/CStatisticsResultsWidget.h"

// The results widgets of each kind of statistics record, and the choice between them.

// After an analysis: the rating, the fragmentation found and the recommended next pass.
class CStatisticsAnalyseWidget : public CStatisticsResultsWidget {
    Q_OBJECT

public:
    CStatisticsAnalyseWidget(CDefrager& model, IDefragController& controller,
                             QWidget* parent = nullptr);

protected:
    TFound FindRecord(const CDefrager::TVolumeInfo& volume) const override;
    void Fill(QVBoxLayout& body, const CDefrager::TVolumeInfo& volume,
              const CDefragStatisticsData::CBase* record) override;
};

// After an online pass over the entire drive: before and after, and the next pass.
class CStatisticsOnlineWidget : public CStatisticsResultsWidget {
    Q_OBJECT

public:
    CStatisticsOnlineWidget(CDefrager& model, IDefragController& controller,
                            QWidget* parent = nullptr);

protected:
    TFound FindRecord(const CDefrager::TVolumeInfo& volume) const override;
    void Fill(QVBoxLayout& body, const CDefrager::TVolumeInfo& volume,
              const CDefragStatisticsData::CBase* record) override;
};

// After a boot-time pass over the system files.
class CStatisticsOfflineWidget : public CStatisticsResultsWidget {
    Q_OBJECT

public:
    CStatisticsOfflineWidget(CDefrager& model, IDefragController& controller,
                             QWidget* parent = nullptr);

protected:
    TFound FindRecord(const CDefrager::TVolumeInfo& volume) const override;
    void Fill(QVBoxLayout& body, const CDefrager::TVolumeInfo& volume,
              const CDefragStatisticsData::CBase* record) override;
};

// After a pass over files the user picked: their fragments before and after.
class CStatisticsSelectedFilesWidget : public CStatisticsResultsWidget {
    Q_OBJECT

public:
    CStatisticsSelectedFilesWidget(CDefrager& model, IDefragController& controller,
                                   QWidget* parent = nullptr);

protected:
    TFound FindRecord(const CDefrager::TVolumeInfo& volume) const override;
    void Fill(QVBoxLayout& body, const CDefrager::TVolumeInfo& volume,
              const CDefragStatisticsData::CBase* record) override;
};

// A pass skipped because the fragmentation threshold was not exceeded.
class CStatisticsFTNotExceededWidget : public CStatisticsResultsWidget {
    Q_OBJECT

public:
    CStatisticsFTNotExceededWidget(CDefrager& model, IDefragController& controller,
                                   QWidget* parent = nullptr);

protected:
    TFound FindRecord(const CDefrager::TVolumeInfo& volume) const override;
    void Fill(QVBoxLayout& body, const CDefrager::TVolumeInfo& volume,
              const CDefragStatisticsData::CBase* record) override;
};

// A pass that could not run for lack of free space.
class CStatisticsInsufficientFreeSpaceWidget : public CStatisticsResultsWidget {
    Q_OBJECT

public:
    CStatisticsInsufficientFreeSpaceWidget(CDefrager& model, IDefragController& controller,
                                           QWidget* parent = nullptr);

protected:
    TFound FindRecord(const CDefrager::TVolumeInfo& volume) const override;
    void Fill(QVBoxLayout& body, const CDefrager::TVolumeInfo& volume,
              const CDefragStatisticsData::CBase* record) override;
};

// No results to show: the volume was never analysed, or an operation runs on it.
class CNoStatisticsWidget : public CStatisticsResultsWidget {
    Q_OBJECT

public:
    CNoStatisticsWidget(CDefrager& model, IDefragController& controller, QWidget* parent = nullptr);

    // The waiting text while an operation runs or is paused on the volume, else the request
    // to analyse it.
    static QString Text(bool operationRunning);

protected:
    TFound FindRecord(const CDefrager::TVolumeInfo& volume) const override;
    void Fill(QVBoxLayout& body, const CDefrager::TVolumeInfo& volume,
              const CDefragStatisticsData::CBase* record) override;
};

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
