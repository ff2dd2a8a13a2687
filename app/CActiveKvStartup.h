#pragma once

#include "core/HResult.h"

#include <functional>
#include <memory>

class CApp;
class CClientGP;
class QWidget;

// What the control holds once it has started: the application controller, and the start-up
// that makes it. The start-up runs once; it connects to this computer behind the splash screen,
// makes the main window and wires the controller, and says whether the console may be shown.
class CActiveKvStartup {
public:
    // Shows the getting-started wizard, modally.
    using TWizard = std::function<void()>;

    CActiveKvStartup();
    ~CActiveKvStartup();
    CActiveKvStartup(const CActiveKvStartup&) = delete;
    CActiveKvStartup& operator=(const CActiveKvStartup&) = delete;

    // S_OK when the main window may be embedded; E_FAIL, before anything is shown or
    // connected, when the policy denies launching. Runs only while there is no controller;
    // later calls answer what the first one did.
    HRESULT Run(QWidget* parent);

    CApp* Controller() const { return m_controller.get(); }
    HRESULT Result() const { return m_result; }
    bool ShowedSplashScreen() const { return m_showedSplashScreen; }

    // The console's key of the current user, with its default value set to 1; skipped when the
    // key cannot be made.
    static void PrepareRegistry();
    // The user's preference and the policy's permission both allow the splash screen; a
    // missing preference allows it.
    static bool SplashScreenWanted(const CClientGP& policy);
    // The getting-started wizard has not run on this computer yet.
    static bool FirstRunDue();
    // The wizard the first run shows; none until one is set.
    static void SetFirstRunWizard(TWizard wizard);

private:
    static TWizard& FirstRunWizard();

    std::unique_ptr<CApp> m_controller;
    HRESULT m_result = E_FAIL;
    bool m_showedSplashScreen = false;
};
