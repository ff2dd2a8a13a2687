// The defragmentation page over the reference engine daemon on a small file system of the
// test's own: an analysis, from the page's command to the drive table's row and the drive map,
// and a defragmentation that really moves files while the map follows them.
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
#include "refengine/CExtentReader.h"
#include "tests/support/CAppFixture.h"
#include "tests/support/CEngineDaemonProcess.h"
#include "tests/support/CEngineSettingsFile.h"
#include "tests/support/CLoopVolume.h"

#include <QSignalSpy>
#include <QTest>

#include <QCryptographicHash>

#include <fcntl.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

class tst_DefragEndToEnd : public QObject {
    Q_OBJECT

private slots:
    void analysisReachesTheTable();
    void defragmentationMovesFilesAndTheMapFollows();
};

namespace {

int EndToEndFragments(const QString& path)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
    CExtentReader reader;
    const int fragments = fd < 0 ? -1 : reader.Read(fd, 0);
    if (fd >= 0)
        ::close(fd);
    return fragments;
}

QByteArray EndToEndDigest(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly)
               ? QCryptographicHash::hash(file.readAll(), QCryptographicHash::Sha256)
               : QByteArray();
}

} // namespace

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

void tst_DefragEndToEnd::defragmentationMovesFilesAndTheMapFollows()
{
    CAppFixture fixture;
    CLoopVolume volume;
    if (QString why; !volume.Mount(96 << 20, &why))
        QSKIP(qPrintable(why));
    // Files written a piece at a time in turns, each piece synced: every one in pieces.
    QStringList paths;
    QList<QFile*> files;
    for (int f = 0; f < 4; ++f) {
        paths << volume.FilePath(u"turns%1"_s.arg(f));
        files << new QFile(paths.last(), this);
        QVERIFY(files.last()->open(QIODevice::WriteOnly));
    }
    for (int round = 0; round < 40; ++round) {
        for (QFile* file : std::as_const(files)) {
            QVERIFY(file->write(QByteArray(64 * 1024, char('a' + round % 26))) > 0);
            QVERIFY(file->flush() && ::fsync(file->handle()) == 0);
        }
    }
    qDeleteAll(files);
    QList<QByteArray> digests;
    for (const QString& path : std::as_const(paths)) {
        QVERIFY(EndToEndFragments(path) > 4);
        digests << EndToEndDigest(path);
    }

    const QString state = fixture.environment.Root() + u"/engine-state"_s;
    QVERIFY(WriteEngineSettingsAllowingEveryDrive(state));
    CEngineDaemonProcess daemon;
    daemon.SetMovesData(true);
    QVERIFY(daemon.Start(QStringLiteral(KORVANE_ENGINE_PROGRAM), volume.Path(), state));
    CApp& app = *fixture.app;
    app.WireEngineSignals();
    QVERIFY(app.ConnectWithArgument(u"/connect="_s));
    auto* page = qobject_cast<CDefragWidget*>(
        app.GetMainWindow()->Pages()->Page(CModelLayout::kDefragmentation));
    QVERIFY(page);
    CDefrager& drives = app.Defrager();
    const TId id = drives.VolumeIdOfMountName(volume.Path().toStdWString());
    QVERIFY(!id.empty());

    QStringList messages;
    connect(&drives, &CDefrager::WorkingMessageChanged, this,
            [&](const TId& changed, double, const TString& message) {
                if (changed == id)
                    messages << QString::fromStdWString(message);
            });
    QSignalSpy runs(&drives, &CDefrager::BitmapUpdated);
    QSignalSpy completed(page, &CDefragWidget::Completed);
    drives.SelectVolumes({id});
    page->EntireDriveDefragOnly();
    QVERIFY(fixture.presenter.messages.isEmpty());
    QTRY_VERIFY_WITH_TIMEOUT(!completed.isEmpty(), 60000);

    // The files are whole, with the same bytes, and the console heard them move.
    for (qsizetype i = 0; i < paths.size(); ++i) {
        QCOMPARE(EndToEndFragments(paths[i]), 1);
        QCOMPARE(EndToEndDigest(paths[i]), digests[i]);
    }
    QVERIFY2(!messages.filter(u"turns"_s).isEmpty(), qPrintable(messages.join(u'|')));
    QVERIFY(!runs.isEmpty());
    QTRY_COMPARE(drives.Volume(id).fragmentation.value_or(-1), 0.0);
    QList<uint> engineMap;
    QCOMPARE(app.Engine().GetDriveMap(id, &engineMap), S_OK);
    QVERIFY(!engineMap.contains(uint(0x11)) && !engineMap.contains(uint(0x12)) &&
            !engineMap.contains(uint(0x13)));

    app.CleanAllInterfaces();
    QVERIFY(daemon.Stop());
}

QTEST_MAIN(tst_DefragEndToEnd)
#include "tst_DefragEndToEnd.moc"
