#pragma once

#include "schedule/CDefragDatePageBase.h"

class CWizardSpinBox;
class QRadioButton;

// A daily schedule: every N days, on weekdays only or on weekends only.
class CDefragDailyTimeDatePage : public CDefragDatePageBase {
    Q_OBJECT

public:
    explicit CDefragDailyTimeDatePage(QWidget* parent = nullptr);

    QString Summary() const override;

    QRadioButton* EveryButton() const { return m_every; }
    CWizardSpinBox* DaysBox() const { return m_days; }
    QRadioButton* WeekdaysButton() const { return m_weekdays; }
    QRadioButton* WeekendsButton() const { return m_weekends; }

protected:
    void LoadRepeat(const CScheduleSettings& settings, bool fresh) override;
    void StoreRepeat(CScheduleSettings* settings) const override;

private:
    QRadioButton* m_every;
    CWizardSpinBox* m_days;
    QRadioButton* m_weekdays;
    QRadioButton* m_weekends;
};
