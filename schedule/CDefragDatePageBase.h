#pragma once

#include "schedule/CWirePageBase.h"
#include "schedule/CWireWizardBase.h"

#include <QDateTime>

#include <functional>
#include <optional>

class CPrettyCalendar;
class QCheckBox;
class QLineEdit;
class QTimeEdit;
class QVBoxLayout;

// What the date pages of the one-time, daily and weekly drive schedules share: the start date
// and time, the longest an online run may last, and whether the computer shuts down when the
// run completes. A new schedule's start must lie in the future; an edited schedule may keep a
// start in the past as long as the user leaves it alone. A fresh record (start not set) shows
// the first full hour that is at least ten minutes away.
class CDefragDatePageBase : public CWirePageBase {
    Q_OBJECT

public:
    // The local date and time the pages take as "now"; tests put their own in.
    using TClock = std::function<QDateTime()>;
    // An empty clock gives the system's back.
    static void SetClock(TClock clock);
    static QDateTime Now();

    QString Title() const override;
    void Load(const TWireRecord& record) override;
    void Store(TWireRecord* record) const override;
    QString Validate() const override;
    QWidget* FirstField() const override;

    // The start as the controls show it.
    QDateTime Start() const;
    // Whether the start differs from the one the record came with (always for a fresh one).
    bool StartChanged() const;
    CWireWizardBase::TWizardType ForType() const { return m_forType; }

    CPrettyCalendar* Calendar() const { return m_calendar; }
    QTimeEdit* TimeEdit() const { return m_time; }
    QCheckBox* MaximumBox() const { return m_maximum; }
    QLineEdit* HoursEdit() const { return m_hours; }
    QCheckBox* ShutdownBox() const { return m_shutdown; }

public slots:
    // The online pass was chosen or given up: the maximum duration applies to it alone.
    void OnOnlineSelected(bool online);
    // The maximum duration box changed.
    void OnMaximum();
    void SetForType(CWireWizardBase::TWizardType type);

protected:
    static constexpr quint32 kHoursPerWeek = 168;

    CDefragDatePageBase(QByteArray context, QWidget* parent);

    // Adds the repeat controls of a page below the common ones.
    void AddRepeatWidget(QWidget* widget);
    // The start followed by the repeat, for the summary.
    QString StartText() const;
    // A repeat interval in whole days or weeks (UNIT hours), from 1 to MAXIMUM.
    static quint32 RepeatCount(quint32 interval, quint32 unit, int maximum);

    // The record's repeat shown, or the page's default for a fresh record.
    virtual void LoadRepeat(const CScheduleSettings& settings, bool fresh) = 0;
    // Type, interval and weekdays.
    virtual void StoreRepeat(CScheduleSettings* settings) const = 0;
    virtual QString ValidateRepeat() const { return {}; }

private:
    void UpdateMaximum();
    void ShowStart(const QDateTime& start);

    CPrettyCalendar* m_calendar;
    QTimeEdit* m_time;
    QCheckBox* m_maximum;
    QLineEdit* m_hours;
    QCheckBox* m_shutdown;
    QVBoxLayout* m_layout;
    CWireWizardBase::TWizardType m_forType = CWireWizardBase::kOneTime;
    bool m_online = true;
    // The start the record came with and how the controls showed it; a start left as shown
    // is stored back exactly. The wizard loads a page again each time it is shown, from the
    // record the page stored when it was left: a record that brings back the start this page
    // stored keeps the original, so that an edited start is still judged against it.
    double m_originalStart = 0.0;
    QDateTime m_originalShown;
    mutable std::optional<double> m_storedStart;
    // The record's maximum duration and the hours shown for it.
    quint32 m_originalSeconds = 0;
    QString m_originalHours;
};
