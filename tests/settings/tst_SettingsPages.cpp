#include "defrag/CDirectoryTreeModelBase.h"
#include "engine/CKV100AgentInterface.h"
#include "engine/CKV100BrowserInterface.h"
#include "refengine/CAgentFeatureService.h"
#include "refengine/CAgentFilterService.h"
#include "refengine/CAgentSettingsService.h"
#include "refengine/CAgentSettingsStore.h"
#include "settings/CDuplicateExclusionDialog.h"
#include "settings/CExchangeSettingsPage.h"
#include "settings/CFileTypeExtensionDialog.h"
#include "settings/CFileTypePage.h"
#include "settings/COptionsDuplicatePage.h"
#include "settings/COptionsVirtualMachinePage.h"
#include "settings/CSystemResourcePage.h"
#include "tests/support/CScriptedPresenter.h"
#include "tests/support/CTestEngine.h"
#include "tests/support/CTestEnvironment.h"

#include "AgentFeatureAdaptor.h"
#include "AgentFilterAdaptor.h"
#include "AgentSettingsAdaptor.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTableWidget>
#include <QTreeView>
#include <QtTest>

#include <memory>

using namespace Qt::StringLiterals;

// The pages against the reference engine's own settings, filter and feature services, served on
// a test engine and reached through the console's agent wrapper.
class TestSettingsPages : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void systemResourcesRoundTripAndThreshold();
    void fileTypesThroughTheExtensionEditor();
    void duplicateExclusionsThroughTheEngine();
    void exchangeChecksTestsAndRefusal();
    void virtualEnvironmentChecks();

private:
    QString File(const QString& name) const { return m_environment->Root() + u'/' + name; }
    // The texts of the boxes shown since the last call.
    QStringList TakeMessages();

    std::unique_ptr<CTestEnvironment> m_environment;
    std::unique_ptr<CAgentSettingsStore> m_store;
    std::unique_ptr<CTestEngine> m_engine;
    std::unique_ptr<CKV100AgentInterface> m_agent;
    std::unique_ptr<CScriptedPresenter> m_presenter;
    TSettingsContext m_context;
};

void TestSettingsPages::init()
{
    m_environment = std::make_unique<CTestEnvironment>();
    m_environment->Set("PATH", m_environment->Root()); // no daemon to start
    QVERIFY(QDir().mkpath(File(u"volume/photos/2024"_s)));
    m_store = std::make_unique<CAgentSettingsStore>(File(u"settings.json"_s));
    m_engine = std::make_unique<CTestEngine>();
    m_engine->ServeAt(m_engine->AgentObjectPath(u"Settings"_s), [this](QObject* owner) {
        auto* service = new CAgentSettingsService(*m_store, owner);
        new CAgentSettingsAdaptor(service);
        return service;
    });
    const QString volume = File(u"volume"_s);
    const QString exclusions = File(u"exclusions.json"_s);
    m_engine->ServeAt(m_engine->AgentObjectPath(u"Filter"_s), [volume, exclusions](QObject* owner) {
        auto* service = new CAgentFilterService(
            [volume] {
                return QList<CAgentFilterService::TDrive>{{volume, u"{volume-1}"_s, 3}};
            },
            exclusions, owner);
        new CAgentFilterAdaptor(service);
        return service;
    });
    const QString feature = File(u"feature.json"_s);
    m_engine->ServeAt(m_engine->AgentObjectPath(u"Feature"_s), [feature](QObject* owner) {
        auto* service = new CAgentFeatureService(feature, owner);
        new CAgentFeatureAdaptor(service);
        return service;
    });
    QVERIFY(m_engine->Start());
    m_agent = std::make_unique<CKV100AgentInterface>();
    QCOMPARE(m_agent->Connect(L"", L"", L"", L""), S_OK);
    m_presenter = std::make_unique<CScriptedPresenter>();
    m_context = TSettingsContext{};
    m_context.agent = m_agent.get();
}

void TestSettingsPages::cleanup()
{
    m_presenter.reset();
    m_agent.reset();
    m_engine.reset();
    m_store.reset();
    m_environment.reset();
}

QStringList TestSettingsPages::TakeMessages()
{
    QStringList texts;
    for (const IMessagePresenter::TMessage& message : m_presenter->messages)
        texts.append(message.title + u": "_s + message.text);
    m_presenter->messages.clear();
    return texts;
}

void TestSettingsPages::systemResourcesRoundTripAndThreshold()
{
    QVERIFY(SUCCEEDED(m_store->Update([](CAgentSettingsStore::TSettings& s) {
        s.cpuPriority = 2;
        s.ioThrottling = false;
        s.vssMode = 0;
        s.vssThreshold = 35;
    })));
    CSystemResourcePage page(m_context);
    page.EnsureLoaded();
    QVERIFY(page.CpuPriorityButton(2).isChecked() && page.ThrottleOffButton().isChecked());
    QVERIFY(page.VssModeButton(0).isChecked());
    QCOMPARE(page.ThresholdBox().value(), 35);
    QVERIFY(!page.ThresholdBox().isEnabled());
    page.VssModeButton(1).click();
    QVERIFY(page.ThresholdBox().isEnabled());
    page.VssModeButton(2).click();
    QVERIFY(!page.ThresholdBox().isEnabled());
    page.VssModeButton(1).click();
    page.ThresholdBox().setValue(250); // clamped by the box
    page.CpuPriorityButton(1).click();
    page.ThrottleOnButton().click();
    QCOMPARE(page.Save(), S_OK);
    const CAgentSettingsStore::TSettings saved = m_store->Settings();
    QVERIFY(saved.cpuPriority == 1 && saved.ioThrottling && saved.vssMode == 1);
    QCOMPARE(saved.vssThreshold, 100u);
    QVERIFY(TakeMessages().isEmpty());

    CSystemResourcePage reread(m_context);
    reread.EnsureLoaded();
    QVERIFY(reread.CpuPriorityButton(1).isChecked() && reread.ThresholdBox().isEnabled());
}

void TestSettingsPages::fileTypesThroughTheExtensionEditor()
{
    // The editor: known extensions not in the group on the left, moved both ways, typed ones
    // cleaned and never listed twice.
    CFileTypeExtensionDialog editor(u"Music files"_s, {u"mp3"_s, u"txt"_s, u"ogg"_s, u"TXT"_s},
                                    {u"mp3"_s});
    QCOMPARE(editor.Available().count(), 2);
    editor.Available().findItems(u"ogg"_s, Qt::MatchExactly).first()->setSelected(true);
    editor.AddSelected();
    QCOMPARE(editor.Extensions(), (QStringList{u"mp3"_s, u"ogg"_s}));
    editor.Chosen().findItems(u"mp3"_s, Qt::MatchExactly).first()->setSelected(true);
    editor.RemoveSelected();
    QCOMPARE(editor.Extensions(), QStringList{u"ogg"_s});
    editor.NewExtension().setText(u" .flac "_s);
    editor.AddTyped();
    editor.NewExtension().setText(u"txt"_s);
    editor.AddTyped(); // the known one moves over
    editor.NewExtension().setText(u"a/b"_s);
    editor.AddTyped();
    QCOMPARE(editor.Extensions(), (QStringList{u"flac"_s, u"ogg"_s, u"txt"_s}));
    QCOMPARE(editor.Available().count(), 1);
    QVERIFY(CFileTypeExtensionDialog::Normalized(u"*.x"_s).isEmpty());

    // The page: "txt" moved into the music group leaves the text documents.
    CFileTypePage page(m_context);
    page.EnsureLoaded();
    const CAgentSettingsStore::TFileTypes defaults = CAgentSettingsStore::DefaultFileTypes();
    QCOMPARE(page.Groups()[CFileTypePage::kMusic], defaults.music);
    QVERIFY(defaults.text.contains(u"txt"_s));
    m_presenter->dialogScripts = {[](QDialog& dialog) {
        auto& chooser = static_cast<CFileTypeExtensionDialog&>(dialog);
        chooser.Available().findItems(u"txt"_s, Qt::MatchExactly).first()->setSelected(true);
        chooser.AddSelected();
        return int(QDialog::Accepted);
    }};
    page.ChangeButton(CFileTypePage::kMusic).click();
    QVERIFY(page.Groups()[CFileTypePage::kMusic].contains(u"txt"_s));
    QVERIFY(!page.Groups()[CFileTypePage::kText].contains(u"txt"_s));
    QVERIFY(page.GroupField(CFileTypePage::kMusic).text().contains(u"txt"_s));
    page.ChangeButton(CFileTypePage::kText).click(); // rejected: nothing changes
    QVERIFY(!page.Groups()[CFileTypePage::kText].contains(u"txt"_s));
    QCOMPARE(page.Save(), S_OK);
    QVERIFY(m_store->FileTypesInUse().music.contains(u"txt"_s));
    QVERIFY(!m_store->FileTypesInUse().text.contains(u"txt"_s));

    page.RestoreAllExts();
    QCOMPARE(page.Groups()[CFileTypePage::kText], defaults.text);
    QCOMPARE(page.Save(), S_OK);
    QCOMPARE(m_store->FileTypesInUse(), defaults);
}

void TestSettingsPages::duplicateExclusionsThroughTheEngine()
{
    CKV100BrowserInterface browser(m_agent.get());
    TStringList folders;
    QList<bool> subfolders;
    QCOMPARE(browser.GetDefaultDuplicateExclusions(&folders, &subfolders), S_OK);
    QVERIFY(folders.size() >= 2 && folders.front() == L"System Volume Information\\" &&
            *std::next(folders.begin()) == L"$ISR\\");
    const TStringList defaults = folders;
    QCOMPARE(browser.GetDuplicateExclusions(&folders, &subfolders), S_OK);
    QCOMPARE(folders, defaults);

    const TStringList mine{L"/srv/backup", L"Cache\\"};
    QCOMPARE(browser.SetDuplicateExclusions(mine, {true, false}), S_OK);
    // Refused whole: blank, control characters, overlong, too many, lists out of step.
    const TString overlong(CAgentFilterService::kMaxExclusionLength + 1, L'a');
    const TStringList tooMany(CAgentFilterService::kMaxExclusions + 1, L"/x");
    for (const auto& [bad, flags] : {std::pair{TStringList{L"/ok", L"  "}, QList<bool>{true, true}},
                                     std::pair{TStringList{L"/a\tb"}, QList<bool>{true}},
                                     std::pair{TStringList{overlong}, QList<bool>{true}},
                                     std::pair{tooMany, QList<bool>(tooMany.size(), false)},
                                     std::pair{TStringList{L"/a"}, QList<bool>{}}})
        QCOMPARE(browser.SetDuplicateExclusions(bad, flags), E_INVALIDARG);
    QCOMPARE(browser.GetDuplicateExclusions(&folders, &subfolders), S_OK);
    QVERIFY(folders == mine && subfolders == (QList<bool>{true, false}));

    // The page: read, folder added through the chooser, one removed, saved, defaults back.
    COptionsDuplicatePage page(m_context);
    page.EnsureLoaded();
    QCOMPARE(page.Folders(), (QStringList{u"/srv/backup"_s, u"Cache\\"_s}));
    const QString photos = File(u"volume/photos"_s);
    m_presenter->dialogScripts = {[photos](QDialog& dialog) {
        auto& chooser = static_cast<CDuplicateExclusionDialog&>(dialog);
        // The tree reads the volume through the agent; pick the folder once it is there.
        if (!QTest::qWaitFor([&] { return chooser.Model().IndexOfPath(photos).isValid(); }, 10000))
            return int(QDialog::Rejected);
        chooser.Tree().setCurrentIndex(chooser.Model().IndexOfPath(photos));
        chooser.SubfoldersBox().setChecked(false);
        return int(QDialog::Accepted);
    }};
    page.AddFolder();
    QCOMPARE(page.Folders().last(), photos);
    QCOMPARE(page.Subfolders().last(), false);
    page.Table().selectRow(0);
    page.RemoveSelected();
    QCOMPARE(page.Save(), S_OK);
    QCOMPARE(browser.GetDuplicateExclusions(&folders, &subfolders), S_OK);
    QVERIFY(folders == (TStringList{L"Cache\\", photos.toStdWString()}) &&
            subfolders == (QList<bool>{false, false}));

    page.RemoveAll();
    QCOMPARE(page.Save(), S_OK);
    QCOMPARE(browser.GetDuplicateExclusions(&folders, &subfolders), S_OK);
    QVERIFY(folders.empty());
    page.RestoreDefaults();
    QCOMPARE(page.Save(), S_OK);
    QCOMPARE(browser.GetDuplicateExclusions(&folders, &subfolders), S_OK);
    QCOMPARE(folders, defaults);
    QVERIFY(TakeMessages().isEmpty());
}

void TestSettingsPages::exchangeChecksTestsAndRefusal()
{
    CExchangeSettingsPage page(m_context);
    page.EnsureLoaded();
    QVERIFY(!page.ServerField().text().isEmpty()); // the computer's name when none is kept
    QVERIFY(page.TestServerButton().isEnabled());
    page.ServerField().setText(u"  "_s);
    QVERIFY(!page.TestServerButton().isEnabled());
    QVERIFY(!page.TestEmailButton().isEnabled());
    page.SmtpField().setText(u"smtp.example.org"_s);
    page.FromField().setText(u"korvane@example.org"_s);
    QVERIFY(!page.TestEmailButton().isEnabled());
    page.ToField().setText(u"admin@example.org"_s);
    QVERIFY(page.TestEmailButton().isEnabled());

    page.ServerField().setText(u"mail01"_s);
    page.TestServerButton().click();
    page.TestEmailButton().click();
    QCOMPARE(TakeMessages(),
             (QStringList{u"Failure: Exchange Server Name mail01 is not Valid."_s,
                          u"SendTest Email Failed: SendTest Email Failed with error "
                          "0x80070032(The request is not supported.)"_s}));

    page.UserNameField().setText(u"CORP\\exchange"_s);
    page.PasswordField().setText(u"secret"_s);
    page.ConfirmField().setText(u"Secret"_s);
    QVERIFY(!page.Verify());
    QCOMPARE(TakeMessages(), QStringList{u"Password Mismatch: The passwords do not match."_s});
    page.ConfirmField().setText(u"secret"_s);
    QVERIFY(page.Verify());
    QCOMPARE(page.Save(), S_OK);
    CAgentSettingsStore::TSettings saved = m_store->Settings();
    QVERIFY(saved.exchangeUserName == u"CORP\\exchange"_s && saved.exchangePassword == u"secret"_s);
    QVERIFY(saved.exchangeServerName == u"mail01"_s &&
            saved.notifyRecipient == u"admin@example.org"_s);

    // A value the engine refuses: the user is told and nothing of the page is kept.
    page.UserNameField().setText(QString(CAgentSettingsStore::kMaxTextLength + 1, u'u'));
    page.ServerField().setText(u"mail02"_s);
    QCOMPARE(page.Save(), E_INVALIDARG);
    QCOMPARE(m_presenter->messages.size(), 1);
    QVERIFY(m_presenter->messages.first().text.contains(u"Exchange Settings"_s));
    m_presenter->messages.clear();
    QCOMPARE(m_store->Settings(), saved);

    CExchangeSettingsPage reread(m_context);
    reread.EnsureLoaded();
    QVERIFY(reread.ServerField().text() == u"mail01"_s &&
            reread.ConfirmField().text() == u"secret"_s);
}

void TestSettingsPages::virtualEnvironmentChecks()
{
    COptionsVirtualMachinePage page(m_context);
    page.EnsureLoaded();
    QVERIFY(page.KindButton(COptionsVirtualMachinePage::kPhysical).isChecked());
    QVERIFY(!page.HostField().isEnabled() && !page.UserField().isEnabled());
    page.KindButton(COptionsVirtualMachinePage::kVMwareWorkstation).click();
    QVERIFY(page.HostField().isEnabled() && !page.PasswordField().isEnabled());
    page.KindButton(COptionsVirtualMachinePage::kEsx).click();
    QVERIFY(page.HostField().isEnabled() && page.ConfirmField().isEnabled());

    QVERIFY(!page.Verify());
    page.HostField().setText(u"esx01.example.org"_s);
    QVERIFY(!page.Verify());
    page.UserField().setText(u"root"_s);
    page.PasswordField().setText(u"pw"_s);
    QVERIFY(!page.Verify());
    QCOMPARE(TakeMessages(),
             (QStringList{u"Sensing without hostname: You have set a sensing option that requires "
                          "a valid hostname.  Unable to save information."_s,
                          u"Sensing without username: You have set a sensing option that requires "
                          "a valid user name.  Unable to save information."_s,
                          u"Passwords don't match: Passwords don't match.  Unable to save "
                          "information."_s}));

    page.TestButton().click();
    page.ConfirmField().setText(u"pw"_s);
    page.TestButton().click();
    page.HostField().setText(u"LOCALHOST"_s);
    page.TestButton().click();
    page.HostField().setText(u"127.0.0.1"_s);
    page.TestButton().click();
    QCOMPARE(TakeMessages(),
             (QStringList{u"Password doesn't match: Password and confirm password don't match."_s,
                          u"Connection Failed: Attempt to connect to machine esx01.example.org "
                          "with username root  failed with error 0x80070035(The network path "
                          "was not found.)"_s,
                          u"Cannot select local computer as foreign vm host.: Cannot select local "
                          "computer as foreign vm host."_s,
                          u"Connection Failed: Attempt to connect to the specified local machine "
                          "as it's virtual host fails."_s}));

    page.HostField().setText(u"esx01.example.org"_s);
    QVERIFY(page.Verify());
    QCOMPARE(page.Save(), S_OK);
    page.HostField().setText(QString(CAgentFeatureService::kMaxTextLength + 1, u'h'));
    QCOMPARE(page.Save(), E_INVALIDARG); // refused by the engine, the user told
    QCOMPARE(TakeMessages().size(), 1);

    COptionsVirtualMachinePage reread(m_context);
    reread.EnsureLoaded();
    QVERIFY(reread.KindButton(COptionsVirtualMachinePage::kEsx).isChecked());
    QVERIFY(reread.HostField().text() == u"esx01.example.org"_s &&
            reread.UserField().text() == u"root"_s);
    QVERIFY(reread.ConfirmField().text() == u"pw"_s);
}

QTEST_MAIN(TestSettingsPages)
#include "tst_SettingsPages.moc"
