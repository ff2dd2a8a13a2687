#pragma once

#include "defrag/CStatisticsResultsWidget.h"

// The results widgets of each kind of statistics record, and the choice between them.

// A results widget that shows the newest record of one class.
template <typename TClass>
class CStatisticsRecordWidget : public CStatisticsResultsWidget {
protected:
    using CStatisticsResultsWidget::CStatisticsResultsWidget;

    TFound FindRecord(const CDefrager::TVolumeInfo& volume) const override
    {
        return NewestRecord<TClass>(volume);
    }
};

// After an analysis: the rating, the fragmentation found and the recommended next pass.
class CStatisticsAnalyseWidget : public CStatisticsRecordWidget<CDefragStatisticsData::CAnalyse> {
    Q_OBJECT

public:
    CStatisticsAnalyseWidget(CDefrager& model, IDefragController& controller,
                             QWidget* parent = nullptr);

protected:
    void Fill(QVBoxLayout& body, const CDefrager::TVolumeInfo& volume,
              const CDefragStatisticsData::CBase* record) override;
};

// After an online pass over the entire drive: before and after, and the next pass.
class CStatisticsOnlineWidget : public CStatisticsRecordWidget<CDefragStatisticsData::COnline> {
    Q_OBJECT

public:
    CStatisticsOnlineWidget(CDefrager& model, IDefragController& controller,
                            QWidget* parent = nullptr);

protected:
    void Fill(QVBoxLayout& body, const CDefrager::TVolumeInfo& volume,
              const CDefragStatisticsData::CBase* record) override;
};

// After a boot-time pass over the system files.
class CStatisticsOfflineWidget : public CStatisticsRecordWidget<CDefragStatisticsData::COffline> {
    Q_OBJECT

public:
    CStatisticsOfflineWidget(CDefrager& model, IDefragController& controller,
                             QWidget* parent = nullptr);

protected:
    void Fill(QVBoxLayout& body, const CDefrager::TVolumeInfo& volume,
              const CDefragStatisticsData::CBase* record) override;
};

// After a pass over files the user picked: their fragments before and after.
class CStatisticsSelectedFilesWidget
    : public CStatisticsRecordWidget<CDefragStatisticsData::CSelectedFiles> {
    Q_OBJECT

public:
    CStatisticsSelectedFilesWidget(CDefrager& model, IDefragController& controller,
                                   QWidget* parent = nullptr);

protected:
    void Fill(QVBoxLayout& body, const CDefrager::TVolumeInfo& volume,
              const CDefragStatisticsData::CBase* record) override;
};

// A pass skipped because the fragmentation threshold was not exceeded.
class CStatisticsFTNotExceededWidget
    : public CStatisticsRecordWidget<CDefragStatisticsData::CFTNotExceeded> {
    Q_OBJECT

public:
    CStatisticsFTNotExceededWidget(CDefrager& model, IDefragController& controller,
                                   QWidget* parent = nullptr);

protected:
    void Fill(QVBoxLayout& body, const CDefrager::TVolumeInfo& volume,
              const CDefragStatisticsData::CBase* record) override;
};

// A pass that could not run for lack of free space.
class CStatisticsInsufficientFreeSpaceWidget
    : public CStatisticsRecordWidget<CDefragStatisticsData::CInsufficientFreeSpace> {
    Q_OBJECT

public:
    CStatisticsInsufficientFreeSpaceWidget(CDefrager& model, IDefragController& controller,
                                           QWidget* parent = nullptr);

protected:
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
