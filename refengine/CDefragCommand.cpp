#include "refengine/CDefragCommand.h"

#include "refengine/CDefragRun.h"
#include "refengine/CVolumeCatalog.h"
#include "refengine/CVolumeSettingsStore.h"

#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>

#include <sys/stat.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

QByteArray DefragCommandBytes(quint64 bytes)
{
    static const char* const units[] = {"bytes", "KiB", "MiB", "GiB", "TiB"};
    double value = double(bytes);
    int unit = 0;
    while (value >= 1024.0 && unit < 4) {
        value /= 1024.0;
        ++unit;
    }
    return unit == 0 ? QByteArray::number(bytes) + " bytes"
                     : QByteArray::number(value, 'f', 1) + ' ' + units[unit];
}

QString DefragCommandMethodName(int method)
{
    switch (method) {
    case CDefragRun::kTierLayout:
        return u"TierLayout"_s;
    case CDefragRun::kConsolidateFreeSpace:
        return u"Consolidate Free Space"_s;
    default:
        return u"Defrag Only"_s;
    }
}

} // namespace

int CDefragCommand::MethodNamed(const QString& name)
{
    if (name == u"defrag")
        return CDefragRun::kDefragOnly;
    if (name == u"tierlayout")
        return CDefragRun::kTierLayout;
    if (name == u"cfs")
        return CDefragRun::kConsolidateFreeSpace;
    return -1;
}

int CDefragCommand::Run(const TOptions& options, const std::atomic<bool>& stopRequested,
                        std::FILE* out, std::FILE* err)
{
    const QFileInfo target(options.path);
    const QString canonical = target.canonicalFilePath();
    if (canonical.isEmpty()) {
        std::fprintf(err, "korvane-engine: %s: no such file or folder\n", qPrintable(options.path));
        return 1;
    }
    const bool single = !QFileInfo(canonical).isDir();
    const QString folder = single ? QFileInfo(canonical).absolutePath() : canonical;

    const CVolumeCatalog catalog;
    TVolumeDescription described;
    if (FAILED(catalog.Describe(folder, &described))) {
        std::fprintf(err, "korvane-engine: %s: not a folder of a mounted file system\n",
                     qPrintable(folder));
        return 1;
    }
    CDefragRun::TOptions run;
    run.root = folder;
    run.device = described.device;
    run.fileSystem = described.fileSystem;
    run.method = options.method;
    run.analyseOnly = options.analyseOnly;
    if (single)
        run.files = {canonical};
    // The settings the engine keeps for the volume, when it has met it.
    QString mountPoint = folder;
    for (const TVolumeDescription& volume : catalog.Volumes()) {
        if (volume.device != described.device)
            continue;
        mountPoint = volume.mountPoint;
        TVolumeSettings settings;
        if (!options.stateDirectory.isEmpty() &&
            QFileInfo::exists(options.stateDirectory + u"/volumes.json"_s) &&
            CVolumeSettingsStore(options.stateDirectory + u"/volumes.json"_s)
                .Find(volume.id, &settings)) {
            run.zoneOrder = settings.zoneOrder;
            run.rareAgeDays = settings.rareAgeDays;
            run.recentAgeDays = settings.recentAgeDays;
            run.excludedPaths = settings.excludedFiles;
        }
        break;
    }
    if (!options.analyseOnly && !IFileDefragmenter::Supports(described.fileSystem)) {
        std::fprintf(err,
                     "korvane-engine: %s is on %s, which the engine can only analyse: it moves "
                     "files on ext4 and btrfs\n",
                     qPrintable(folder), qPrintable(described.fileSystem));
        return 1;
    }

    const bool terminal = ::isatty(::fileno(err)) != 0;
    std::fprintf(
        out, "%s %s (%s, volume %s)%s\n", options.analyseOnly ? "Analysing" : "Defragmenting",
        qPrintable(canonical), qPrintable(described.fileSystem), qPrintable(mountPoint),
        options.analyseOnly ? ""
                            : qPrintable(u", method "_s + DefragCommandMethodName(options.method)));
    std::fflush(out);
    QElapsedTimer clock;
    clock.start();
    qint64 lastShown = -1000;
    CDefragRun pass(run);
    const HRESULT result =
        pass.Run([&stopRequested] { return !stopRequested.load(); },
                 [&](double fraction, const QString& path) {
                     if (!terminal || clock.elapsed() - lastShown < 100)
                         return;
                     lastShown = clock.elapsed();
                     QString shown = path;
                     if (shown.size() > 60)
                         shown = u"..."_s + shown.right(57);
                     std::fprintf(err, "\r\033[K%5.1f%%  %s", fraction * 100.0, qPrintable(shown));
                     std::fflush(err);
                 },
                 [](const CDefragRun::TFileChange&) {});
    if (terminal)
        std::fprintf(err, "\r\033[K");

    const CDefragRun::TFigures& figures = pass.Figures();
    std::fprintf(out, "Files seen:          %llu (%s)\n", figures.files,
                 DefragCommandBytes(figures.bytes).constData());
    if (options.analyseOnly) {
        std::fprintf(out, "Fragmented files:    %llu\n", figures.fragmentedBefore);
        std::fprintf(out, "Extents:             %llu\n", figures.extentsBefore);
    } else {
        std::fprintf(out, "Fragmented files:    %llu before, %llu after\n",
                     figures.fragmentedBefore, figures.fragmentedAfter);
        std::fprintf(out, "Extents:             %llu before, %llu after\n", figures.extentsBefore,
                     figures.extentsAfter);
        std::fprintf(out, "Files defragmented:  %llu\n", figures.filesDefragmented);
        std::fprintf(out, "Bytes moved:         %s\n",
                     DefragCommandBytes(figures.bytesMoved).constData());
    }
    std::fprintf(out, "Skipped:             %llu\n", figures.SkippedTotal());
    for (int reason = 0; reason < CDefragSkipRules::kReasonCount; ++reason) {
        if (figures.skipped[size_t(reason)] > 0)
            std::fprintf(
                out, "  %-40s %llu\n",
                (QByteArray(CDefragSkipRules::Text(CDefragSkipRules::TReason(reason))) + ':')
                    .constData(),
                figures.skipped[size_t(reason)]);
    }
    std::fprintf(out, "Time:                %.1f s\n", double(clock.elapsed()) / 1000.0);

    switch (result) {
    case S_OK:
        return 0;
    case E_ABORT:
        std::fprintf(err, "korvane-engine: stopped\n");
        return 1;
    case CDefragRun::kInsufficientFreeSpace:
        std::fprintf(err,
                     "korvane-engine: stopped: the free space is below the volume's reserve "
                     "of %s\n",
                     DefragCommandBytes(CDefragRun::ReserveBytes(quint64(described.totalClusters) *
                                                                 described.bytesPerCluster))
                         .constData());
        return 1;
    case CDefragRun::kDeviceGone:
        std::fprintf(err, "korvane-engine: the volume is no longer there\n");
        return 1;
    default:
        std::fprintf(err, "korvane-engine: failed (error 0x%08x)\n", unsigned(result));
        return 1;
    }
}
