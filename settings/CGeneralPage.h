#pragma once

#include "settings/CSettingsPage.h"

#include <QVariant>

#include <optional>

class QButtonGroup;
class QCheckBox;
class QRadioButton;

// General: how the boot files' layout is managed (an engine setting) and the console's own
// preferences: splash screen, the Space Management tab, the prompt before a virtual guest stops
// being managed, and what the window's close button does.
class CGeneralPage : public CSettingsPage {
    Q_OBJECT

public:
    // DWORDs in the console's key (1 shown; missing counts as shown), and the close button's
    // preference (true: the console ends).
    static constexpr const char* kShowSplashScreen = "ShowSplashScreen";
    static constexpr const char* kShowFreeSpaceTab = "ShowFreeSpaceTab";
    static constexpr const char* kShowRemoveGuestPrompt = "ShowRemoveGuestPrompt";
    static constexpr const char* kExitOnClose = "Preferences/Exit On Close";

    explicit CGeneralPage(const TSettingsContext& context, QWidget* parent = nullptr);

    HRESULT Save() override;

protected:
    HRESULT Load() override;

private:
    bool Preference(const char* name) const;
    HRESULT WritePreference(const QString& name, const QVariant& value);
    void RestorePreference(const QString& name, const QVariant& before);

    QButtonGroup* m_bootLayout;
    QCheckBox* m_splash;
    QCheckBox* m_freeSpaceTab;
    QCheckBox* m_removeGuestPrompt;
    QRadioButton* m_minimize;
    QRadioButton* m_exit;
    std::optional<uint> m_loadedBootLayout;
};
