#include "settings/CGeneralPage.h"

#include "engine/CKV100ConfigurationInterface.h"
#include "platform/registry/CSettings.h"
#include "policy/CClientGP.h"
#include "settings/CSettingsTransaction.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QRadioButton>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

CGeneralPage::CGeneralPage(const TSettingsContext& context, QWidget* parent)
    : CSettingsPage("CGeneralPage", "General", u"Korvane_Settings.htm"_s, context, parent)
    , m_bootLayout(new QButtonGroup(this))
    , m_splash(new QCheckBox(Translate("Show Splash Screen on start")))
    , m_freeSpaceTab(new QCheckBox(Translate("Show Space Management tab")))
    , m_removeGuestPrompt(
          new QCheckBox(Translate("Show prompt when removing Virtual Guests from being managed.")))
    , m_minimize(new QRadioButton(Translate("Minimize to system tray")))
    , m_exit(new QRadioButton(Translate("Exit Korvane")))
{
    auto* boot = new QGroupBox(Translate("Defragmentation of files needed to start your computer"));
    auto* bootLayout = new QVBoxLayout(boot);
    auto* bootText = new QLabel(
        Translate("Choose how the layout.ini files will be managed to help your computer start "
                  "faster."));
    bootText->setWordWrap(true);
    bootLayout->addWidget(bootText);
    const QString bootChoices[] = {
        Translate("Let Korvane manage (recommended)"),
        Translate("Let Korvane manage all the layout.ini files"),
        Translate("Let Windows manage the layout.ini files"),
        Translate("Disable"),
    };
    // The button ids are the engine's values.
    for (int id = 0; id < 4; ++id) {
        auto* choice = new QRadioButton(bootChoices[id]);
        choice->setObjectName(u"bootLayout%1"_s.arg(id));
        m_bootLayout->addButton(choice, id);
        bootLayout->addWidget(choice);
    }
    m_bootLayout->button(0)->setChecked(true);

    auto* gui = new QGroupBox(Translate("Graphic User Interface (GUI) features"));
    auto* guiLayout = new QVBoxLayout(gui);
    m_splash->setObjectName(u"showSplashScreen"_s);
    m_freeSpaceTab->setObjectName(u"showFreeSpaceTab"_s);
    m_removeGuestPrompt->setObjectName(u"showRemoveGuestPrompt"_s);
    guiLayout->addWidget(m_splash);
    guiLayout->addWidget(m_freeSpaceTab);
    guiLayout->addWidget(m_removeGuestPrompt);

    auto* close = new QGroupBox(Translate("Close button behavior"));
    auto* closeLayout = new QVBoxLayout(close);
    m_minimize->setObjectName(u"minimizeToTray"_s);
    m_exit->setObjectName(u"exitOnClose"_s);
    closeLayout->addWidget(m_minimize);
    closeLayout->addWidget(m_exit);

    const CClientGP* policy = Context().policy;
    if (policy && !policy->AllowSplashScreen())
        m_splash->hide();
    if (policy && !policy->AllowTrayIcon())
        m_minimize->hide();

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(boot);
    layout->addWidget(gui);
    layout->addWidget(close);
    layout->addStretch(1);
}

bool CGeneralPage::Preference(const char* name) const
{
    if (!Context().preferences)
        return true;
    bool isNumber = false;
    const uint value = Context().preferences->value(QLatin1StringView(name)).toUInt(&isNumber);
    return !isNumber || value == 1;
}

HRESULT CGeneralPage::Load()
{
    uint bootLayout = 0;
    const HRESULT result = CKV100ConfigurationInterface(Context().agent).GetGeneral(&bootLayout);
    if (SUCCEEDED(result) && m_bootLayout->button(int(bootLayout))) {
        m_loadedBootLayout = bootLayout;
        m_bootLayout->button(int(bootLayout))->setChecked(true);
    }
    m_splash->setChecked(Preference(kShowSplashScreen));
    m_freeSpaceTab->setChecked(Preference(kShowFreeSpaceTab));
    m_removeGuestPrompt->setChecked(Preference(kShowRemoveGuestPrompt));
    const bool exitOnClose = Context().preferences &&
                             Context().preferences->value(QLatin1StringView(kExitOnClose)).toBool();
    // Without the tray the only choice left is to end the console; it is not chosen for the user.
    if (exitOnClose)
        m_exit->setChecked(true);
    else if (m_minimize->isVisibleTo(this))
        m_minimize->setChecked(true);
    return result;
}

HRESULT CGeneralPage::WritePreference(const QString& name, const QVariant& value)
{
    if (!Context().preferences)
        return E_FAIL;
    const LONG status = Context().preferences->setValue(name, value);
    return status == ERROR_SUCCESS ? S_OK : HRESULT_FROM_WIN32(DWORD(status));
}

void CGeneralPage::RestorePreference(const QString& name, const QVariant& before)
{
    if (before.isValid())
        Context().preferences->setValue(name, before);
    else
        Context().preferences->remove(name);
}

HRESULT CGeneralPage::Save()
{
    CKV100ConfigurationInterface configuration(Context().agent);
    CSettingsTransaction transaction;
    const uint bootLayout = uint(m_bootLayout->checkedId());
    const std::optional<uint> loaded = m_loadedBootLayout;
    transaction.Write([&] { return configuration.SetGeneral(bootLayout); },
                      loaded ? CSettingsTransaction::TCall([&configuration, loaded] {
                          return configuration.SetGeneral(*loaded);
                      })
                             : CSettingsTransaction::TCall());

    const auto preference = [this, &transaction](const QString& name, const QVariant& value) {
        const QVariant before =
            Context().preferences ? Context().preferences->value(name) : QVariant();
        transaction.Write([this, name, value] { return WritePreference(name, value); },
                          [this, name, before] {
                              RestorePreference(name, before);
                              return S_OK;
                          });
    };
    if (m_splash->isVisibleTo(this))
        preference(QLatin1StringView(kShowSplashScreen), m_splash->isChecked() ? 1 : 0);
    preference(QLatin1StringView(kShowFreeSpaceTab), m_freeSpaceTab->isChecked() ? 1 : 0);
    preference(QLatin1StringView(kShowRemoveGuestPrompt), m_removeGuestPrompt->isChecked() ? 1 : 0);
    if (m_exit->isChecked() || m_minimize->isChecked())
        preference(QLatin1StringView(kExitOnClose), m_exit->isChecked());

    if (FAILED(transaction.Result()))
        ReportSaveFailure(transaction.Result());
    else
        m_loadedBootLayout = bootLayout;
    return transaction.Result();
}
