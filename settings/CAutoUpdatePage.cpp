#include "settings/CAutoUpdatePage.h"

#include "appmodel/IMessagePresenter.h"
#include "engine/CKV100AgentInterface.h"
#include "engine/CKV100ConfigurationInterface.h"
#include "settings/CProxySettingsDialog.h"
#include "settings/CSettingsTransaction.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace {

constexpr int CAutoUpdatePageNeverCheck = 2;

} // namespace

CAutoUpdatePage::CAutoUpdatePage(const TSettingsContext& context, QWidget* parent)
    : CSettingsPage("CAutoUpdatePage", "Auto Update", u"Korvane_Settings_-_Auto_Update.htm"_s,
                    context, parent)
    , m_install(new QButtonGroup(this))
    , m_weeks(new QComboBox)
    , m_day(new QComboBox)
    , m_server(new QLineEdit)
    , m_urlPath(new QLineEdit)
    , m_proxy(new QPushButton(Translate("Proxy Settings")))
{
    auto* text = new QLabel(
        Translate("Specify how and when Korvane will be updated with new product updates."));
    text->setWordWrap(true);

    auto* install = new QGroupBox(Translate("Install option"));
    auto* installLayout = new QVBoxLayout(install);
    const QString installChoices[] = {
        Translate("Notify when update is available"),
        Translate("Always install updates when available"),
        Translate("Do not automatically check for updates"),
    };
    // The button ids are the agent's values.
    for (int id = 0; id < 3; ++id) {
        auto* choice = new QRadioButton(installChoices[id]);
        choice->setObjectName(u"install%1"_s.arg(id));
        m_install->addButton(choice, id);
        installLayout->addWidget(choice);
    }
    m_install->button(0)->setChecked(true);

    auto* check = new QGroupBox(Translate("Check for updates"));
    auto* checkLayout = new QHBoxLayout(check);
    m_weeks->setObjectName(u"weeks"_s);
    m_day->setObjectName(u"day"_s);
    for (uint weeks = 1; weeks <= kListedWeeks; ++weeks)
        m_weeks->addItem(weeks == 1 ? QString(Translate("Every week"))
                                    : QString(Translate("Every %1 weeks").Arg(weeks)),
                         weeks);
    const QString days[] = {Translate("Sunday"),    Translate("Monday"),   Translate("Tuesday"),
                            Translate("Wednesday"), Translate("Thursday"), Translate("Friday"),
                            Translate("Saturday")};
    for (const QString& day : days)
        m_day->addItem(day);
    checkLayout->addWidget(m_weeks);
    checkLayout->addWidget(m_day);
    checkLayout->addStretch(1);

    auto* server = new QFormLayout;
    m_server->setObjectName(u"server"_s);
    m_urlPath->setObjectName(u"urlPath"_s);
    m_proxy->setObjectName(u"proxySettings"_s);
    server->addRow(Translate("Update server"), m_server);
    server->addRow(Translate("URL Path"), m_urlPath);
    auto* proxyRow = new QHBoxLayout;
    proxyRow->addWidget(m_proxy);
    proxyRow->addStretch(1);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(text);
    layout->addWidget(install);
    layout->addWidget(check);
    layout->addLayout(server);
    layout->addLayout(proxyRow);
    layout->addStretch(1);

    connect(m_proxy, &QPushButton::clicked, this, &CAutoUpdatePage::OpenProxySettings);
    connect(m_install, &QButtonGroup::idToggled, this, &CAutoUpdatePage::EnableSchedule);
    EnableSchedule();
}

void CAutoUpdatePage::EnableSchedule()
{
    const bool checks = m_install->checkedId() != CAutoUpdatePageNeverCheck;
    m_weeks->setEnabled(checks);
    m_day->setEnabled(checks);
}

void CAutoUpdatePage::SelectWeeks(uint weeks)
{
    int index = m_weeks->findData(weeks);
    if (index < 0) {
        m_weeks->addItem(Translate("Every %1 weeks").Arg(weeks), weeks);
        index = m_weeks->count() - 1;
    }
    m_weeks->setCurrentIndex(index);
}

HRESULT CAutoUpdatePage::Load()
{
    CKV100ConfigurationInterface configuration(Context().agent);
    HRESULT failure = S_OK;
    const auto note = [&failure](HRESULT result) {
        if (FAILED(result) && SUCCEEDED(failure))
            failure = result;
        return SUCCEEDED(result);
    };

    uint install = 0;
    if (note(configuration.GetAutoUpdate(&install)) && m_install->button(int(install))) {
        m_loaded.install = install;
        m_install->button(int(install))->setChecked(true);
    }
    TString server;
    TString urlPath;
    if (note(configuration.GetUpdateServer(&server, &urlPath))) {
        m_loaded.server = std::make_pair(server, urlPath);
        m_server->setText(QString::fromStdWString(server));
        m_urlPath->setText(QString::fromStdWString(urlPath));
    }
    TString proxy;
    if (note(configuration.GetProxyUserName(&proxy))) {
        m_loaded.proxyUserName = proxy;
        m_proxyUserName = QString::fromStdWString(proxy);
    }
    if (note(configuration.GetProxyPassword(&proxy))) {
        m_loaded.proxyPassword = proxy;
        m_proxyPassword = QString::fromStdWString(proxy);
    }
    uint weeks = 1;
    uint day = 0;
    if (note(Context().agent ? Context().agent->GetAutoUpdateSchedule(&weeks, &day) : E_FAIL) &&
        weeks >= 1 && day < uint(m_day->count())) {
        m_loaded.schedule = std::make_pair(weeks, day);
        SelectWeeks(weeks);
        m_day->setCurrentIndex(int(day));
    }
    EnableSchedule();
    return failure;
}

void CAutoUpdatePage::OpenProxySettings()
{
    CProxySettingsDialog dialog(m_proxyUserName, m_proxyPassword, this);
    if (IMessagePresenter::Instance().RunDialog(dialog) != QDialog::Accepted)
        return;
    m_proxyUserName = dialog.UserName();
    m_proxyPassword = dialog.Password();
}

HRESULT CAutoUpdatePage::Save()
{
    CKV100ConfigurationInterface configuration(Context().agent);
    CKV100AgentInterface* agent = Context().agent;
    using TCall = CSettingsTransaction::TCall;
    const TLoaded before = m_loaded;
    const uint install = uint(m_install->checkedId());
    const TString server = m_server->text().toStdWString();
    const TString urlPath = m_urlPath->text().toStdWString();
    const TString proxyUserName = m_proxyUserName.toStdWString();
    const TString proxyPassword = m_proxyPassword.toStdWString();
    const uint weeks = m_weeks->currentData().toUInt();
    const uint day = uint(m_day->currentIndex());

    CSettingsTransaction transaction;
    transaction.Write([&] { return configuration.SetAutoUpdate(install); },
                      before.install
                          ? TCall([&] { return configuration.SetAutoUpdate(*before.install); })
                          : TCall());
    transaction.Write(
        [&] { return configuration.SetUpdateServer(server, urlPath); }, before.server ? TCall([&] {
            return configuration.SetUpdateServer(before.server->first, before.server->second);
        })
                                                                                      : TCall());
    transaction.Write([&] { return configuration.SetProxyUserName(proxyUserName); },
                      before.proxyUserName ? TCall([&] {
                          return configuration.SetProxyUserName(*before.proxyUserName);
                      })
                                           : TCall());
    transaction.Write([&] { return configuration.SetProxyPassword(proxyPassword); },
                      before.proxyPassword ? TCall([&] {
                          return configuration.SetProxyPassword(*before.proxyPassword);
                      })
                                           : TCall());
    transaction.Write([&] { return agent ? agent->SetAutoUpdateSchedule(weeks, day) : E_FAIL; },
                      TCall());

    if (FAILED(transaction.Result())) {
        ReportSaveFailure(transaction.Result());
        return transaction.Result();
    }
    m_loaded = {install, std::make_pair(server, urlPath), proxyUserName, proxyPassword,
                std::make_pair(weeks, day)};
    return S_OK;
}
