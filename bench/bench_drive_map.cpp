// The drive map at 1000 x 360: a full redraw (off-screen image, then one blit), and a stream of
// 100,000 block runs per second from a worker thread through the drive feed into the shown map,
// with the longest time the GUI thread was away from its event loop and a check that the map
// ends as a map drawn from scratch from the final codes.
#include "defrag/CDefragFeed.h"
#include "defrag/COptimizeBitmapWidget.h"
#include "defrag/CVolumeBitmapWidget.h"
#include "engine/CKV100EngineInterface.h"
#include "schedule/CCadence.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QPainter>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTextStream>
#include <QThread>
#include <QTimer>

#include <time.h>

#include <algorithm>
#include <atomic>
#include <vector>

namespace {

constexpr int kRedrawRounds = 501;
constexpr int kRunsPerSecond = 100000;
constexpr int kStreamSeconds = 3;
const QSize kMapSize(1000, 360);

// Emits the runs; it is called on the worker thread, so its signal crosses queued.
class CRunSource : public QObject {
    Q_OBJECT

signals:
    void Run(const TId& volume_guid, uint block_type, uint block_start, uint block_length);
};

// The calling thread's processor time, in ms.
double ThreadCpuMs()
{
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return double(now.tv_sec) * 1e3 + double(now.tv_nsec) / 1e6;
}

double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

} // namespace

int main(int argc, char* argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QTemporaryDir home;
    qputenv("KORVANE_REGISTRY_DIR", home.filePath(QStringLiteral("registry")).toLocal8Bit());
    qputenv("KORVANE_RUNTIME_DIR", home.filePath(QStringLiteral("run")).toLocal8Bit());
    QApplication application(argc, argv);
    QTextStream out(stdout);
    CDefrager::RegisterMetaTypes();

    CKV100EngineInterface engine;
    CDefrager model;
    CCadence cadence;
    CDefragFeed feed(engine, model, cadence);
    const TId volume = L"{6c1f0e2a-0000-11ee-be56-0242ac120002}";
    CDefrager::TVolumeInfo record;
    record.volumeId = volume;
    record.mountName = L"/";
    record.fileSystem = L"NTFS";
    model.SetVolume(record);
    model.SetCurrentVolume(volume);
    QRandomGenerator random(20261207);
    for (int start = 0; start < CVolumeBitmapWidget::kBlockCount; start += 7)
        model.SetBlockRun(volume, random.bounded(1u, 14u) | (random.bounded(3u) == 0 ? 0x10u : 0u),
                          uint(start), 7);

    // Full redraw and one blit to a screen-sized image.
    {
        CVolumeBitmapWidget map(model);
        map.resize(kMapSize);
        map.show();
        QCoreApplication::processEvents();
        QImage screen(kMapSize, QImage::Format_ARGB32_Premultiplied);
        std::vector<double> redraw;
        std::vector<double> total;
        for (int round = 0; round < kRedrawRounds; ++round) {
            QElapsedTimer timer;
            timer.start();
            map.RedrawAll();
            const qint64 drawn = timer.nsecsElapsed();
            QPainter painter(&screen);
            painter.drawImage(0, 0, map.MapImage());
            painter.end();
            total.push_back(timer.nsecsElapsed() / 1e6);
            redraw.push_back(drawn / 1e6);
        }
        out << "full redraw of 3600 blocks at 1000 x 360, " << kRedrawRounds << " rounds\n";
        out << "  off-screen image, median ms: " << QString::number(Median(redraw), 'f', 3) << "\n";
        out << "  off-screen image and blit, median ms: " << QString::number(Median(total), 'f', 3)
            << ", best " << QString::number(*std::min_element(total.begin(), total.end()), 'f', 3)
            << "\n";
    }

    // The stream of runs into the shown map.
    COptimizeBitmapWidget host(feed);
    host.resize(kMapSize + QSize(8, 8));
    host.show();
    QCoreApplication::processEvents();
    {
        // What one run costs the GUI thread, called directly.
        QRandomGenerator direct(11);
        QElapsedTimer timer;
        timer.start();
        constexpr int kDirectRuns = 100000;
        for (int run = 0; run < kDirectRuns; ++run) {
            const uint length =
                direct.bounded(8u) == 0 ? direct.bounded(600u) : direct.bounded(1u, 24u);
            feed.OnBitmapUpdated(volume, direct.bounded(1u, 14u), direct.bounded(3650u), length);
        }
        out << "one run through the feed into the shown map, called directly, us: "
            << QString::number(timer.nsecsElapsed() / 1e3 / kDirectRuns, 'f', 2) << "\n";
        QCoreApplication::processEvents();
    }
    CRunSource source;
    QObject::connect(&source, &CRunSource::Run, &feed, &CDefragFeed::OnBitmapUpdated);
    std::atomic<long long> received = 0;
    QObject::connect(&model, &CDefrager::BitmapUpdated, &application,
                     [&received](const TId&, uint, uint, uint) { ++received; });

    const long long runs = qint64(kRunsPerSecond) * kStreamSeconds;
    QElapsedTimer clock;
    double worstGap = 0;
    int longGaps = 0;
    double worstBusy = 0;
    qint64 lastBeat = 0;
    double lastCpu = ThreadCpuMs();
    QTimer heartbeat;
    heartbeat.setTimerType(Qt::PreciseTimer);
    heartbeat.setInterval(1);
    QObject::connect(&heartbeat, &QTimer::timeout, &application, [&] {
        const qint64 now = clock.nsecsElapsed();
        const double gap = (now - lastBeat) / 1e6;
        worstGap = std::max(worstGap, gap);
        longGaps += gap > 16.0 ? 1 : 0;
        // The part of the gap the GUI thread spent working, not waiting for a processor.
        const double cpu = ThreadCpuMs();
        worstBusy = std::max(worstBusy, cpu - lastCpu);
        lastCpu = cpu;
        lastBeat = now;
    });

    QThread* worker = QThread::create([&source, &volume, runs] {
        QRandomGenerator stream(7);
        QElapsedTimer paced;
        paced.start();
        long long sent = 0;
        while (sent < runs) {
            const long long due =
                std::min(runs, paced.nsecsElapsed() * kRunsPerSecond / 1000000000LL);
            for (; sent < due; ++sent) {
                // Mostly the short runs of a pass, some long, some past the end of the map.
                const uint length =
                    stream.bounded(8u) == 0 ? stream.bounded(600u) : stream.bounded(1u, 24u);
                const uint code = stream.bounded(1u, 14u) | (stream.bounded(4u) == 0 ? 0x10u : 0u);
                emit source.Run(volume, code, stream.bounded(3650u), length);
            }
            QThread::usleep(200);
        }
    });
    clock.start();
    lastCpu = ThreadCpuMs();
    heartbeat.start();
    worker->start();
    while (!worker->isFinished() || received.load() < runs)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    const double elapsed = clock.nsecsElapsed() / 1e9;
    heartbeat.stop();
    worker->wait();
    delete worker;
    QCoreApplication::processEvents();

    CVolumeBitmapWidget fresh(model);
    fresh.resize(host.Map()->size());
    fresh.show();
    QCoreApplication::processEvents();
    const bool same = fresh.MapImage() == host.Map()->MapImage() &&
                      host.Map()->Blocks() == model.FindVolume(volume)->blocks;

    out << "stream of " << runs << " runs at " << kRunsPerSecond
        << " per second into the shown map\n";
    out << "  delivered in s: " << QString::number(elapsed, 'f', 2) << "\n";
    out << "  worst GUI-thread frame (longest gap between 1 ms heartbeats) ms: "
        << QString::number(worstGap, 'f', 2) << ", frames over 16 ms: " << longGaps << "\n";
    out << "  worst GUI-thread processor time between two heartbeats ms: "
        << QString::number(worstBusy, 'f', 2) << "\n";
    out << "  final image equals a map drawn from the final codes: " << (same ? "yes" : "NO")
        << "\n";
    return same ? 0 : 1;
}

#include "bench_drive_map.moc"
