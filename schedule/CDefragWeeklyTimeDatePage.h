#pragma once

#include "schedule/CDefragDatePageBase.h"

#include <array>

class CWizardSpinBox;
class QCheckBox;

// A weekly schedule: every N weeks on the checked days.
class CDefragWeeklyTimeDatePage : public CDefragDatePageBase {
    Q_OBJECT

public:
    explicit CDefragWeeklyTimeDatePage(QWidget* parent = nullptr);

    QString Summary() const override;

    CWizardSpinBox* WeeksBox() const { return m_weeks; }
    // Monday is 0, Sunday 6.
    QCheckBox* DayBox(int day) const { return m_days.at(std::size_t(day)); }

protected:
    void LoadRepeat(const CScheduleSettings& settings, bool fresh) override;
    void StoreRepeat(CScheduleSettings* settings) const override;
    QString ValidateRepeat() const override;

private:
    quint32 Weekdays() const;

    CWizardSpinBox* m_weeks;
    std::array<QCheckBox*, 7> m_days{};
};
