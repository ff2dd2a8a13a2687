#include "defrag/CDefrager.h"

#include "core/COleDate.h"
#include "core/CTextFormat.h"
#include "core/CTranslatable.h"

#include <algorithm>

const QByteArray CDefrager::kTranslationContext = QByteArrayLiteral("CDefrager");

CDefrager::CDefrager(QObject* parent)
    : QObject(parent)
{
    RegisterMetaTypes();
}

void CDefrager::RegisterMetaTypes()
{
    qRegisterMetaType<TBusyStatus>("TBusyStatus");
    qRegisterMetaType<TId>("TId");
    qRegisterMetaType<TString>("TString");
    qRegisterMetaType<std::list<TId>>("std::list<TId>");
    qRegisterMetaType<TOptimizeAlgorithm>("CDefrager::TOptimizeAlgorithm");
    qRegisterMetaType<TAtBootStatus>("CDefrager::TAtBootStatus");
    qRegisterMetaType<TOptimizeMode>("CDefrager::TOptimizeMode");
}

bool CDefrager::IsRunningStatus(quint32 status)
{
    return status == kAnalysing || status == kDefragmenting || status == kResumed ||
           status == kVerifying;
}

bool CDefrager::IsPausedStatus(quint32 status)
{
    return status == kPaused;
}

QString CDefrager::DriveTypeText(quint32 driveType, const QByteArray& context)
{
    switch (driveType) {
    case kHardDisk:
        return CTranslatable::Translate("HDD", context);
    case kExternalDisk:
        return CTranslatable::Translate("External", context);
    case kFlashDrive:
        return CTranslatable::Translate("Flash", context);
    case kSolidStateDrive:
        return CTranslatable::Translate("SSD", context);
    default:
        return {};
    }
}

CMessageTemplate CDefrager::StatusTemplate(quint32 status, const QByteArray& context)
{
    switch (status) {
    case kIdle:
        return CTranslatable::Translate("Idle", context);
    case kAnalysing:
        return CTranslatable::Translate("Analyzing %1%", context);
    case kDefragmenting:
        return CTranslatable::Translate("Defragmenting %1%", context);
    case kPaused:
        return CTranslatable::Translate("Paused", context);
    case kResumed:
        return CTranslatable::Translate("Resumed", context);
    case kVerifying:
        return CTranslatable::Translate("Verifying %1%", context);
    default:
        return CTranslatable::Translate("Invalid Status", context);
    }
}

QString CDefrager::StatusText(quint32 status, double percent, const QByteArray& context)
{
    return StatusTemplate(status, context).Arg(CTextFormat::NumberText(percent, 0)).Text();
}

CDefrager::TVolumeInfo* CDefrager::Find(const TId& id)
{
    const auto found = m_volumes.find(id);
    return found == m_volumes.end() ? nullptr : &found->second;
}

const CDefrager::TVolumeInfo* CDefrager::FindVolume(const TId& id) const
{
    const auto found = m_volumes.find(id);
    return found == m_volumes.end() ? nullptr : &found->second;
}

void CDefrager::SetVolume(const TVolumeInfo& volume)
{
    // Assigning into an existing node keeps pointers to it (the block-run cache) valid.
    TVolumeInfo& stored = m_volumes.insert_or_assign(volume.volumeId, volume).first->second;
    stored.blocks.resize(kMapBlockCount, kUnknownBlockType);
}

void CDefrager::RemoveVolume(const TId& id)
{
    const auto found = m_volumes.find(id);
    if (found == m_volumes.end())
        return;
    if (m_blockRunVolume == &found->second)
        m_blockRunVolume = nullptr;
    m_volumes.erase(found);
    m_selection.erase(std::remove(m_selection.begin(), m_selection.end(), id), m_selection.end());
    if (m_currentVolume == id) {
        m_currentVolume.clear();
        emit CurrentVolumeChanged(m_currentVolume);
    }
}

void CDefrager::Clear()
{
    m_blockRunVolume = nullptr;
    m_volumes.clear();
    m_selection.clear();
    if (!m_currentVolume.empty()) {
        m_currentVolume.clear();
        emit CurrentVolumeChanged(m_currentVolume);
    }
}

CDefrager::TVolumeInfo CDefrager::Volume(const TId& id) const
{
    const TVolumeInfo* volume = FindVolume(id);
    return volume ? *volume : TVolumeInfo{};
}

HRESULT CDefrager::CurrentVolumeInfo(TVolumeInfo& volume) const
{
    const TVolumeInfo* current = FindVolume(m_currentVolume);
    if (!current)
        return E_FAIL;
    volume = *current;
    return S_OK;
}

TName CDefrager::MountName(const TId& id) const
{
    const TVolumeInfo* volume = FindVolume(id);
    return volume ? volume->mountName : TName{};
}

TId CDefrager::VolumeIdOfMountName(const TName& mountName) const
{
    for (const auto& [id, volume] : m_volumes) {
        if (volume.mountName == mountName)
            return id;
    }
    return {};
}

bool CDefrager::IsNtfs(const TId& id) const
{
    const TVolumeInfo* volume = FindVolume(id);
    return volume && volume->fileSystem == L"NTFS";
}

bool CDefrager::CanDefragmentSystemFiles(const TId& id) const
{
    return IsNtfs(id);
}

void CDefrager::SetCurrentVolume(const TId& id)
{
    if (!id.empty() && !Contains(id))
        return;
    m_currentVolume = id;
    emit CurrentVolumeChanged(id);
}

TName CDefrager::CurrentMountName() const
{
    return MountName(m_currentVolume);
}

void CDefrager::SelectVolumes(const std::list<TId>& ids)
{
    for (const TId& id : ids) {
        if (Contains(id))
            m_selection.push_back(id);
    }
    std::sort(m_selection.begin(), m_selection.end());
    m_selection.erase(std::unique(m_selection.begin(), m_selection.end()), m_selection.end());
    emit VolumesSelected(ids);
}

void CDefrager::DeselectVolumes(const std::list<TId>& ids)
{
    for (const TId& id : ids)
        m_selection.erase(std::remove(m_selection.begin(), m_selection.end(), id),
                          m_selection.end());
}

std::list<TId> CDefrager::Selection() const
{
    return {m_selection.begin(), m_selection.end()};
}

template <typename TPredicate>
bool CDefrager::AnyVolume(TPredicate predicate) const
{
    return std::any_of(m_volumes.begin(), m_volumes.end(),
                       [&](const auto& entry) { return predicate(entry.second); });
}

template <typename TPredicate>
bool CDefrager::AnySelected(TPredicate predicate) const
{
    return std::any_of(m_selection.begin(), m_selection.end(), [&](const TId& id) {
        const TVolumeInfo* volume = FindVolume(id);
        return volume && predicate(*volume);
    });
}

bool CDefrager::AnySelectedRunning() const
{
    return AnySelected([](const TVolumeInfo& volume) { return IsRunningStatus(volume.status); });
}

bool CDefrager::AnySelectedPaused() const
{
    return AnySelected([](const TVolumeInfo& volume) { return IsPausedStatus(volume.status); });
}

bool CDefrager::ListsBlockFiles(const TId& id) const
{
    static const std::set<TString> kFileSystems = {L"NTFS", L"ext2",  L"ext3", L"ext4",
                                                   L"xfs",  L"btrfs", L"f2fs"};
    const TVolumeInfo* volume = FindVolume(id);
    return volume && kFileSystems.count(volume->fileSystem) != 0;
}

bool CDefrager::AnySelectedBlocked() const
{
    return AnySelected([](const TVolumeInfo& volume) { return volume.blocked; });
}

bool CDefrager::AnySelectedNtfs() const
{
    return m_selection.empty() ||
           AnySelected([](const TVolumeInfo& volume) { return volume.fileSystem == L"NTFS"; });
}

bool CDefrager::AnyRunning() const
{
    return AnyVolume([](const TVolumeInfo& volume) { return IsRunningStatus(volume.status); });
}

bool CDefrager::AnyPaused() const
{
    return AnyVolume([](const TVolumeInfo& volume) { return IsPausedStatus(volume.status); });
}

bool CDefrager::AnyNotIdle() const
{
    return AnyVolume([](const TVolumeInfo& volume) { return volume.status != kIdle; });
}

bool CDefrager::IsRunning(const TId& id) const
{
    const TVolumeInfo* volume = FindVolume(id);
    return volume && IsRunningStatus(volume->status);
}

bool CDefrager::IsPaused(const TId& id) const
{
    const TVolumeInfo* volume = FindVolume(id);
    return volume && IsPausedStatus(volume->status);
}

bool CDefrager::IsRunningOrPaused(const TId& id) const
{
    return IsRunning(id) || IsPaused(id);
}

bool CDefrager::IsCurrentRunningOrPaused() const
{
    return IsRunningOrPaused(m_currentVolume);
}

TBusyStatus CDefrager::BusyState() const
{
    if (AnyRunning())
        return TBusyStatus::Busy;
    return AnyPaused() ? TBusyStatus::Paused : TBusyStatus::Idle;
}

void CDefrager::SetStatus(const TId& id, quint32 status)
{
    TVolumeInfo* volume = Find(id);
    if (!volume)
        return;
    volume->status = status;
    emit BusyStateChanged(BusyState());
    emit StatusChanged(id);
}

void CDefrager::SetStatusText(const TId& id, const TString& statusText, double completionPercent)
{
    TVolumeInfo* volume = Find(id);
    if (!volume)
        return;
    volume->statusText = statusText;
    volume->completionPercent = completionPercent;
    emit StatusChanged(id);
}

void CDefrager::SetStatusLine(const TId& id, const TString& statusLine, double estimatedEnd)
{
    TVolumeInfo* volume = Find(id);
    if (!volume)
        return;
    volume->statusLine = statusLine;
    volume->estimatedEnd = estimatedEnd;
    emit StatusChanged(id);
}

void CDefrager::SetProgress(const TId& id, quint32 status, const TString& statusText,
                            double completionPercent, const TString& statusLine,
                            double estimatedEnd)
{
    TVolumeInfo* volume = Find(id);
    if (!volume)
        return;
    volume->status = status;
    volume->statusText = statusText;
    volume->completionPercent = completionPercent;
    volume->statusLine = statusLine;
    volume->estimatedEnd = estimatedEnd;
    emit BusyStateChanged(BusyState());
    emit StatusChanged(id);
}

void CDefrager::SetExtraStatusDetails(const TId& id, const TString& text1, const TString& text2,
                                      double value)
{
    TVolumeInfo* volume = Find(id);
    if (!volume)
        return;
    volume->extraText1 = text1;
    volume->extraText2 = text2;
    volume->extraValue = value;
}

void CDefrager::ClearStatusDetails(const TId& id)
{
    TVolumeInfo* volume = Find(id);
    if (!volume)
        return;
    volume->statusLine.reset();
    volume->estimatedEnd.reset();
    volume->statusText.reset();
    volume->completionPercent.reset();
    volume->extraText1.reset();
    volume->extraText2.reset();
    volume->extraValue.reset();
    emit StatusChanged(id);
}

void CDefrager::SetWorkingMessage(const TId& id, double percent, const TString& message)
{
    TVolumeInfo* volume = Find(id);
    if (!volume)
        return;
    volume->workingPercent = percent;
    volume->workingMessage = message;
    emit WorkingMessageChanged(id, percent, message);
}

void CDefrager::ClearWorkingMessage(const TId& id)
{
    if (TVolumeInfo* volume = Find(id)) {
        volume->workingPercent.reset();
        volume->workingMessage.reset();
    }
}

void CDefrager::SetCompletionPercent(const TId& id, double percent)
{
    TVolumeInfo* volume = Find(id);
    if (!volume)
        return;
    volume->completionPercent = percent;
    emit StatusChanged(id);
}

void CDefrager::ClearCompletionPercent(const TId& id)
{
    TVolumeInfo* volume = Find(id);
    if (!volume)
        return;
    volume->completionPercent.reset();
    emit StatusChanged(id);
}

void CDefrager::SetDataDate(const TId& id, double dataDate)
{
    if (TVolumeInfo* volume = Find(id))
        volume->dataDate = dataDate;
}

void CDefrager::ResetDataDate(const TId& id)
{
    SetDataDate(id, 0.0);
}

void CDefrager::SetFragmentation(const TId& id, double percent)
{
    TVolumeInfo* volume = Find(id);
    if (!volume)
        return;
    volume->fragmentation = percent;
    emit FragmentationChanged(id, percent);
}

void CDefrager::ClearFragmentation(const TId& id)
{
    if (TVolumeInfo* volume = Find(id))
        volume->fragmentation.reset();
}

void CDefrager::SetFreeSpaceFragmentation(const TId& id, double percent)
{
    TVolumeInfo* volume = Find(id);
    if (!volume)
        return;
    volume->freeSpaceFragmentation = percent;
    emit FreeSpaceFragmentationChanged(id, percent);
}

void CDefrager::ClearFreeSpaceFragmentation(const TId& id)
{
    if (TVolumeInfo* volume = Find(id))
        volume->freeSpaceFragmentation.reset();
}

void CDefrager::SetBlockRun(const TId& id, uint blockType, uint blockStart, uint blockLength)
{
    // The engine sends bursts of runs for one volume: the last one found is tried first.
    if (!m_blockRunVolume || m_blockRunVolume->volumeId != id) {
        m_blockRunVolume = Find(id);
        if (!m_blockRunVolume)
            return;
    }
    std::vector<quint32>& blocks = m_blockRunVolume->blocks;
    const std::uint64_t end =
        std::min<std::uint64_t>(std::uint64_t{blockStart} + blockLength, blocks.size());
    if (blockStart < end)
        std::fill(blocks.begin() + blockStart, blocks.begin() + static_cast<std::ptrdiff_t>(end),
                  blockType);
    emit BitmapUpdated(id, blockType, blockStart, blockLength);
}

void CDefrager::SetSelectedBlocks(const TId& id, const std::set<quint32>& blocks,
                                  const TString& fileName)
{
    if (TVolumeInfo* volume = Find(id)) {
        volume->selectedBlocks = blocks;
        volume->selectedFileName = fileName;
    }
}

void CDefrager::SetDriveType(const TId& id, quint32 driveType)
{
    TVolumeInfo* volume = Find(id);
    if (!volume)
        return;
    volume->driveType = driveType;
    emit HDTypeChanged(id);
}

void CDefrager::SetClusterBytes(const TId& id, quint32 clusterBytes)
{
    if (TVolumeInfo* volume = Find(id))
        volume->clusterBytes = clusterBytes;
}

void CDefrager::SetAtBootStatus(const TId& id, TAtBootStatus status)
{
    if (TVolumeInfo* volume = Find(id))
        volume->atBootStatus = status;
}

void CDefrager::SetLastDefragmented(const TId& id, double date)
{
    if (TVolumeInfo* volume = Find(id))
        volume->lastDefragmented = date;
}

void CDefrager::SetHistory(const TId& id, const QList<double>& performanceBefore,
                           const QList<double>& performanceAfter,
                           const QList<double>& fragmentationBefore,
                           const QList<double>& fragmentationAfter,
                           const QList<double>& freeSpaceFragmentationBefore,
                           const QList<double>& freeSpaceFragmentationAfter,
                           const QList<double>& historyDates)
{
    TVolumeInfo* volume = Find(id);
    if (!volume)
        return;
    volume->performanceBefore = performanceBefore;
    volume->performanceAfter = performanceAfter;
    volume->fragmentationBefore = fragmentationBefore;
    volume->fragmentationAfter = fragmentationAfter;
    volume->freeSpaceFragmentationBefore = freeSpaceFragmentationBefore;
    volume->freeSpaceFragmentationAfter = freeSpaceFragmentationAfter;
    volume->historyDates = historyDates;
}

void CDefrager::SetStatistics(const TId& id, quint32 kind,
                              std::shared_ptr<const CDefragStatisticsData::CBase> statistics)
{
    TVolumeInfo* volume = Find(id);
    if (!volume)
        return;
    if (statistics)
        volume->statistics[kind] = std::move(statistics);
    else
        volume->statistics.erase(kind);
}

std::shared_ptr<const CDefragStatisticsData::CBase> CDefrager::Statistics(const TId& id,
                                                                          quint32 kind) const
{
    const TVolumeInfo* volume = FindVolume(id);
    if (!volume)
        return nullptr;
    const auto found = volume->statistics.find(kind);
    return found == volume->statistics.end() ? nullptr : found->second;
}

void CDefrager::SetBlocked(const TId& id, bool blocked)
{
    if (TVolumeInfo* volume = Find(id))
        volume->blocked = blocked;
}

void CDefrager::SetStartedHere(const TId& id, bool startedHere)
{
    if (TVolumeInfo* volume = Find(id))
        volume->startedHere = startedHere;
}

void CDefrager::SetShutDownWhenDone(bool shutDown)
{
    for (const TId& id : m_selection) {
        if (TVolumeInfo* volume = Find(id))
            volume->shutDownWhenDone = shutDown;
    }
}

void CDefrager::SetSelectedFiles(const TId& id, const std::vector<TSelectedFile>& files)
{
    if (TVolumeInfo* volume = Find(id))
        volume->selectedFiles = files;
}

void CDefrager::ResetNextRun(const TId& id)
{
    TVolumeInfo* volume = Find(id);
    if (!volume)
        return;
    volume->nextRunKind = CCadence::kNotSet;
    volume->nextRunName.clear();
    volume->lastDefragmented = 0.0;
}

void CDefrager::SetClock(TClock clock)
{
    m_clock = std::move(clock);
}

double CDefrager::Now() const
{
    return m_clock ? m_clock() : COleDate::Now();
}

bool CDefrager::OfferSchedule(const TId& id, const TScheduleOffer& offer,
                              const TScheduleLookup& lookup)
{
    TVolumeInfo* volume = Find(id);
    if (!volume)
        return false;
    const bool offeredTimed = IsTimedSchedule(offer.type);
    // Type 0 ("Not Set") and types no schedule has are never taken either.
    if (offer.disabled || offer.notApplying || !(offeredTimed || IsSpecialSchedule(offer.type)))
        return false;

    const bool isEntry = volume->nextRunKind == offer.type && volume->nextRunName == offer.name;
    if (isEntry && offer.lastRun == volume->lastDefragmented)
        return true;

    // An unknown next run is not "in the past": the comparison between timed schedules below
    // decides about it.
    const bool offeredNextRunKnown = COleDate::IsSet(offer.nextRun);
    if (offeredTimed && offeredNextRunKnown && offer.nextRun <= Now())
        return false;

    const bool entryTimed = IsTimedSchedule(volume->nextRunKind);
    bool take = false;
    if (!entryTimed && !IsSpecialSchedule(volume->nextRunKind)) {
        take = true;
    } else if (offeredTimed != entryTimed) {
        // A timed schedule wins over an event-driven one.
        take = offeredTimed;
    } else if (offeredTimed) {
        if (!offeredNextRunKnown)
            return isEntry;
        const std::optional<double> entryNextRun =
            lookup ? lookup(volume->nextRunKind, volume->nextRunName) : std::nullopt;
        take = !entryNextRun || !COleDate::IsSet(*entryNextRun) || offer.nextRun < *entryNextRun;
    } else {
        take = offer.type != volume->nextRunKind;
    }
    if (take) {
        volume->nextRunKind = offer.type;
        volume->nextRunName = offer.name;
    }
    return take;
}
