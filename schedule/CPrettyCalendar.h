#pragma once

#include <QCalendarWidget>
#include <QDate>

// The calendar of the date pages: weeks without numbers, the weekday names short, today framed
// and the days before it greyed. Any day can still be chosen (an edited schedule may have
// started in the past); which day is today can be set so that the marks follow another clock.
// Enter is left to the window the calendar sits in (a wizard moves on with it) rather than
// taken by the grid of days, whose selection already follows the arrow keys.
class CPrettyCalendar : public QCalendarWidget {
    Q_OBJECT

public:
    explicit CPrettyCalendar(QWidget* parent = nullptr);

    QDate Today() const { return m_today; }
    void SetToday(const QDate& today);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void paintCell(QPainter* painter, const QRect& rect, QDate date) const override;

private:
    QDate m_today;
};
