// Statistics blocks decoded per second: 10 000 blocks written by the test writer (each with its
// seven strings and both composite fields), decoded alone and decoded into their records.
#include "engine/CDefragStatisticsData.h"
#include "engine/CStatisticsBlock.h"
#include "engine/CStatisticsBlockWriter.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTextStream>

#include <algorithm>
#include <vector>

namespace {

constexpr int kBlocks = 10000;
constexpr int kRounds = 5;

QList<QByteArray> MakeBlocks()
{
    QList<QByteArray> blocks;
    blocks.reserve(kBlocks);
    const quint32 kinds[] = {CStatisticsBlock::kAnalysis, CStatisticsBlock::kOnline,
                             CStatisticsBlock::kOffline};
    for (int i = 0; i < kBlocks; ++i) {
        CStatisticsBlockWriter writer(kinds[i % 3]);
        writer
            .SetText(3, QStringLiteral("{0c6f3e8a-1d2b-4c5d-8e9f-%1}").arg(i, 12, 10, QChar(u'0')))
            .Set(1, 45000.0 + i / 100.0)
            .Set(22, i % 30)
            .Set(81, i % 100);
        blocks.append(writer.Bytes());
    }
    return blocks;
}

// The best of several rounds, in blocks per second; *failures counts refused blocks.
template <typename TDecode>
double BlocksPerSecond(const QList<QByteArray>& blocks, TDecode decode, int* failures)
{
    double best = 0.0;
    for (int round = 0; round < kRounds; ++round) {
        QElapsedTimer timer;
        timer.start();
        for (const QByteArray& block : blocks)
            *failures += decode(block) ? 0 : 1;
        const double seconds = static_cast<double>(timer.nsecsElapsed()) / 1e9;
        best = std::max(best, blocks.size() / seconds);
    }
    return best;
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication application(argc, argv);
    QTextStream out(stdout);
    const QList<QByteArray> blocks = MakeBlocks();
    out << "blocks: " << blocks.size() << ", " << blocks.first().size() << " bytes each\n";

    int failures = 0;
    const double decoded = BlocksPerSecond(
        blocks,
        [](const QByteArray& bytes) {
            CStatisticsBlock block;
            return SUCCEEDED(CStatisticsBlock::Decode(bytes, &block));
        },
        &failures);
    const CDefragStatisticsData::TIsNtfs isNtfs = [](const TId& volume) { return !volume.empty(); };
    const double recorded = BlocksPerSecond(
        blocks,
        [&isNtfs](const QByteArray& bytes) {
            CStatisticsBlock block;
            if (FAILED(CStatisticsBlock::Decode(bytes, &block)))
                return false;
            std::unique_ptr<CDefragStatisticsData::CAnalyse> analysis;
            std::unique_ptr<CDefragStatisticsData::COnline> online;
            std::unique_ptr<CDefragStatisticsData::COffline> offline;
            switch (block.Kind()) {
            case CStatisticsBlock::kAnalysis:
                return SUCCEEDED(
                    CDefragStatisticsData::MakeAnalyse(block, 4096, isNtfs, &analysis));
            case CStatisticsBlock::kOnline:
                return SUCCEEDED(CDefragStatisticsData::MakeOnline(block, 4096, isNtfs, &online));
            default:
                return SUCCEEDED(CDefragStatisticsData::MakeOffline(block, isNtfs, &offline));
            }
        },
        &failures);

    out << "decode only | " << qRound64(decoded) << " blocks per second\n";
    out << "decode and make the record | " << qRound64(recorded) << " blocks per second\n";
    out << "refused: " << failures << " (target: 100000 blocks per second or more)\n";
    return failures == 0 ? 0 : 1;
}
