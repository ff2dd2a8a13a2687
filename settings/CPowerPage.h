#pragma once

#include "settings/CSettingsPage.h"

class QCheckBox;

// Power Options: what passes do while the computer runs on battery.
class CPowerPage : public CSettingsPage {
    Q_OBJECT

public:
    explicit CPowerPage(const TSettingsContext& context, QWidget* parent = nullptr);

    HRESULT Save() override;

protected:
    HRESULT Load() override;

private:
    QCheckBox* m_stopOnBattery;
    QCheckBox* m_noStartOnBattery;
};
