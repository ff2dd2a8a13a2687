#include "app/CActiveKvStartup.h"

#include "app/CApp.h"
#include "app/CConsoleMetaTypes.h"
#include "app/CTranslationLoader.h"
#include "appmodel/IDefragController.h"
#include "appmodel/IFreeSpaceController.h"
#include "platform/registry/CRegKey.h"
#include "policy/CClientGP.h"

#include <QCoreApplication>
#include <QPixmap>
#include <QSplashScreen>

using namespace Qt::StringLiterals;

namespace {

const QString kStartupConsoleKey = u"Software\\Tellmar\\Korvane\\11.0"_s;

} // namespace

CActiveKvStartup::CActiveKvStartup() = default;

CActiveKvStartup::~CActiveKvStartup() = default;

HRESULT CActiveKvStartup::Run(QWidget* parent)
{
    if (m_controller)
        return m_result;
    PrepareRegistry();
    CConsoleMetaTypes::Register();
    CTranslationLoader::Load(QCoreApplication::instance());
    m_controller = std::make_unique<CApp>();
    CApp& controller = *m_controller;
    // Nothing of the console is shown to a user who may not launch it: no splash screen, no
    // connection, no window.
    if (!controller.Policy().AllowLaunch())
        return m_result = E_FAIL;

    std::unique_ptr<QSplashScreen> splash;
    if (SplashScreenWanted(controller.Policy())) {
        splash = std::make_unique<QSplashScreen>(QPixmap(u":/images/kv10-splash.png"_s));
        splash->show();
        m_showedSplashScreen = true;
    }
    QCoreApplication::processEvents();

    controller.ConnectWithArgument(u"/connect="_s);
    controller.GetMainWindow(parent);
    controller.WireEngineSignals();
    controller.Refresh();
    if (CMainWindow* window = controller.GetMainWindow())
        window->SetSkipNextShowEvent();
    if (splash) {
        splash->close();
        splash.reset();
    }

    if (IFreeSpaceController* freeSpace = controller.FreeSpaceController())
        freeSpace->OnStartUp();
    if (IDefragController* defrag = controller.DefragController())
        defrag->OnStartUp();

    if (FirstRunDue() && FirstRunWizard())
        FirstRunWizard()();
    return m_result = S_OK;
}

void CActiveKvStartup::PrepareRegistry()
{
    CRegKey key;
    if (key.Create(HKEY_CURRENT_USER, kStartupConsoleKey, KEY_READ | KEY_WRITE) != ERROR_SUCCESS)
        return;
    key.SetDWORDValue(QString(), 1);
    key.Close();
}

bool CActiveKvStartup::SplashScreenWanted(const CClientGP& policy)
{
    CRegKey key;
    DWORD show = 1;
    if (key.Open(HKEY_CURRENT_USER, kStartupConsoleKey, KEY_READ) == ERROR_SUCCESS &&
        key.QueryDWORDValue(u"ShowSplashScreen"_s, &show) == ERROR_SUCCESS && show != 1)
        return false;
    return policy.AllowSplashScreen();
}

bool CActiveKvStartup::FirstRunDue()
{
    CRegKey key;
    DWORD marker = 0;
    if (key.Open(HKEY_LOCAL_MACHINE, kStartupConsoleKey, KEY_READ) != ERROR_SUCCESS ||
        key.QueryDWORDValue(u"Wizard"_s, &marker) != ERROR_SUCCESS)
        return true;
    return marker == 0;
}

void CActiveKvStartup::SetFirstRunWizard(TWizard wizard)
{
    FirstRunWizard() = std::move(wizard);
}

CActiveKvStartup::TWizard& CActiveKvStartup::FirstRunWizard()
{
    static TWizard wizard;
    return wizard;
}
