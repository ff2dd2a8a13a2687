#include "refengine/CStatisticsBlockBuilder.h"

#include "engine/CStatisticsBlockWriter.h"
#include "platform/CComputerName.h"
#include "refengine/CDefragSimulation.h"
#include "refengine/CDriveMapBuilder.h"

#include <algorithm>
#include <cmath>
#include <tuple>

using namespace Qt::StringLiterals;

namespace {

using TWriter = CStatisticsBlockWriter;

void BlockBuilderCommon(TWriter& writer, const TVolumeDescription& volume,
                        const TAnalysisFigures& figures, double date, qint64 durationMs)
{
    writer.Set(1, date);
    writer.SetText(2, CComputerName::Local());
    writer.SetText(3, volume.id);
    writer.SetText(4, volume.mountPoint);
    writer.SetText(5, volume.label);
    writer.SetText(6, volume.fileSystem);
    writer.SetText(7, u"Korvane"_s);
    writer.SetText(8, u"11.0"_s);
    writer.SetBytes8(9, figures.totalBytes);
    writer.Set(10, volume.bytesPerCluster);
    writer.Set(11, double(durationMs));
    writer.Set(12, double(durationMs));
    writer.Set(13, double(std::min<quint64>(figures.files, 0xFFFFFFFFu)));
    writer.Set(14, double(std::min<quint64>(figures.directories, 0xFFFFFFFFu)));
    writer.SetBytes8(15, figures.totalFileBytes);
    writer.SetBytes8(16, figures.freeBytes);
    writer.Set(31, double(std::min<quint64>(figures.excessFileFragments, 0xFFFFFFFFu)));
    writer.Set(36, double(std::min<quint64>(figures.fragmentedDirectories, 0xFFFFFFFFu)));
    writer.Set(38, double(std::min<quint64>(figures.excessDirectoryFragments, 0xFFFFFFFFu)));
    writer.Set(39, figures.directoryFragmentationPercent);
    writer.Set(40, CStatisticsBlockBuilder::Level(figures.directoryFragmentationPercent, 3, 8));
    // Space in use that no file or directory accounts for: the file system's own.
    const quint64 used =
        figures.totalBytes > figures.freeBytes ? figures.totalBytes - figures.freeBytes : 0;
    const quint64 metadata = used > figures.totalFileBytes ? used - figures.totalFileBytes : 0;
    const quint32 cluster = std::max<quint32>(volume.bytesPerCluster, 1);
    writer.Set(55, double(metadata / cluster));
    writer.Set(57, 0);
    writer.Set(58, 0);
    writer.Set(59, 1);
    for (int level : {45, 49, 53})
        writer.Set(level, 1);
    QList<TWriter::TCategory> categories;
    for (const TAnalysisFigures::TCategory& row : figures.categories)
        categories.append(
            {row.category, quint32(std::min<quint64>(row.files, 0xFFFFFFFFu)), row.bytes});
    // The free space, all of it outside any reserved zone: these file systems keep none.
    categories.append({CDriveMapBuilder::kFree, 0, figures.freeBytes});
    writer.SetCategories(categories);
    QList<TWriter::TBucket> histogram;
    for (const TAnalysisFigures::TBucket& bucket : figures.fragmentHistogram)
        histogram.append(
            {bucket.minimumFragments, quint32(std::min<quint64>(bucket.files, 0xFFFFFFFFu))});
    writer.SetHistogram(histogram);
}

double BlockBuilderClusters(quint64 bytes, const TVolumeDescription& volume)
{
    return double(bytes / std::max<quint32>(volume.bytesPerCluster, 1));
}

// The largest free run's level: poor below 1% of the volume, fair below 5%.
quint32 BlockBuilderFreeRunLevel(const TAnalysisFigures& figures)
{
    if (figures.totalBytes == 0)
        return 1;
    const double share = 100.0 * double(figures.largestFreeRun) / double(figures.totalBytes);
    return share < 1.0 ? 3 : share < 5.0 ? 2 : 1;
}

} // namespace

CStatisticsBlockLists CStatisticsBlockBuilder::Lists(const TAnalysisFigures& figures)
{
    CStatisticsBlockLists lists;
    for (const TAnalysisFigures::TFragmentedItem& item : figures.mostFragmentedFiles)
        lists.mostFragmented.append({item.path.toStdWString(), item.fragments, item.bytes, false});
    for (const TAnalysisFigures::TFragmentedItem& item : figures.mostFragmentedDirectories)
        lists.mostFragmented.append({item.path.toStdWString(), item.fragments, item.bytes, true});
    std::stable_sort(lists.mostFragmented.begin(), lists.mostFragmented.end(),
                     [](const auto& a, const auto& b) {
                         return std::tie(a.fragments, a.bytes) > std::tie(b.fragments, b.bytes);
                     });
    if (lists.mostFragmented.size() > TAnalysisFigures::kListLength)
        lists.mostFragmented.resize(TAnalysisFigures::kListLength);
    for (const TAnalysisFigures::TSkippedItem& item : figures.skipped)
        lists.excluded.append({item.path.toStdWString(),
                               item.reason == TAnalysisFigures::kAccessDenied
                                   ? CStatisticsBlockLists::kAccessDenied
                                   : CStatisticsBlockLists::kError,
                               item.error, -1, 0});
    for (const TAnalysisFigures::TFragmentedItem& item : figures.excludedFiles)
        lists.excluded.append(
            {item.path.toStdWString(), CStatisticsBlockLists::kExcludedFile, S_OK,
             qint32(std::min<quint32>(std::max<quint32>(item.fragments, 1) - 1, 0x7FFFFFFF)),
             item.bytes});
    for (const TAnalysisFigures::TFileType& type : figures.fileTypes)
        lists.fileTypes.append({type.extension.toStdWString(), type.files, type.bytes});
    return lists;
}

CStatisticsBlockBuilder::TRecommendation
CStatisticsBlockBuilder::Recommend(const TAnalysisFigures& figures)
{
    // The thresholds where the levels of #34, #40, #23 and the free-space rating turn fair.
    quint32 files = 0;
    if (figures.fileFragmentationPercent >= 10)
        files |= 0x01;
    if (figures.directoryFragmentationPercent >= 3)
        files |= 0x02;
    quint32 freeSpace = 0;
    if (BlockBuilderFreeRunLevel(figures) > 1)
        freeSpace |= 0x04;
    if (figures.freeSpaceFragmentationPercent >= 10)
        freeSpace |= 0x40;
    if (freeSpace != 0)
        return {79, files | freeSpace};
    if (files != 0)
        return {78, files};
    return {};
}

quint32 CStatisticsBlockBuilder::Level(double value, double fair, double poor)
{
    return value >= poor ? 3 : value >= fair ? 2 : 1;
}

QByteArray CStatisticsBlockBuilder::Analysis(const TVolumeDescription& volume,
                                             const TAnalysisFigures& figures, double date,
                                             qint64 durationMs)
{
    TWriter writer(0, TWriter::TStart::Zeroed);
    BlockBuilderCommon(writer, volume, figures, date, durationMs);
    const double largest = BlockBuilderClusters(figures.largestFreeRun, volume);
    writer.Set(17, largest);
    writer.Set(18, largest);
    writer.Set(19, figures.fileFragmentationPercent);
    writer.Set(20, figures.fileFragmentationPercent);
    writer.Set(21, figures.freeSpaceFragmentationPercent);
    writer.Set(22, figures.freeSpaceFragmentationPercent);
    writer.Set(23, BlockBuilderFreeRunLevel(figures));
    const double fragmented = double(std::min<quint64>(figures.fragmentedFiles, 0xFFFFFFFFu));
    writer.Set(28, fragmented);
    writer.Set(29, fragmented);
    writer.Set(32, figures.fileFragmentationPercent);
    writer.Set(33, figures.fileFragmentationPercent);
    writer.Set(34, Level(figures.fileFragmentationPercent, 10, 20));
    writer.Set(80, figures.performance);
    writer.Set(81, figures.performance);
    if (const TRecommendation next = Recommend(figures); next.field > 0)
        writer.Set(next.field, next.reasons);
    return writer.Bytes() + Lists(figures).Encode();
}

QByteArray CStatisticsBlockBuilder::Online(const TVolumeDescription& volume,
                                           const TAnalysisFigures& before,
                                           const TAnalysisFigures& after, double date,
                                           qint64 durationMs)
{
    TWriter writer(2, TWriter::TStart::Zeroed);
    BlockBuilderCommon(writer, volume, after, date, durationMs);
    writer.Set(17, BlockBuilderClusters(before.largestFreeRun, volume));
    writer.Set(18, BlockBuilderClusters(after.largestFreeRun, volume));
    writer.Set(19, before.fileFragmentationPercent);
    writer.Set(20, after.fileFragmentationPercent);
    writer.Set(21, before.freeSpaceFragmentationPercent);
    writer.Set(22, after.freeSpaceFragmentationPercent);
    writer.Set(23, BlockBuilderFreeRunLevel(after));
    writer.Set(28, double(std::min<quint64>(after.fragmentedFiles, 0xFFFFFFFFu)));
    writer.Set(29, double(std::min<quint64>(before.fragmentedFiles, 0xFFFFFFFFu)));
    writer.Set(31, double(std::min<quint64>(before.excessFileFragments, 0xFFFFFFFFu)));
    writer.Set(32, before.fileFragmentationPercent);
    writer.Set(33, after.fileFragmentationPercent);
    writer.Set(34, Level(after.fileFragmentationPercent, 10, 20));
    if (const TRecommendation next = Recommend(after); next.field > 0)
        writer.Set(next.field, next.reasons);
    writer.Set(80, before.performance);
    writer.Set(81, after.performance);
    return writer.Bytes() + Lists(after).Encode();
}

TAnalysisFigures CStatisticsBlockBuilder::Improved(const TAnalysisFigures& before, int method,
                                                   double done)
{
    done = std::clamp(done, 0.0, 1.0);
    const auto part = [done](quint64 value) {
        return quint64(std::llround(double(value) * (1.0 - done)));
    };
    TAnalysisFigures after = before;
    after.fragmentedFiles = part(before.fragmentedFiles);
    after.fragmentedFileBytes = part(before.fragmentedFileBytes);
    after.excessFileFragments = part(before.excessFileFragments);
    after.fragmentedDirectories = part(before.fragmentedDirectories);
    after.excessDirectoryFragments = part(before.excessDirectoryFragments);
    after.fileFragmentationPercent = before.fileFragmentationPercent * (1.0 - done);
    after.directoryFragmentationPercent = before.directoryFragmentationPercent * (1.0 - done);
    if (method != CDefragSimulation::kDefragOnly) {
        after.freeSpaceFragmentationPercent = before.freeSpaceFragmentationPercent * (1.0 - done);
        const quint64 gained =
            before.freeBytes > before.largestFreeRun ? before.freeBytes - before.largestFreeRun : 0;
        after.largestFreeRun = before.largestFreeRun + quint64(double(gained) * done);
        if (done >= 1.0)
            after.freeRuns = std::min<quint64>(before.freeRuns, 1);
    }
    // Whole files: every fragment bucket above one empties into the first.
    if (!after.fragmentHistogram.isEmpty()) {
        quint64 moved = 0;
        for (qsizetype i = 1; i < after.fragmentHistogram.size(); ++i) {
            const quint64 keep = part(after.fragmentHistogram[i].files);
            moved += after.fragmentHistogram[i].files - keep;
            after.fragmentHistogram[i].files = keep;
        }
        after.fragmentHistogram[0].files += moved;
    }
    after.mostFragmentedFiles.clear();
    after.mostFragmentedDirectories.clear();
    after.performance = std::clamp(100.0 - 0.7 * after.fileFragmentationPercent -
                                       0.3 * after.freeSpaceFragmentationPercent,
                                   0.0, 100.0);
    return after;
}
