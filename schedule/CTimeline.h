#pragma once

#include "core/CTranslatable.h"
#include "schedule/CScheduleSettings.h"
#include "schedule/CTimelineGrid.h"
#include "widgets/CNinePieceFrame.h"

#include <QDateTime>
#include <QWidget>

class CTimelineDays;
class CTimelineHours;
class CTimelineRepeat;
class QPushButton;
class QScrollBar;

// "Defrag Exclusion Period": the editor of the QuietWatch schedule's exclusion windows. It
// holds one year of hours (the grid) and shows it as the strip of days over the strip of
// hours, each with its scroll bar, with the repeat editor of the period last marked and a
// button to the list of exclusions; a frame of nine skin pieces with the title in its band
// surrounds them.
class CTimeline : public QWidget, public CTranslatable {
    Q_OBJECT

public:
    // The frame's pieces, row by row from the top left.
    static const CNinePieceFrame::TNames kPieceNames;

    explicit CTimeline(QWidget* parent = nullptr);

    // The grid's base becomes the given moment cut to its hour (the start of today when
    // invalid) and its hours are marked from the windows; nothing is emitted.
    void SetWindows(const CScheduleSettings::TExclusionWindows& windows,
                    const QDateTime& base = QDateTime());
    // The marked runs as the schedule record keeps them.
    CScheduleSettings::TExclusionWindows Windows() const;

    CTimelineGrid& Grid() { return m_grid; }
    const CTimelineGrid& Grid() const { return m_grid; }

    CTimelineHours& Hours() const { return *m_hours; }
    CTimelineDays& Days() const { return *m_days; }
    CTimelineRepeat& Repeat() const { return *m_repeat; }
    QScrollBar& HourBar() const { return *m_hourBar; }
    QScrollBar& DayBar() const { return *m_dayBar; }
    const QPixmap& Piece(int index) const { return m_frame.Piece(index); }

signals:
    // The user changed the marked hours or a repeat value.
    void Updated();

public slots:
    // The list of exclusions, through the message presenter; what it keeps replaces the grid.
    void OnDetails();
    // An action of the hours' scroll bar: page steps go to whole days.
    void OnAction(int action);
    // Reloads the frame and the strips' colours from the current skin.
    void SkinChanged();
    // The hours strip shows this many cells now.
    void OnResized(int blocks);
    // The days strip asks the hours strip to start at a cell.
    void OnMoved(int index);
    // Repaints the strips after the grid was changed through Grid().
    void Refresh();

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void OnGridChanged();
    void UpdateDayRange();

    CTimelineGrid m_grid;
    CNinePieceFrame m_frame;
    CTimelineDays* m_days;
    QScrollBar* m_dayBar;
    CTimelineHours* m_hours;
    QScrollBar* m_hourBar;
    CTimelineRepeat* m_repeat;
    QPushButton* m_details;
};
