// Drive-map runs applied to the drive model per second, with a receiver on BitmapUpdated that
// counts them (no views). Runs are short (as an engine pass sends them) or of any length up to
// the whole map, and come in bursts per volume or alternate between volumes on every notice.
#include "defrag/CDefrager.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QRandomGenerator>
#include <QTextStream>

#include <algorithm>
#include <vector>

namespace {

struct TBlockRun {
    std::size_t volume;
    uint type;
    uint start;
    uint length;
};

constexpr int kNotices = 100000;
constexpr int kRounds = 7;

std::vector<TBlockRun> MakeRuns(std::size_t volumeCount, uint maxLength, int burst)
{
    QRandomGenerator random(20240601);
    std::vector<TBlockRun> runs;
    runs.reserve(kNotices);
    for (int i = 0; i < kNotices; ++i) {
        TBlockRun run;
        run.volume = static_cast<std::size_t>(i / burst) % volumeCount;
        run.type = random.bounded(1u, 14u) | (random.bounded(4u) == 0 ? 0x10u : 0u);
        // A few starts lie past the map, as a misbehaving engine might send them.
        run.start = random.bounded(3700u);
        run.length = random.bounded(maxLength + 1);
        runs.push_back(run);
    }
    return runs;
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication application(argc, argv);
    QTextStream out(stdout);

    CDefrager model;
    std::vector<TId> volumes;
    for (int i = 0; i < 4; ++i) {
        CDefrager::TVolumeInfo volume;
        volume.volumeId = QStringLiteral("\\\\?\\Volume{6c1f0e2a-0000-11ee-be56-0242ac12000%1}\\")
                              .arg(i)
                              .toStdWString();
        volume.mountName = QStringLiteral("%1:\\").arg(QChar(u'C' + i)).toStdWString();
        volumes.push_back(volume.volumeId);
        model.SetVolume(volume);
    }
    quint64 received = 0;
    QObject::connect(&model, &CDefrager::BitmapUpdated, &application,
                     [&received](const TId&, uint, uint, uint) { ++received; });

    struct TCase {
        const char* label;
        uint maxLength;
        int burst;
    };
    const TCase cases[] = {
        {"runs of 0-64 blocks, bursts of 1000 per volume", 64, 1000},
        {"runs of 0-64 blocks, volume changes every notice", 64, 1},
        {"runs of 0-3600 blocks, bursts of 1000 per volume", 3600, 1000},
        {"runs of 0-3600 blocks, volume changes every notice", 3600, 1},
    };

    out << "notices per round: " << kNotices << ", rounds: " << kRounds << "\n";
    out << "case | median notices per second | best notices per second\n";
    for (const TCase& testCase : cases) {
        const std::vector<TBlockRun> runs =
            MakeRuns(volumes.size(), testCase.maxLength, testCase.burst);
        std::vector<double> rates;
        for (int round = 0; round < kRounds; ++round) {
            received = 0;
            QElapsedTimer timer;
            timer.start();
            for (const TBlockRun& run : runs)
                model.SetBlockRun(volumes[run.volume], run.type, run.start, run.length);
            const qint64 nanoseconds = std::max<qint64>(timer.nsecsElapsed(), 1);
            if (received != runs.size()) {
                out << "receiver saw " << received << " of " << runs.size() << " notices\n";
                return 1;
            }
            rates.push_back(kNotices * 1e9 / static_cast<double>(nanoseconds));
        }
        std::sort(rates.begin(), rates.end());
        out << testCase.label << " | " << QString::number(rates[rates.size() / 2], 'f', 0) << " | "
            << QString::number(rates.back(), 'f', 0) << "\n";
    }
    return 0;
}
