#include "refengine/CVolumePass.h"

#include "core/COleDate.h"
#include "engine/NoticeTypes.h"
#include "notify/CNoticeWriter.h"
#include "refengine/CDefragRun.h"
#include "refengine/CDefragSimulation.h"
#include "refengine/CDriveMapBuilder.h"
#include "refengine/CNoticeSink.h"
#include "refengine/CStatisticsBlockBuilder.h"
#include "refengine/CVolumeSettingsStore.h"
#include "refengine/CVolumeWalker.h"
#include "refengine/IFileDefragmenter.h"

#include <QDateTime>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>

#include <sys/stat.h>
#include <sys/statvfs.h>

#include <algorithm>
#include <chrono>

using namespace Qt::StringLiterals;

namespace {

constexpr int kPassMapBlocks = 3600;
constexpr quint8 kPassUnknownBlock = 13;
// The simulated pass changes the map in about this many steps, one per tick or faster.
constexpr int kPassSimulationSteps = 120;
constexpr int kPassSimulationStepMs = 60;

qint64 PassNowMs()
{
    return QDateTime::currentMSecsSinceEpoch();
}

template <typename TCodes>
QByteArray PassCodes(const TCodes& codes)
{
    return QByteArray(reinterpret_cast<const char*>(codes.data()), qsizetype(codes.size()));
}

} // namespace

CVolumePass::CVolumePass(TVolumeDescription volume, TRequest request, CNoticeSink* sink,
                         CVolumeSettingsStore* store, TLog log, THistory history, QObject* parent)
    : QObject(parent)
    , m_volume(std::move(volume))
    , m_request(std::move(request))
    , m_sink(sink)
    , m_store(store)
    , m_log(std::move(log))
    , m_history(std::move(history))
{
    const TVolumeSettings settings = m_store->Get(m_volume.id);
    m_map = settings.driveMap.size() == kPassMapBlocks
                ? settings.driveMap
                : QByteArray(kPassMapBlocks, char(kPassUnknownBlock));
    m_working = m_map;
}

CVolumePass::~CVolumePass()
{
    Stop();
    if (m_thread.joinable())
        m_thread.join();
}

void CVolumePass::Start()
{
    {
        std::lock_guard lock(m_mutex);
        m_running = true;
        m_startedMs = PassNowMs();
        m_status.engineStatus =
            m_request.kind == TKind::SelectedFiles ? kDefragmenting : kAnalysing;
    }
    m_thread = std::thread([this] { Run(); });
}

HRESULT CVolumePass::Pause()
{
    {
        std::lock_guard lock(m_mutex);
        if (!m_running || m_stopping)
            return HRESULT_FROM_WIN32(5023); // not in a state to pause
        if (m_paused)
            return S_FALSE;
        m_paused = true;
        m_status.engineStatus = kPaused;
        SendStatusLocked();
    }
    return S_OK;
}

HRESULT CVolumePass::Resume()
{
    {
        std::lock_guard lock(m_mutex);
        if (!m_running || m_stopping)
            return HRESULT_FROM_WIN32(5023);
        if (!m_paused)
            return S_FALSE;
        m_paused = false;
        m_status.engineStatus = kResumed;
        SendStatusLocked();
    }
    m_wake.notify_all();
    return S_OK;
}

void CVolumePass::Stop()
{
    {
        std::lock_guard lock(m_mutex);
        m_stopping = true;
        m_paused = false;
    }
    m_wake.notify_all();
}

bool CVolumePass::Continue()
{
    std::unique_lock lock(m_mutex);
    m_wake.wait(lock, [this] { return !m_paused || m_stopping; });
    return !m_stopping;
}

CVolumePass::TStatus CVolumePass::Status() const
{
    std::lock_guard lock(m_mutex);
    return m_status;
}

QByteArray CVolumePass::Map() const
{
    std::lock_guard lock(m_mutex);
    return m_map;
}

bool CVolumePass::Running() const
{
    std::lock_guard lock(m_mutex);
    return m_running;
}

HRESULT CVolumePass::Result() const
{
    std::lock_guard lock(m_mutex);
    return m_result;
}

QString CVolumePass::FailureText() const
{
    std::lock_guard lock(m_mutex);
    return m_failure;
}

std::shared_ptr<const CVolumeWalker> CVolumePass::Walker() const
{
    std::lock_guard lock(m_mutex);
    return m_running ? nullptr : m_walker;
}

void CVolumePass::SetStatus(quint32 status, double percent, const QString& text)
{
    std::lock_guard lock(m_mutex);
    // A paused pass keeps saying so; Resume says "resumed" once, and the work then says what
    // it does again.
    m_status.engineStatus = m_paused ? kPaused : status;
    m_status.percent = std::clamp(percent, 0.0, 100.0);
    m_status.text = text;
    // The end is estimated from the rate so far; below one percent that rate says too little.
    const qint64 elapsed = PassNowMs() - m_startedMs;
    if (m_status.percent >= 1.0) {
        const double remainingMs = elapsed * (100.0 - m_status.percent) / m_status.percent;
        m_status.estimatedEnd = COleDate::FromDateTime(
            QDateTime::currentDateTime().addMSecs(static_cast<qint64>(remainingMs)));
    } else {
        m_status.estimatedEnd = 0;
    }
}

void CVolumePass::SendStatusLocked() const
{
    CNoticeWriter notice;
    notice.U32(NoticeType::EngineStatus)
        .String(m_volume.id)
        .U32(m_status.engineStatus)
        .F64(m_status.percent)
        .F64(m_status.estimatedEnd);
    m_sink->Send(notice.Body());
}

void CVolumePass::SendMapChanges(const QByteArray& map)
{
    // Neighbouring blocks that changed to one type go out as one run.
    QByteArray told;
    {
        std::lock_guard lock(m_mutex);
        told = m_map;
    }
    qsizetype index = 0;
    while (index < map.size()) {
        if (map.at(index) == told.at(index)) {
            ++index;
            continue;
        }
        const char type = map.at(index);
        qsizetype end = index + 1;
        while (end < map.size() && map.at(end) == type && told.at(end) != type)
            ++end;
        CNoticeWriter notice;
        notice.U32(NoticeType::EngineBitmap)
            .String(m_volume.id)
            .U8(quint8(type))
            .U32(quint32(index))
            .U32(quint32(end - index));
        m_sink->Send(notice.Body());
        index = end;
    }
    std::lock_guard lock(m_mutex);
    m_map = map;
}

void CVolumePass::Tick(bool force)
{
    const qint64 now = PassNowMs();
    QByteArray working;
    TStatus status;
    {
        std::lock_guard lock(m_mutex);
        if (!force && m_lastTickMs >= 0 && now - m_lastTickMs < kTickMs)
            return;
        m_lastTickMs = now;
        working = m_working;
        status = m_status;
        SendStatusLocked();
    }
    CNoticeWriter message;
    message.U32(NoticeType::EngineWorkingMessage)
        .String(m_volume.id)
        .F64(status.percent)
        .String(status.text);
    m_sink->Send(message.Body());
    SendMapChanges(working);
}

void CVolumePass::ApplyPriority()
{
    if (!m_request.priority)
        return;
    const CThreadPriority::TPriority& priority = *m_request.priority;
    const CThreadPriority::TOutcome outcome = CThreadPriority::Apply(priority);
    if (!outcome.niceKept && !outcome.ioKept)
        return;
    if (m_request.priorityRefusalLogged && m_request.priorityRefusalLogged->exchange(true))
        return;
    const CThreadPriority::TPriority kept = CThreadPriority::Of();
    m_log(2, 107,
          u"The engine may not raise the priority of its passes (nice %1, I/O class %2 level %3 "
          u"asked for); they keep nice %4, I/O class %5 level %6."_s.arg(priority.nice)
              .arg(priority.ioClass)
              .arg(priority.ioLevel)
              .arg(kept.nice)
              .arg(kept.ioClass)
              .arg(kept.ioLevel));
}

void CVolumePass::Run()
{
    // Before anything else, so that the walk's threads, started from this one, inherit them.
    ApplyPriority();
    CNoticeWriter started;
    started.U32(NoticeType::EngineOpStarted).String(m_volume.id);
    m_sink->Send(started.Body());
    m_log(4, 100,
          (m_request.kind == TKind::Analysis ? u"Analysis of %1 started."_s
                                             : u"Defragmentation of %1 started."_s)
              .arg(m_volume.mountPoint));

    if (m_request.kind == TKind::SelectedFiles) {
        const HRESULT result = MovesData() ? RunFilesMoved() : RunFiles();
        if (FAILED(result) && result != E_ABORT) {
            Finish(result,
                   u"The selected files on %1 could not be defragmented (error 0x%2)."_s.arg(
                       m_volume.mountPoint, QString::number(quint32(result), 16)));
            return;
        }
        Finish(result, QString());
        return;
    }

    QElapsedTimer clock;
    clock.start();
    TAnalysisFigures before;
    QByteArray map;
    HRESULT result = RunAnalysis(&before, &map);
    if (FAILED(result)) {
        Finish(result, result == E_ABORT
                           ? QString()
                           : u"The drive %1 could not be analyzed (error 0x%2)."_s.arg(
                                 m_volume.mountPoint, QString::number(quint32(result), 16)));
        return;
    }
    TVolumeSettings settings = m_store->Get(m_volume.id);
    settings.analysed = true;
    settings.driveMap = map;
    settings.dataDate = COleDate::Now();
    settings.fileFragmentation = before.fileFragmentationPercent;
    settings.freeSpaceFragmentation = before.freeSpaceFragmentationPercent;

    if (m_request.kind == TKind::Analysis) {
        settings.blocks.insert(0, CStatisticsBlockBuilder::Analysis(
                                      m_volume, before, settings.dataDate, clock.elapsed()));
        m_store->Put(m_volume.id, settings);
        m_log(4, 101,
              u"Analysis of %1 completed: %2% file fragmentation, %3% free space fragmentation."_s
                  .arg(m_volume.mountPoint)
                  .arg(before.fileFragmentationPercent, 0, 'f', 1)
                  .arg(before.freeSpaceFragmentationPercent, 0, 'f', 1));
        Finish(S_OK, QString());
        return;
    }

    // The pass runs only above the drive's threshold and with room to work in.
    const int method = ChosenMethod(before, settings, m_request.method);
    if (method != m_request.method)
        m_log(4, 105, u"Optiwise chose method %1 for %2."_s.arg(method).arg(m_volume.mountPoint));
    if (!ThresholdExceeded(before, settings, method)) {
        settings.thresholdValue = method == CDefragSimulation::kConsolidateFreeSpace
                                      ? before.freeSpaceFragmentationPercent
                                      : before.fileFragmentationPercent;
        settings.thresholdCount = quint32(std::min<quint64>(before.fragmentedFiles, 0xFFFFFFFFu));
        m_store->Put(m_volume.id, settings);
        CNoticeWriter notice;
        notice.U32(NoticeType::EngineFTNotExceeded).String(m_volume.id);
        m_sink->Send(notice.Body());
        m_log(4, 103,
              u"Defragmentation of %1 skipped: the fragmentation threshold was not met."_s.arg(
                  m_volume.mountPoint));
        Finish(S_OK, QString());
        return;
    }
    const double freePercent =
        before.totalBytes > 0 ? 100.0 * double(before.freeBytes) / double(before.totalBytes) : 0;
    bool lowSpace = freePercent < 1.0;
    if (MovesData()) {
        // Moving a file needs room for its new copy, and the volume keeps a reserve.
        struct statvfs space = {};
        if (::statvfs(QFile::encodeName(m_volume.mountPoint).constData(), &space) == 0)
            lowSpace = quint64(space.f_bavail) * space.f_frsize <
                       CDefragRun::ReserveBytes(quint64(space.f_blocks) * space.f_frsize);
    }
    if (lowSpace) {
        ReportInsufficientFreeSpace(&settings, freePercent);
        m_store->Put(m_volume.id, settings);
        m_log(2, 104,
              u"Defragmentation of %1 skipped: there is not enough free space."_s.arg(
                  m_volume.mountPoint));
        Finish(S_OK, QString());
        return;
    }
    if (MovesData()) {
        RunMoves(method, before, settings, clock.elapsed());
        return;
    }

    double progress = 0;
    result = RunSimulation(method, &map, &progress);
    if (FAILED(result) && result != E_ABORT) {
        Finish(result, u"The drive %1 is no longer available (error 0x%2)."_s.arg(
                           m_volume.mountPoint, QString::number(quint32(result), 16)));
        return;
    }
    const TAnalysisFigures after =
        CStatisticsBlockBuilder::Improved(before, method, result == E_ABORT ? progress : 1.0);
    StorePassResults(&settings, before, after, map, clock.elapsed(), result);
    Finish(result == E_ABORT ? E_ABORT : S_OK, QString());
}

void CVolumePass::StorePassResults(TVolumeSettings* settings, const TAnalysisFigures& before,
                                   const TAnalysisFigures& after, const QByteArray& map,
                                   qint64 durationMs, HRESULT result)
{
    settings->driveMap = map;
    settings->dataDate = COleDate::Now();
    settings->lastDefragmented = settings->dataDate;
    settings->fileFragmentation = after.fileFragmentationPercent;
    settings->freeSpaceFragmentation = after.freeSpaceFragmentationPercent;
    settings->blocks.insert(2, CStatisticsBlockBuilder::Online(m_volume, before, after,
                                                               settings->dataDate, durationMs));
    m_store->Put(m_volume.id, *settings);
    m_history({m_volume.id, settings->dataDate, before.fileFragmentationPercent,
               after.fileFragmentationPercent, before.freeSpaceFragmentationPercent,
               after.freeSpaceFragmentationPercent, before.performance, after.performance,
               double(before.freeBytes), double(after.freeBytes), double(before.totalBytes)});
    m_log(4, 102,
          (result == E_ABORT ? u"Defragmentation of %1 stopped."_s
                             : u"Defragmentation of %1 completed."_s)
              .arg(m_volume.mountPoint));
}

HRESULT CVolumePass::RunAnalysis(TAnalysisFigures* figures, QByteArray* map)
{
    const double share = m_request.kind == TKind::Analysis ? 100.0 : 30.0;
    return RunWalk(figures, map, kAnalysing, 0, share, u"Analyzing %1"_s.arg(m_volume.mountPoint));
}

HRESULT CVolumePass::RunWalk(TAnalysisFigures* figures, QByteArray* map, quint32 status,
                             double from, double to, const QString& text)
{
    const TVolumeSettings settings = m_store->Get(m_volume.id);
    TWalkOptions options;
    options.rareAgeDays = settings.rareAgeDays;
    options.recentAgeDays = settings.recentAgeDays;
    options.excludedPaths = settings.excludedFiles;
    auto shared = std::make_shared<CVolumeWalker>(m_volume, options);
    CVolumeWalker& walker = *shared;
    // A walk after a pass keeps showing the pass's map until it has one of its own.
    const bool first = status == kAnalysing;
    SetStatus(status, from, text);
    Tick(true);
    const HRESULT result = walker.Run([&](const TWalkProgress& progress) {
        if (!Continue())
            return false;
        SetStatus(status, from + progress.percent * (to - from) / 100.0, text);
        if (first) {
            std::lock_guard lock(m_mutex);
            m_working = PassCodes(walker.Map().Codes(false));
        }
        Tick(false);
        return true;
    });
    if (FAILED(result))
        return result;
    *figures = walker.Figures();
    *map = PassCodes(walker.Map().Codes(true));
    {
        std::lock_guard lock(m_mutex);
        m_working = *map;
        m_walker = shared;
    }
    SetStatus(status, to, text);
    Tick(true);
    return S_OK;
}

int CVolumePass::ChosenMethod(const TAnalysisFigures& before, const TVolumeSettings& settings,
                              int requested)
{
    if (!settings.optiwise)
        return requested;
    if (before.fileFragmentationPercent >= kOptiwiseFileFragmentation)
        return CDefragSimulation::kTierLayout;
    if (before.freeSpaceFragmentationPercent >= kOptiwiseFreeSpaceFragmentation)
        return CDefragSimulation::kConsolidateFreeSpace;
    return CDefragSimulation::kDefragOnly;
}

bool CVolumePass::ThresholdExceeded(const TAnalysisFigures& before, const TVolumeSettings& settings,
                                    int method)
{
    const double measure = method == CDefragSimulation::kConsolidateFreeSpace
                               ? before.freeSpaceFragmentationPercent
                               : before.fileFragmentationPercent;
    return settings.fragmentationThreshold == 0 ||
           measure >= double(settings.fragmentationThreshold);
}

HRESULT CVolumePass::RunSimulation(int method, QByteArray* map, double* progress)
{
    const TVolumeSettings settings = m_store->Get(m_volume.id);
    QList<quint8> codes(map->begin(), map->end());
    CDefragSimulation simulation(codes, method, settings.zoneOrder);
    const int perStep = std::max(1, simulation.Total() / kPassSimulationSteps);
    const QString text = u"Defragmenting %1"_s.arg(m_volume.mountPoint);
    SetStatus(kDefragmenting, 30, text);
    Tick(true);
    HRESULT result = S_OK;
    while (!simulation.Done()) {
        if (!Continue()) {
            result = E_ABORT;
            break;
        }
        // The pass works on the volume's map only, but a volume that has gone ends it.
        struct stat root {};
        if (::stat(QFile::encodeName(m_volume.mountPoint).constData(), &root) != 0 ||
            root.st_dev != m_volume.device) {
            result = CVolumeWalker::kDeviceGone;
            break;
        }
        simulation.Step(perStep);
        const double done =
            simulation.Total() > 0 ? double(simulation.Changed()) / simulation.Total() : 1.0;
        *progress = done;
        {
            std::lock_guard lock(m_mutex);
            m_working = PassCodes(simulation.Current());
        }
        SetStatus(kDefragmenting, 30.0 + 70.0 * done, text);
        Tick(false);
        std::unique_lock lock(m_mutex);
        m_wake.wait_for(lock, std::chrono::milliseconds(kPassSimulationStepMs),
                        [this] { return m_stopping; });
    }
    if (result == S_OK)
        *progress = 1.0;
    *map = PassCodes(simulation.Current());
    {
        std::lock_guard lock(m_mutex);
        m_working = *map;
    }
    if (FAILED(result) && result != E_ABORT)
        return result;
    SetStatus(kDefragmenting, result == S_OK ? 100 : Status().percent, text);
    Tick(true);
    return result;
}

CDefragRun::TOptions CVolumePass::MoveOptions(const TVolumeSettings& settings) const
{
    CDefragRun::TOptions options;
    options.root = m_volume.mountPoint;
    options.device = m_volume.device;
    options.fileSystem = m_volume.fileSystem;
    options.zoneOrder = settings.zoneOrder;
    options.rareAgeDays = settings.rareAgeDays;
    options.recentAgeDays = settings.recentAgeDays;
    options.excludedPaths = settings.excludedFiles;
    return options;
}

bool CVolumePass::MovesData() const
{
    return m_request.moveData && IFileDefragmenter::Supports(m_volume.fileSystem);
}

void CVolumePass::ReportInsufficientFreeSpace(TVolumeSettings* settings, double freePercent)
{
    settings->insufficientFreeSpaceValue = freePercent;
    CNoticeWriter notice;
    notice.U32(NoticeType::EngineInsufficientFreeSpace).String(m_volume.id);
    m_sink->Send(notice.Body());
}

void CVolumePass::LogMoves(const CDefragRun::TFigures& figures, const QString& what, HRESULT result)
{
    QStringList reasons;
    for (int reason = 0; reason < CDefragSkipRules::kReasonCount; ++reason) {
        if (figures.skipped[size_t(reason)] > 0)
            reasons.append(u"%1 %2"_s.arg(figures.skipped[size_t(reason)])
                               .arg(QString::fromLatin1(
                                   CDefragSkipRules::Text(CDefragSkipRules::TReason(reason)))));
    }
    const QString outcome = result == E_ABORT ? u"stopped"_s
                            : result == CDefragRun::kInsufficientFreeSpace
                                ? u"stopped for want of free space"_s
                                : u"completed"_s;
    m_log(4, 106,
          u"Defragmentation of %1 %2: %3 of %4 fragmented files defragmented, extents %5 to %6, "
          u"%7 MiB moved%8."_s.arg(what, outcome)
              .arg(figures.filesDefragmented)
              .arg(figures.fragmentedBefore)
              .arg(figures.extentsBefore)
              .arg(figures.extentsAfter)
              .arg(double(figures.bytesMoved) / double(1 << 20), 0, 'f', 1)
              .arg(reasons.isEmpty() ? QString() : u"; left: "_s + reasons.join(u", "_s)));
}

void CVolumePass::RunMoves(int method, const TAnalysisFigures& before, TVolumeSettings settings,
                           qint64 startedMs)
{
    QElapsedTimer clock;
    clock.start();
    CDefragRun::TOptions options = MoveOptions(settings);
    options.method = method;
    CDefragRun run(options);
    const QString text = u"Defragmenting %1"_s.arg(m_volume.mountPoint);
    SetStatus(kDefragmenting, 30, text);
    Tick(true);
    // The analysis's map follows the files as they move: their old places are taken back and
    // their new ones counted, as FIEMAP reports them after each file.
    CDriveMapBuilder* map = m_walker ? &m_walker->Map() : nullptr;
    const HRESULT result = run.Run(
        [this] { return Continue(); },
        [this](double fraction, const QString& path) {
            SetStatus(kDefragmenting, 30.0 + 65.0 * fraction,
                      u"Defragmenting %1"_s.arg(path.isEmpty() ? m_volume.mountPoint : path));
            Tick(false);
        },
        [this, map](const CDefragRun::TFileChange& change) {
            if (!map)
                return;
            for (const CExtentReader::TExtent& extent : change.before) {
                if (CExtentReader::Placed(extent))
                    map->RemoveExtent(extent.physical, extent.length, change.category,
                                      change.fragmentedBefore);
            }
            for (const CExtentReader::TExtent& extent : change.after) {
                if (CExtentReader::Placed(extent))
                    map->AddExtent(extent.physical, extent.length, change.category,
                                   change.fragmentedAfter);
            }
            const QByteArray codes = PassCodes(map->Codes(true));
            std::lock_guard lock(m_mutex);
            m_working = codes;
        });
    const CDefragRun::TFigures& moved = run.Figures();
    LogMoves(moved, m_volume.mountPoint, result);
    if (FAILED(result) && result != E_ABORT && result != CDefragRun::kInsufficientFreeSpace) {
        Finish(result, u"The drive %1 is no longer available (error 0x%2)."_s.arg(
                           m_volume.mountPoint, QString::number(quint32(result), 16)));
        return;
    }
    if (result == CDefragRun::kInsufficientFreeSpace) {
        ReportInsufficientFreeSpace(&settings, before.totalBytes > 0
                                                   ? 100.0 * double(before.freeBytes) /
                                                         double(before.totalBytes)
                                                   : 0);
        m_log(2, 104,
              u"Defragmentation of %1 stopped: there is not enough free space."_s.arg(
                  m_volume.mountPoint));
    }

    // The figures after the pass are the volume's as it now is.
    TAnalysisFigures after;
    QByteArray codes;
    const HRESULT walked = RunWalk(&after, &codes, kDefragmenting, 95, 100, text);
    if (FAILED(walked)) {
        // Stopped during the last walk: the figures follow from the files that were moved.
        const double share = moved.fragmentedBefore > 0
                                 ? double(moved.fragmentedBefore - moved.fragmentedAfter) /
                                       double(moved.fragmentedBefore)
                                 : 1.0;
        after = CStatisticsBlockBuilder::Improved(before, CDefragSimulation::kDefragOnly, share);
        std::lock_guard lock(m_mutex);
        codes = m_working;
    }
    StorePassResults(&settings, before, after, codes, startedMs + clock.elapsed(), result);
    SetStatus(kDefragmenting, 100, text);
    Tick(true);
    Finish(result == E_ABORT ? E_ABORT : S_OK, QString());
}

HRESULT CVolumePass::RunFilesMoved()
{
    const QString text = u"Defragmenting selected files on %1"_s.arg(m_volume.mountPoint);
    SetStatus(kDefragmenting, 0, text);
    Tick(true);
    const TVolumeSettings settings = m_store->Get(m_volume.id);
    CDefragRun::TOptions options = MoveOptions(settings);
    options.files = m_request.files;
    CDefragRun run(options);
    const quint64 mapBytes = CVolumeWalker::MapBytes(m_volume);
    const HRESULT result =
        run.Run([this] { return Continue(); },
                [this, &text](double fraction, const QString&) {
                    SetStatus(kDefragmenting, 100.0 * fraction, text);
                    Tick(false);
                },
                [this, mapBytes](const CDefragRun::TFileChange& change) {
                    // Without the walk's counts the map can only show where the files are now.
                    std::lock_guard lock(m_mutex);
                    for (const CExtentReader::TExtent& extent : change.after) {
                        if (!CExtentReader::Placed(extent))
                            continue;
                        const int first = CDriveMapBuilder::BlockOf(extent.physical, mapBytes);
                        const int last = CDriveMapBuilder::BlockOf(
                            extent.physical + extent.length - 1, mapBytes);
                        for (int block = first; block <= last && block < m_working.size(); ++block)
                            m_working[block] = char(change.category);
                    }
                });
    LogMoves(run.Figures(), u"the selected files on %1"_s.arg(m_volume.mountPoint), result);
    Tick(true);
    if (result == CDefragRun::kInsufficientFreeSpace) {
        TVolumeSettings stored = m_store->Get(m_volume.id);
        ReportInsufficientFreeSpace(&stored, 0);
        m_store->Put(m_volume.id, stored);
    }
    TVolumeSettings stored = m_store->Get(m_volume.id);
    if (stored.analysed) {
        std::lock_guard lock(m_mutex);
        stored.driveMap = m_working;
    }
    m_store->Put(m_volume.id, stored);
    return result == CDefragRun::kInsufficientFreeSpace ? S_OK : result;
}

HRESULT CVolumePass::RunFiles()
{
    const QString text = u"Defragmenting selected files on %1"_s.arg(m_volume.mountPoint);
    SetStatus(kDefragmenting, 0, text);
    Tick(true);
    const qsizetype count = m_request.files.size();
    for (qsizetype index = 0; index < count; ++index) {
        if (!Continue())
            return E_ABORT;
        CVolumeWalker::TFileBlocks file;
        if (SUCCEEDED(CVolumeWalker::FileBlocks(m_volume, m_request.files.at(index), &file))) {
            std::lock_guard lock(m_mutex);
            for (quint32 block : std::as_const(file.blocks)) {
                if (block < quint32(m_working.size()))
                    m_working[block] = char(m_working.at(block) & 0x0F);
            }
        }
        SetStatus(kDefragmenting, 100.0 * double(index + 1) / double(count), text);
        Tick(false);
    }
    Tick(true);
    TVolumeSettings settings = m_store->Get(m_volume.id);
    if (settings.analysed) {
        std::lock_guard lock(m_mutex);
        settings.driveMap = m_working;
    }
    m_store->Put(m_volume.id, settings);
    return S_OK;
}

void CVolumePass::Finish(HRESULT result, const QString& failure)
{
    if (SUCCEEDED(result) || result == E_ABORT) {
        const TVolumeSettings settings = m_store->Get(m_volume.id);
        if (settings.analysed && m_request.kind != TKind::SelectedFiles) {
            CNoticeWriter fragmentation;
            fragmentation.U32(NoticeType::EngineFragmentation)
                .String(m_volume.id)
                .F64(settings.fileFragmentation);
            m_sink->Send(fragmentation.Body());
            CNoticeWriter freeSpace;
            freeSpace.U32(NoticeType::EngineFreeSpaceFragmentation)
                .String(m_volume.id)
                .F64(settings.freeSpaceFragmentation);
            m_sink->Send(freeSpace.Body());
            CNoticeWriter updated;
            updated.U32(NoticeType::EngineStatisticsUpdated).String(m_volume.id);
            m_sink->Send(updated.Body());
        }
    } else {
        m_log(1, 105, failure);
        CNoticeWriter message;
        message.U32(NoticeType::EngineWorkingMessage)
            .String(m_volume.id)
            .F64(Status().percent)
            .String(failure);
        m_sink->Send(message.Body());
    }
    {
        std::lock_guard lock(m_mutex);
        m_result = result;
        m_failure = failure;
        m_status = TStatus();
        m_running = false;
        SendStatusLocked();
    }
    CNoticeWriter completed;
    completed.U32(NoticeType::EngineOpCompleted).String(m_volume.id);
    m_sink->Send(completed.Body());
    emit Finished(m_volume.id);
}
