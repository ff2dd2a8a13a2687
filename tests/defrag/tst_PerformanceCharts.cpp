// The history charts: the performance page and the statistics page's two chart tabs, the date
// order of their labels, and the pass dates that reach the drive model from the reference
// engine's agent.
#include "core/COleDate.h"
#include "defrag/CDefragFeed.h"
#include "defrag/CDefrager.h"
#include "defrag/CHistoryChartData.h"
#include "defrag/COptimizePerformanceWidget.h"
#include "defrag/CStatisticsFreeSpaceChart.h"
#include "defrag/CStatisticsPerformanceChart.h"
#include "engine/CKV100AgentInterface.h"
#include "engine/CKV100EngineInterface.h"
#include "schedule/CCadence.h"
#include "tests/support/CEngineDaemonProcess.h"
#include "tests/support/CEngineSettingsFile.h"
#include "tests/support/CLoopVolume.h"
#include "tests/support/CTestEnvironment.h"
#include "widgets/CBarChartWidget.h"

#include <QHelpEvent>
#include <QLabel>
#include <QToolTip>
#include <QtTest>

#include <cmath>

using namespace Qt::StringLiterals;

namespace {

const TId kVolume = L"{5d1c0f2e-0a4b-4c3d-9e8f-7a6b5c4d3e2f}";
const TId kOtherVolume = L"{9a8b7c6d-1e2f-4a3b-8c7d-6e5f4a3b2c1d}";
// 31 December 2011, 1 January 2012 and 15 March 2012, at noon.
const QList<double> kDates = {COleDate::FromDateTime(QDateTime(QDate(2011, 12, 31), QTime(12, 0))),
                              COleDate::FromDateTime(QDateTime(QDate(2012, 1, 1), QTime(12, 0))),
                              COleDate::FromDateTime(QDateTime(QDate(2012, 3, 15), QTime(12, 0)))};

// Three passes; every series with its own values so that a mixed-up series shows.
CDefrager::TVolumeInfo HistoryVolume(const TId& id)
{
    CDefrager::TVolumeInfo volume;
    volume.volumeId = id;
    volume.mountName = L"/srv";
    volume.performanceBefore = {7.24, 40, 150};
    volume.performanceAfter = {80, 90, 100};
    volume.fragmentationBefore = {30, 20, 10};
    volume.fragmentationAfter = {3, 2, 1};
    volume.freeSpaceFragmentationBefore = {60, 50, 40};
    // One value short: the last pass has no "After" bar.
    volume.freeSpaceFragmentationAfter = {6, 5};
    volume.historyDates = kDates;
    return volume;
}

QPointF Centre(const CBarChartWidget& chart, int group, int series)
{
    return chart.BarRect(group, series).center();
}

// The tool tip the chart shows on a help event at the point, or the empty text when it shows
// none.
QString ShownToolTip(CBarChartWidget& chart, const QPointF& point)
{
    QToolTip::hideText();
    QHelpEvent help(QEvent::ToolTip, point.toPoint(), chart.mapToGlobal(point.toPoint()));
    QCoreApplication::sendEvent(&chart, &help);
    return QToolTip::isVisible() ? QToolTip::text() : QString();
}

} // namespace

class TestPerformanceCharts : public QObject {
    Q_OBJECT

private slots:
    void dateFormatFollowsTheUsersDateOrder_data();
    void dateFormatFollowsTheUsersDateOrder();
    void localesGiveTheirOrder_data();
    void localesGiveTheirOrder();
    void performancePageMapsHistoryToBars();
    void statisticsChartTabs();
    void emptyOrUnknownHistoryShowsEmptyCharts();
    void performancePageFollowsTheVolume();
    void denseHistoryThinsItsLabels();
    void passDatesReachTheModelFromTheAgent();
};

void TestPerformanceCharts::dateFormatFollowsTheUsersDateOrder_data()
{
    QTest::addColumn<QString>("localeFormat");
    QTest::addColumn<int>("language");
    QTest::addColumn<QString>("expected");
    QTest::addColumn<QString>("label"); // of 31 December 2011

    const int english = QLocale::English;
    QTest::newRow("month-day-year") << u"M/d/yy"_s << english << u"MM/dd/yy"_s << u"12/31/11"_s;
    QTest::newRow("day-month-year")
        << u"dd.MM.yyyy"_s << int(QLocale::German) << u"dd/MM/yy"_s << u"31/12/11"_s;
    QTest::newRow("year-month-day")
        << u"yyyy-MM-dd"_s << int(QLocale::Swedish) << u"yy/MM/dd"_s << u"11/12/31"_s;
    // Letters inside quotes are text, not fields.
    QTest::newRow("quoted text") << u"'day' yyyy-MM-dd"_s << int(QLocale::English) << u"yy/MM/dd"_s
                                 << u"11/12/31"_s;
    QTest::newRow("another order") << u"d/yy/MM"_s << english << u"MM/dd/yy"_s << u"12/31/11"_s;
    QTest::newRow("no day") << u"MMMM yyyy"_s << english << u"MM/dd/yy"_s << u"12/31/11"_s;
    QTest::newRow("empty") << QString() << english << u"MM/dd/yy"_s << u"12/31/11"_s;
    QTest::newRow("Japanese year-month-day")
        << u"yyyy/MM/dd"_s << int(QLocale::Japanese) << u"MM/dd"_s << u"12/31"_s;
    QTest::newRow("Japanese, order unknown")
        << u"ddd"_s << int(QLocale::Japanese) << u"MM/dd"_s << u"12/31"_s;
}

void TestPerformanceCharts::dateFormatFollowsTheUsersDateOrder()
{
    QFETCH(QString, localeFormat);
    QFETCH(int, language);
    QFETCH(QString, expected);
    QFETCH(QString, label);
    const QString format = CHistoryChartData::AxisDateFormat(
        CHistoryChartData::DateOrder(localeFormat), QLocale::Language(language));
    QCOMPARE(format, expected);
    QCOMPARE(CHistoryChartData::DateText(kDates.at(0), format), label);
}

void TestPerformanceCharts::localesGiveTheirOrder_data()
{
    QTest::addColumn<QLocale>("locale");
    QTest::addColumn<QString>("expected");
    QTest::newRow("en_US") << QLocale(u"en_US"_s) << u"MM/dd/yy"_s;
    QTest::newRow("en_GB") << QLocale(u"en_GB"_s) << u"dd/MM/yy"_s;
    QTest::newRow("de_DE") << QLocale(u"de_DE"_s) << u"dd/MM/yy"_s;
    QTest::newRow("sv_SE") << QLocale(u"sv_SE"_s) << u"yy/MM/dd"_s;
    QTest::newRow("ja_JP") << QLocale(u"ja_JP"_s) << u"MM/dd"_s;
}

void TestPerformanceCharts::localesGiveTheirOrder()
{
    QFETCH(QLocale, locale);
    QFETCH(QString, expected);
    QCOMPARE(CHistoryChartData::AxisDateFormat(locale), expected);
}

void TestPerformanceCharts::performancePageMapsHistoryToBars()
{
    CDefrager model;
    model.SetVolume(HistoryVolume(kVolume));
    model.SetCurrentVolume(kVolume);
    COptimizePerformanceWidget page(model);
    page.SetDateFormat(u"MM/dd/yy"_s);
    page.resize(700, 700);
    page.show();
    QVERIFY(QTest::qWaitForWindowExposed(&page));
    QCOMPARE(page.ShownVolume(), kVolume);

    using P = COptimizePerformanceWidget;
    CBarChartWidget& performance = *page.Chart(P::kDrivePerformance);
    CBarChartWidget& files = *page.Chart(P::kFileFragmentation);
    CBarChartWidget& freeSpace = *page.Chart(P::kFreeSpaceFragmentation);
    for (CBarChartWidget* chart : {&performance, &files, &freeSpace}) {
        QCOMPARE(chart->Groups().size(), 3);
        QCOMPARE(chart->LabelledGroups(), QList<int>({0, 1, 2}));
        QCOMPARE(chart->Groups().at(0).label, u"12/31/11"_s);
        QCOMPARE(chart->Groups().at(2).label, u"03/15/12"_s);
    }

    // Every bar answers with its own text, from its own series and pass.
    const QString on = u" defragmentation pass on "_s;
    QCOMPARE(performance.ToolTipAt(Centre(performance, 0, 0)),
             u"Drive performance 7.2% before"_s + on + u"12/31/11"_s);
    QCOMPARE(performance.ToolTipAt(Centre(performance, 1, 1)),
             u"Drive performance 90% after"_s + on + u"01/01/12"_s);
    QCOMPARE(files.ToolTipAt(Centre(files, 2, 0)),
             u"Fragmentation 10% before"_s + on + u"03/15/12"_s);
    QCOMPARE(freeSpace.ToolTipAt(Centre(freeSpace, 1, 1)),
             u"Free space fragmentation 5% after"_s + on + u"01/01/12"_s);
    // The help event shows the same text.
    QTRY_COMPARE(ShownToolTip(files, Centre(files, 0, 1)),
                 u"Fragmentation 3% after"_s + on + u"12/31/11"_s);

    // Heights follow the values on one scale; 150 % is drawn as 100 %; a missing value has no
    // bar and no tool tip, and neither has the space between bars.
    const qreal full = performance.BarRect(2, 1).height();
    QVERIFY(full > 50);
    QCOMPARE(performance.BarRect(2, 0).height(), full);
    QVERIFY(std::abs(performance.BarRect(1, 0).height() - full * 0.4) <= 1);
    QVERIFY(std::abs(files.BarRect(0, 0).height() - files.BarRect(1, 0).height() * 1.5) <= 1);
    QCOMPARE(performance.BarRect(0, 0).bottom(), performance.BarRect(2, 1).bottom());
    QVERIFY(freeSpace.BarRect(2, 1).isNull());
    QVERIFY(!freeSpace.BarRect(2, 0).isNull());
    QVERIFY(freeSpace
                .ToolTipAt(freeSpace.BarRect(2, 0).center() +
                           QPointF(freeSpace.BarRect(2, 0).width(), 0))
                .isEmpty());
    const QRectF gap(performance.BarRect(0, 1).topRight(), performance.BarRect(1, 0).bottomLeft());
    QVERIFY(gap.width() > 1);
    QVERIFY(performance.ToolTipAt(gap.center()).isEmpty());
    QTRY_COMPARE(ShownToolTip(performance, gap.center()), QString());

    QCOMPARE(page.Caption()->text(),
             u"Before and after statistics for the last several defragmentation passes."_s);
    const QList<CBarChartWidget::TSeries>& series = performance.Series();
    QCOMPARE(series.size(), 2);
    QVERIFY(!series.at(0).legendImage.isNull() && !series.at(1).legendImage.isNull());
    QVERIFY(series.at(0).color != series.at(1).color);
}

void TestPerformanceCharts::statisticsChartTabs()
{
    CDefrager model;
    model.SetVolume(HistoryVolume(kVolume));
    CStatisticsPerformanceChart performance(model);
    CStatisticsFreeSpaceChart freeSpace(model);
    for (CStatisticsHistoryChart* chart : {static_cast<CStatisticsHistoryChart*>(&performance),
                                           static_cast<CStatisticsHistoryChart*>(&freeSpace)}) {
        chart->SetDateFormat(u"dd/MM/yy"_s);
        chart->resize(500, 300);
        chart->ShowVolume(kVolume);
        QCOMPARE(chart->ShownVolume(), kVolume);
        QCOMPARE(chart->Groups().size(), 3);
    }
    QCOMPARE(performance.Title(), u"Performance"_s);
    QCOMPARE(freeSpace.Title(), u"Free space fragmentation"_s);
    QCOMPARE(performance.ToolTipAt(Centre(performance, 0, 0)),
             u"before defragmentation on 31/12/11 is 7.2%"_s);
    QCOMPARE(performance.ToolTipAt(Centre(performance, 2, 1)),
             u"after defragmentation on 15/03/12 is 100%"_s);
    QCOMPARE(freeSpace.ToolTipAt(Centre(freeSpace, 1, 0)),
             u"before defragmentation on 01/01/12 is 50%"_s);
    QVERIFY(freeSpace.BarRect(2, 1).isNull());

    // An unknown volume clears the tab.
    performance.ShowVolume(kOtherVolume);
    QVERIFY(performance.ShownVolume().empty());
    QVERIFY(performance.Groups().isEmpty());
}

void TestPerformanceCharts::emptyOrUnknownHistoryShowsEmptyCharts()
{
    CDefrager model;
    CDefrager::TVolumeInfo bare;
    bare.volumeId = kOtherVolume;
    model.SetVolume(bare);
    // Values without dates, and dates the agent could not give.
    CDefrager::TVolumeInfo undated = HistoryVolume(kVolume);
    undated.historyDates = {0.0, kDates.at(1)};
    model.SetVolume(undated);

    COptimizePerformanceWidget page(model);
    CStatisticsPerformanceChart tab(model);
    for (QWidget* widget : {static_cast<QWidget*>(&page), static_cast<QWidget*>(&tab)}) {
        for (const QSize& size : {QSize(0, 0), QSize(30, 20), QSize(600, 500)}) {
            widget->resize(size);
            QVERIFY(!widget->grab().isNull() || size.isEmpty());
        }
    }
    for (const TId& id : {kOtherVolume, TId(), TId(L"{unknown}")}) {
        page.ShowVolume(id);
        tab.ShowVolume(id);
        QVERIFY(tab.Groups().isEmpty());
        for (int chart = 0; chart < 3; ++chart) {
            CBarChartWidget& shown = *page.Chart(COptimizePerformanceWidget::TChart(chart));
            QVERIFY(shown.Groups().isEmpty());
            QVERIFY(shown.LabelledGroups().isEmpty());
            QVERIFY(!shown.BarAt(QPointF(300, 80), nullptr, nullptr));
            QTRY_COMPARE(ShownToolTip(shown, QPointF(300, 80)), QString());
            QVERIFY(!shown.grab().isNull());
        }
    }

    page.SetDateFormat(u"MM/dd/yy"_s);
    page.ShowVolume(kVolume);
    CBarChartWidget& performance = *page.Chart(COptimizePerformanceWidget::kDrivePerformance);
    QCOMPARE(performance.Groups().at(0).label, QString());
    QCOMPARE(performance.Groups().at(1).label, u"01/01/12"_s);
    QCOMPARE(performance.Groups().at(2).label, QString());
    QCOMPARE(performance.ToolTipAt(Centre(performance, 2, 1)),
             u"Drive performance 100% after defragmentation pass on "_s);
    QVERIFY(!page.grab().isNull());
}

void TestPerformanceCharts::performancePageFollowsTheVolume()
{
    CDefrager model;
    model.SetVolume(HistoryVolume(kVolume));
    CDefrager::TVolumeInfo other = HistoryVolume(kOtherVolume);
    other.performanceBefore = {12};
    other.performanceAfter = {1};
    model.SetVolume(other);
    COptimizePerformanceWidget page(model);
    const auto passes = [&page] {
        return page.Chart(COptimizePerformanceWidget::kDrivePerformance)->Groups().size();
    };
    QCOMPARE(passes(), 0);

    model.SetCurrentVolume(kOtherVolume);
    QCOMPARE(page.ShownVolume(), kOtherVolume);
    QCOMPARE(passes(), 1);

    // Completions and stops of another volume leave the page alone; of the current one they
    // show its new history.
    QList<double> more = {12, 30};
    model.SetHistory(kOtherVolume, more, more, {}, {}, {}, {});
    page.OnCompleted(kVolume);
    page.OnStopped(kVolume);
    page.OnStarted(kVolume);
    QCOMPARE(passes(), 1);
    page.OnCompleted(kOtherVolume);
    QCOMPARE(passes(), 2);
    model.SetHistory(kOtherVolume, {}, {}, {}, {}, {}, {});
    page.OnStopped(kOtherVolume);
    QCOMPARE(passes(), 0);

    model.SetCurrentVolume(kVolume);
    QCOMPARE(passes(), 3);
    model.RemoveVolume(kVolume);
    page.OnModelUpdated();
    QVERIFY(page.ShownVolume().empty());
    QCOMPARE(passes(), 0);
}

void TestPerformanceCharts::denseHistoryThinsItsLabels()
{
    CDefrager model;
    CDefrager::TVolumeInfo volume;
    volume.volumeId = kVolume;
    for (int pass = 0; pass < 100; ++pass) {
        volume.performanceBefore.append(pass);
        volume.performanceAfter.append(100 - pass);
        volume.historyDates.append(kDates.at(0) + pass);
    }
    model.SetVolume(volume);
    CStatisticsPerformanceChart chart(model);
    chart.SetDateFormat(u"MM/dd/yy"_s);
    chart.ShowVolume(kVolume);
    for (const int width : {300, 700, 2000}) {
        chart.resize(width, 300);
        const QList<int> labelled = chart.LabelledGroups();
        QVERIFY(labelled.size() >= 2);
        QCOMPARE(labelled.last(), 99);
        // Evenly spaced, and each label fits in the room up to the next one.
        const int step = labelled.at(1) - labelled.at(0);
        const qreal room = chart.BarRect(step, 0).left() - chart.BarRect(0, 0).left();
        QVERIFY2(room > chart.fontMetrics().horizontalAdvance(u"12/31/11"_s),
                 qPrintable(QString::number(width)));
        for (qsizetype i = 1; i < labelled.size(); ++i)
            QCOMPARE(labelled.at(i) - labelled.at(i - 1), step);
        // The last bar is still found where it is drawn.
        QCOMPARE(chart.ToolTipAt(Centre(chart, 99, 1)),
                 u"after defragmentation on %1 is 1%"_s.arg(
                     CHistoryChartData::DateText(kDates.at(0) + 99, u"MM/dd/yy"_s)));
    }
}

void TestPerformanceCharts::passDatesReachTheModelFromTheAgent()
{
    CTestEnvironment environment;
    CLoopVolume volume;
    if (QString why; !volume.Mount(16 << 20, &why))
        QSKIP(qPrintable(why));
    QVERIFY(QDir().mkpath(volume.FilePath(u"d"_s)));
    for (int f = 0; f < 20; ++f) {
        QFile file(volume.FilePath(u"d/f%1"_s.arg(f)));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(QByteArray(2000 + 131 * f, 'p'));
    }

    QVERIFY(WriteEngineSettingsAllowingEveryDrive(environment.Root() + u"/state"_s));
    CEngineDaemonProcess daemon;
    QVERIFY(daemon.Start(QStringLiteral(KORVANE_ENGINE_PROGRAM), volume.Path(),
                         environment.Root() + u"/state"_s));

    CKV100EngineInterface engine;
    CKV100AgentInterface agent;
    QCOMPARE(engine.Connect({}, {}, {}, {}), S_OK);
    QCOMPARE(agent.Connect({}, {}, {}, {}), S_OK);
    CCadence cadence;
    CDefrager model;
    CDefragFeed feed(engine, model, cadence);
    feed.SetAgent(&agent);
    // The same engine read without an agent: values, no dates.
    CDefrager undatedModel;
    CDefragFeed undated(engine, undatedModel, cadence);
    feed.Rebuild();
    undated.Rebuild();
    const TId id = model.VolumeIdOfMountName(volume.Path().toStdWString());
    QVERIFY(!id.empty());
    QVERIFY(model.Volume(id).performanceBefore.isEmpty());
    QVERIFY(model.Volume(id).historyDates.isEmpty());

    QList<QDateTime> bounds;
    for (int pass = 1; pass <= 2; ++pass) {
        QSignalSpy completed(&feed, &CDefragFeed::Completed);
        bounds << QDateTime::currentDateTime().addSecs(-1);
        QCOMPARE(engine.StartPass(id, CKV100EngineInterface::kEntireDrive), S_OK);
        QTRY_VERIFY_WITH_TIMEOUT(!completed.isEmpty(), 60000);
        bounds << QDateTime::currentDateTime().addSecs(1);

        const CDefrager::TVolumeInfo record = model.Volume(id);
        QCOMPARE(record.performanceBefore.size(), pass);
        QCOMPARE(record.historyDates.size(), pass);
        for (int p = 0; p < pass; ++p) {
            const QDateTime date = COleDate::ToDateTime(record.historyDates.at(p));
            QVERIFY2(date >= bounds.at(2 * p) && date <= bounds.at(2 * p + 1),
                     qPrintable(date.toString(Qt::ISODateWithMs)));
        }
    }
    undated.RefreshVolume(id);
    QCOMPARE(undatedModel.Volume(id).performanceBefore.size(), 2);
    QVERIFY(undatedModel.Volume(id).historyDates.isEmpty());

    // A fresh model read from scratch has them too, and the page labels the passes with them.
    CDefrager rebuilt;
    CDefragFeed again(engine, rebuilt, cadence);
    again.SetAgent(&agent);
    again.Rebuild();
    rebuilt.SetCurrentVolume(id);
    QCOMPARE(rebuilt.Volume(id).historyDates, model.Volume(id).historyDates);
    COptimizePerformanceWidget page(rebuilt);
    CBarChartWidget& chart = *page.Chart(COptimizePerformanceWidget::kFileFragmentation);
    QCOMPARE(chart.Groups().size(), 2);
    QCOMPARE(chart.Groups().at(1).label,
             CHistoryChartData::DateText(model.Volume(id).historyDates.at(1), page.DateFormat()));
    QVERIFY(!chart.Groups().at(1).label.isEmpty());

    agent.Disconnect();
    engine.Disconnect();
    QVERIFY(daemon.Stop());
}

QTEST_MAIN(TestPerformanceCharts)
#include "tst_PerformanceCharts.moc"
