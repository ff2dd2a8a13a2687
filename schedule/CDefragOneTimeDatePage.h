#pragma once

#include "schedule/CDefragDatePageBase.h"

// A one-time schedule: the start alone.
class CDefragOneTimeDatePage : public CDefragDatePageBase {
    Q_OBJECT

public:
    explicit CDefragOneTimeDatePage(QWidget* parent = nullptr);

    QString Summary() const override;

protected:
    void LoadRepeat(const CScheduleSettings& settings, bool fresh) override;
    void StoreRepeat(CScheduleSettings* settings) const override;
};
