#include "defrag/CDefragFeed.h"

#include "engine/CDefragStatisticsData.h"
#include "engine/CKV100EngineInterface.h"
#include "engine/CStatisticsBlock.h"
#include "engine/CStatisticsHistory.h"
#include "schedule/CCadence.h"

#include <algorithm>
#include <limits>

namespace {

// The dates of a volume's passes, one per value of its history series: the agent's points and
// the engine's series both end with the last pass, so they are matched from the newest back.
// Passes the agent has no point for get 0; nothing when the agent cannot say.
QList<double> DefragFeedHistoryDates(CKV100AgentInterface* agent, const TId& volume,
                                     qsizetype passes)
{
    QList<CStatisticsHistory::CDataPoint> files, freeSpace, performance;
    if (passes == 0 || FAILED(CStatisticsHistory::ReadStatisticsPoints(agent, volume, &files,
                                                                       &freeSpace, &performance)))
        return {};
    QList<double> dates(passes, 0.0);
    const qsizetype matched = std::min(passes, files.size());
    for (qsizetype i = 1; i <= matched; ++i) {
        const CDateTime& date = files.at(files.size() - i).date;
        if (date.IsValid())
            dates[passes - i] = date.Value();
    }
    return dates;
}

} // namespace

CDefragFeed::CDefragFeed(CKV100EngineInterface& engine, CDefrager& model, CCadence& cadence,
                         QObject* parent)
    : QObject(parent)
    , CTranslatable("CDefragWidget")
    , m_engine(engine)
    , m_model(model)
    , m_cadence(cadence)
{
    using E = CKV100EngineInterface;
    connect(&engine, &E::StatusChanged, this, &CDefragFeed::OnStatusChanged);
    connect(&engine, &E::WorkingMessageChanged, this, &CDefragFeed::OnWorkingMessageChanged);
    connect(&engine, &E::BitmapUpdated, this, &CDefragFeed::OnBitmapUpdated);
    connect(&engine, &E::FragmentationChanged, this, &CDefragFeed::OnFragmentationChanged);
    connect(&engine, &E::FreeSpaceFragmentationChanged, this,
            &CDefragFeed::OnFreeSpaceFragmentationChanged);
    connect(&engine, &E::OpStarted, this, &CDefragFeed::OnStarted);
    connect(&engine, &E::OpCompleted, this, &CDefragFeed::OnCompleted);
    connect(&engine, &E::FTNotExceeded, this, &CDefragFeed::FTNotExceeded);
    connect(&engine, &E::InsufficientFreeSpace, this, &CDefragFeed::InsufficientFreeSpace);
    connect(&engine, &E::StatisticsUpdated, this, &CDefragFeed::StatisticsUpdated);
}

// --- the set of drives

void CDefragFeed::Rebuild()
{
    const TId current = m_model.CurrentVolume();
    m_model.Clear();
    TStringList volumes;
    if (m_engine.IsConnected() && SUCCEEDED(m_engine.GetVolumes(&volumes))) {
        for (const TId& volume : volumes) {
            CDefrager::TVolumeInfo record;
            if (ReadVolume(volume, record))
                m_model.SetVolume(record);
        }
        for (const auto& [volume, record] : m_model)
            ReadStatistics(volume);
    }
    // The drive the user was looking at stays current when the computer still has it.
    if (m_model.Contains(current))
        m_model.SetCurrentVolume(current);
    else if (m_model.Count() > 0)
        m_model.SetCurrentVolume(m_model.begin()->first);
    Refresh();
}

void CDefragFeed::Refresh()
{
    if (m_engine.IsConnected()) {
        for (const auto& [volume, record] : m_model) {
            double date = 0;
            if (SUCCEEDED(m_engine.GetLastDefragmented(volume, &date)))
                m_model.SetLastDefragmented(volume, date);
            else
                m_model.ResetNextRun(volume);
        }
    }
    UpdateNextRuns();
    emit DefragModelUpdated();
}

void CDefragFeed::ConditionalRefresh()
{
    TStringList volumes;
    if (!m_engine.IsConnected() || FAILED(m_engine.GetVolumes(&volumes))) {
        Rebuild();
        return;
    }
    volumes.sort();
    volumes.unique();
    const bool same =
        std::equal(volumes.begin(), volumes.end(), m_model.begin(), m_model.end(),
                   [](const TId& id, const auto& entry) { return id == entry.first; });
    if (same)
        Refresh();
    else
        Rebuild();
}

void CDefragFeed::UpdateNextRuns()
{
    const auto lookup = [this](quint32 type, const TName& name) {
        return m_cadence.NextRun(type, name);
    };
    for (const auto& [name, schedule] : m_cadence.Schedules()) {
        const CDefrager::TScheduleOffer offer{schedule.settings.type,     name,
                                              schedule.settings.lastRun,  schedule.settings.nextRun,
                                              schedule.settings.disabled, schedule.IsAnalyseOnly()};
        if (schedule.allDrives) {
            for (const auto& [volume, record] : m_model)
                m_model.OfferSchedule(volume, offer, lookup);
        } else {
            for (const TId& volume : schedule.drives)
                m_model.OfferSchedule(volume, offer, lookup);
        }
    }
    emit NextRunsUpdated();
}

bool CDefragFeed::ReadVolume(const TId& volume, CDefrager::TVolumeInfo& record) const
{
    TString mountName;
    TString label;
    TString fileSystem;
    uint driveType = 0;
    uint engineStatus = 0;
    double lastDefragmented = 0;
    uint extraWord1 = 0;
    uint extraWord2 = 0;
    int bootTime = 0;
    double size = 0;
    double dataDate = 0;
    if (FAILED(m_engine.GetVolumeInfo(volume, &mountName, &label, &fileSystem, &driveType,
                                      &engineStatus, &lastDefragmented, &extraWord1, &extraWord2,
                                      &bootTime, &size, &dataDate)))
        return false;
    record.volumeId = volume;
    record.mountName = mountName;
    record.label = label;
    record.fileSystem = fileSystem;
    record.driveType = driveType;
    record.status = CKV100EngineInterface::MapEngineStatus(engineStatus);
    record.lastDefragmented = lastDefragmented;
    record.extraWord1 = extraWord1;
    record.extraWord2 = extraWord2;
    record.atBootStatus = static_cast<CDefrager::TAtBootStatus>(bootTime);
    record.sizeMegabytes = size;
    record.dataDate = dataDate;

    // What the engine cannot say of a volume it listed stays as a new record has it.
    bool analysed = false;
    double fragmentation = 0;
    double freeSpaceFragmentation = 0;
    if (SUCCEEDED(m_engine.GetFragmentation(volume, &analysed, &fragmentation,
                                            &freeSpaceFragmentation)) &&
        analysed) {
        record.fragmentation = fragmentation;
        record.freeSpaceFragmentation = freeSpaceFragmentation;
    }
    QList<uint> blocks;
    if (SUCCEEDED(m_engine.GetDriveMap(volume, &blocks)) &&
        blocks.size() == qsizetype(CDefrager::kMapBlockCount))
        record.blocks.assign(blocks.begin(), blocks.end());
    m_engine.GetHistorySeries(volume, &record.performanceBefore, &record.performanceAfter,
                              &record.fragmentationBefore, &record.fragmentationAfter,
                              &record.freeSpaceFragmentationBefore,
                              &record.freeSpaceFragmentationAfter);
    record.historyDates = DefragFeedHistoryDates(
        m_agent, volume,
        std::max({record.performanceBefore.size(), record.performanceAfter.size(),
                  record.fragmentationBefore.size(), record.fragmentationAfter.size(),
                  record.freeSpaceFragmentationBefore.size(),
                  record.freeSpaceFragmentationAfter.size()}));
    if (record.status != CDefrager::kIdle) {
        uint status = 0;
        double completion = 0;
        double estimatedEnd = 0;
        TString statusText;
        if (SUCCEEDED(
                m_engine.GetStatus(volume, &status, &completion, &estimatedEnd, &statusText))) {
            const QString word = StatusWord(record.status);
            record.statusText = word.toStdWString();
            record.completionPercent = completion;
            record.statusLine = mountName + L"  " + record.statusText.value();
            record.estimatedEnd = estimatedEnd;
        }
    }
    return true;
}

void CDefragFeed::RefreshVolume(const TId& volume)
{
    if (!m_model.Contains(volume))
        return;
    StoreEngineStatus(volume);
    if (const CDefrager::TVolumeInfo* record = m_model.FindVolume(volume);
        record && record->status == CDefrager::kIdle)
        m_model.ClearStatusDetails(volume);
    ReadResults(volume);
}

void CDefragFeed::ReadResults(const TId& volume)
{
    double date = 0;
    if (SUCCEEDED(m_engine.GetLastDefragmented(volume, &date)))
        m_model.SetLastDefragmented(volume, date);
    CDefrager::TVolumeInfo record;
    if (ReadVolume(volume, record)) {
        m_model.SetDataDate(volume, record.dataDate);
        m_model.SetHistory(volume, record.performanceBefore, record.performanceAfter,
                           record.fragmentationBefore, record.fragmentationAfter,
                           record.freeSpaceFragmentationBefore, record.freeSpaceFragmentationAfter,
                           record.historyDates);
        if (record.fragmentation)
            m_model.SetFragmentation(volume, *record.fragmentation);
        if (record.freeSpaceFragmentation)
            m_model.SetFreeSpaceFragmentation(volume, *record.freeSpaceFragmentation);
    }
    ReadStatistics(volume);
}

void CDefragFeed::ReadStatistics(const TId& volume)
{
    const auto isNtfs = [this](const TId& id) { return m_model.IsNtfs(id); };
    // The block counts sizes in clusters; the records hold bytes when the cluster size is known.
    uint serialHigh = 0;
    uint serialLow = 0;
    uint clusterBytes = 0;
    quint64 totalClusters = 0;
    quint64 freeClusters = 0;
    quint64 usedClusters = 0;
    if (FAILED(m_engine.GetDriveGeometry(volume, &serialHigh, &serialLow, &clusterBytes,
                                         &totalClusters, &freeClusters, &usedClusters)))
        clusterBytes = 0;
    QByteArray block;
    const auto read = [&](quint32 kind, CStatisticsBlock* decoded) {
        return SUCCEEDED(m_engine.GetStatisticsBlock(volume, kind, &block)) &&
               SUCCEEDED(CStatisticsBlock::Decode(block, decoded));
    };
    CStatisticsBlock analysisBlock;
    CStatisticsBlock onlineBlock;
    const bool analysed = read(CStatisticsBlock::kAnalysis, &analysisBlock);
    const bool passed = read(CStatisticsBlock::kOnline, &onlineBlock);
    // Without the drive's geometry, the cluster size the engine wrote into the block (#10).
    if (clusterBytes == 0)
        clusterBytes = analysed ? analysisBlock.U32(10) : passed ? onlineBlock.U32(10) : 0;
    if (clusterBytes > uint(std::numeric_limits<int>::max()))
        clusterBytes = 0;
    m_model.SetClusterBytes(volume, clusterBytes);
    const int scale = clusterBytes > 0 ? int(clusterBytes) : 1;
    if (analysed) {
        std::unique_ptr<CDefragStatisticsData::CAnalyse> analysis;
        if (SUCCEEDED(CDefragStatisticsData::MakeAnalyse(analysisBlock, scale, isNtfs, &analysis)))
            m_model.SetStatistics(volume, CStatisticsBlock::kAnalysis, std::move(analysis));
    }
    if (passed) {
        std::unique_ptr<CDefragStatisticsData::COnline> online;
        if (SUCCEEDED(CDefragStatisticsData::MakeOnline(onlineBlock, scale, isNtfs, &online)))
            m_model.SetStatistics(volume, CStatisticsBlock::kOnline, std::move(online));
    }
    if (SUCCEEDED(m_engine.GetStatisticsBlock(volume, CStatisticsBlock::kOffline, &block))) {
        std::unique_ptr<CDefragStatisticsData::COffline> offline;
        if (SUCCEEDED(CDefragStatisticsData::MakeOffline(block, isNtfs, &offline)))
            m_model.SetStatistics(volume, CStatisticsBlock::kOffline, std::move(offline));
    }
}

// --- the engine's notices

QString CDefragFeed::StatusWord(quint32 status) const
{
    switch (status) {
    case CDefrager::kAnalysing:
        return Translate("Analyzing");
    case CDefrager::kPaused:
        return Translate("Paused");
    case CDefrager::kResumed:
        return Translate("Resumed");
    case CDefrager::kVerifying:
        return Translate("Verifying");
    default:
        return Translate("Defragmenting");
    }
}

void CDefragFeed::OnStatusChanged(const TId& volume_guid, uint status, double completion_percent,
                                  double estimation)
{
    const CDefrager::TVolumeInfo* record = m_model.FindVolume(volume_guid);
    if (!record)
        return;
    if (status == CDefrager::kIdle) {
        m_model.ClearStatusDetails(volume_guid);
        m_model.SetStatus(volume_guid, status);
        return;
    }
    const TString word = StatusWord(status).toStdWString();
    m_model.SetProgress(volume_guid, status, word, completion_percent,
                        record->mountName + L"  " + word, estimation);
}

void CDefragFeed::OnWorkingMessageChanged(const TId& volume_guid, double working_percent,
                                          const TString& working_message)
{
    m_model.SetWorkingMessage(volume_guid, working_percent, working_message);
}

void CDefragFeed::OnBitmapUpdated(const TId& volume_guid, uint block_type, uint block_start,
                                  uint block_length)
{
    m_model.SetBlockRun(volume_guid, block_type, block_start, block_length);
}

void CDefragFeed::OnFragmentationChanged(const TId& volume_guid, double fragmentation_percent)
{
    m_model.SetFragmentation(volume_guid, fragmentation_percent);
}

void CDefragFeed::OnFreeSpaceFragmentationChanged(const TId& volume_guid,
                                                  double fragmentation_percent)
{
    m_model.SetFreeSpaceFragmentation(volume_guid, fragmentation_percent);
}

void CDefragFeed::StoreEngineStatus(const TId& volume)
{
    uint status = 0;
    double completion = 0;
    double estimatedEnd = 0;
    TString statusText;
    if (SUCCEEDED(m_engine.GetStatus(volume, &status, &completion, &estimatedEnd, &statusText)))
        m_model.SetStatus(volume, CKV100EngineInterface::MapEngineStatus(status));
}

void CDefragFeed::OnStarted(const TId& volume_guid)
{
    // A two-character identifier names a drive by its letter, not a volume of the model.
    if (volume_guid.size() == 2)
        return;
    const CDefrager::TVolumeInfo* record = m_model.FindVolume(volume_guid);
    if (!record)
        return;
    m_model.ResetDataDate(volume_guid);
    if (record->extraWord1 & 1u)
        StoreEngineStatus(volume_guid);
    else
        m_model.SetStatus(volume_guid, CDefrager::kDefragmenting);
    emit Started(volume_guid);
}

void CDefragFeed::OnCompleted(const TId& volume_guid)
{
    if (!m_model.Contains(volume_guid))
        return;
    StoreEngineStatus(volume_guid);
    ReadResults(volume_guid);
    RecordSelectedFiles(volume_guid);
    emit Completed(volume_guid);
}

void CDefragFeed::RecordSelectedFiles(const TId& volume)
{
    const CDefrager::TVolumeInfo* info = m_model.FindVolume(volume);
    if (!info || info->selectedFiles.empty())
        return;
    const std::vector<CDefrager::TSelectedFile> files = info->selectedFiles;
    auto record = std::make_unique<CDefragStatisticsData::CSelectedFiles>();
    record->endTime = CDateTime::FromDateTime(QDateTime::currentDateTime());
    constexpr quint32 most = quint32(std::numeric_limits<qint32>::max());
    for (const CDefrager::TSelectedFile& file : files) {
        uint after = 0;
        const bool known = SUCCEEDED(m_engine.GetFileFragmentCount(volume, file.path, &after));
        record->files.append({file.path, qint32(std::min(file.fragmentsBefore, most)),
                              known ? qint32(std::min<quint32>(after, most)) : -1, -1});
    }
    m_model.SetSelectedFiles(volume, {});
    m_model.SetStatistics(volume, CDefrager::kSelectedFilesRecord, std::move(record));
}

void CDefragFeed::ShowStatistics(const TId& volume, CDefrager::TOptimizeMode kind)
{
    m_model.SetStatisticsKind(kind);
    emit StatisticsChanged(volume);
}

void CDefragFeed::FTNotExceeded(const TId& volume_guid)
{
    if (!m_model.Contains(volume_guid))
        return;
    const auto isNtfs = [this](const TId& id) { return m_model.IsNtfs(id); };
    std::unique_ptr<CDefragStatisticsData::CFTNotExceeded> record;
    if (SUCCEEDED(CDefragStatisticsData::MakeFTNotExceeded(m_engine, volume_guid, isNtfs, &record)))
        m_model.SetStatistics(volume_guid, CDefrager::kThresholdNotExceeded, std::move(record));
    ShowStatistics(volume_guid, CDefrager::kThresholdNotExceeded);
}

void CDefragFeed::InsufficientFreeSpace(const TId& volume_guid)
{
    if (!m_model.Contains(volume_guid))
        return;
    const auto isNtfs = [this](const TId& id) { return m_model.IsNtfs(id); };
    std::unique_ptr<CDefragStatisticsData::CInsufficientFreeSpace> record;
    if (SUCCEEDED(CDefragStatisticsData::MakeInsufficientFreeSpace(m_engine, volume_guid, isNtfs,
                                                                   &record)))
        m_model.SetStatistics(volume_guid, CDefrager::kInsufficientFreeSpace, std::move(record));
    ShowStatistics(volume_guid, CDefrager::kInsufficientFreeSpace);
}

void CDefragFeed::StatisticsUpdated(const TId& volume_guid)
{
    if (!m_model.Contains(volume_guid))
        return;
    ReadStatistics(volume_guid);
    ShowStatistics(volume_guid, CDefrager::kPassResults);
}
