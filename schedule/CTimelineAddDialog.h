#pragma once

#include "core/CTranslatable.h"

#include <QDateTime>
#include <QDialog>

class CTimelineGrid;
class QDateEdit;
class QSpinBox;
class QTimeEdit;

// "Add Exclusion": a period of whole hours on one day, from the start date and time to the end
// time (an end at 00:00 is the day's end), coming back every so many days (0: never). OK marks
// it in the grid; a start not before the end and a period that meets a marked hour are
// refused with a message box, and the grid stays as it was.
class CTimelineAddDialog : public QDialog, public CTranslatable {
    Q_OBJECT

public:
    static constexpr int kMaximumRepeat = 364;

    explicit CTimelineAddDialog(CTimelineGrid& grid, QWidget* parent = nullptr);

    // What the fields hold; the end is on the start's day, or the next midnight.
    QDateTime Start() const;
    QDateTime End() const;
    int RepeatDays() const;

    void SetStart(const QDateTime& start);
    void SetEndTime(const QTime& end);
    void SetRepeatDays(int days);

public slots:
    // Checks the period, marks it and closes as accepted; or tells why not and stays open.
    void OnOk();
    // The times are kept to whole hours.
    void OnStartTimeChanged(QTime time);
    void OnEndTimeChanged(QTime time);

private:
    CTimelineGrid& m_grid;
    QDateEdit* m_startDate;
    QTimeEdit* m_startTime;
    QTimeEdit* m_endTime;
    QSpinBox* m_repeat;
};
