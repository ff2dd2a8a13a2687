#pragma once

#include "settings/CSettingsPage.h"

class QRadioButton;
class QSpinBox;

// How much of the computer the engine's passes may take: the CPU priority, disk I/O throttling,
// and what a pass does on a volume with shadow copies (with the share of the disk the compatible
// mode may use).
class CSystemResourcePage : public CSettingsPage {
    Q_OBJECT

public:
    explicit CSystemResourcePage(const TSettingsContext& context, QWidget* parent = nullptr);

    HRESULT Save() override;

    QRadioButton& CpuPriorityButton(uint priority) const { return *m_cpu[priority]; }
    QRadioButton& ThrottleOnButton() const { return *m_throttleOn; }
    QRadioButton& ThrottleOffButton() const { return *m_throttleOff; }
    QRadioButton& VssModeButton(uint mode) const { return *m_vss[mode]; }
    QSpinBox& ThresholdBox() const { return *m_threshold; }

public slots:
    void EnableThreshold();
    void DisableThreshold();

protected:
    HRESULT Load() override;

private:
    static constexpr uint kPriorityCount = 3;
    static constexpr uint kVssModeCount = 3;
    static constexpr uint kVssCompatible = 1;

    uint CheckedIndex(QRadioButton* const* buttons, uint count) const;

    QRadioButton* m_cpu[kPriorityCount];
    QRadioButton* m_throttleOn;
    QRadioButton* m_throttleOff;
    QRadioButton* m_vss[kVssModeCount];
    QSpinBox* m_threshold;
};
