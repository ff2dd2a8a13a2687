#include "app/CHelpFile.h"
#include "app/CShutdown.h"
#include "app/CTranslationLoader.h"
#include "core/CSystemMessage.h"
#include "core/CTranslationCatalog.h"
#include "platform/CEngineLocation.h"
#include "platform/registry/CRegKey.h"
#include "tests/support/CAppFixture.h"

#include <QApplication>
#include <QDir>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTranslator>

using namespace Qt::StringLiterals;

namespace {

const QString kPermission = u"Korvane needs your permission"_s;
const char* const kQtContext = "QPlatformTheme";
const char* const kQtSource = "Cancel";

void WriteCatalog(const QString& path)
{
    const QString text = u"#KVHOME_TRANSLATION_FILE\r\n\"Drive Map\"\t\"Laufwerkskarte\"\t"
                         u"\"Korvane\"\r\n"_s;
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    QByteArray bytes;
    for (const QChar c : text) {
        bytes.append(static_cast<char>(c.unicode() & 0xFF));
        bytes.append(static_cast<char>(c.unicode() >> 8));
    }
    QVERIFY(file.write(bytes) == bytes.size());
}

void RegisterEngineServer(const QString& command)
{
    CRegKey key;
    QCOMPARE(key.Create(HKEY_LOCAL_MACHINE, QString::fromLatin1(CEngineLocation::kServerKey)),
             ERROR_SUCCESS);
    QCOMPARE(key.SetStringValue(QString(), command), ERROR_SUCCESS);
}

void RemoveTranslators()
{
    for (QTranslator* translator : QCoreApplication::instance()->findChildren<QTranslator*>()) {
        QCoreApplication::removeTranslator(translator);
        delete translator;
    }
}

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

// "text:role" of each button, sorted: the platform decides their order.
QStringList ButtonTexts(QMessageBox* box)
{
    QStringList texts;
    for (QAbstractButton* button : box->buttons())
        texts.append(button->text() + u':' + QString::number(box->buttonRole(button)));
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
    void finalSystemCalls();
    void countdown_data();
    void countdown();
    void countdownThatCannotActStaysOpen_data();
    void countdownThatCannotActStaysOpen();
    void helpAndUpdates();
    void supportOnlyForThisComputer();
    void primaryLanguages();
    void catalogPathFromTheRegisteredServer();
    void englishLoadsNothing();
    void germanLoadsToolkitAndCatalog();

private:
    std::unique_ptr<CAppFixture> m_f;
    CApp* m_app = nullptr;
};

void tst_AppActions::init()
{
    QLocale::setDefault(QLocale::c()); // English, whatever the machine's
    CTranslationCatalog::Instance().Clear();
    m_f = std::make_unique<CAppFixture>();
    m_app = m_f->app.get();
}

void tst_AppActions::cleanup()
{
    for (QMessageBox* notice : OpenNotices())
        delete notice;
    m_f.reset();
    RemoveTranslators();
    CTranslationCatalog::Instance().Clear();
    QLocale::setDefault(QLocale::c());
}

void tst_AppActions::busyAggregation()
{
    QSignalSpy busy(m_app, &CApp::BusySignal);
    QSignalSpy paused(m_app, &CApp::PausedSignal);
    QSignalSpy idle(m_app, &CApp::IdleSignal);
    QSignalSpy tray(m_app, &CApp::SystemTrayProgressBusy);
    // What one change emits: busy, paused, idle.
    const auto set = [&](CModel::TIconBusyIndex index, TBusyStatus status) {
        busy.clear();
        paused.clear();
        idle.clear();
        m_app->SetSystemTrayProgressBusy(index, status);
        return QList<qsizetype>{busy.size(), paused.size(), idle.size()};
    };
    using L = QList<qsizetype>;
    QCOMPARE(set(CModel::kDefragmentation, TBusyStatus::Paused), (L{0, 1, 0})); // (0, 1, ...)
    QCOMPARE(set(CModel::kScheduling, TBusyStatus::Busy), (L{1, 0, 0}));        // (2, 1, ...)
    QCOMPARE(set(CModel::kDefragmentation, TBusyStatus::Idle), (L{0, 0, 0}));   // still busy
    QCOMPARE(set(CModel::kScheduling, TBusyStatus::Paused), (L{0, 1, 0}));      // (1, 0, ...)
    QCOMPARE(set(CModel::kExchange, TBusyStatus::Idle), (L{0, 1, 0}));
    QCOMPARE(set(CModel::kScheduling, TBusyStatus::Idle), (L{0, 0, 1}));
    QCOMPARE(tray.size(), 6);
    QCOMPARE(tray.at(1), (QVariantList{0, true}));
    QCOMPARE(tray.at(3), (QVariantList{0, false}));

    // The window follows.
    CMainWindow* window = m_app->GetMainWindow();
    m_app->OnExchangeBusyStateChanged(TBusyStatus::Busy);
    m_app->OnCadenceBusyStateChanged(TBusyStatus::Paused);
    QVERIFY(window->ProgressIconBusy(CModel::kExchange));
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
    QTRY_VERIFY(m_app->QuitRequested());
}

void tst_AppActions::forcerebootWhileACountdownIsOpen()
{
    bool openDuring = false;
    m_f->presenter.dialogScripts.append([&](QDialog& dialog) {
        openDuring = m_app->FinalActionDialogOpen();
        m_app->MainWindowIfAny()->hide();
        m_app->OnMessageReceived(u"forcereboot"_s);
        m_app->OnMessageReceived(u"forceshutdown"_s);
        QCoreApplication::processEvents();
        static_cast<CShutdown&>(dialog).StopButton()->click();
        return dialog.result();
    });
    m_app->OnMessageReceived(u"forcereboot"_s);
    QCoreApplication::processEvents();
    QVERIFY(openDuring);
    QCOMPARE(m_f->presenter.dialogTitles, QStringList{u"Korvane requires your permission"_s});
    QVERIFY(m_app->MainWindowIfAny()->isVisible()); // shown again, nothing more
    QVERIFY(!m_app->FinalActionDialogOpen() && m_f->power.calls.isEmpty());
}

void tst_AppActions::finalActionsByUrgency()
{
    m_app->DisplayNeedCloseIe(u"Close the browser"_s);
    QCOMPARE(OpenNotices().size(), 1);
    QMessageBox* notice = OpenNotices().first();
    QVERIFY(!notice->isModal());

    // While a notice is open, a new request is kept but not shown a second time.
    m_app->DisplayNeedLogoff(u"Log off please"_s);
    m_app->DisplayNeedReboot(u"Reboot please"_s);
    m_app->DisplayNeedReboot(u"Reboot, really"_s);
    QVERIFY(OpenNotices().size() == 1 && m_app->Model().FinalActions().size() == 3);

    // "Later" brings the most urgent back after five minutes, here shortened.
    Click(notice, u"Remind Me Later"_s);
    QVERIFY(OpenNotices().isEmpty());
    QCOMPARE(m_app->FinalActionTimer().interval(), 300000);
    m_app->FinalActionTimer().start(1);
    QTRY_COMPARE(OpenNotices().size(), 1);
    notice = OpenNotices().first();
    QCOMPARE(notice->text(), u"Reboot, really"_s);
    QCOMPARE(ButtonTexts(notice), (QStringList{u"Reboot Later:6"_s, u"Reboot Now:5"_s,
                                               u"Wait For the Next Reboot:1"_s}));
    Click(notice, u"Wait For the Next Reboot"_s);
    QVERIFY(m_app->Model().FinalActions().isEmpty());
    m_app->DoPickFinalAction();
    QVERIFY(OpenNotices().isEmpty());

    m_app->DisplayNeedLogoff(u"Log off please"_s);
    Click(OpenNotices().first(), u"Log Off Now"_s);
    QCOMPARE(m_f->power.calls, (QStringList{u"EnablePrivilege:LogOff"_s, u"LogOff"_s}));
}

void tst_AppActions::finalSystemCalls()
{
    QVERIFY(m_app->DoFinalReboot() == S_OK && m_app->DoFinalCloseIE() == S_OK);
    QCOMPARE(m_f->power.calls, (QStringList{u"EnablePrivilege:Reboot"_s, u"Reboot"_s}));

    // Refused or failed: access denied, and no further call.
    m_f->power.calls.clear();
    m_f->power.privileges[IPowerControl::TAction::Reboot] = E_ACCESSDENIED;
    m_f->power.logOffAnswer = E_FAIL;
    QCOMPARE(m_app->DoFinalReboot(), E_ACCESSDENIED);
    QCOMPARE(m_app->DoFinalLogout(), E_ACCESSDENIED);
    QCOMPARE(m_f->power.calls,
             (QStringList{u"EnablePrivilege:Reboot"_s, u"EnablePrivilege:LogOff"_s, u"LogOff"_s}));

    QCOMPARE(m_app->StopShutdown(), 0u);
    m_f->power.cancelAnswer = HRESULT_FROM_WIN32(1116);
    QCOMPARE(m_app->StopShutdown(), 1116u);
}

void tst_AppActions::countdown_data()
{
    QTest::addColumn<bool>("reboot");
    QTest::addColumn<QStringList>("calls");
    QTest::newRow("reboot") << true << QStringList{u"EnablePrivilege:Reboot"_s, u"Reboot"_s};
    QTest::newRow("shutdown")
        << false
        << QStringList{u"EnablePrivilege:PowerOff"_s,
                       u"PowerOff:Korvane has been set to shutdown this computer following the "
                       "completion of a schedule. "_s};
}

void tst_AppActions::countdown()
{
    QFETCH(bool, reboot);
    QFETCH(QStringList, calls);
    const auto label = [&](int minutes, int seconds) {
        return u"To complete a scheduled operation, Korvane will <b>%1</b> your computer in "
               "<b>%2 min %3 seconds</b>."_s.arg(reboot ? u"reboot"_s : u"shutdown"_s)
                   .arg(minutes)
                   .arg(seconds);
    };
    CShutdown dialog(reboot);
    QCOMPARE(dialog.LabelText(), label(5, 0));
    dialog.show();
    for (int i = 0; i < 299; ++i)
        dialog.UpdateLabel();
    QCOMPARE(dialog.LabelText(), label(0, 1));
    QVERIFY(m_f->power.calls.isEmpty());
    dialog.UpdateLabel();
    QCOMPARE(m_f->power.calls, calls);
    QVERIFY(dialog.result() == 1 && !dialog.isVisible());

    // Stopped: closed without a system call.
    m_f->power.calls.clear();
    CShutdown stopped(reboot);
    stopped.show();
    stopped.StopButton()->click();
    QVERIFY(!stopped.isVisible() && stopped.result() == 0 && m_f->power.calls.isEmpty());
}

void tst_AppActions::countdownThatCannotActStaysOpen_data()
{
    QTest::addColumn<bool>("reboot");
    QTest::addColumn<bool>("refused"); // else the call fails
    QTest::addColumn<QString>("text");
    const QString denied = CSystemMessage::Text(E_ACCESSDENIED);
    const QString unavailable = CSystemMessage::Text(HRESULT(0x800706BAu));
    QTest::newRow("reboot refused")
        << true << true << u"Korvane could not reboot this computer: "_s + denied;
    QTest::newRow("reboot failed")
        << true << false << u"Korvane could not reboot this computer: "_s + unavailable;
    QTest::newRow("shutdown refused")
        << false << true << u"Korvane could not shut down this computer: "_s + denied;
    QTest::newRow("shutdown failed")
        << false << false << u"Korvane could not shut down this computer: "_s + unavailable;
}

void tst_AppActions::countdownThatCannotActStaysOpen()
{
    QFETCH(bool, reboot);
    QFETCH(bool, refused);
    QFETCH(QString, text);
    const auto action = reboot ? IPowerControl::TAction::Reboot : IPowerControl::TAction::PowerOff;
    if (refused)
        m_f->power.privileges[action] = E_ACCESSDENIED;
    else
        m_f->power.rebootAnswer = m_f->power.powerOffAnswer = HRESULT(0x800706BAu);
    CShutdown dialog(reboot);
    dialog.show();
    // The user's "now", and the countdown reaching its end.
    dialog.NowButton()->click();
    for (int i = 0; i < 300; ++i)
        dialog.UpdateLabel();
    QVERIFY(dialog.isVisible() && dialog.result() == 0);
    QCOMPARE(m_f->presenter.messages.size(), 2);
    for (const IMessagePresenter::TMessage& message : m_f->presenter.messages) {
        QCOMPARE(message.title, u"Korvane"_s);
        QCOMPARE(message.text, text);
        QCOMPARE(message.parent, &dialog);
    }
}

void tst_AppActions::helpAndUpdates()
{
    const QString engineDirectory = m_f->environment.Root() + u"/engine/"_s;
    QVERIFY(QDir().mkpath(engineDirectory + u"KV11-GM-Help"_s));
    RegisterEngineServer(u"\""_s + engineDirectory + u"korvane-engine\""_s);
    // A language without its own folder has the English one.
    QCOMPARE(CHelpFile::Path(engineDirectory, 7), engineDirectory + u"KV11-GM-Help"_s);
    QCOMPARE(CHelpFile::Path(engineDirectory, 12), engineDirectory + u"KV11-EN-Help"_s);

    m_f->shell.openAnswer = false; // no help at all: the user is told
    m_app->OnHelp();
    QCOMPARE(m_f->presenter.messages.first().title, u"Help File Missed"_s);
    m_f->shell.openAnswer = true;
    m_f->shell.opened.clear();
    m_app->ContextHelp(QString());
    m_app->ContextHelp(u"Defragmentation_Tab_Main_Screen.htm"_s);
    m_app->OnHelp();
    QCOMPARE(
        m_f->shell.opened,
        (QList<QUrl>{QUrl::fromLocalFile(engineDirectory +
                                         u"KV11-EN-Help/Defragmentation_Tab_Main_Screen.htm"_s),
                     QUrl::fromLocalFile(engineDirectory + u"KV11-EN-Help/index.html"_s)}));

    // The update checker's arguments keep the quoted key whole; its failure is reported.
    m_app->SetSkin(1);
    m_f->shell.startAnswer = HRESULT_FROM_WIN32(2);
    m_app->OnCheckForUpdates();
    QCOMPARE(m_f->shell.started,
             (QList<QStringList>{{engineDirectory + u"AutoUpdGui.exe"_s,
                                  u" HKLM\\Software\\Tellmar\\Korvane\\11.0\\AutoUpdSettings\\ "_s,
                                  u"/grayskin"_s}}));
    QCOMPARE(m_f->presenter.messages.last().title, u"Unable to check for updates"_s);
    QVERIFY(m_f->presenter.messages.last().text.endsWith(u"(2)"_s));
    qApp->setStyleSheet(QString());
}

void tst_AppActions::supportOnlyForThisComputer()
{
    int started = 0;
    m_app->SetSupportStarter([&] { ++started; });
    m_app->CallSupport();
    QVERIFY(started == 1 && m_f->presenter.messages.isEmpty());
    m_app->Model().SetRemote(true);
    m_app->CallSupportAndQuit();
    QCOMPARE(started, 1);
    QCOMPARE(m_f->presenter.messages.first().title,
             u"Support information only available for local connections"_s);
    QVERIFY(m_app->QuitRequested());
}

void tst_AppActions::primaryLanguages()
{
    const auto id = [](const char* name) {
        return CTranslationLoader::PrimaryLanguage(QLocale(QString::fromLatin1(name)));
    };
    QCOMPARE(id("C"), 9);
    QCOMPARE(id("de_CH"), 7);
    QCOMPARE(id("zh_TW"), 4);
    // Tatar, 0x44, keeps its own number: it must not pass for Chinese.
    QCOMPARE(id("tt_RU"), 0x44);
    QVERIFY(CTranslationLoader::ToolkitTranslation(0x44).isEmpty());
    QCOMPARE(CTranslationLoader::ToolkitTranslation(4), u"qt_cn"_s);

    // The controller's language checks use the same mask.
    QLocale::setDefault(QLocale(QLocale::Tatar));
    QCOMPARE(m_app->PrimaryLanguage(), 0x44);
    QVERIFY(!m_app->IsChinese());
    QLocale::setDefault(QLocale(QLocale::Chinese));
    QVERIFY(m_app->IsChinese() && !m_app->IsJapanese());
}

void tst_AppActions::catalogPathFromTheRegisteredServer()
{
    QVERIFY(CTranslationLoader::CatalogPath().isEmpty());
    RegisterEngineServer(u"  \"/opt/korvane engine/bin/korvane-engine\" "_s);
    QCOMPARE(CTranslationLoader::CatalogPath(), u"/opt/korvane engine/bin/Korvane.translation"_s);
    RegisterEngineServer(u"korvane-engine"_s);
    QVERIFY(CTranslationLoader::CatalogPath().isEmpty());
}

void tst_AppActions::englishLoadsNothing()
{
    const QString engine = m_f->environment.Root() + u"/engine"_s;
    QVERIFY(QDir().mkpath(engine));
    WriteCatalog(engine + u"/Korvane.translation"_s);
    RegisterEngineServer(engine + u"/korvane-engine"_s);
    QCOMPARE(CTranslationLoader::Load(QCoreApplication::instance(), 9, engine), S_FALSE);
    QCOMPARE(CTranslationCatalog::Instance().Count(), 0);
    QVERIFY(QCoreApplication::instance()->findChildren<QTranslator*>().isEmpty());
}

void tst_AppActions::germanLoadsToolkitAndCatalog()
{
    const QString qtGerman = u"/usr/share/qt6/translations/qtbase_de.qm"_s;
    if (!QFile::exists(qtGerman))
        QSKIP("Qt's German translation is not installed (scripts/bootstrap installs it)");
    const QString executable = m_f->environment.Root() + u"/bin"_s;
    const QString engine = m_f->environment.Root() + u"/engine"_s;
    QVERIFY(QDir().mkpath(executable));
    QVERIFY(QDir().mkpath(engine));
    QVERIFY(QFile::copy(qtGerman, executable + u"/qt_de.qm"_s));
    WriteCatalog(engine + u"/Korvane.translation"_s);
    RegisterEngineServer(u"\""_s + engine + u"/korvane-engine\""_s);

    QCOMPARE(CTranslationLoader::Load(QCoreApplication::instance(), 7, executable), S_OK);
    QCOMPARE(QCoreApplication::translate(kQtContext, kQtSource), u"Abbrechen"_s);
    QCOMPARE(CTranslationCatalog::Instance().Translate("Drive Map", "Korvane"),
             u"Laufwerkskarte"_s);

    // Without the toolkit's file nothing is installed, and the catalogue still loads.
    RemoveTranslators();
    CTranslationCatalog::Instance().Clear();
    QCOMPARE(CTranslationLoader::Load(QCoreApplication::instance(), 7, engine), S_OK);
    QVERIFY(QCoreApplication::instance()->findChildren<QTranslator*>().isEmpty());
    QCOMPARE(CTranslationCatalog::Instance().Count(), 1);
}

QTEST_MAIN(tst_AppActions)
#include "tst_AppActions.moc"
