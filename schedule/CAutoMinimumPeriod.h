#pragma once

#include "schedule/CScreenMinimumPeriod.h"

// "Minimum Period" of the QuietWatch wizard: the hours between runs as on the screen-saver page,
// and the minutes the computer must be idle before a run starts or resumes.
class CAutoMinimumPeriod : public CScreenMinimumPeriod {
    Q_OBJECT

public:
    // The minutes the idle field accepts.
    static constexpr int kMinimumIdleMinutes = 1;
    static constexpr int kMaximumIdleMinutes = 1440;

    explicit CAutoMinimumPeriod(QWidget* parent = nullptr);

    QString Summary() const override;
    void Load(const TWireRecord& record) override;
    void Store(TWireRecord* record) const override;
    QString Validate() const override;

    QSpinBox* IdleField() const { return m_idle; }

private:
    QSpinBox* m_idle;
};
