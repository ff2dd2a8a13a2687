#include "engine/CKV100AgentInterface.h"
#include "platform/registry/CSettings.h"
#include "refengine/CAgentFeatureService.h"
#include "refengine/CAgentLogSettingsService.h"
#include "refengine/CAgentScheduleService.h"
#include "refengine/CAgentSettingsService.h"
#include "refengine/CAgentSettingsStore.h"
#include "refengine/CEventLog.h"
#include "refengine/CNoticeSink.h"
#include "refengine/CScheduleRunner.h"
#include "refengine/CScheduleStore.h"
#include "settings/CAdvancedPropertiesNotebook.h"
#include "settings/CAutoUpdatePage.h"
#include "settings/CCadencePage.h"
#include "settings/CGeneralPage.h"
#include "settings/CLogPage.h"
#include "settings/CProxySettingsDialog.h"
#include "tests/support/CScriptedPresenter.h"
#include "tests/support/CTestAgentStores.h"
#include "tests/support/CTestEngine.h"
#include "tests/support/CTestEnvironment.h"

#include "AgentFeatureAdaptor.h"
#include "AgentLogSettingsAdaptor.h"
#include "AgentScheduleAdaptor.h"
#include "AgentSettingsAdaptor.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QtTest>

#include <array>
#include <memory>

using namespace Qt::StringLiterals;

// The notebook and its pages, served by the reference agent's own settings services.
class TestSettingsNotebook : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void everySettingRoundTrips();
    void unvisitedPagesWriteNothing();
    void refusalsAndFailuresKeepTheDialogOpen();
    void quietWatchThresholdFields();
    void logButtonsAndOptionalPages();

private:
    QString File(const QString& name) const { return m_environment->Root() + u'/' + name; }
    // A notebook with every page, shown, on a context of the rig's.
    std::unique_ptr<CAdvancedPropertiesNotebook> OpenNotebook();
    template <typename TWidget>
    TWidget* Find(QWidget* page, const char* name) const
    {
        auto* widget = page->findChild<TWidget*>(QString::fromLatin1(name));
        if (!widget)
            qFatal("no widget %s", name);
        return widget;
    }
    CSettingsPage* Visit(CAdvancedPropertiesNotebook& notebook, int index);
    QVariant Preference(const QString& name) const { return m_preferences->value(name); }
    // The QuietWatch thresholds as the engine keeps them: automatic, then the six values.
    std::pair<bool, std::array<uint, 6>> KeptThresholds() const
    {
        CAgentFeatureService feature(m_featureFile);
        bool automatic = true;
        std::array<uint, 6> values{};
        if (feature.GetQuietWatchThresholds(automatic, values[0], values[1], values[2], values[3],
                                            values[4], values[5]) != S_OK)
            qFatal("the thresholds cannot be read");
        return {automatic, values};
    }

    std::unique_ptr<CTestEnvironment> m_environment;
    std::unique_ptr<CTestAgentStores> m_stores;
    std::unique_ptr<CTestEngine> m_engine;
    std::unique_ptr<CKV100AgentInterface> m_agent;
    std::unique_ptr<CSettings> m_preferences;
    std::unique_ptr<CScriptedPresenter> m_presenter;
    TSettingsContext m_context;
    QString m_featureFile;
};

void TestSettingsNotebook::init()
{
    m_environment = std::make_unique<CTestEnvironment>();
    m_environment->Set("PATH", m_environment->Root()); // no daemon to start
    m_stores = std::make_unique<CTestAgentStores>(m_environment->Root());
    QVERIFY(QDir().mkpath(File(u"feature"_s)));
    m_featureFile = File(u"feature/feature.json"_s);

    m_engine = std::make_unique<CTestEngine>();
    const auto serve = [this](const char* name, auto make) {
        m_engine->ServeAt(m_engine->AgentObjectPath(QString::fromLatin1(name)), make);
    };
    serve("Settings", [this](QObject* owner) -> QObject* {
        auto* service = new CAgentSettingsService(m_stores->settings, owner);
        new CAgentSettingsAdaptor(service);
        return service;
    });
    serve("Schedule", [this](QObject* owner) -> QObject* {
        auto* service = new CAgentScheduleService(m_stores->schedules, m_stores->runner, owner);
        new CAgentScheduleAdaptor(service);
        return service;
    });
    serve("LogSettings", [this](QObject* owner) -> QObject* {
        auto* service =
            new CAgentLogSettingsService(m_stores->log, File(u"logsettings.json"_s), owner);
        new CAgentLogSettingsAdaptor(service);
        return service;
    });
    serve("Feature", [this](QObject* owner) -> QObject* {
        auto* service = new CAgentFeatureService(m_featureFile, owner);
        new CAgentFeatureAdaptor(service);
        return service;
    });
    QVERIFY(m_engine->Start());
    m_agent = std::make_unique<CKV100AgentInterface>();
    QCOMPARE(m_agent->Connect(L"", L"", L"", L""), S_OK);

    m_preferences = std::make_unique<CSettings>(u"Tellmar"_s, u"Korvane"_s);
    m_preferences->beginGroup(u"11.0"_s);
    m_presenter = std::make_unique<CScriptedPresenter>();
    m_context = TSettingsContext{};
    m_context.agent = m_agent.get();
    m_context.preferences = m_preferences.get();
    m_context.edition = 2;
}

void TestSettingsNotebook::cleanup()
{
    m_presenter.reset();
    m_preferences.reset();
    m_agent.reset();
    m_engine.reset();
    m_stores.reset();
    m_environment.reset();
}

std::unique_ptr<CAdvancedPropertiesNotebook> TestSettingsNotebook::OpenNotebook()
{
    auto notebook = std::make_unique<CAdvancedPropertiesNotebook>(m_context);
    notebook->AddPages(CAdvancedPropertiesNotebook::OptionalPagesFor(notebook->Context()));
    notebook->show();
    return notebook;
}

CSettingsPage* TestSettingsNotebook::Visit(CAdvancedPropertiesNotebook& notebook, int index)
{
    notebook.CurrentChanged(index);
    CSettingsPage* page = notebook.Page(index);
    return page && page->IsLoaded() ? page : nullptr;
}

void TestSettingsNotebook::everySettingRoundTrips()
{
    // Values no fresh machine has, so that each one read shows in its control.
    QCOMPARE(m_stores->settings.Update([](CAgentSettingsStore::TSettings& s) {
        s.bootFileLayout = 2;
        s.autoUpdateInstall = 1;
        s.updateServer = u"updates.example.org"_s;
        s.updateUrlPath = u"/korvane"_s;
        s.proxyUserName = u"proxy"_s;
        s.proxyPassword = u"secret"_s;
        s.missedSchedules = 1;
        s.wakeFromStandby = true;
        s.stopOnBattery = false;
        s.noStartOnBattery = true;
        s.allowExternalDrives = false;
        s.allowFlashDrives = true;
        s.allowSsdDrives = true;
        s.excludeHibernationFile = false;
    }),
             S_OK);
    QCOMPARE(m_stores->schedules.SetAutoUpdate(20, 3), S_OK);
    QCOMPARE(m_agent->SetLogDestination(1), S_OK);
    QCOMPARE(m_preferences->setValue(u"ShowFreeSpaceTab"_s, 0), ERROR_SUCCESS);
    QCOMPARE(m_preferences->setValue(u"Preferences/Exit On Close"_s, true), ERROR_SUCCESS);

    auto notebook = OpenNotebook();
    const QStringList titles = {u"General"_s,
                                u"Log Settings"_s,
                                u"Auto Update"_s,
                                u"Power Options"_s,
                                u"Cadence"_s,
                                u"Drive Settings"_s,
                                u"System Resource Priority"_s,
                                u"File Types"_s,
                                u"Duplicate search"_s};
    QCOMPARE(notebook->PageCount(), titles.size());
    for (int index = 0; index < titles.size(); ++index)
        QCOMPARE(notebook->Page(index)->Title(), titles[index]);

    // Each page shows what is kept; then every control changes.
    CSettingsPage* general = Visit(*notebook, 0);
    QVERIFY(general);
    QVERIFY(Find<QRadioButton>(general, "bootLayout2")->isChecked());
    QVERIFY(Find<QCheckBox>(general, "showSplashScreen")->isChecked());
    QVERIFY(!Find<QCheckBox>(general, "showFreeSpaceTab")->isChecked());
    QVERIFY(Find<QCheckBox>(general, "showRemoveGuestPrompt")->isChecked());
    QVERIFY(Find<QRadioButton>(general, "exitOnClose")->isChecked());
    Find<QRadioButton>(general, "bootLayout3")->setChecked(true);
    Find<QCheckBox>(general, "showSplashScreen")->setChecked(false);
    Find<QCheckBox>(general, "showFreeSpaceTab")->setChecked(true);
    Find<QCheckBox>(general, "showRemoveGuestPrompt")->setChecked(false);
    Find<QRadioButton>(general, "minimizeToTray")->setChecked(true);

    CSettingsPage* log = Visit(*notebook, 1);
    QVERIFY(Find<QRadioButton>(log, "systemLog")->isChecked());
    Find<QRadioButton>(log, "ownLog")->setChecked(true);

    CSettingsPage* update = Visit(*notebook, 2);
    QVERIFY(Find<QRadioButton>(update, "install1")->isChecked());
    QCOMPARE(Find<QComboBox>(update, "weeks")->currentText(), u"Every 20 weeks"_s);
    QCOMPARE(Find<QComboBox>(update, "weeks")->itemText(0), u"Every week"_s);
    QCOMPARE(Find<QComboBox>(update, "day")->currentText(), u"Wednesday"_s);
    QCOMPARE(Find<QLineEdit>(update, "server")->text(), u"updates.example.org"_s);
    QCOMPARE(Find<QLineEdit>(update, "urlPath")->text(), u"/korvane"_s);
    Find<QRadioButton>(update, "install2")->setChecked(true);
    QVERIFY(!Find<QComboBox>(update, "weeks")->isEnabled());
    Find<QComboBox>(update, "weeks")->setCurrentIndex(1);
    Find<QComboBox>(update, "day")->setCurrentIndex(6);
    Find<QLineEdit>(update, "server")->setText(u"mirror.example.net"_s);
    Find<QLineEdit>(update, "urlPath")->setText(u"/kv"_s);
    // The proxy dialog shows the account, and offers OK only for a usable one.
    m_presenter->dialogScripts.append([this](QDialog& dialog) {
        auto* user = dialog.findChild<QLineEdit*>(u"userName"_s);
        auto* password = dialog.findChild<QLineEdit*>(u"password"_s);
        auto* ok = dialog.findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok);
        if (!user || !password || user->text() != u"proxy"_s || password->text() != u"secret"_s)
            return int(QDialog::Rejected);
        user->clear();
        const bool refusedWithoutUser = !ok->isEnabled();
        password->clear();
        const bool offeredEmpty = ok->isEnabled();
        user->setText(u"carol"_s);
        password->setText(u"pa55"_s);
        return refusedWithoutUser && offeredEmpty && ok->isEnabled() ? int(QDialog::Accepted)
                                                                     : int(QDialog::Rejected);
    });
    Find<QPushButton>(update, "proxySettings")->click();
    QCOMPARE(m_presenter->dialogTitles, QStringList{u"Proxy Settings"_s});

    CSettingsPage* power = Visit(*notebook, 3);
    QVERIFY(!Find<QCheckBox>(power, "stopOnBattery")->isChecked());
    QVERIFY(Find<QCheckBox>(power, "noStartOnBattery")->isChecked());
    Find<QCheckBox>(power, "stopOnBattery")->setChecked(true);
    Find<QCheckBox>(power, "noStartOnBattery")->setChecked(false);

    CSettingsPage* cadence = Visit(*notebook, 4);
    QVERIFY(Find<QRadioButton>(cadence, "rescheduleMissed")->isChecked());
    QVERIFY(Find<QRadioButton>(cadence, "wake")->isChecked());
    QVERIFY(Find<QRadioButton>(cadence, "automaticThresholds")->isChecked());
    QCOMPARE(Find<QLineEdit>(cadence, "diskIo")->text(), u"4194304"_s);
    Find<QRadioButton>(cadence, "runMissed")->setChecked(true);
    Find<QRadioButton>(cadence, "noWake")->setChecked(true);
    Find<QRadioButton>(cadence, "advancedThresholds")->setChecked(true);
    Find<QSpinBox>(cadence, "kernelCpu")->setValue(7);
    Find<QSpinBox>(cadence, "userCpu")->setValue(55);
    Find<QLineEdit>(cadence, "diskIo")->setText(u"250000"_s);

    CSettingsPage* drives = Visit(*notebook, 5);
    QVERIFY(!Find<QCheckBox>(drives, "allowExternal")->isChecked());
    QVERIFY(Find<QCheckBox>(drives, "allowFlash")->isChecked());
    QVERIFY(Find<QCheckBox>(drives, "allowSsd")->isChecked());
    QVERIFY(!Find<QCheckBox>(drives, "excludeHibernation")->isChecked());
    for (const char* name : {"allowExternal", "allowFlash", "allowSsd", "excludeHibernation"})
        Find<QCheckBox>(drives, name)->toggle();

    QSignalSpy accepted(notebook.get(), &QDialog::accepted);
    Find<QPushButton>(notebook.get(), "okButton")->click();
    QCOMPARE(accepted.size(), 1);
    QVERIFY(m_presenter->messages.isEmpty());

    const CAgentSettingsStore::TSettings s = m_stores->settings.Settings();
    QCOMPARE(s.bootFileLayout, 3u);
    QCOMPARE(s.autoUpdateInstall, 2u);
    QCOMPARE(s.updateServer, u"mirror.example.net"_s);
    QCOMPARE(s.updateUrlPath, u"/kv"_s);
    QCOMPARE(s.proxyUserName, u"carol"_s);
    QCOMPARE(s.proxyPassword, u"pa55"_s);
    QCOMPARE(s.missedSchedules, 0u);
    QVERIFY(!s.wakeFromStandby);
    QVERIFY(s.stopOnBattery && !s.noStartOnBattery);
    QVERIFY(s.allowExternalDrives && !s.allowFlashDrives && !s.allowSsdDrives);
    QVERIFY(s.excludeHibernationFile);
    QCOMPARE(m_stores->schedules.AutoUpdate(), (CScheduleStore::TAutoUpdate{2, 6}));
    uint destination = 9;
    QCOMPARE(m_agent->GetLogDestination(&destination), S_OK);
    QCOMPARE(destination, 0u);
    const auto [automatic, values] = KeptThresholds();
    QVERIFY(!automatic);
    QCOMPARE(values[0], 7u);
    QCOMPARE(values[1], 55u);
    QCOMPARE(values[2], 250000u);
    QCOMPARE(values[5], 4194304u); // not a guest: the host's value stays as it was
    QCOMPARE(Preference(u"ShowSplashScreen"_s), QVariant(0));
    QCOMPARE(Preference(u"ShowFreeSpaceTab"_s), QVariant(1));
    QCOMPARE(Preference(u"ShowRemoveGuestPrompt"_s), QVariant(0));
    QCOMPARE(Preference(u"Preferences/Exit On Close"_s), QVariant(0));
}

void TestSettingsNotebook::unvisitedPagesWriteNothing()
{
    auto notebook = OpenNotebook();
    QVERIFY(notebook->Page(0)->IsLoaded());
    for (int index = 1; index < notebook->PageCount(); ++index)
        QVERIFY2(!notebook->Page(index)->IsLoaded(), qPrintable(notebook->Page(index)->Title()));
    // Another console changes every value meanwhile; only General's own value is written back.
    QCOMPARE(m_stores->settings.Update([](CAgentSettingsStore::TSettings& s) {
        s.bootFileLayout = 1;
        s.autoUpdateInstall = 2;
        s.stopOnBattery = false;
        s.missedSchedules = 1;
        s.allowFlashDrives = true;
    }),
             S_OK);
    QCOMPARE(m_agent->SetLogDestination(1), S_OK);
    QCOMPARE(m_stores->schedules.SetAutoUpdate(3, 2), S_OK);
    const CAgentSettingsStore::TSettings before = m_stores->settings.Settings();

    Find<QPushButton>(notebook.get(), "okButton")->click();
    QCOMPARE(notebook->result(), int(QDialog::Accepted));
    CAgentSettingsStore::TSettings expected = before;
    expected.bootFileLayout = 0;
    QCOMPARE(m_stores->settings.Settings(), expected);
    uint destination = 0;
    QCOMPARE(m_agent->GetLogDestination(&destination), S_OK);
    QCOMPARE(destination, 1u);
    QCOMPARE(m_stores->schedules.AutoUpdate(), (CScheduleStore::TAutoUpdate{3, 2}));
    QVERIFY(!QFile::exists(m_featureFile));
    QCOMPARE(Preference(u"ShowFreeSpaceTab"_s), QVariant(1));
}

void TestSettingsNotebook::refusalsAndFailuresKeepTheDialogOpen()
{
    // The agent refuses an update server it cannot keep: the page's message, the page made
    // current, and nothing of that page kept.
    auto notebook = OpenNotebook();
    CSettingsPage* update = Visit(*notebook, 2);
    Find<QRadioButton>(update, "install1")->setChecked(true);
    Find<QLineEdit>(update, "server")->setText(QString(2000, u'x'));
    Find<QComboBox>(update, "weeks")->setCurrentIndex(3);
    CSettingsPage* power = Visit(*notebook, 3);
    Find<QCheckBox>(power, "stopOnBattery")->setChecked(false);
    Visit(*notebook, 0);
    Find<QRadioButton>(notebook->Page(0), "bootLayout1")->setChecked(true);

    Find<QPushButton>(notebook.get(), "okButton")->click();
    QCOMPARE(notebook->result(), int(QDialog::Rejected));
    QVERIFY(notebook->isVisible());
    QCOMPARE(notebook->CurrentPage(), update);
    QCOMPARE(m_presenter->messages.size(), 1);
    QCOMPARE(m_presenter->messages[0].title, u"Settings Not Saved"_s);
    QVERIFY(m_presenter->messages[0].text.contains(u"Auto Update"_s));
    CAgentSettingsStore::TSettings s = m_stores->settings.Settings();
    QCOMPARE(s.bootFileLayout, 1u); // General comes before it
    QCOMPARE(s.autoUpdateInstall, 0u);
    QVERIFY(s.updateServer.isEmpty());
    QCOMPARE(m_stores->schedules.AutoUpdate(), (CScheduleStore::TAutoUpdate{1, 0}));
    QVERIFY(s.stopOnBattery); // after it

    // The QuietWatch thresholds cannot be written: the pages before Cadence are kept, Cadence's
    // first value is taken back, and the page after it is not written.
    Find<QLineEdit>(update, "server")->setText(u"ok.example.org"_s);
    QVERIFY(QDir(File(u"feature"_s)).removeRecursively()); // its folder is gone
    CSettingsPage* cadence = Visit(*notebook, 4);
    Find<QRadioButton>(cadence, "rescheduleMissed")->setChecked(true);
    CSettingsPage* drives = Visit(*notebook, 5);
    Find<QCheckBox>(drives, "allowFlash")->setChecked(true);
    m_presenter->messages.clear();
    Find<QPushButton>(notebook.get(), "okButton")->click();
    QCOMPARE(notebook->result(), int(QDialog::Rejected));
    QCOMPARE(notebook->CurrentPage(), cadence);
    QCOMPARE(m_presenter->messages.size(), 1);
    QVERIFY(m_presenter->messages[0].text.contains(u"Cadence"_s));
    s = m_stores->settings.Settings();
    QCOMPARE(s.autoUpdateInstall, 1u);
    QCOMPARE(s.updateServer, u"ok.example.org"_s);
    QCOMPARE(m_stores->schedules.AutoUpdate(), (CScheduleStore::TAutoUpdate{4, 0}));
    QVERIFY(!s.stopOnBattery);
    QCOMPARE(s.missedSchedules, 0u);
    QVERIFY(!s.allowFlashDrives);

    // Once it can be written, everything is.
    QVERIFY(QDir().mkpath(File(u"feature"_s)));
    Find<QPushButton>(notebook.get(), "okButton")->click();
    QCOMPARE(notebook->result(), int(QDialog::Accepted));
    s = m_stores->settings.Settings();
    QVERIFY(s.missedSchedules == 1 && s.allowFlashDrives);
}

void TestSettingsNotebook::quietWatchThresholdFields()
{
    m_context.virtualGuest = true;
    auto notebook = OpenNotebook();
    CSettingsPage* cadence = Visit(*notebook, 4);
    const char* fields[] = {"kernelCpu",     "userCpu",     "diskIo",
                            "hostKernelCpu", "hostUserCpu", "hostDiskIo"};
    for (const char* name : fields) {
        QVERIFY2(!Find<QWidget>(cadence, name)->isEnabled(), name);
        QVERIFY2(Find<QWidget>(cadence, name)->isVisibleTo(cadence), name);
    }
    Find<QRadioButton>(cadence, "advancedThresholds")->setChecked(true);
    for (const char* name : fields)
        QVERIFY2(Find<QWidget>(cadence, name)->isEnabled(), name);

    // Typed into the fields: below the least value is not an accepted value.
    auto* diskIo = Find<QLineEdit>(cadence, "diskIo");
    auto* hostDiskIo = Find<QLineEdit>(cadence, "hostDiskIo");
    diskIo->clear();
    QTest::keyClicks(diskIo, u"9999x"_s);
    QCOMPARE(diskIo->text(), u"9999"_s);
    QVERIFY(!diskIo->hasAcceptableInput());
    QTest::keyClicks(diskIo, u"0"_s);
    QVERIFY(diskIo->hasAcceptableInput());
    hostDiskIo->clear();
    QTest::keyClicks(hostDiskIo, u"99999"_s);
    QVERIFY(!hostDiskIo->hasAcceptableInput());
    Find<QSpinBox>(cadence, "hostUserCpu")->setValue(90);

    // Not accepted means not saved: the page refuses and nothing at all is written.
    Find<QPushButton>(notebook.get(), "okButton")->click();
    QCOMPARE(notebook->result(), int(QDialog::Rejected));
    QCOMPARE(notebook->CurrentPage(), cadence);
    QCOMPARE(m_presenter->messages.size(), 1);
    QCOMPARE(m_presenter->messages[0].title, u"Host Disk IO (Bytes/sec)"_s);
    QVERIFY(!QFile::exists(m_featureFile));
    QVERIFY(!QFile::exists(m_stores->settings.FilePath()));

    QTest::keyClicks(hostDiskIo, u"0"_s);
    Find<QPushButton>(notebook.get(), "okButton")->click();
    QCOMPARE(notebook->result(), int(QDialog::Accepted));
    const auto [automatic, values] = KeptThresholds();
    QVERIFY(!automatic);
    QCOMPARE(values[2], 99990u);
    QCOMPARE(values[4], 90u);
    QCOMPARE(values[5], 999990u);
}

void TestSettingsNotebook::logButtonsAndOptionalPages()
{
    auto notebook = OpenNotebook();
    QSignalSpy viewLog(notebook.get(), &CAdvancedPropertiesNotebook::ViewLogRequested);
    CSettingsPage* log = Visit(*notebook, 1);
    Find<QPushButton>(log, "viewLog")->click();
    QCOMPARE(viewLog.size(), 1);

    // Clearing asks first; No keeps the log.
    QVERIFY(m_stores->log.Append(u"Korvane"_s, 4, 1, u"kept"_s));
    m_presenter->messageAnswers = {CScriptedPresenter::Answer(QMessageBox::No),
                                   CScriptedPresenter::Answer(QMessageBox::Yes)};
    Find<QPushButton>(log, "clearLog")->click();
    QCOMPARE(m_stores->log.Count(), 1);
    Find<QPushButton>(log, "clearLog")->click();
    QCOMPARE(m_stores->log.Count(), 0);
    QCOMPARE(m_presenter->messages.size(), 2);
    QCOMPARE(m_presenter->messages[0].title, u"Clear Log?"_s);
    QCOMPARE(m_presenter->messages[0].text, u"Are you sure you want to clear the log?"_s);
    // Without an agent the log cannot be cleared, and the user is told.
    m_agent->Disconnect();
    m_presenter->messageAnswers = {CScriptedPresenter::Answer(QMessageBox::Yes)};
    Find<QPushButton>(log, "clearLog")->click();
    QCOMPARE(m_presenter->messages.size(), 4);
    QCOMPARE(m_presenter->messages[3].title, u"Log Error"_s);
    QCOMPARE(m_presenter->messages[3].text, u"An error occured while trying to clear the log."_s);

    // Which optional pages a computer has.
    using TOptional = CAdvancedPropertiesNotebook::TOptionalPages;
    TSettingsContext context;
    context.edition = 2;
    QCOMPARE(CAdvancedPropertiesNotebook::OptionalPagesFor(context),
             (TOptional{true, false, false}));
    context.edition = 3;
    QCOMPARE(CAdvancedPropertiesNotebook::OptionalPagesFor(context),
             (TOptional{true, true, false}));
    context.remote = true; // no agent of the current generation, and no Exchange from afar
    QCOMPARE(CAdvancedPropertiesNotebook::OptionalPagesFor(context),
             (TOptional{false, false, false}));
    context.edition = 6;
    context.remote = false;
    context.virtualGuest = true;
    QCOMPARE(CAdvancedPropertiesNotebook::OptionalPagesFor(context),
             (TOptional{false, false, true}));
    context.edition = 4;
    context.virtualGuest = false;
    QCOMPARE(CAdvancedPropertiesNotebook::OptionalPagesFor(context),
             (TOptional{true, false, true}));
}

QTEST_MAIN(TestSettingsNotebook)
#include "tst_SettingsNotebook.moc"
