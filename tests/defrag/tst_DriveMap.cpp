#include "defrag/CBitmapColors.h"
#include "defrag/CBlockImage.h"
#include "defrag/COptimizeBitmapWidget.h"
#include "defrag/CVolumeBitmapWidget.h"
#include "platform/CComputerName.h"
#include "tests/ribbon/fakes/CFakeFeatureControllers.h"
#include "tests/support/CAppFixture.h"
#include "tests/support/CTestEngine.h"

#include <QMouseEvent>
#include <QRandomGenerator>
#include <QtTest>

using namespace Qt::StringLiterals;
using TMap = CVolumeBitmapWidget;

class TestDriveMap : public QObject {
    Q_OBJECT

private slots:
    void geometry_data();
    void geometry();
    void drawingCategoriesAndOutlines();
    void hostFollowsRunsAndTheModel_data();
    void hostFollowsRunsAndTheModel();
    void hoverBlinkAndPress();
    void toolTipsAndFilesOfABlock_data();
    void toolTipsAndFilesOfABlock();
    void lifeSpeedAndRules();
};

namespace {

const TId kHome = L"{home}";
const TId kSrv = L"{srv}";

// Remembers what the map asked of the controller.
class CMapController : public CFakeDefragController {
public:
    using CFakeDefragController::CFakeDefragController;
    void SetSelectedBlocks(const std::wstring& volume, const std::set<quint32>& blocks,
                           const std::wstring& fileName) override
    {
        Log(QString::fromStdWString(L"Select:" + volume + L":" + std::to_wstring(blocks.size()) +
                                    L":" + fileName));
    }
};

// The application with /home (current, NTFS) and /srv (tmpfs) in its drive model.
struct TRig {
    TRig()
    {
        fixture.app->RegisterDefragController(&controller);
        CDefrager::TVolumeInfo record;
        for (const auto& [id, fileSystem] : {std::pair{kHome, L"NTFS"}, {kSrv, L"tmpfs"}}) {
            record.volumeId = record.mountName = id;
            record.fileSystem = fileSystem;
            Model().SetVolume(record);
        }
        Model().SetCurrentVolume(kHome);
    }
    ~TRig() { fixture.app->UnregisterDefragController(&controller); }
    CDefragFeed& Feed() { return fixture.app->DefragFeed(); }
    CDefrager& Model() { return fixture.app->Defrager(); }
    // Blocks of the current volume, straight into the model.
    void Fill(quint32 code, uint first = 0, uint count = TMap::kBlockCount)
    {
        Model().SetBlockRun(Model().CurrentVolume(), code, first, count);
    }

    CAppFixture fixture;
    QStringList log;
    CMapController controller{log};
};

void Show(QWidget& widget, QSize size)
{
    widget.resize(size);
    widget.show();
    QVERIFY(QTest::qWaitForWindowExposed(&widget));
}

const auto Centre = [](const TMap& map, int block) { return map.BlockRect(block).center(); };

} // namespace

void TestDriveMap::geometry_data()
{
    QTest::addColumn<QSize>("size");
    QTest::addColumn<QSize>("cell");
    QTest::addColumn<int>("wideSteps");
    QTest::addColumn<int>("tallSteps");

    // A step of the full cell width means no shared border: a left-over pixel went there.
    QTest::newRow("1001 x 361, nothing left over") << QSize(1001, 361) << QSize(11, 11) << 0 << 0;
    QTest::newRow("1000 x 360") << QSize(1000, 360) << QSize(10, 10) << 98 << 34;
    QTest::newRow("250 x 100") << QSize(250, 100) << QSize(3, 3) << 48 << 26;
    QTest::newRow("201 x 73, nothing left over") << QSize(201, 73) << QSize(3, 3) << 0 << 0;
}

void TestDriveMap::geometry()
{
    QFETCH(QSize, size);
    QFETCH(QSize, cell);
    QFETCH(int, wideSteps);
    QFETCH(int, tallSteps);
    TRig rig;
    TMap map(rig.Model());
    Show(map, size);
    QCOMPARE(map.CellSize(), cell);

    int wide = 0, tall = 0;
    for (int index = 0; index < TMap::kBlockCount; ++index) {
        const QRect block = map.BlockRect(index);
        QCOMPARE(block.size(), cell);
        QVERIFY(map.MapImage().rect().contains(block));
        const int column = index % TMap::kColumns;
        if (column > 0) {
            const int step = block.left() - map.BlockRect(index - 1).left();
            QVERIFY(step == cell.width() - 1 || step == cell.width());
            wide += index < TMap::kColumns && step == cell.width() ? 1 : 0;
        }
        if (index >= TMap::kColumns) {
            const int step = block.top() - map.BlockRect(index - TMap::kColumns).top();
            QVERIFY(step == cell.height() - 1 || step == cell.height());
            tall += column == 0 && step == cell.height() ? 1 : 0;
        }
        // A shared border belongs to the lower index.
        QCOMPARE(map.BlockAt(block.center()), index);
        QCOMPARE(map.BlockAt(block.bottomRight()), index);
    }
    QCOMPARE(wide, wideSteps);
    QCOMPARE(tall, tallSteps);
    // The last block ends within a pixel of the widget's far corner.
    const QRect last = map.BlockRect(TMap::kBlockCount - 1);
    QVERIFY(last.right() >= size.width() - 2 && last.bottom() >= size.height() - 2);
    QCOMPARE(map.BlockAt(QPoint(-1, 0)), -1);
    QCOMPARE(map.BlockAt(QPoint(size.width(), size.height())), -1);
    QCOMPARE(map.BlockRect(TMap::kBlockCount), QRect());
}

void TestDriveMap::drawingCategoriesAndOutlines()
{
    TRig rig;
    rig.Fill(CBitmapColors::kRarelyModified);
    rig.Fill(0x13, 150, 1); // fragmented, category 3, in row 1
    rig.Fill(0x0E, 10, 1);  // no such category
    TMap map(rig.Model());
    Show(map, {1001, 361});
    const QRect inner = QRect(QPoint(), map.CellSize()).adjusted(1, 1, -1, -1);
    const auto innerOf = [&](int block) {
        return map.MapImage().copy(inner.translated(map.BlockRect(block).topLeft()));
    };
    const auto drawn = [&](quint32 code, bool fragmented) {
        return CBlockImage::Draw(map.CellSize(), CBitmapColors::Defaults()[code], fragmented)
            .convertToFormat(QImage::Format_ARGB32_Premultiplied)
            .copy(inner);
    };
    QCOMPARE(innerOf(150), drawn(CBitmapColors::kRecentlyModified, true));
    QCOMPARE(innerOf(10), drawn(CBitmapColors::kUnknown, false));
    QCOMPARE(innerOf(0), drawn(CBitmapColors::kRarelyModified, false));
    const auto outlined = [&](int block) {
        const QRect r = map.BlockRect(block);
        for (const QPoint p : {r.topLeft(), r.topRight(), r.bottomLeft(), r.bottomRight(),
                               QPoint(r.center().x(), r.bottom())})
            if (map.MapImage().pixel(p) != qRgb(6, 6, 6))
                return false;
        return true;
    };
    QVERIFY(outlined(150));
    QVERIFY(!outlined(149) && !outlined(10));

    // A plain run right under and beside the fragmented block leaves its outline whole.
    rig.Fill(CBitmapColors::kFreeSpace, 249, 3);
    map.UpdateBlocks(CBitmapColors::kFreeSpace, 249, 3);
    map.UpdateBlocks(CBitmapColors::kDirectory, 151, 1);
    QVERIFY(outlined(150));
    QVERIFY(!outlined(250) && !outlined(151));
    QCOMPARE(innerOf(250), drawn(CBitmapColors::kFreeSpace, false));
}

void TestDriveMap::hostFollowsRunsAndTheModel_data()
{
    QTest::addColumn<QSize>("size");
    QTest::addColumn<uint>("maxLength");
    QTest::newRow("1000 x 360, short runs") << QSize(1000, 360) << 40u;
    QTest::newRow("1001 x 361, long runs") << QSize(1001, 361) << 4000u;
    QTest::newRow("617 x 203, short runs") << QSize(617, 203) << 12u;
}

void TestDriveMap::hostFollowsRunsAndTheModel()
{
    QFETCH(QSize, size);
    QFETCH(uint, maxLength);
    TRig rig;
    COptimizeBitmapWidget host(rig.Feed());
    Show(host, size);
    TMap& map = *host.Map();
    QRandomGenerator random(20 + maxLength);
    for (int run = 0; run < 3000; ++run) {
        // Codes past the categories, starts past the map and lengths past its end included.
        const quint32 code = (run % 97 == 0 ? 0x300u : 0u) | random.bounded(16u) |
                             (random.bounded(3u) == 0 ? 0x10u << random.bounded(4u) : 0u);
        const uint start = run % 101 == 0 ? 3600 + random.bounded(10u) : random.bounded(3600u);
        const uint length = run % 89 == 0 ? 0xFFFFFFFFu : random.bounded(maxLength + 1);
        rig.Feed().OnBitmapUpdated(kHome, code, start, length);
        if (run % 7 == 0)
            rig.Feed().OnBitmapUpdated(kSrv, 0x15, random.bounded(3600u), 50);
    }
    QCOMPARE(map.Blocks(), rig.Model().FindVolume(kHome)->blocks);
    TMap fresh(rig.Model());
    Show(fresh, map.size());
    QVERIFY(fresh.MapImage() == map.MapImage());
    // The screen shows the off-screen image.
    const QRect covered(QPoint(), map.BlockRect(TMap::kBlockCount - 1).bottomRight());
    QCOMPARE(map.grab(covered).toImage().convertToFormat(QImage::Format_RGB32),
             map.MapImage().copy(covered).convertToFormat(QImage::Format_RGB32));

    // A selection shows with the repaint that carries its hint.
    rig.Model().SetSelectedBlocks(kHome, {4}, L"/home/b");
    host.UpdateFromModel(0x01);
    QVERIFY(map.SelectedBlocks().empty());
    host.UpdateFromModel(COptimizeBitmapWidget::kSelectedBlocksHint);
    QCOMPARE(map.SelectedBlocks(), std::set<quint32>{4});

    // Stored colours are read when they are reset.
    rig.Feed().OnBitmapUpdated(kHome, CBitmapColors::kUsed, 0, TMap::kBlockCount);
    const auto pixel = [&](int block) { return map.MapImage().pixel(Centre(map, block)); };
    const QRgb used = pixel(0);
    CBitmapColors::TTable colors = CBitmapColors::Defaults();
    colors[CBitmapColors::kUsed] = QColor(200, 0, 0);
    QCOMPARE(CBitmapColors::Save(colors), ERROR_SUCCESS);
    QCOMPARE(pixel(0), used);
    emit host.ResetColors();
    QVERIFY(pixel(0) != used);
    QCOMPARE(pixel(0), pixel(3599));

    rig.Model().SetCurrentVolume(kSrv);
    QCOMPARE(map.Volume(), kSrv);
    QCOMPARE(map.Blocks(), rig.Model().FindVolume(kSrv)->blocks);
    rig.Model().Clear();
    emit rig.Feed().DefragModelUpdated();
    QVERIFY(map.Volume().empty());
    QCOMPARE(map.ToolTipText(0), QString());
}

void TestDriveMap::hoverBlinkAndPress()
{
    TRig rig;
    rig.Fill(CBitmapColors::kOccasionallyModified);
    TMap map(rig.Model());
    Show(map, {1000, 360});
    const QImage normal = map.MapImage();
    const auto same = [&](int block) {
        return map.MapImage().copy(map.BlockRect(block)) == normal.copy(map.BlockRect(block));
    };
    const auto dark = [&](int block) {
        const QRgb now = map.MapImage().pixel(Centre(map, block));
        const QRgb was = normal.pixel(Centre(map, block));
        return qRed(now) < qRed(was) || qGreen(now) < qGreen(was) || qBlue(now) < qBlue(was);
    };
    const auto move = [&](int block) {
        QMouseEvent event(QEvent::MouseMove, Centre(map, block),
                          map.mapToGlobal(Centre(map, block)), Qt::NoButton, Qt::NoButton, {});
        QApplication::sendEvent(&map, &event);
    };

    move(7);
    QCOMPARE(map.HoveredBlock(), 7);
    QVERIFY(dark(7));
    move(8);
    QVERIFY(dark(8) && same(7));
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(&map, &leave);
    QCOMPARE(map.HoveredBlock(), -1);
    QVERIFY(map.MapImage() == normal);
    // No hover while the volume is analysed.
    rig.Model().SetStatus(kHome, CDefrager::kAnalysing);
    move(9);
    QCOMPARE(map.HoveredBlock(), -1);
    rig.Model().SetStatus(kHome, CDefrager::kIdle);

    // The selected file's blocks go dark and back every second, the others stay as they are.
    // A press asks the controller to clear the selection.
    rig.Model().SetSelectedBlocks(kHome, {20, 3000}, L"/home/a");
    map.Refresh();
    QTRY_VERIFY(dark(3000));
    QVERIFY(dark(20) && same(21));
    QTRY_VERIFY(same(3000));
    QTest::mouseClick(&map, Qt::RightButton, {}, Centre(map, 40));
    QCOMPARE(rig.log, QStringList{u"Defrag.Select:{home}:0:"_s});
    rig.Model().SetSelectedBlocks(kHome, {}, L"");
    map.Refresh();
    QTRY_VERIFY(!map.IsBlinking());
    QVERIFY(map.MapImage() == normal);
    // Without a current volume the map takes no clicks.
    rig.Model().SetCurrentVolume(TId());
    map.Refresh();
    QTest::mouseClick(&map, Qt::LeftButton, {}, Centre(map, 40));
    QCOMPARE(rig.log.size(), 1);
}

void TestDriveMap::toolTipsAndFilesOfABlock_data()
{
    QTest::addColumn<TId>("volume");
    QTest::addColumn<quint32>("status");
    QTest::addColumn<quint32>("edition");
    QTest::addColumn<quint32>("code");
    QTest::addColumn<bool>("listed");
    QTest::addColumn<QString>("toolTip");

    // The tool tip past its "Block 1" line.
    const quint32 idle = CDefrager::kIdle;
    const QString hint = u"\n\nRight click to view the contents"_s;
    QTest::newRow("NTFS") << kHome << idle << 0u << 0x13u << true
                          << u"Recently Modified\nFragmented"_s + hint;
    QTest::newRow("paused") << kHome << quint32(CDefrager::kPaused) << 0u << 0x9u << false
                            << u"Free Space\n"_s + hint;
    QTest::newRow("edition 6") << kHome << idle << 6u << 0x24u << false
                               << u"Directory\nFragmented"_s;
    QTest::newRow("tmpfs") << kSrv << idle << 0u << 0x1u << false
                           << u"Rarely Modified\nNot Fragmented"_s;
    QTest::newRow("not analysed") << kSrv << idle << 0u << 0xDu << false << u"Unknown\n"_s;
    QTest::newRow("no category") << kSrv << idle << 0u << 0x1Fu << false
                                 << u"Unknown\nFragmented"_s;
}

void TestDriveMap::toolTipsAndFilesOfABlock()
{
    QFETCH(TId, volume);
    QFETCH(quint32, status);
    QFETCH(quint32, edition);
    QFETCH(quint32, code);
    QFETCH(bool, listed);
    QFETCH(QString, toolTip);
    TRig rig;
    CTestEngine engine;
    engine.volumes = {u"{home}"_s, u"{srv}"_s};
    CTestEngine::TVolumeData data;
    data.fileSystem = u"tmpfs"_s;
    engine.SetVolumeData(u"{srv}"_s, data);
    QVERIFY(engine.Start());
    QVERIFY(
        rig.fixture.app->ConnectToComputer(CComputerName::Local().toStdWString(), L"", L"", L""));
    rig.Feed().Rebuild();
    rig.fixture.app->Model().SetEdition(edition);
    rig.Model().SetCurrentVolume(volume);
    rig.Model().SetStatus(volume, status);
    rig.Fill(code, 0, 1);
    rig.Model().SetSelectedBlocks(volume, {7}, L"/data/report.odt");
    TMap map(rig.Model());
    Show(map, {500, 200});
    QCOMPARE(map.ToolTipText(0), u"Block 1\n"_s + toolTip);
    QCOMPARE(map.ToolTipText(7), u"Selected File:\n\n/data/report.odt"_s);
    QCOMPARE(map.ToolTipText(3599).section(u'\n', 0, 0), u"Block 3600"_s);
    QCOMPARE(map.ToolTipText(3600), QString());
    QCOMPARE(map.CanShowFiles(), listed);

    QSignalSpy requests(&map, &TMap::BlockFilesRequested);
    QTest::mouseDClick(&map, Qt::LeftButton, {}, Centre(map, 1234));
    QCOMPARE(map.FilesBlock(), listed ? 1234 : -1);
    const QList<QVariantList> request{{QVariant::fromValue(volume), 1234}};
    QCOMPARE(QList<QVariantList>(requests), listed ? request : QList<QVariantList>());
}

void TestDriveMap::lifeSpeedAndRules()
{
    TRig rig;
    rig.Fill(CBitmapColors::kFreeSpace);
    // A blinker across the left and right edges of row 10.
    rig.Fill(0x14, 1099, 1);
    rig.Fill(0x14, 1000, 2);
    TMap map(rig.Model());
    Show(map, {400, 150});
    const QImage saved = map.MapImage();

    map.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&map));
    map.setFocus();
    for (int press = 0; press < 10; ++press)
        QTest::keyClick(&map, Qt::Key_F, Qt::ControlModifier | Qt::AltModifier);
    QCOMPARE(map.LifeInterval(), 100);
    for (int press = 0; press < 12; ++press)
        map.LifeSlowDown();
    QCOMPARE(map.LifeInterval(), 1000);

    map.StartLife();
    QVERIFY(map.IsLifeRunning());
    const std::vector<bool> row10 = map.LifeCells();
    map.Life();
    const std::vector<bool>& cells = map.LifeCells();
    QCOMPARE(std::count(cells.begin(), cells.end(), true), 3);
    QVERIFY(cells[900] && cells[1000] && cells[1100]);
    map.Life();
    QVERIFY(map.LifeCells() == row10);
    // Bounded, the blinker is cut in two and dies.
    map.LifePetriToggle();
    map.Life();
    map.Life();
    QCOMPARE(std::count(cells.begin(), cells.end(), true), 0);

    // A live run ends the game and restores the map before it applies.
    map.UpdateBlocks(CBitmapColors::kFreeSpace, 1000, 1);
    QVERIFY(!map.IsLifeRunning());
    QCOMPARE(map.Blocks()[1000], quint32(CBitmapColors::kFreeSpace));
    map.UpdateBlocks(0x14, 1000, 1);
    QVERIFY(map.MapImage() == saved);
    // So does a press; random seeding starts the game when it is not running.
    map.RandomLife();
    QVERIFY(map.IsLifeRunning());
    QTest::mouseClick(&map, Qt::LeftButton, {}, Centre(map, 5));
    QVERIFY(!map.IsLifeRunning());
    QVERIFY(map.MapImage() == saved);
}

QTEST_MAIN(TestDriveMap)
#include "tst_DriveMap.moc"
