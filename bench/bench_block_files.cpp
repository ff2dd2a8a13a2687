// How long the files of a drive-map block take to be listed, and how long the GUI thread is kept
// from its events meanwhile.
//
// A volume of 1,000,000 files in 20,000 folders is made up and put into the reference engine's
// block-file index: file sizes drawn from a log-normal law (median 8 KB, a long tail into
// gigabytes), except for a fifth of the folders that hold caches of tiny files (256 B to 4 KB),
// laid out one after the other in walk order over a volume 60 % full, a few files fragmented.
// The block holding the most files (one among the tiny files) is served by the test engine
// daemon over its D-Bus peer connection, as the engine would answer it. Each run opens the
// block-files dialog for that block and measures from the dialog's request to the model holding
// every row, while a 1 ms timer on the GUI thread records the longest gap between its ticks
// (from the moment the dialog is shown; building and showing the dialog itself is timed apart),
// and the GUI thread's own CPU time between two ticks, which a busy machine does not inflate.
#include "defrag/CBlockFilesDialog.h"
#include "defrag/CBlockFilesModel.h"
#include "defrag/CDefragFeed.h"
#include "engine/CKV100EngineInterface.h"
#include "refengine/CBlockFileIndex.h"
#include "schedule/CCadence.h"
#include "tests/support/CTestEngine.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QHeaderView>
#include <QTableView>
#include <QTemporaryDir>
#include <QTextStream>
#include <QTimer>

#include <algorithm>
#include <ctime>
#include <random>
#include <string>
#include <vector>

namespace {

constexpr int kFiles = 1000000;
constexpr int kFolders = 20000;
constexpr int kBlocks = 3600;
const QString kVolume = QStringLiteral("{bench-volume}");

struct TVolume {
    CBlockFileIndex index{QStringLiteral("/bench")};
    int largestBlock = 0;
    int largestCount = 0;
};

void MakeVolume(TVolume& volume)
{
    std::mt19937_64 random(20);
    std::lognormal_distribution<double> size(std::log(8192.0), 2.2);
    std::uniform_real_distribution<double> chance(0.0, 1.0);
    std::uniform_int_distribution<quint64> tiny(256, 4096);
    constexpr int kFilesPerFolder = kFiles / kFolders;
    std::vector<quint64> sizes(kFiles);
    quint64 used = 0;
    for (int file = 0; file < kFiles; ++file) {
        const bool cache = file / kFilesPerFolder >= kFolders * 4 / 5;
        sizes[file] =
            cache ? tiny(random) : std::clamp<quint64>(quint64(size(random)), 1, 8ull << 30);
        used += sizes[file];
    }
    const double volumeBytes = double(used) / 0.6;
    std::vector<int> perBlock(kBlocks, 0);
    CBlockFileIndex::TBatch batch;
    batch.Add("", -1, 0);
    const quint32 root = volume.index.Append(batch, CBlockFileIndex::kNoParent);
    quint64 offset = 0;
    int file = 0;
    for (int folder = 0; folder < kFolders; ++folder) {
        batch.Clear();
        batch.Add("folder" + std::to_string(folder), -1, 0);
        for (int i = 0; i < kFilesPerFolder; ++i, ++file) {
            const int fragments = chance(random) < 0.05 ? 2 + int(chance(random) * 9) : 1;
            const quint32 record =
                batch.Add("document-" + std::to_string(file) + ".dat", fragments, sizes[file]);
            const int first = int(double(offset) / volumeBytes * kBlocks);
            offset += sizes[file] + 4096 * quint64(chance(random) < 0.1);
            const int last = std::min(kBlocks - 1, int(double(offset - 1) / volumeBytes * kBlocks));
            batch.AddBlocks(record, first, last);
            for (int block = first; block <= last; ++block)
                ++perBlock[block];
        }
        volume.index.Append(batch, root);
    }
    volume.index.Finish();
    const auto largest = std::max_element(perBlock.begin(), perBlock.end());
    volume.largestBlock = int(largest - perBlock.begin());
    volume.largestCount = *largest;
}

CTestEngine::TBlockFiles EngineAnswer(const CBlockFileIndex& index, int block)
{
    CTestEngine::TBlockFiles answer;
    for (const CBlockFileIndex::TItem& item : index.Items(block)) {
        answer.files << item.path;
        answer.excessFragments << (item.fragments < 0 ? -1 : std::max(0, item.fragments - 1));
        answer.bytesUsed << qlonglong(item.bytes);
    }
    return answer;
}

// CPU time of the calling thread: the GUI thread's own work between two ticks, whatever other
// processes of a busy machine take from it.
double ThreadCpuMs()
{
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return double(now.tv_sec) * 1e3 + double(now.tv_nsec) / 1e6;
}

struct TRun {
    double openMs = 0;
    double listedMs = 0;
    double worstStallMs = 0;
    double worstCpuMs = 0;
    int rows = 0;
};

// One dialog, measured from its request to its last row; sortColumn -1 keeps the engine's order.
TRun Measure(CDefragFeed& feed, int block, int sortColumn)
{
    QElapsedTimer sinceTick;
    double worstStall = 0;
    double lastCpu = ThreadCpuMs();
    double worstCpu = 0;
    QTimer ticker;
    ticker.setTimerType(Qt::PreciseTimer);
    ticker.setInterval(1);
    QObject::connect(&ticker, &QTimer::timeout, [&] {
        worstStall = std::max(worstStall, double(sinceTick.nsecsElapsed()) / 1e6);
        sinceTick.restart();
        const double cpu = ThreadCpuMs();
        worstCpu = std::max(worstCpu, cpu - lastCpu);
        lastCpu = cpu;
    });
    ticker.start();
    QEventLoop settle;
    QTimer::singleShot(50, &settle, &QEventLoop::quit);
    settle.exec();

    QEventLoop loop;
    QElapsedTimer elapsed;
    elapsed.start();
    CBlockFilesDialog dialog(feed, kVolume.toStdWString(), block);
    if (sortColumn >= 0)
        dialog.View()->horizontalHeader()->setSortIndicator(sortColumn, Qt::AscendingOrder);
    QObject::connect(&dialog.Model(), &CBlockFilesModel::Finished, &loop, &QEventLoop::quit);
    dialog.show();
    TRun run;
    run.openMs = double(elapsed.nsecsElapsed()) / 1e6;
    sinceTick.restart();
    worstStall = 0;
    lastCpu = ThreadCpuMs();
    worstCpu = 0;
    if (dialog.IsBuilding())
        loop.exec();
    run.listedMs = double(elapsed.nsecsElapsed()) / 1e6;
    run.rows = dialog.Model().rowCount();
    // The stall of the last step (sorting, if any) counts too.
    QEventLoop after;
    QTimer::singleShot(20, &after, &QEventLoop::quit);
    after.exec();
    run.worstStallMs = worstStall;
    run.worstCpuMs = worstCpu;
    return run;
}

QString Ms(double value)
{
    return QString::number(value, 'f', 1);
}

} // namespace

int main(int argc, char* argv[])
{
    qInstallMessageHandler([](QtMsgType type, const QMessageLogContext&, const QString& text) {
        if (type != QtDebugMsg && !text.contains(u"propagateSizeHints"))
            QTextStream(stderr) << text << '\n';
    });
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    QTemporaryDir runtime;
    qputenv("KORVANE_RUNTIME_DIR", runtime.path().toLocal8Bit());
    QTextStream out(stdout);

    QElapsedTimer timer;
    timer.start();
    TVolume volume;
    MakeVolume(volume);
    out << "synthetic volume: " << volume.index.Records() << " records indexed in "
        << Ms(double(timer.elapsed())) << " ms; largest block " << volume.largestBlock << " holds "
        << volume.largestCount << " files\n";
    out.flush();

    CTestEngine engine;
    engine.volumes = {kVolume};
    engine.SetBlockFiles(kVolume, uint(volume.largestBlock),
                         EngineAnswer(volume.index, volume.largestBlock));
    CKV100EngineInterface wrapper;
    if (!engine.Start() || FAILED(wrapper.Connect(L"", L"", L"", L""))) {
        out << "the test engine could not be reached\n";
        return 1;
    }
    CDefrager drives;
    CDefrager::TVolumeInfo record;
    record.volumeId = kVolume.toStdWString();
    record.mountName = L"/bench";
    record.fileSystem = L"NTFS";
    drives.SetVolume(record);
    CCadence cadence;
    CDefragFeed feed(wrapper, drives, cadence);

    {
        TStringList files;
        QList<int> excess;
        QList<qlonglong> bytes;
        timer.restart();
        wrapper.GetBlockFiles(kVolume.toStdWString(), uint(volume.largestBlock), &files, &excess,
                              &bytes);
        out << "the engine's answer alone (" << files.size()
            << " files over D-Bus): " << Ms(double(timer.nsecsElapsed()) / 1e6) << " ms\n";
    }

    for (const int sortColumn : {-1, int(CBlockFilesModel::kNameColumn)}) {
        std::vector<TRun> runs;
        Measure(feed, volume.largestBlock, sortColumn); // the first show loads fonts and styles
        for (int i = 0; i < 7; ++i)
            runs.push_back(Measure(feed, volume.largestBlock, sortColumn));
        std::sort(runs.begin(), runs.end(),
                  [](const TRun& a, const TRun& b) { return a.listedMs < b.listedMs; });
        double worstStall = 0;
        double worstOpen = 0;
        double worstCpu = 0;
        for (const TRun& run : runs) {
            worstCpu = std::max(worstCpu, run.worstCpuMs);
            worstStall = std::max(worstStall, run.worstStallMs);
            worstOpen = std::max(worstOpen, run.openMs);
        }
        out << (sortColumn < 0 ? "unsorted" : "sorted by name") << ": " << runs.front().rows
            << " rows listed in min " << Ms(runs.front().listedMs) << " ms, median "
            << Ms(runs[runs.size() / 2].listedMs) << " ms, max " << Ms(runs.back().listedMs)
            << " ms; worst GUI-thread stall while rows arrive " << Ms(worstStall)
            << " ms wall clock, " << Ms(worstCpu)
            << " ms of its own work (building and showing the dialog: at most " << Ms(worstOpen)
            << " ms)\n";
        out.flush();
    }
    wrapper.Disconnect();
    return 0;
}
