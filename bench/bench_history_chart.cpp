// The history charts with 100 passes: a repaint of one chart (into an off-screen image), new data
// and its repaint, and a repaint of the whole performance page. With "--grab DIR" it also writes
// what it drew, in both skins, to DIR/<page>-<skin>.png.
#include "core/COleDate.h"
#include "defrag/CDefrager.h"
#include "defrag/COptimizePerformanceWidget.h"
#include "defrag/CStatisticsFreeSpaceChart.h"
#include "defrag/CStatisticsPerformanceChart.h"
#include "resources/CSkinResources.h"
#include "widgets/CBarChartWidget.h"
#include "widgets/CTellmarCustomStyle.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QImage>
#include <QPainter>
#include <QTextStream>

#include <algorithm>
#include <cmath>
#include <functional>
#include <vector>

using namespace Qt::StringLiterals;

namespace {

constexpr int kPasses = 100;
constexpr int kRounds = 201;
const TId kVolume = L"{3b0e1f4c-5a6d-4e7f-8091-a2b3c4d5e6f7}";

// A volume defragmented once a week: fragmentation creeps up between passes and each pass
// brings it down.
CDefrager::TVolumeInfo WeeklyVolume(int passes)
{
    CDefrager::TVolumeInfo volume;
    volume.volumeId = kVolume;
    volume.mountName = L"/srv";
    const double first = COleDate::FromDateTime(QDateTime(QDate(2026, 1, 5), QTime(3, 0)));
    for (int pass = 0; pass < passes; ++pass) {
        const double wave = std::sin(pass * 0.7) * 0.5 + 0.5;
        volume.fragmentationBefore.append(8 + 14 * wave);
        volume.fragmentationAfter.append(0.5 + 2 * wave);
        volume.freeSpaceFragmentationBefore.append(25 + 30 * wave);
        volume.freeSpaceFragmentationAfter.append(4 + 6 * wave);
        volume.performanceBefore.append(92 - 35 * wave);
        volume.performanceAfter.append(97 - 4 * wave);
        volume.historyDates.append(first + 7 * pass);
    }
    return volume;
}

double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// Median ms of a call over the rounds.
double Time(const std::function<void()>& call)
{
    std::vector<double> times;
    QElapsedTimer timer;
    for (int round = 0; round < kRounds; ++round) {
        timer.start();
        call();
        times.push_back(double(timer.nsecsElapsed()) / 1e6);
    }
    return Median(times);
}

void Grab(const QString& directory, CDefrager& model)
{
    QDir().mkpath(directory);
    const auto application = qobject_cast<QApplication*>(QCoreApplication::instance());
    for (const int skin : {CSkinResources::kBlue, CSkinResources::kGray}) {
        CTellmarCustomStyle::Install();
        application->setStyleSheet(
            CSkinResources::StyleSheet(CSkinResources::StyleSheetName(skin).toLower()));
        const QString suffix = skin == CSkinResources::kBlue ? u"blue"_s : u"gray"_s;
        COptimizePerformanceWidget page(model);
        page.resize(900, 720);
        page.grab().save(directory + u"/performance-page-"_s + suffix + u".png"_s);
        CStatisticsPerformanceChart performance(model);
        CStatisticsFreeSpaceChart freeSpace(model);
        for (CStatisticsHistoryChart* chart : {static_cast<CStatisticsHistoryChart*>(&performance),
                                               static_cast<CStatisticsHistoryChart*>(&freeSpace)}) {
            chart->resize(760, 360);
            chart->ShowVolume(kVolume);
        }
        performance.grab().save(directory + u"/performance-chart-"_s + suffix + u".png"_s);
        freeSpace.grab().save(directory + u"/free-space-chart-"_s + suffix + u".png"_s);
    }
}

} // namespace

int main(int argc, char* argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    QTextStream out(stdout);

    CDefrager model;
    model.SetVolume(WeeklyVolume(kPasses));
    model.SetCurrentVolume(kVolume);
    const QStringList arguments = application.arguments();
    if (const qsizetype at = arguments.indexOf(u"--grab"_s); at > 0 && at + 1 < arguments.size()) {
        CDefrager few;
        few.SetVolume(WeeklyVolume(8));
        few.SetCurrentVolume(kVolume);
        Grab(arguments.at(at + 1) + u"/8-passes"_s, few);
        Grab(arguments.at(at + 1) + u"/100-passes"_s, model);
        CDefrager none;
        CDefrager::TVolumeInfo bare;
        bare.volumeId = kVolume;
        none.SetVolume(bare);
        none.SetCurrentVolume(kVolume);
        Grab(arguments.at(at + 1) + u"/no-passes"_s, none);
    }

    CStatisticsPerformanceChart chart(model);
    chart.resize(900, 300);
    chart.ShowVolume(kVolume);
    QImage image(chart.size(), QImage::Format_ARGB32_Premultiplied);
    const double repaint = Time([&] { chart.render(&image); });
    const double newData = Time([&] {
        chart.ShowVolume(kVolume);
        chart.render(&image);
    });

    COptimizePerformanceWidget page(model);
    page.resize(900, 720);
    QImage pageImage(page.size(), QImage::Format_ARGB32_Premultiplied);
    page.render(&pageImage);
    const double pageRepaint = Time([&] { page.render(&pageImage); });
    const double pageNewData = Time([&] {
        page.ShowVolume(kVolume);
        page.render(&pageImage);
    });

    out << "History charts, " << kPasses << " passes, median of " << kRounds << " rounds\n";
    out << QString::asprintf("  chart 900x300, repaint:                %8.3f ms\n", repaint);
    out << QString::asprintf("  chart 900x300, new data and repaint:   %8.3f ms\n", newData);
    out << QString::asprintf("  page 900x720 (3 charts), repaint:      %8.3f ms\n", pageRepaint);
    out << QString::asprintf("  page, new data and repaint:            %8.3f ms\n", pageNewData);
    return 0;
}
