#include "core/COleDate.h"
#include "defrag/CDefragDialWidget.h"
#include "defrag/CDefragFoldableWidget.h"
#include "defrag/CDefragTabWidget.h"
#include "platform/registry/CSettings.h"
#include "resources/CSkinResources.h"
#include "tests/support/CAppFixture.h"

#include <QHBoxLayout>
#include <QPointer>
#include <QPushButton>
#include <QShortcut>
#include <QSignalSpy>
#include <QToolButton>
#include <QtTest>

#include <cmath>
#include <limits>
#include <optional>

using namespace Qt::StringLiterals;

class TestDefragPanels : public QObject {
    Q_OBJECT

private slots:
    void statusLineCases_data();
    void statusLineCases();
    void statusLineFollowsTheCurrentVolumeOnly();
    void selectedTabRoundTrip();
    void swappedPagesKeepTitleAndSelection();
    void helpKeyOpensThePageTopic();
    void sidePanelState_data();
    void sidePanelState();
    void sidePanelClicksAreStored();
    void findAndPropertiesEnabling();
    void gaugesFollowTheCurrentVolumeOnly();
    void imagesFollowTheSkin();
};

namespace {

const TId kHome = L"{home}";
const TId kSrv = L"{srv}";
const QString kTabKey = u"Tabs/Defrag Buttom Tab"_s;
const QString kSideKey = u"Tabs/Defrag Side Tab"_s;

double OleDate(const QDate& date)
{
    return COleDate::FromDateTime(QDateTime(date, QTime(12, 0)));
}

CDefrager::TVolumeInfo Record(const TId& id, const TName& mountName, double dataDate = 0.0)
{
    CDefrager::TVolumeInfo record;
    record.volumeId = id;
    record.mountName = mountName;
    record.dataDate = dataDate;
    return record;
}

QString AsOf(const QString& mountName, const QDate& date)
{
    return u"   "_s + mountName + u" as of "_s +
           QLocale::system().toString(date, QLocale::ShortFormat);
}

// The application with /home (current) and /srv in its drive model.
struct TRig {
    TRig()
    {
        Model().SetVolume(Record(kHome, L"/home"));
        Model().SetVolume(Record(kSrv, L"/srv"));
        Model().SetCurrentVolume(kHome);
    }
    CDefragFeed& Feed() { return fixture.app->DefragFeed(); }
    CDefrager& Model() { return Feed().Model(); }
    CSettings& Settings() { return fixture.app->Settings(); }

    CAppFixture fixture;
};

QImage IconImage(const QIcon& icon)
{
    return icon.pixmap(QSize(16, 16)).toImage().convertToFormat(QImage::Format_ARGB32);
}

QImage SkinImage(int skin, const QString& name)
{
    return QImage(CSkinResources::SkinImagePath(CSkinResources::ImageFolder(skin), name))
        .convertToFormat(QImage::Format_ARGB32);
}

} // namespace

void TestDefragPanels::statusLineCases_data()
{
    QTest::addColumn<std::optional<QString>>("statusText");
    QTest::addColumn<std::optional<double>>("percent");
    QTest::addColumn<double>("dataDate");
    QTest::addColumn<QString>("line");
    QTest::addColumn<int>("progress");

    const QDate day(2024, 7, 27);
    const std::optional<QString> none;
    const std::optional<double> absent;
    QTest::newRow("status text beats a date")
        << std::optional(u"Analyzing"_s) << std::optional(42.6) << OleDate(day) << u"   Analyzing"_s
        << 43;
    QTest::newRow("an empty status text still counts")
        << std::optional(QString()) << std::optional(0.4) << OleDate(day) << u"   "_s << 0;
    QTest::newRow("a date before the first day") << none << absent << 0.999 << u"   /home"_s << 0;
    QTest::newRow("the first day")
        << none << absent << 1.0 << AsOf(u"/home"_s, QDate(1899, 12, 31)) << 0;
    QTest::newRow("percent past the end")
        << std::optional(u"Verifying"_s) << std::optional(150.0) << 0.0 << u"   Verifying"_s << 100;
    QTest::newRow("percent not a number")
        << std::optional(u"Paused"_s) << std::optional(std::nan("")) << 0.0 << u"   Paused"_s << 0;
}

void TestDefragPanels::statusLineCases()
{
    QFETCH(std::optional<QString>, statusText);
    QFETCH(std::optional<double>, percent);
    QFETCH(double, dataDate);
    QFETCH(QString, line);
    QFETCH(int, progress);

    TRig rig;
    CDefrager::TVolumeInfo record = Record(kHome, L"/home", dataDate);
    if (statusText)
        record.statusText = statusText->toStdWString();
    record.completionPercent = percent;
    rig.Model().SetVolume(record);
    // The widget reads the volume as it is when built, and again on a reset of the model.
    CDefragTabWidget built(rig.Feed());
    QCOMPARE(built.StatusLineText(), line);
    QCOMPARE(built.ProgressValue(), progress);

    CDefrager::TVolumeInfo other = Record(kHome, L"/home");
    other.statusText = L"Defragmenting";
    other.completionPercent = 77;
    rig.Model().SetVolume(other);
    CDefragTabWidget reset(rig.Feed());
    rig.Model().SetVolume(record);
    emit rig.Feed().DefragModelUpdated();
    QCOMPARE(reset.StatusLineText(), line);
    QCOMPARE(reset.ProgressValue(), progress);
}

void TestDefragPanels::statusLineFollowsTheCurrentVolumeOnly()
{
    TRig rig;
    const QDate day(2023, 2, 14);
    CDefragTabWidget tabs(rig.Feed());
    QCOMPARE(tabs.StatusLineText(), u"   /home"_s);

    // A pass starts on the current volume: its status text replaces the mount name.
    rig.Model().SetStatusText(kHome, L"Analyzing", 12.0);
    QCOMPARE(tabs.StatusLineText(), u"   Analyzing"_s);
    QCOMPARE(tabs.ProgressValue(), 12);
    // Another volume's progress is not shown.
    rig.Model().SetStatusText(kSrv, L"Defragmenting", 55.0);
    rig.Model().SetCompletionPercent(kSrv, 60.0);
    QCOMPARE(tabs.StatusLineText(), u"   Analyzing"_s);
    QCOMPARE(tabs.ProgressValue(), 12);
    rig.Model().SetCompletionPercent(kHome, 99.5);
    QCOMPARE(tabs.ProgressValue(), 100);

    // The pass ends: the status goes, and the results' date arrives with the completion.
    rig.Model().ClearStatusDetails(kHome);
    QCOMPARE(tabs.StatusLineText(), u"   /home"_s);
    QCOMPARE(tabs.ProgressValue(), 0);
    rig.Model().SetDataDate(kHome, OleDate(day));
    rig.Model().SetDataDate(kSrv, OleDate(day));
    emit rig.Feed().Completed(kSrv);
    QCOMPARE(tabs.StatusLineText(), u"   /home"_s);
    emit rig.Feed().Completed(kHome);
    QCOMPARE(tabs.StatusLineText(), AsOf(u"/home"_s, day));
    // A new pass forgets the date before its first status.
    rig.Model().ResetDataDate(kHome);
    emit rig.Feed().Started(kHome);
    QCOMPARE(tabs.StatusLineText(), u"   /home"_s);

    rig.Model().SetCurrentVolume(kSrv);
    QCOMPARE(tabs.StatusLineText(), u"   Defragmenting"_s);
    QCOMPARE(tabs.ProgressValue(), 60);
    rig.Model().SetCurrentVolume(TId());
    QCOMPARE(tabs.StatusLineText(), QString());
    QCOMPARE(tabs.ProgressValue(), 0);
}

void TestDefragPanels::selectedTabRoundTrip()
{
    TRig rig;
    {
        CDefragTabWidget tabs(rig.Feed());
        QCOMPARE(tabs.currentIndex(), 0);
        tabs.setCurrentIndex(CDefragTabWidget::kStatisticsPage);
    }
    CDefragTabWidget restored(rig.Feed());
    QCOMPARE(restored.currentIndex(), int(CDefragTabWidget::kStatisticsPage));

    // Values that name no page leave the first page selected, and are not written back.
    for (const QVariant& stored : {QVariant(3), QVariant(-1), QVariant(u"two"_s)}) {
        rig.Settings().setValue(kTabKey, stored);
        CDefragTabWidget tabs(rig.Feed());
        QCOMPARE(tabs.currentIndex(), 0);
        QCOMPARE(rig.Settings().value(kTabKey), stored);
    }
}

void TestDefragPanels::swappedPagesKeepTitleAndSelection()
{
    TRig rig;
    CDefragTabWidget tabs(rig.Feed());
    tabs.setCurrentIndex(CDefragTabWidget::kPerformancePage);
    const QString title = tabs.tabText(CDefragTabWidget::kPerformancePage);
    QPointer<QWidget> placeholder = tabs.currentWidget();

    auto* performance = new QWidget;
    QVERIFY(tabs.SetPage(CDefragTabWidget::kPerformancePage, performance));
    QVERIFY(placeholder.isNull());
    QCOMPARE(tabs.currentWidget(), performance);
    QCOMPARE(tabs.tabText(CDefragTabWidget::kPerformancePage), title);
    QCOMPARE(tabs.count(), CDefragTabWidget::kPageCount);
    QCOMPARE(rig.Settings().value(kTabKey).toInt(), 1);

    QWidget refused;
    QVERIFY(!tabs.SetPage(CDefragTabWidget::kPageCount, &refused));
    QVERIFY(!tabs.SetPage(-1, &refused));
    QVERIFY(!tabs.SetPage(0, nullptr));
    QCOMPARE(refused.parent(), nullptr);
}

void TestDefragPanels::helpKeyOpensThePageTopic()
{
    TRig rig;
    // The window's own F1, as the ribbon has it, answers only outside the panels.
    QWidget window;
    int windowHelp = 0;
    auto* shortcut = new QShortcut(QKeySequence(Qt::Key_F1), &window);
    shortcut->setContext(Qt::WindowShortcut);
    connect(shortcut, &QShortcut::activated, &window, [&windowHelp] { ++windowHelp; });
    auto* layout = new QHBoxLayout(&window);
    auto* tabs = new CDefragTabWidget(rig.Feed());
    auto* side = new CDefragFoldableWidget(rig.Feed());
    auto* outside = new QPushButton(u"outside"_s);
    layout->addWidget(tabs);
    layout->addWidget(side);
    layout->addWidget(outside);
    window.show();
    window.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    QList<QUrl>& opened = rig.fixture.shell.opened;

    tabs->setCurrentIndex(CDefragTabWidget::kStatisticsPage);
    tabs->currentWidget()->setFocus();
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_F1);
    QCOMPARE(opened.size(), 1);
    QCOMPARE(opened.last().fileName(), u"Statistics_Tab.htm"_s);
    side->SetPage(CDefragFoldableWidget::kLegendPage);
    side->FindButton()->setEnabled(true);
    side->FindButton()->setFocus();
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_F1);
    QCOMPARE(opened.last().fileName(), u"Legend.htm"_s);
    QCOMPARE(windowHelp, 0);
    // Shift+F1 is not the help key.
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_F1, Qt::ShiftModifier);
    QCOMPARE(opened.size(), 2);

    outside->setFocus();
    QTest::keyClick(outside, Qt::Key_F1);
    QCOMPARE(windowHelp, 1);
    QCOMPARE(opened.size(), 2);
}

void TestDefragPanels::sidePanelState_data()
{
    QTest::addColumn<QVariant>("stored");
    QTest::addColumn<int>("page");
    QTest::addColumn<bool>("folded");

    const int legend = CDefragFoldableWidget::kLegendPage;
    const int fragmentation = CDefragFoldableWidget::kFragmentationPage;
    const int flag = CDefragFoldableWidget::kFoldedFlag;
    QTest::newRow("nothing stored") << QVariant() << fragmentation << false;
    QTest::newRow("legend") << QVariant(legend) << legend << false;
    QTest::newRow("legend folded") << QVariant(legend | flag) << legend << true;
    QTest::newRow("fragmentation folded")
        << QVariant(fragmentation | flag) << fragmentation << true;
    QTest::newRow("no such page, folded") << QVariant(2 | flag) << fragmentation << false;
    QTest::newRow("negative") << QVariant(-1) << fragmentation << false;
    QTest::newRow("text") << QVariant(u"Fragmentation"_s) << fragmentation << false;
}

void TestDefragPanels::sidePanelState()
{
    QFETCH(QVariant, stored);
    QFETCH(int, page);
    QFETCH(bool, folded);

    TRig rig;
    if (stored.isValid())
        rig.Settings().setValue(kSideKey, stored);
    CDefragFoldableWidget side(rig.Feed());
    side.resize(240, 400);
    side.show();
    QCOMPARE(int(side.CurrentPage()), page);
    QCOMPARE(side.IsFolded(), folded);
    QCOMPARE(side.DialWidget()->isVisible(), !folded && page == 1);
    QCOMPARE(side.PropertiesButton()->isVisible(), !folded);
    QCOMPARE(side.HelpTopic(), page == 1 ? u"Fragmentation.htm"_s : u"Legend.htm"_s);
}

void TestDefragPanels::sidePanelClicksAreStored()
{
    TRig rig;
    {
        // Beside a page that takes what the panel leaves.
        QWidget host;
        auto* layout = new QHBoxLayout(&host);
        auto* page = new QWidget;
        page->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
        auto* panel = new CDefragFoldableWidget(rig.Feed());
        layout->addWidget(page);
        layout->addWidget(panel);
        host.resize(700, 400);
        host.show();
        CDefragFoldableWidget& side = *panel;
        QSignalSpy folds(&side, &CDefragFoldableWidget::FoldedChanged);
        auto* fragmentation = side.findChild<QToolButton*>(u"DefragSideFragmentationButton"_s);
        auto* fold = side.findChild<QToolButton*>(u"DefragSideFoldButton"_s);
        QVERIFY(fragmentation && fold);
        QTRY_VERIFY(side.width() > 150);
        QTest::mouseClick(fragmentation, Qt::LeftButton);
        QCOMPARE(side.CurrentPage(), CDefragFoldableWidget::kFragmentationPage);
        QCOMPARE(rig.Settings().value(kSideKey).toInt(), 1);
        QTest::mouseClick(fold, Qt::LeftButton);
        QVERIFY(side.IsFolded());
        QCOMPARE(folds.size(), 1);
        QCOMPARE(rig.Settings().value(kSideKey).toInt(), 1 | CDefragFoldableWidget::kFoldedFlag);
        QVERIFY(!fragmentation->isVisible());
        QTRY_VERIFY(side.width() < 60);
        QVERIFY(fold->isVisible());
    }
    {
        CDefragFoldableWidget side(rig.Feed());
        side.show();
        QVERIFY(side.IsFolded());
        QCOMPARE(side.CurrentPage(), CDefragFoldableWidget::kFragmentationPage);
        auto* fold = side.findChild<QToolButton*>(u"DefragSideFoldButton"_s);
        QTest::mouseClick(fold, Qt::LeftButton);
        QVERIFY(!side.IsFolded());
        QVERIFY(side.DialWidget()->isVisible());
    }
    QCOMPARE(rig.Settings().value(kSideKey).toInt(), 1);
}

void TestDefragPanels::findAndPropertiesEnabling()
{
    TRig rig;
    CDefragFoldableWidget side(rig.Feed());
    side.show();
    QPushButton* find = side.FindButton();
    QPushButton* properties = side.PropertiesButton();
    QSignalSpy finds(&side, &CDefragFoldableWidget::FindRequested);
    QSignalSpy colours(&side, &CDefragFoldableWidget::PropertiesRequested);

    // Without a drive map both commands wait for it.
    QVERIFY(!find->isEnabled());
    QVERIFY(!properties->isEnabled());
    QTest::mouseClick(find, Qt::LeftButton);
    QTest::mouseClick(properties, Qt::LeftButton);
    QCOMPARE(finds.size() + colours.size(), 0);

    side.SetMapActionsAvailable(true);
    QVERIFY(find->isEnabled());
    QVERIFY(properties->isEnabled());
    QTest::mouseClick(find, Qt::LeftButton);
    QTest::mouseClick(properties, Qt::LeftButton);
    QCOMPARE(finds.size(), 1);
    QCOMPARE(colours.size(), 1);

    // Find waits for the current volume's pass; the colours can always be changed.
    CDefrager& model = rig.Model();
    model.SetStatus(kSrv, CDefrager::kDefragmenting);
    QVERIFY(find->isEnabled());
    model.SetStatus(kHome, CDefrager::kAnalysing);
    QVERIFY(!find->isEnabled());
    model.SetCurrentVolume(kSrv);
    QVERIFY(!find->isEnabled());
    model.SetStatus(kSrv, CDefrager::kIdle);
    QVERIFY(find->isEnabled());
    model.SetCurrentVolume(TId());
    QVERIFY(!find->isEnabled());
    QVERIFY(properties->isEnabled());

    side.SetMapActionsAvailable(false);
    QVERIFY(!find->isEnabled());
    QVERIFY(!properties->isEnabled());
}

void TestDefragPanels::gaugesFollowTheCurrentVolumeOnly()
{
    TRig rig;
    CDefrager& model = rig.Model();
    model.SetFragmentation(kHome, 10.0);
    model.SetFreeSpaceFragmentation(kHome, 20.0);
    model.SetFragmentation(kSrv, 30.0);
    CDefragDialWidget dial(rig.Feed());
    dial.resize(220, 320);
    QCOMPARE(dial.FileFragmentation(), std::optional(10.0));
    QCOMPARE(dial.FreeSpaceFragmentation(), std::optional(20.0));
    const QImage analysed = dial.grab().toImage();

    // The current record changes without a notice: only the current volume's notices make the
    // gauges read it again.
    CDefrager::TVolumeInfo home = model.Volume(kHome);
    home.fragmentation = 70.0;
    home.freeSpaceFragmentation = 80.0;
    model.SetVolume(home);
    model.SetFragmentation(kSrv, 35.0);
    model.SetFreeSpaceFragmentation(kSrv, 45.0);
    QCOMPARE(dial.FileFragmentation(), std::optional(10.0));
    QCOMPARE(dial.FreeSpaceFragmentation(), std::optional(20.0));
    model.SetFreeSpaceFragmentation(kHome, 85.0);
    QCOMPARE(dial.FileFragmentation(), std::optional(70.0));
    QCOMPARE(dial.FreeSpaceFragmentation(), std::optional(85.0));

    model.SetCurrentVolume(kSrv);
    QCOMPARE(dial.FileFragmentation(), std::optional(35.0));
    QCOMPARE(dial.FreeSpaceFragmentation(), std::optional(45.0));

    // A volume not analysed yet, and values that are no numbers, show empty gauges.
    CDefrager::TVolumeInfo srv = Record(kSrv, L"/srv");
    srv.fragmentation = std::numeric_limits<double>::infinity();
    model.SetVolume(srv);
    emit rig.Feed().DefragModelUpdated();
    QCOMPARE(dial.FileFragmentation(), std::nullopt);
    QCOMPARE(dial.FreeSpaceFragmentation(), std::nullopt);
    QVERIFY(dial.grab().toImage() != analysed);
}

void TestDefragPanels::imagesFollowTheSkin()
{
    TRig rig;
    rig.fixture.app->SetSkin(CSkinResources::kBlue);
    CDefragFoldableWidget side(rig.Feed());
    auto* fold = side.findChild<QToolButton*>(u"DefragSideFoldButton"_s);
    QVERIFY(fold);
    const QImage blueFold = SkinImage(CSkinResources::kBlue, u"button_fold_arrow.png"_s);
    QVERIFY(!blueFold.isNull());
    QCOMPARE(IconImage(fold->icon()), blueFold);

    rig.fixture.app->SetSkin(CSkinResources::kGray);
    QCOMPARE(IconImage(side.FindButton()->icon()),
             SkinImage(CSkinResources::kGray, u"find_file.png"_s));
    side.SetFolded(true);
    QCOMPARE(IconImage(fold->icon()),
             SkinImage(CSkinResources::kGray, u"button_unfold_arrow.png"_s));
}

QTEST_MAIN(TestDefragPanels)
#include "tst_DefragPanels.moc"
