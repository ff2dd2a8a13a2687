// The defragmentation page over the reference engine daemon: an analysis of a small
// directory-backed volume, from the page's command to the drive table's row.
#include "app/CCentralWidget.h"
#include "app/CMainWindow.h"
#include "defrag/CDefragWidget.h"
#include "defrag/COptimizeSettingsWidget.h"
#include "defrag/COptimizeTableModel.h"
#include "platform/com/CDBusActivator.h"
#include "tests/support/CAppFixture.h"

#include <QDBusConnection>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

class tst_DefragEndToEnd : public QObject {
    Q_OBJECT

private slots:
    void analysisReachesTheTable();
};

void tst_DefragEndToEnd::analysisReachesTheTable()
{
    CAppFixture fixture;
    QTemporaryDir volume;
    QVERIFY(volume.isValid());
    for (int d = 0; d < 3; ++d) {
        QVERIFY(QDir().mkpath(volume.filePath(u"d%1"_s.arg(d))));
        for (int f = 0; f < 20; ++f) {
            QFile file(volume.filePath(u"d%1/f%2"_s.arg(d).arg(f)));
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(QByteArray(1000 + 97 * f, 'x'));
        }
    }

    // The daemon listens on the runtime folder the fixture made.
    QProcess daemon;
    daemon.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    daemon.start(QStringLiteral(KORVANE_ENGINE_PROGRAM),
                 {u"--volume"_s, volume.path(), u"--state"_s,
                  fixture.environment.Root() + u"/engine-state"_s});
    QVERIFY(daemon.waitForStarted());
    const QString address = u"unix:path="_s + CDBusActivator::LocalSocketPaths().constFirst();
    const auto answers = [&address] {
        const bool up = QDBusConnection::connectToPeer(address, u"probe"_s).isConnected();
        QDBusConnection::disconnectFromPeer(u"probe"_s);
        return up;
    };
    QTRY_VERIFY_WITH_TIMEOUT(answers(), 10000);

    CApp& app = *fixture.app;
    app.WireEngineSignals();
    QVERIFY(app.ConnectWithArgument(u"/connect="_s));
    CMainWindow* window = app.GetMainWindow();
    QVERIFY(window);
    auto* page =
        qobject_cast<CDefragWidget*>(window->Pages()->Page(CModelLayout::kDefragmentation));
    QVERIFY(page);
    auto* table = page->DriveTable()->findChild<COptimizeTableModel*>();
    QVERIFY(table);

    // The directory's volume, and its row in the table.
    CDefrager& drives = app.Defrager();
    const TId id = drives.VolumeIdOfMountName(volume.path().toStdWString());
    QVERIFY(!id.empty());
    int row = -1;
    for (int r = 0; r < table->rowCount(); ++r)
        if (table->index(r, 0).data(Qt::EditRole).toString().toStdWString() == id)
            row = r;
    QVERIFY(row >= 0);
    QVERIFY(table->index(row, 8).data().toString().isEmpty());

    // What the row shows whenever it changes, until the pass has completed.
    QStringList statuses;
    connect(table, &QAbstractItemModel::dataChanged, this,
            [&](const QModelIndex& from, const QModelIndex& to) {
                if (from.row() <= row && row <= to.row())
                    statuses << table->index(row, 3).data().toString();
            });
    QSignalSpy started(page, &CDefragWidget::Started);
    QSignalSpy completed(page, &CDefragWidget::Completed);
    drives.SelectVolumes({id});
    page->Analyse();
    QVERIFY(fixture.presenter.messages.isEmpty());
    QTRY_VERIFY_WITH_TIMEOUT(!completed.isEmpty(), 60000);

    QCOMPARE(started.size(), 1);
    QCOMPARE(started.at(0).at(0).value<TId>(), id);
    QVERIFY2(statuses.filter(u"Analyzing"_s).size() > 0, qPrintable(statuses.join(u'|')));
    QCOMPARE(table->index(row, 3).data().toString(), u"Idle"_s);
    QVERIFY(table->index(row, 8).data().toString().endsWith(u" %"_s));
    QVERIFY(drives.Volume(id).fragmentation.has_value());
    QVERIFY(drives.Volume(id).dataDate > 0);

    app.CleanAllInterfaces();
    daemon.terminate();
    QVERIFY(daemon.waitForFinished(10000));
}

QTEST_MAIN(tst_DefragEndToEnd)
#include "tst_DefragEndToEnd.moc"
