// The defragmentation page over the reference engine daemon: an analysis of a small
// directory-backed volume, from the page's command to the drive table's row and the drive map.
#include "app/CCentralWidget.h"
#include "app/CMainWindow.h"
#include "defrag/CBlockFilesDialog.h"
#include "defrag/CBlockFilesModel.h"
#include "defrag/CDefragTabWidget.h"
#include "defrag/CDefragWidget.h"
#include "defrag/COptimizeBitmapWidget.h"
#include "defrag/COptimizeSettingsWidget.h"
#include "defrag/COptimizeTableModel.h"
#include "defrag/CVolumeBitmapWidget.h"
#include "engine/CKV100EngineInterface.h"
#include "tests/support/CAppFixture.h"
#include "tests/support/CEngineDaemonProcess.h"
#include "tests/support/CLoopVolume.h"

#include <QSignalSpy>
#include <QTest>

#include <unistd.h>

using namespace Qt::StringLiterals;

class tst_DefragEndToEnd : public QObject {
    Q_OBJECT

private slots:
    void analysisReachesTheTable();
};

void tst_DefragEndToEnd::analysisReachesTheTable()
{
    CAppFixture fixture;
    // A small file system of the test's own.
    CLoopVolume volume;
    if (QString why; !volume.Mount(24 << 20, &why))
        QSKIP(qPrintable(why));
    for (int d = 0; d < 3; ++d) {
        QVERIFY(QDir().mkpath(volume.FilePath(u"d%1"_s.arg(d))));
        for (int f = 0; f < 20; ++f) {
            QFile file(volume.FilePath(u"d%1/f%2"_s.arg(d).arg(f)));
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(QByteArray(1000 + 97 * f, 'x'));
        }
    }
    // Written out, so that the files have their places on the device.
    ::sync();

    // The daemon listens on the runtime folder the fixture made.
    CEngineDaemonProcess daemon;
    QVERIFY(daemon.Start(QStringLiteral(KORVANE_ENGINE_PROGRAM), volume.Path(),
                         fixture.environment.Root() + u"/engine-state"_s));

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
    const TId id = drives.VolumeIdOfMountName(volume.Path().toStdWString());
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
    // The map shows the volume, live.
    drives.SetCurrentVolume(id);
    CVolumeBitmapWidget* map = page->DriveMap()->Map();
    page->Tabs()->setCurrentIndex(CDefragTabWidget::kDriveMapPage);
    window->resize(1000, 700);
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window));
    QTRY_VERIFY(map->isVisible() && !map->CellSize().isEmpty());
    QCOMPARE(map->Volume(), id);
    QSignalSpy runs(&drives, &CDefrager::BitmapUpdated);

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

    // The runs that arrived leave the map as the engine has it, drawn as a fresh map would be.
    QVERIFY(!runs.isEmpty());
    QList<uint> engineMap;
    QCOMPARE(app.Engine().GetDriveMap(id, &engineMap), S_OK);
    QCOMPARE(QList<uint>(map->Blocks().begin(), map->Blocks().end()), engineMap);
    CVolumeBitmapWidget fresh(drives);
    fresh.resize(map->size());
    fresh.show();
    QVERIFY(QTest::qWaitForWindowExposed(&fresh));
    QVERIFY(fresh.MapImage() == map->MapImage());

    // A file's blocks, found through the controller, blink on the map.
    const QString file = volume.FilePath(u"d1/f19"_s);
    std::set<quint32> blocks;
    QCOMPARE(page->EnumFileExtents(id, file.toStdWString(), blocks), S_OK);
    page->SetSelectedBlocks(id, blocks, file.toStdWString());
    QCOMPARE(map->SelectedBlocks(), blocks);
    QVERIFY(!blocks.empty());
    QVERIFY(map->IsBlinking());

    // The files of the file's first block, listed by the engine, hold the file.
    CBlockFilesDialog files(app.DefragFeed(), id, int(*blocks.begin()), nullptr);
    QTRY_VERIFY_WITH_TIMEOUT(!files.IsBuilding(), 10000);
    QVERIFY(SUCCEEDED(files.Model().Result()));
    QStringList listed;
    for (int r = 0; r < files.Model().rowCount(); ++r)
        listed << files.Model().index(r, 0).data(CBlockFilesModel::kPathRole).toString();
    QVERIFY2(listed.contains(file), qPrintable(listed.join(u'|')));

    app.CleanAllInterfaces();
    QVERIFY(daemon.Stop());
}

QTEST_MAIN(tst_DefragEndToEnd)
#include "tst_DefragEndToEnd.moc"
