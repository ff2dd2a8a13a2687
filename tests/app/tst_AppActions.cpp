#include "app/CApp.h"
#include "app/CHelpFile.h"
#include "app/CShutdown.h"
#include "platform/CEngineLocation.h"
#include "platform/power/IPowerControl.h"
#include "platform/registry/CRegKey.h"
#include "platform/shell/IShell.h"
#include "tests/support/CFakePowerControl.h"
#include "tests/support/CFakeShell.h"
#include "tests/support/CScriptedPresenter.h"
#include "tests/support/CTestEnvironment.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

#include <memory>

using namespace Qt::StringLiterals;

namespace {

const QString kPermission = u"Korvane needs your permission"_s;

QList<QMessageBox*> OpenNotices()
{
    QList<QMessageBox*> notices;
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        auto* box = qobject_cast<QMessageBox*>(widget);
        if (box && box->isVisible() && box->windowTitle() == kPermission)
            notices.append(box);
    }
    return notices;
}

QStringList ButtonTexts(QMessageBox* box)
{
    QStringList texts;
    for (QAbstractButton* button : box->buttons())
        texts.append(button->text() + u':' + QString::number(box->buttonRole(button)));
    // Shown in the platform's order of roles.
    texts.sort();
    return texts;
}

void Click(QMessageBox* box, const QString& text)
{
    for (QAbstractButton* button : box->buttons()) {
        if (button->text() == text) {
            button->click();
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
            return;
        }
    }
    QFAIL(qPrintable(u"no button "_s + text));
}

} // namespace

class tst_AppActions : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void busyAggregation();
    void commandMessagesWaitForTheNextTurn();
    void forcerebootWhileACountdownIsOpen();
    void finalActionsByUrgency();
    void finalActionNoticeComesBack();
    void finalSystemCalls();
    void countdown_data();
    void countdown();
    void stopShutdownMakesNoSystemCall();
    void shutdownRefusedKeepsTheCountdownOpen();
    void helpFolders();
    void updateChecker();
    void supportOnlyForThisComputer();
    void lostDrive();
    void skins();
    void exitOnCloseAndQuitWhenIdle();
    void paneLists();

private:
    std::unique_ptr<CTestEnvironment> m_environment;
    std::unique_ptr<CFakePowerControl> m_power;
    std::unique_ptr<CFakeShell> m_shell;
    std::unique_ptr<CScriptedPresenter> m_presenter;
    std::unique_ptr<CApp> m_app;
};

void tst_AppActions::init()
{
    m_environment = std::make_unique<CTestEnvironment>();
    m_environment->Set("PATH", m_environment->Root());
    m_power = std::make_unique<CFakePowerControl>();
    IPowerControl::SetInstance(m_power.get());
    m_shell = std::make_unique<CFakeShell>();
    IShell::SetInstance(m_shell.get());
    m_presenter = std::make_unique<CScriptedPresenter>();
    m_app = std::make_unique<CApp>();
}

void tst_AppActions::cleanup()
{
    for (QMessageBox* notice : OpenNotices())
        delete notice;
    m_app.reset();
    m_presenter.reset();
    IShell::SetInstance(nullptr);
    IPowerControl::SetInstance(nullptr);
    m_shell.reset();
    m_power.reset();
    m_environment.reset();
}

void tst_AppActions::busyAggregation()
{
    QSignalSpy busy(m_app.get(), &CApp::BusySignal);
    QSignalSpy paused(m_app.get(), &CApp::PausedSignal);
    QSignalSpy idle(m_app.get(), &CApp::IdleSignal);
    QSignalSpy tray(m_app.get(), &CApp::SystemTrayProgressBusy);
    const auto counts = [&] { return QList<qsizetype>{busy.size(), paused.size(), idle.size()}; };
    const auto set = [&](CModel::TIconBusyIndex index, TBusyStatus status) {
        busy.clear();
        paused.clear();
        idle.clear();
        m_app->SetSystemTrayProgressBusy(index, status);
    };

    set(CModel::kDefragmentation, TBusyStatus::Paused); // (0, 1, 0, 0, 0)
    QCOMPARE(counts(), (QList<qsizetype>{0, 1, 0}));
    set(CModel::kScheduling, TBusyStatus::Busy); // (2, 1, 0, 0, 0)
    QCOMPARE(counts(), (QList<qsizetype>{1, 0, 0}));
    set(CModel::kDefragmentation, TBusyStatus::Idle); // (2, 0, ...): someone is still busy
    QCOMPARE(counts(), (QList<qsizetype>{0, 0, 0}));
    set(CModel::kScheduling, TBusyStatus::Paused); // (1, 0, 0, 0, 0)
    QCOMPARE(counts(), (QList<qsizetype>{0, 1, 0}));
    set(CModel::kExchange, TBusyStatus::Idle); // still paused at index 0
    QCOMPARE(counts(), (QList<qsizetype>{0, 1, 0}));
    set(CModel::kScheduling, TBusyStatus::Idle);
    QCOMPARE(counts(), (QList<qsizetype>{0, 0, 1}));

    QCOMPARE(tray.size(), 6);
    QCOMPARE(tray.at(1), (QVariantList{0, true}));
    QCOMPARE(tray.at(3), (QVariantList{0, false}));

    // The models' handlers use their own rows, and the window follows.
    CMainWindow* window = m_app->GetMainWindow();
    m_app->OnExchangeBusyStateChanged(TBusyStatus::Busy);
    QCOMPARE(m_app->Model().Busy(CModel::kExchange), TBusyStatus::Busy);
    QVERIFY(window->ProgressIconBusy(CModel::kExchange));
    m_app->OnDefragerBusyStateChanged(TBusyStatus::Busy);
    m_app->OnCadenceBusyStateChanged(TBusyStatus::Paused);
    QCOMPARE(m_app->Model().Busy(CModel::kDefragmentation), TBusyStatus::Busy);
    QCOMPARE(m_app->Model().Busy(CModel::kScheduling), TBusyStatus::Paused);
    QVERIFY(!window->ProgressIconBusy(CModel::kScheduling));
}

void tst_AppActions::commandMessagesWaitForTheNextTurn()
{
    m_app->OnMessageReceived(u"/icononlystart"_s);
    m_app->OnMessageReceived(u"TERMINATE"_s); // not a command: it only shows the window
    QVERIFY(!m_app->MainWindowIfAny());
    QCoreApplication::processEvents();
    QVERIFY(m_app->MainWindowIfAny() && m_app->MainWindowIfAny()->isVisible());
    QVERIFY(!m_app->QuitRequested());

    m_app->OnMessageReceived(u"terminate"_s);
    QVERIFY(!m_app->QuitRequested());
    QCoreApplication::processEvents();
    QVERIFY(m_app->QuitRequested());
}

void tst_AppActions::forcerebootWhileACountdownIsOpen()
{
    bool openDuring = false;
    m_presenter->dialogScripts.append([&](QDialog& dialog) {
        openDuring = m_app->FinalActionDialogOpen();
        m_app->MainWindowIfAny()->hide();
        m_app->OnMessageReceived(u"forcereboot"_s);
        m_app->OnMessageReceived(u"forceshutdown"_s);
        QCoreApplication::processEvents();
        auto& countdown = static_cast<CShutdown&>(dialog);
        countdown.StopButton()->click();
        return dialog.result();
    });
    m_app->OnMessageReceived(u"forcereboot"_s);
    QCoreApplication::processEvents();
    QVERIFY(openDuring);
    QCOMPARE(m_presenter->dialogTitles, QStringList{u"Korvane requires your permission"_s});
    QVERIFY(m_app->MainWindowIfAny()->isVisible()); // shown again, nothing more
    QVERIFY(!m_app->FinalActionDialogOpen());
    QVERIFY(m_power->calls.isEmpty());
}

void tst_AppActions::finalActionsByUrgency()
{
    m_app->DisplayNeedCloseIe(u"Close the browser"_s);
    QCOMPARE(OpenNotices().size(), 1);
    QMessageBox* notice = OpenNotices().first();
    QCOMPARE(ButtonTexts(notice),
             (QStringList{u"OK:5"_s, u"Remind Me Later:6"_s, u"Wait For the Next Reboot:1"_s}));
    QVERIFY(!notice->isModal());

    // While a notice is open, a new request is kept but not shown a second time.
    m_app->DisplayNeedLogoff(u"Log off please"_s);
    m_app->DisplayNeedReboot(u"Reboot please"_s);
    m_app->DisplayNeedReboot(u"Reboot, really"_s);
    QCOMPARE(OpenNotices().size(), 1);
    QCOMPARE(m_app->Model().FinalActions().size(), 3);

    Click(notice, u"Remind Me Later"_s);
    QVERIFY(OpenNotices().isEmpty());
    QVERIFY(m_app->FinalActionTimer().isActive());
    QCOMPARE(m_app->FinalActionTimer().interval(), 300000);

    m_app->DoPickFinalAction();
    QVERIFY(!m_app->FinalActionTimer().isActive());
    notice = OpenNotices().first();
    QCOMPARE(notice->text(), u"Reboot, really"_s);
    QCOMPARE(ButtonTexts(notice), (QStringList{u"Reboot Later:6"_s, u"Reboot Now:5"_s,
                                               u"Wait For the Next Reboot:1"_s}));
    Click(notice, u"Wait For the Next Reboot"_s);
    QVERIFY(m_app->Model().FinalActions().isEmpty());
    m_app->DoPickFinalAction();
    QVERIFY(OpenNotices().isEmpty());
    QVERIFY(m_power->calls.isEmpty());
}

void tst_AppActions::finalActionNoticeComesBack()
{
    m_app->DisplayNeedLogoff(u"Log off please"_s);
    QMessageBox* notice = OpenNotices().first();
    QCOMPARE(ButtonTexts(notice), (QStringList{u"Log Off Now:5"_s, u"Remind Me Later:6"_s,
                                               u"Wait For the Next Reboot:1"_s}));
    Click(notice, u"Remind Me Later"_s);
    m_app->FinalActionTimer().start(1); // the five minutes, shortened
    QTRY_COMPARE(OpenNotices().size(), 1);
    Click(OpenNotices().first(), u"Log Off Now"_s);
    QCOMPARE(m_power->calls, (QStringList{u"EnablePrivilege:LogOff"_s, u"LogOff"_s}));
}

void tst_AppActions::finalSystemCalls()
{
    QCOMPARE(m_app->DoFinalReboot(), S_OK);
    QCOMPARE(m_power->calls, (QStringList{u"EnablePrivilege:Reboot"_s, u"Reboot"_s}));
    QCOMPARE(m_app->DoFinalCloseIE(), S_OK);

    m_power->calls.clear();
    m_power->privileges[IPowerControl::TAction::Reboot] = E_ACCESSDENIED;
    m_power->privileges[IPowerControl::TAction::LogOff] = E_ACCESSDENIED;
    QCOMPARE(m_app->DoFinalReboot(), E_ACCESSDENIED);
    QCOMPARE(m_app->DoFinalLogout(), E_ACCESSDENIED);
    QCOMPARE(m_power->calls,
             (QStringList{u"EnablePrivilege:Reboot"_s, u"EnablePrivilege:LogOff"_s}));

    m_power->logOffAnswer = E_FAIL;
    m_power->privileges.clear();
    QCOMPARE(m_app->DoFinalLogout(), E_ACCESSDENIED);

    QCOMPARE(m_app->StopShutdown(), 0u);
    m_power->cancelAnswer = HRESULT_FROM_WIN32(1116);
    QCOMPARE(m_app->StopShutdown(), 1116u);
}

void tst_AppActions::countdown_data()
{
    QTest::addColumn<bool>("reboot");
    QTest::addColumn<QString>("word");
    QTest::addColumn<QStringList>("calls");
    QTest::newRow("reboot") << true << u"reboot"_s
                            << QStringList{u"EnablePrivilege:Reboot"_s, u"Reboot"_s};
    QTest::newRow("shutdown")
        << false << u"shutdown"_s
        << QStringList{u"EnablePrivilege:PowerOff"_s,
                       u"PowerOff:Korvane has been set to shutdown this computer following the "
                       "completion of a schedule. "_s};
}

void tst_AppActions::countdown()
{
    QFETCH(bool, reboot);
    QFETCH(QString, word);
    QFETCH(QStringList, calls);
    const auto label = [&](int minutes, int seconds) {
        return u"To complete a scheduled operation, Korvane will <b>%1</b> your computer in "
               "<b>%2 min %3 seconds</b>."_s.arg(word)
                   .arg(minutes)
                   .arg(seconds);
    };
    CShutdown dialog(reboot);
    QCOMPARE(dialog.windowTitle(), u"Korvane requires your permission"_s);
    QVERIFY(dialog.windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    QCOMPARE(dialog.StopButton()->text(), reboot ? u"Stop Reboot"_s : u"Stop Shutdown"_s);
    QCOMPARE(dialog.NowButton()->text(), reboot ? u"Reboot Now"_s : u"Shutdown Now"_s);
    QCOMPARE(dialog.LabelText(), label(5, 0));

    dialog.show();
    for (int i = 0; i < 299; ++i)
        dialog.UpdateLabel();
    QCOMPARE(dialog.LabelText(), label(0, 1));
    QVERIFY(m_power->calls.isEmpty());
    QVERIFY(dialog.isVisible());

    dialog.UpdateLabel();
    QCOMPARE(m_power->calls, calls);
    QCOMPARE(dialog.result(), 1);
    QVERIFY(!dialog.isVisible());
}

void tst_AppActions::stopShutdownMakesNoSystemCall()
{
    CShutdown dialog(false);
    dialog.show();
    dialog.StopButton()->click();
    QCOMPARE(dialog.result(), 0);
    QVERIFY(!dialog.isVisible());
    QVERIFY(m_power->calls.isEmpty());
}

void tst_AppActions::shutdownRefusedKeepsTheCountdownOpen()
{
    m_power->privileges[IPowerControl::TAction::PowerOff] = E_ACCESSDENIED;
    CShutdown dialog(false);
    dialog.show();
    dialog.NowButton()->click();
    QVERIFY(dialog.isVisible());
    QCOMPARE(m_power->calls, QStringList{u"EnablePrivilege:PowerOff"_s});
}

void tst_AppActions::helpFolders()
{
    const QString engineDirectory = m_environment->Root() + u"/engine/"_s;
    QVERIFY(QDir().mkpath(engineDirectory));
    CRegKey key;
    QCOMPARE(key.Create(HKEY_LOCAL_MACHINE, QString::fromLatin1(CEngineLocation::kServerKey)),
             ERROR_SUCCESS);
    QCOMPARE(key.SetStringValue(QString(), u"\""_s + engineDirectory + u"korvane-engine\""_s),
             ERROR_SUCCESS);

    // No help at all: the user is told.
    m_shell->openAnswer = false;
    m_app->OnHelp();
    QCOMPARE(m_presenter->messages.size(), 1);
    QCOMPARE(m_presenter->messages.first().icon, QMessageBox::Critical);
    QCOMPARE(m_presenter->messages.first().title, u"Help File Missed"_s);
    QCOMPARE(m_presenter->messages.first().text,
             u"Failed to find the Help file. Please repair Korvane."_s);

    QVERIFY(QDir().mkpath(engineDirectory + u"KV11-EN-Help"_s));
    QVERIFY(QDir().mkpath(engineDirectory + u"KV11-GM-Help"_s));
    QCOMPARE(CHelpFile::Path(engineDirectory, 7), engineDirectory + u"KV11-GM-Help"_s);
    QCOMPARE(CHelpFile::Path(engineDirectory, 12), engineDirectory + u"KV11-EN-Help"_s);
    QCOMPARE(CHelpFile::LanguageCode(29), u"SW"_s);
    QCOMPARE(CHelpFile::LanguageCode(0x13), u"EN"_s);

    m_shell->openAnswer = true;
    m_shell->opened.clear();
    m_app->ContextHelp(QString());
    QVERIFY(m_shell->opened.isEmpty());
    m_app->ContextHelp(u"Defragmentation_Tab_Main_Screen.htm"_s);
    m_app->OnHelp();
    QCOMPARE(m_shell->opened.size(), 2);
    QVERIFY(m_shell->opened.at(0).toLocalFile().endsWith(
        u"-Help/Defragmentation_Tab_Main_Screen.htm"_s));
    QVERIFY(m_shell->opened.at(1).toLocalFile().startsWith(engineDirectory + u"KV11-"_s));
    QVERIFY(m_shell->opened.at(1).toLocalFile().endsWith(u"-Help/index.html"_s));
    QCOMPARE(m_presenter->messages.size(), 1);
}

void tst_AppActions::updateChecker()
{
    QCOMPARE(CApp::UpdateCheckerArguments(false),
             u" \" HKLM\\Software\\Tellmar\\Korvane\\11.0\\AutoUpdSettings\\ \"  /blueskin"_s);
    QCOMPARE(CApp::UpdateCheckerArguments(true),
             u" \" HKLM\\Software\\Tellmar\\Korvane\\11.0\\AutoUpdSettings\\ \"  /grayskin"_s);

    m_app->SetSkin(1);
    m_shell->startAnswer = HRESULT_FROM_WIN32(2);
    m_app->OnCheckForUpdates();
    QCOMPARE(m_shell->started.size(), 1);
    const QStringList command = m_shell->started.first();
    QVERIFY(command.at(0).endsWith(u"AutoUpdGui.exe"_s));
    QCOMPARE(command.mid(1), (QStringList{u" HKLM\\Software\\Tellmar\\Korvane\\11.0\\"
                                          "AutoUpdSettings\\ "_s,
                                          u"/grayskin"_s}));
    QCOMPARE(m_presenter->messages.size(), 1);
    QCOMPARE(m_presenter->messages.first().title, u"Unable to check for updates"_s);
    QVERIFY(m_presenter->messages.first().text.startsWith(
        u"Sorry, unable to check for updates due to error "_s));
    QVERIFY(m_presenter->messages.first().text.endsWith(u"(2)"_s));
}

void tst_AppActions::supportOnlyForThisComputer()
{
    int started = 0;
    m_app->SetSupportStarter([&] { ++started; });
    m_app->CallSupport();
    QCOMPARE(started, 1);
    QVERIFY(m_presenter->messages.isEmpty());

    m_app->Model().SetRemote(true);
    m_app->CallSupportAndQuit();
    QCOMPARE(started, 1);
    QCOMPARE(m_presenter->messages.size(), 1);
    QCOMPARE(m_presenter->messages.first().title,
             u"Support information only available for local connections"_s);
    QCOMPARE(m_presenter->messages.first().text,
             u"Support information is only available for local connections. Please log in to the "
             "machine you are remotely connected to and launch Korvane there to obtain support "
             "information."_s);
    QVERIFY(m_app->QuitRequested());
}

void tst_AppActions::lostDrive()
{
    m_app->WireEngineSignals();
    emit m_app->Engine().LostDrive(L"{volume}", L"gone");
    QVERIFY(!m_app->RestartRequested()); // always queued
    QTRY_VERIFY(m_app->RestartRequested());
    QVERIFY(m_app->QuitRequested());
    QCOMPARE(m_presenter->messages.size(), 1);
    QCOMPARE(m_presenter->messages.first().title, u"You appear to have lost a Drive!"_s);
    QCOMPARE(m_presenter->messages.first().text,
             u"You appear to have lost a Drive.  This may have been caused by network issues, "
             "Windows may have detected addition/removal of a external drive, or you may have a "
             "COM registration issue. Korvane will automatically be restarted. If you still have "
             "problems, please run Korvane Self-Diagnostics and Troubleshooting (see help for "
             "instructions)."_s);
}

void tst_AppActions::skins()
{
    QSignalSpy changed(m_app.get(), &CApp::SkinChanged);
    m_app->SetSkin(1);
    QCOMPARE(m_app->Model().Skin().number, 1);
    QCOMPARE(m_app->Model().Skin().styleSheet, u"skin-gray"_s);
    QCOMPARE(m_app->Model().SkinImage(u"bullet_info_32.png"_s),
             u":/images/skin_gray/bullet_info_32.png"_s);
    QVERIFY(QFile::exists(m_app->Model().SkinImage(u"bullet_info_32.png"_s)));
    QFile gray(u":/qss/skin-gray.qss"_s);
    QVERIFY(gray.open(QIODevice::ReadOnly));
    QCOMPARE(qApp->styleSheet(), QString::fromLatin1(gray.readAll()));

    m_app->SetSkin(0);
    QCOMPARE(m_app->Model().Skin().imageFolder, u"skin_blue"_s);
    QVERIFY(qApp->styleSheet().size() > 0);
    QCOMPARE(changed.size(), 2);
    qApp->setStyleSheet(QString());
}

void tst_AppActions::exitOnCloseAndQuitWhenIdle()
{
    QVERIFY(!m_app->ExitOnClose());
    m_app->Settings().setValue(u"Preferences/Exit On Close"_s, u"maybe"_s);
    QVERIFY(!m_app->ExitOnClose());
    m_app->QuitWhenIdle();
    QVERIFY(!m_app->QuitRequested());

    m_app->Settings().setValue(u"Preferences/Exit On Close"_s, true);
    QVERIFY(m_app->ExitOnClose());
    CMainWindow* window = m_app->GetMainWindow();
    window->show();
    m_app->SetSystemTrayProgressBusy(CModel::kFreeSpaceTools, TBusyStatus::Busy);
    window->hide();
    m_app->QuitWhenIdle();
    QVERIFY(!m_app->QuitRequested());
    m_app->SetSystemTrayProgressBusy(CModel::kFreeSpaceTools, TBusyStatus::Paused);
    m_app->QuitWhenIdle();
    QVERIFY(m_app->QuitRequested());

    // The value lives under the console's own key.
    CRegKey key;
    QCOMPARE(
        key.Open(HKEY_CURRENT_USER, u"Software\\Tellmar\\Korvane\\11.0\\Preferences"_s, KEY_READ),
        ERROR_SUCCESS);
    DWORD stored = 0;
    QCOMPARE(key.QueryDWORDValue(u"Exit On Close"_s, &stored), ERROR_SUCCESS);
    QCOMPARE(stored, DWORD(1));
}

void tst_AppActions::paneLists()
{
    using P = CModelLayout;
    CModelLayout layout;
    const auto panes = [&](quint32 edition, bool remote, bool freeSpace) {
        layout.SetEdition(edition, remote, freeSpace);
        return layout.Panes();
    };
    QCOMPARE(panes(1, false, true), (QList<P::TPaneType>{P::kDefragmentation, P::kScheduling,
                                                         P::kFreeSpace, P::kProductResources}));
    QCOMPARE(panes(3, false, false), (QList<P::TPaneType>{P::kDefragmentation, P::kScheduling,
                                                          P::kExchange, P::kProductResources}));
    QCOMPARE(panes(3, true, true), (QList<P::TPaneType>{P::kDefragmentation, P::kScheduling,
                                                        P::kFreeSpace, P::kProductResources}));
    QCOMPARE(panes(4, false, true),
             (QList<P::TPaneType>{P::kVirtualGuests, P::kScheduling, P::kDefragmentation,
                                  P::kFreeSpace, P::kProductResources}));
    QCOMPARE(panes(6, false, true),
             (QList<P::TPaneType>{P::kDefragmentation, P::kScheduling, P::kProductResources}));
    QVERIFY(panes(5, false, true).isEmpty());
    QCOMPARE(layout.PaneAt(0), P::kNoPane);

    layout.SetEdition(4, true, false);
    QCOMPARE(layout.PaneAt(7), P::kScheduling);
    QCOMPARE(layout.IndexOf(P::kVirtualGuests), -1);

    QVERIFY(!P::ShowsFreeSpace(6, false, true, true, true));
    QVERIFY(!P::ShowsFreeSpace(2, true, false, true, true));
    QVERIFY(P::ShowsFreeSpace(2, true, true, true, true));
    QVERIFY(!P::ShowsFreeSpace(2, false, false, false, true));
    QVERIFY(!P::ShowsFreeSpace(2, false, false, true, false));
}

QTEST_MAIN(tst_AppActions)
#include "tst_AppActions.moc"
