#pragma once

#include "settings/CSettingsPage.h"

#include <optional>

class QCheckBox;

// Drive Settings: which kinds of drive may be defragmented at all, and the hibernation file's
// place in boot-time passes.
class CRemovableStoragePage : public CSettingsPage {
    Q_OBJECT

public:
    explicit CRemovableStoragePage(const TSettingsContext& context, QWidget* parent = nullptr);

    HRESULT Save() override;

protected:
    HRESULT Load() override;

private:
    QCheckBox* m_external;
    QCheckBox* m_flash;
    QCheckBox* m_ssd;
    QCheckBox* m_hibernation;
    // What was read, to put back when a later write of the page fails.
    std::optional<bool> m_loaded[4];
};
