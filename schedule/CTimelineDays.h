#pragma once

#include "core/CTranslatable.h"
#include "schedule/CTimelineHours.h"

#include <QWidget>

class CTimelineGrid;
class QMenu;

// The strip of days above the hours: each day (24 cells of the grid) with its weekday and
// date and a small bar of its hours, the days the hours strip shows highlighted. A click on a
// day moves the hours strip to it; the context menu marks a whole day.
class CTimelineDays : public QWidget, public CTranslatable {
    Q_OBJECT

public:
    static constexpr int kDayWidth = 48;
    static constexpr int kHeight = 40;

    explicit CTimelineDays(CTimelineGrid& grid, QWidget* parent = nullptr);

    int StartIndex() const { return m_start; }
    int VisibleDays() const;
    // The day under a point of the strip; -1 when none.
    int DayAt(const QPoint& point) const;
    // How many hours the hours strip shows, for the highlight.
    void SetHourSpan(int hours);
    void SetColors(const TTimelineColors& colors);

    // The context menu for a point of the strip (null when no day is under it); its action
    // marks that day. Owned by the caller.
    QMenu* CreateContextMenu(const QPoint& point);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

signals:
    void StartIndexChanged(int index);
    // The first hour of the day the user clicked.
    void Moved(int index);
    void Updated();

public slots:
    // The first day shown, cut to the range that keeps the strip full.
    void SetStartIndex(int index);
    // Follows the hours strip: highlights its days and scrolls to them when they are not shown.
    void SetStartHourIndex(int index);
    // Marks every hour of the day the context menu was opened on.
    void SelectDay();

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    CTimelineGrid& m_grid;
    TTimelineColors m_colors;
    int m_start = 0;
    int m_startHour = 0;
    int m_hourSpan = 24;
    int m_menuDay = -1;
};
