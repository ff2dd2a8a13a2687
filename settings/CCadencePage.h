#pragma once

#include "settings/CSettingsPage.h"

#include <optional>

class QButtonGroup;
class QLineEdit;
class QRadioButton;
class QSpinBox;

// Cadence: what happens to schedules missed while the computer was off or in standby, and the
// QuietWatch thresholds: adjusted by the agent, or set here (with the host's on a virtual guest).
class CCadencePage : public CSettingsPage {
    Q_OBJECT

public:
    // The least disk I/O, in bytes per second, a threshold may be set to.
    static constexpr int kMinDiskIo = 10000;
    static constexpr int kMinHostDiskIo = 100000;

    explicit CCadencePage(const TSettingsContext& context, QWidget* parent = nullptr);

    bool Verify() override;
    HRESULT Save() override;

public slots:
    // The advanced fields apply only while the thresholds are set by hand.
    void EnableThresholds();

protected:
    HRESULT Load() override;

private:
    struct TThresholds {
        bool automatic = true;
        uint kernelCpu = 0;
        uint userCpu = 0;
        uint diskIo = 0;
        uint hostKernelCpu = 0;
        uint hostUserCpu = 0;
        uint hostDiskIo = 0;
    };
    TThresholds Entered() const;

    QButtonGroup* m_missed;
    QButtonGroup* m_standby;
    QRadioButton* m_automatic;
    QRadioButton* m_advanced;
    QSpinBox* m_kernelCpu;
    QSpinBox* m_userCpu;
    QLineEdit* m_diskIo;
    QSpinBox* m_hostKernelCpu;
    QSpinBox* m_hostUserCpu;
    QLineEdit* m_hostDiskIo;
    // What was read, to put back when a later write of the page fails (and the values of fields
    // that are not shown or hold no acceptable number).
    std::optional<std::pair<uint, bool>> m_loadedCadence;
    std::optional<TThresholds> m_loadedThresholds;
};
