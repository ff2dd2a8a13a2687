// The status bar's cost: a main window with the status bar and the window's animation clock,
// first idle, then with the idle clock ticking as it did before it ticked on demand, then with
// all three progress icons busy. For each phase it prints the process's CPU time as a percentage
// of one core. Run it on a display (xvfb-run -a): the offscreen platform paints nothing to a
// screen. Argument: seconds per phase (default 10).

#include "app/CAnimationEngine.h"
#include "defrag/CDefrager.h"
#include "notify/statusbar/CCustomStatusBar.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QLabel>
#include <QMainWindow>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <ctime>

namespace {

double ProcessCpuSeconds()
{
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return double(now.tv_sec) + double(now.tv_nsec) / 1e9;
}

void RunFor(int milliseconds)
{
    QEventLoop loop;
    QTimer::singleShot(milliseconds, &loop, &QEventLoop::quit);
    loop.exec();
}

struct TPhase {
    double cpuPercent = 0.0;
    int ticks = 0;
};

TPhase Measure(CAnimationEngine& clock, int seconds)
{
    int ticks = 0;
    const QMetaObject::Connection counting =
        QObject::connect(&clock, &CAnimationEngine::Animate, [&ticks] { ++ticks; });
    QElapsedTimer wall;
    wall.start();
    const double cpuStart = ProcessCpuSeconds();
    RunFor(seconds * 1000);
    const double cpu = ProcessCpuSeconds() - cpuStart;
    const double elapsed = double(wall.nsecsElapsed()) / 1e9;
    QObject::disconnect(counting);
    return {100.0 * cpu / elapsed, ticks};
}

CDefrager::TVolumeInfo Volume(const wchar_t* id, const wchar_t* mountName, quint32 status,
                              double percent)
{
    CDefrager::TVolumeInfo volume;
    volume.volumeId = id;
    volume.mountName = mountName;
    volume.status = status;
    volume.completionPercent = percent;
    volume.workingPercent = percent;
    volume.workingMessage = L"Moving files";
    return volume;
}

} // namespace

int main(int argc, char** argv)
{
    QApplication application(argc, argv);
    const int seconds = argc > 1 ? std::max(1, QString::fromLocal8Bit(argv[1]).toInt()) : 10;

    CDefrager drives;
    drives.SetVolume(Volume(L"{home}", L"/home", CDefrager::kAnalysing, 42.0));
    drives.SetVolume(Volume(L"{srv}", L"/srv", CDefrager::kDefragmenting, 17.0));
    drives.SetCurrentVolume(L"{home}");

    QMainWindow window;
    window.setCentralWidget(new QLabel(QStringLiteral("Korvane")));
    auto* bar = new CCustomStatusBar(&drives);
    window.setStatusBar(bar);
    CAnimationEngine clock;
    QObject::connect(&clock, &CAnimationEngine::Animate, bar, &CCustomStatusBar::OnAnimate);
    QObject::connect(bar, &CCustomStatusBar::AnimationWanted, &clock,
                     [&](bool wanted) { clock.SetDemand(bar, wanted); });
    window.resize(1000, 700);
    window.show();
    clock.Start();
    RunFor(1000); // settle: first paints, fonts

    std::printf("status bar, %d s per phase, platform %s\n", seconds,
                qPrintable(QGuiApplication::platformName()));
    const TPhase idle = Measure(clock, seconds);
    std::printf("idle, clock on demand:        %6.3f %% of one core, %d ticks\n", idle.cpuPercent,
                idle.ticks);

    QObject alwaysTicking;
    clock.SetDemand(&alwaysTicking, true);
    const TPhase idleTicking = Measure(clock, seconds);
    clock.SetDemand(&alwaysTicking, false);
    std::printf("idle, clock always ticking:   %6.3f %% of one core, %d ticks\n",
                idleTicking.cpuPercent, idleTicking.ticks);

    for (int index = 0; index < CCustomStatusBar::kIconCount; ++index)
        bar->SetProgressIconBusy(index, true);
    const TPhase busy = Measure(clock, seconds);
    std::printf("three icons busy:             %6.3f %% of one core, %d ticks\n", busy.cpuPercent,
                busy.ticks);
    for (int index = 0; index < CCustomStatusBar::kIconCount; ++index)
        bar->SetProgressIconBusy(index, false);
    std::printf("clock running after the icons stopped: %s\n", clock.IsRunning() ? "yes" : "no");
    return 0;
}
