#pragma once

#include "core/CTranslatable.h"
#include "core/Types.h"

#include <QWidget>

#include <optional>

class CDefragFeed;
class QPainter;

// Two gauges of the current volume: its file fragmentation ("File") and its free-space
// fragmentation ("Free Space"), each on a half dial from "Not Fragmented" to "Fragmented" at
// 100 %. A volume that has not been analysed shows an empty dial without a number. The gauges
// stand one above the other in a tall widget and side by side in a wide one.
class CDefragDialWidget : public QWidget, public CTranslatable {
    Q_OBJECT

public:
    explicit CDefragDialWidget(CDefragFeed& feed, QWidget* parent = nullptr);

    // The values shown, in percent; empty while unknown.
    std::optional<double> FileFragmentation() const { return m_file; }
    std::optional<double> FreeSpaceFragmentation() const { return m_freeSpace; }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

public slots:
    // Reads the current volume's values again.
    void Refresh();

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void OnVolumeValueChanged(const TId& id);
    void DrawGauge(QPainter& painter, const QRectF& area, const QString& title,
                   std::optional<double> percent) const;

    CDefragFeed& m_feed;
    std::optional<double> m_file;
    std::optional<double> m_freeSpace;
};
