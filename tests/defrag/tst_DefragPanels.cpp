#include "core/COleDate.h"
#include "defrag/CDefragDialWidget.h"
#include "defrag/CDefragFoldableWidget.h"
#include "defrag/CDefragTabWidget.h"
#include "platform/registry/CSettings.h"
#include "tests/support/CAppFixture.h"

#include <QPushButton>
#include <QSignalSpy>
#include <QToolButton>
#include <QtTest>

#include <limits>
#include <optional>

using namespace Qt::StringLiterals;

class TestDefragPanels : public QObject {
    Q_OBJECT

private slots:
    void statusLineCases_data();
    void statusLineCases();
    void panelsFollowTheCurrentVolumeOnly();
    void selectedTabSurvivesPageSwapAndRebuild();
    void sidePanelState_data();
    void sidePanelState();
    void sidePanelCommandsAndClicks();
};

namespace {

const TId kHome = L"{home}";
const TId kSrv = L"{srv}";
const QString kTabKey = u"Tabs/Defrag Buttom Tab"_s;
const QString kSideKey = u"Tabs/Defrag Side Tab"_s;
using TSide = CDefragFoldableWidget;

CDefrager::TVolumeInfo Record(const TId& id, const TName& mountName, double dataDate = 0.0)
{
    CDefrager::TVolumeInfo record;
    record.volumeId = id;
    record.mountName = mountName;
    record.dataDate = dataDate;
    return record;
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

} // namespace

void TestDefragPanels::statusLineCases_data()
{
    QTest::addColumn<std::optional<QString>>("statusText");
    QTest::addColumn<std::optional<double>>("percent");
    QTest::addColumn<double>("dataDate");
    QTest::addColumn<QString>("line");
    QTest::addColumn<int>("progress");

    const double day = COleDate::FromDateTime(QDateTime(QDate(2024, 7, 27), QTime(12, 0)));
    QTest::newRow("status text beats a date")
        << std::optional(u"Analyzing"_s) << std::optional(42.6) << day << u"   Analyzing"_s << 43;
    QTest::newRow("an empty status text still counts")
        << std::optional(QString()) << std::optional(0.4) << day << u"   "_s << 0;
    QTest::newRow("a date before the first day")
        << std::optional<QString>() << std::optional<double>() << 0.999 << u"   /home"_s << 0;
    QTest::newRow("percent not a number")
        << std::optional(u"Paused"_s) << std::optional(std::numeric_limits<double>::quiet_NaN())
        << 0.0 << u"   Paused"_s << 0;
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
    CDefragTabWidget tabs(rig.Feed());
    QCOMPARE(tabs.StatusLineText(), line);
    QCOMPARE(tabs.ProgressValue(), progress);
}

void TestDefragPanels::panelsFollowTheCurrentVolumeOnly()
{
    TRig rig;
    CDefrager& model = rig.Model();
    CDefragTabWidget tabs(rig.Feed());
    CDefragDialWidget dial(rig.Feed());
    model.SetStatusText(kHome, L"Analyzing", 12.0);
    model.SetStatusText(kSrv, L"Defragmenting", 55.0);
    model.SetCompletionPercent(kSrv, 150.0);
    model.SetFragmentation(kSrv, 35.0);
    model.SetFreeSpaceFragmentation(kSrv, 45.0);
    QCOMPARE(tabs.StatusLineText(), u"   Analyzing"_s);
    QCOMPARE(tabs.ProgressValue(), 12);
    QCOMPARE(dial.FileFragmentation(), std::nullopt);

    // The pass ends: the status goes, and the results' date arrives with the completion.
    const QDate day(2023, 2, 14);
    model.ClearStatusDetails(kHome);
    QCOMPARE(tabs.StatusLineText(), u"   /home"_s);
    QCOMPARE(tabs.ProgressValue(), 0);
    model.SetDataDate(kHome, COleDate::FromDateTime(QDateTime(day, QTime(12, 0))));
    emit rig.Feed().Completed(kHome);
    QCOMPARE(tabs.StatusLineText(),
             u"   /home as of "_s + QLocale::system().toString(day, QLocale::ShortFormat));

    model.SetCurrentVolume(kSrv);
    QCOMPARE(tabs.StatusLineText(), u"   Defragmenting"_s);
    QCOMPARE(tabs.ProgressValue(), 100);
    QCOMPARE(dial.FileFragmentation(), std::optional(35.0));
    QCOMPARE(dial.FreeSpaceFragmentation(), std::optional(45.0));
    // A volume not analysed yet, and values that are no numbers, show empty gauges.
    CDefrager::TVolumeInfo srv = Record(kSrv, L"/srv");
    srv.fragmentation = std::numeric_limits<double>::infinity();
    model.SetVolume(srv);
    emit rig.Feed().DefragModelUpdated();
    QCOMPARE(tabs.StatusLineText(), u"   /srv"_s);
    QVERIFY(!dial.FileFragmentation() && !dial.FreeSpaceFragmentation());
    model.SetCurrentVolume(TId());
    QCOMPARE(tabs.StatusLineText(), QString());
    QCOMPARE(tabs.ProgressValue(), 0);
}

void TestDefragPanels::selectedTabSurvivesPageSwapAndRebuild()
{
    TRig rig;
    const int performancePage = CDefragTabWidget::kPerformancePage;
    {
        CDefragTabWidget tabs(rig.Feed());
        tabs.setCurrentIndex(performancePage);
        const QString title = tabs.tabText(performancePage);
        auto* performance = new QWidget;
        QVERIFY(tabs.SetPage(performancePage, performance));
        QCOMPARE(tabs.currentWidget(), performance);
        QCOMPARE(tabs.tabText(performancePage), title);
        QWidget refused;
        QVERIFY(!tabs.SetPage(CDefragTabWidget::kPageCount, &refused));
        QVERIFY(!tabs.SetPage(-1, &refused) && !tabs.SetPage(0, nullptr));
        QCOMPARE(refused.parent(), nullptr);
    }
    QCOMPARE(CDefragTabWidget(rig.Feed()).currentIndex(), performancePage);
    // Values that name no page leave the first page selected, and are not written back.
    for (const QVariant& stored : {QVariant(3), QVariant(-1), QVariant(u"two"_s)}) {
        rig.Settings().setValue(kTabKey, stored);
        QCOMPARE(CDefragTabWidget(rig.Feed()).currentIndex(), 0);
        QCOMPARE(rig.Settings().value(kTabKey), stored);
    }
}

void TestDefragPanels::sidePanelState_data()
{
    QTest::addColumn<QVariant>("stored");
    QTest::addColumn<int>("page");
    QTest::addColumn<bool>("folded");

    const int legend = TSide::kLegendPage;
    const int fragmentation = TSide::kFragmentationPage;
    QTest::newRow("nothing stored") << QVariant() << fragmentation << false;
    QTest::newRow("legend folded") << QVariant(legend | TSide::kFoldedFlag) << legend << true;
    QTest::newRow("no such page, folded")
        << QVariant(2 | TSide::kFoldedFlag) << fragmentation << false;
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
    TSide side(rig.Feed());
    side.show();
    QCOMPARE(int(side.CurrentPage()), page);
    QCOMPARE(side.IsFolded(), folded);
    QCOMPARE(side.DialWidget()->isVisible(), !folded && page == TSide::kFragmentationPage);
    QCOMPARE(side.PropertiesButton()->isVisible(), !folded);
    QCOMPARE(side.HelpTopic(),
             page == TSide::kLegendPage ? u"Legend.htm"_s : u"Fragmentation.htm"_s);
}

void TestDefragPanels::sidePanelCommandsAndClicks()
{
    TRig rig;
    TSide side(rig.Feed());
    side.show();
    QPushButton* find = side.FindButton();
    QPushButton* properties = side.PropertiesButton();
    QSignalSpy finds(&side, &TSide::FindRequested);
    QSignalSpy colours(&side, &TSide::PropertiesRequested);
    QTest::mouseClick(find, Qt::LeftButton);
    QTest::mouseClick(properties, Qt::LeftButton);
    QVERIFY(finds.size() == 1 && colours.size() == 1);
    // Find waits for the current volume's pass; the colours can always be changed.
    rig.Model().SetStatus(kSrv, CDefrager::kDefragmenting);
    QVERIFY(find->isEnabled());
    rig.Model().SetCurrentVolume(kSrv);
    QVERIFY(!find->isEnabled());
    rig.Model().SetStatus(kSrv, CDefrager::kIdle);
    QVERIFY(find->isEnabled());
    rig.Model().SetCurrentVolume(TId());
    QVERIFY(!find->isEnabled() && properties->isEnabled());

    // The page and the fold clicked are stored; folded, the panel keeps only its button.
    auto* legend = side.findChild<QToolButton*>(u"DefragSideLegendButton"_s);
    auto* fold = side.findChild<QToolButton*>(u"DefragSideFoldButton"_s);
    QVERIFY(legend && fold);
    QTest::mouseClick(legend, Qt::LeftButton);
    QTest::mouseClick(fold, Qt::LeftButton);
    QCOMPARE(rig.Settings().value(kSideKey).toInt(), TSide::kLegendPage | TSide::kFoldedFlag);
    QVERIFY(side.IsFolded() && side.maximumWidth() < 60 && !legend->isVisible());
    QTest::mouseClick(fold, Qt::LeftButton);
    QVERIFY(!side.IsFolded() && legend->isVisible());
    QCOMPARE(rig.Settings().value(kSideKey).toInt(), int(TSide::kLegendPage));
}

QTEST_MAIN(TestDefragPanels)
#include "tst_DefragPanels.moc"
