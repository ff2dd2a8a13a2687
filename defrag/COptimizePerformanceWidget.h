#pragma once

#include "core/CTranslatable.h"
#include "core/Types.h"

#include <QString>
#include <QWidget>

#include <array>

class CBarChartWidget;
class CDefrager;
class QLabel;

// The "Performance" page of the defragmentation tab: the before and after values of the current
// volume's last passes in three bar charts (drive performance, file fragmentation, free-space
// fragmentation), each pass labelled with its date. It reads everything from the drive model.
// It follows the model's current volume itself; the page wires the controller's Started,
// Completed and Stopped and the application's DefragModelUpdated to the slots of the same names.
class COptimizePerformanceWidget : public QWidget, public CTranslatable {
    Q_OBJECT

public:
    enum TChart : int {
        kDrivePerformance = 0,
        kFileFragmentation = 1,
        kFreeSpaceFragmentation = 2,
    };

    explicit COptimizePerformanceWidget(CDefrager& model, QWidget* parent = nullptr);

    // Shows the volume's history; a null or unknown volume empties the charts.
    void ShowVolume(const TId& volume);
    const TId& ShownVolume() const { return m_volume; }

    CBarChartWidget* Chart(TChart chart) const { return m_charts.at(chart); }
    QLabel* Caption() const { return m_caption; }
    // The format of the pass dates; the user's locale gives it unless a test sets another.
    const QString& DateFormat() const { return m_dateFormat; }
    void SetDateFormat(const QString& format);

public slots:
    void OnCurrentVolumeChanged(const TId& kv_volume_guid);
    void OnStarted(const TId& kv_volume_guid);
    void OnCompleted(const TId& kv_volume_guid);
    void OnStopped(const TId& kv_volume_guid);
    void OnModelUpdated();

private:
    // Shows the current volume again when the event concerns it.
    void RefreshIfCurrent(const TId& volume);

    CDefrager& m_model;
    TId m_volume;
    QString m_dateFormat;
    QLabel* m_caption = nullptr;
    std::array<CBarChartWidget*, 3> m_charts{};
};
