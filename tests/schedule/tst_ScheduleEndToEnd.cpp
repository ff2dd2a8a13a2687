// The scheduling tab over the reference engine daemon: a schedule made with the tab's wizard runs
// at its time on the daemon, and the tab follows it from due to run.
#include "app/CApp.h"
#include "app/CCentralWidget.h"
#include "app/CMainWindow.h"
#include "core/COleDate.h"
#include "schedule/CCadenceFeed.h"
#include "schedule/CCadenceTableModel.h"
#include "schedule/CCadenceWidget.h"
#include "schedule/CDriveWizardFactory.h"
#include "schedule/CWireWizardBase.h"
#include "tests/support/CAppFixture.h"
#include "tests/support/CEngineDaemonProcess.h"
#include "tests/support/CEngineSettingsFile.h"

#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

class tst_ScheduleEndToEnd : public QObject {
    Q_OBJECT

private slots:
    void aScheduleMadeHereRunsOnTheEngine();
};

namespace {

// The row of the schedule in the tab's table, -1 when it is not listed.
int RowOf(const CCadenceTableModel& table, const QString& name)
{
    for (int row = 0; row < table.rowCount(); ++row) {
        if (table.index(row, 0).data().toString() == name)
            return row;
    }
    return -1;
}

} // namespace

void tst_ScheduleEndToEnd::aScheduleMadeHereRunsOnTheEngine()
{
    CAppFixture fixture;
    QTemporaryDir volumeDirectory;
    QVERIFY(volumeDirectory.isValid());
    for (int f = 0; f < 20; ++f) {
        QFile file(volumeDirectory.filePath(u"f%1"_s.arg(f)));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(QByteArray(1000 + 97 * f, 'x'));
    }
    const QString state = fixture.environment.Root() + u"/engine-state"_s;
    QVERIFY(WriteEngineSettingsAllowingEveryDrive(state));
    CEngineDaemonProcess daemon;
    QVERIFY(daemon.Start(QStringLiteral(KORVANE_ENGINE_PROGRAM), volumeDirectory.path(), state));

    CApp& app = *fixture.app;
    app.WireEngineSignals();
    QVERIFY(app.ConnectWithArgument(u"/connect="_s));
    auto* page = qobject_cast<CCadenceWidget*>(
        app.GetMainWindow()->Pages()->Page(CModelLayout::kScheduling));
    QVERIFY(page);
    const TId volume = app.Defrager().VolumeIdOfMountName(
        QDir(volumeDirectory.path()).canonicalPath().toStdWString());
    QVERIFY(!volume.empty());

    // Made with the tab's one-time wizard, due at the next whole minute (the wizard's time field
    // shows minutes) at least a few seconds away: listed with its next run.
    const QDateTime soonest = QDateTime::currentDateTime().addSecs(5);
    const QDateTime due =
        QDateTime(soonest.date(), QTime(soonest.time().hour(), soonest.time().minute()))
            .addSecs(60);
    CCadence::CScheduleData soon = CDriveWizardFactory::FreshRecord(CCadence::kOneTime);
    soon.name = L"Soon";
    soon.settings.method = CCadence::kMethodDefragOnly;
    soon.settings.start = COleDate::FromDateTime(due);
    soon.allDrives = false;
    soon.drives = {volume};
    fixture.presenter.dialogScripts = {[&soon](QDialog& dialog) {
        // As a template would: the record goes into every page, then Enter on each.
        auto& wizard = dynamic_cast<CWireWizardBase&>(dialog);
        wizard.SetRecord(TWireRecord(soon));
        for (int step = 0; step < wizard.PageCount(); ++step)
            wizard.EnterKey();
        return wizard.result();
    }};
    QSignalSpy running(&app.CadenceFeed(), &CCadenceFeed::RunningChanged);
    page->OneTime();
    QCOMPARE(fixture.presenter.dialogTitles, QStringList{u"One Time Schedule Wizard"_s});
    QVERIFY2(fixture.presenter.messages.isEmpty(),
             qPrintable(fixture.presenter.messages.value(0).text));
    const CCadenceTableModel& table = *page->TableModel();
    int row = RowOf(table, u"Soon"_s);
    QVERIFY(row >= 0);
    QVERIFY(!table.index(row, 3).data().toString().isEmpty());
    QVERIFY(table.index(row, 2).data().toString().isEmpty());

    // The engine runs it; the tab sees it start and stop.
    QTRY_VERIFY_WITH_TIMEOUT(running.size() >= 2, 120000);
    QCOMPARE(running.at(0).at(0).value<TName>(), L"Soon");
    QVERIFY(running.at(0).at(1).toBool());
    QVERIFY(!running.at(1).at(1).toBool());
    QVERIFY(!app.CadenceFeed().Cadence().Schedules().at(L"Soon").running);

    // Reloaded: it has run and will not again.
    page->UpdateModel();
    row = RowOf(table, u"Soon"_s);
    QVERIFY(row >= 0);
    QVERIFY(!table.index(row, 2).data().toString().isEmpty());
    QCOMPARE(table.index(row, 3).data().toString(), QString());

    // Disabled from the tab, as the engine keeps it.
    page->SelectSchedule(L"Soon");
    page->Disable();
    QVERIFY(fixture.presenter.messages.isEmpty());
    row = RowOf(table, u"Soon"_s);
    QCOMPARE(table.index(row, 4).data().toString(), u"Yes"_s);
    bool disabled = false;
    QCOMPARE(app.Agent().GetDisabled(L"Soon", &disabled), S_OK);
    QVERIFY(disabled);

    app.CleanAllInterfaces();
    QVERIFY(daemon.Stop());
}

QTEST_MAIN(tst_ScheduleEndToEnd)
#include "tst_ScheduleEndToEnd.moc"
