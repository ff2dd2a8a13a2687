#include "refengine/CEngineService.h"

#include "core/COleDate.h"
#include "refengine/CPassPolicy.h"
#include "refengine/CVolumeSettingsStore.h"
#include "refengine/CVolumeWalker.h"
#include "refengine/IPowerState.h"

#include <QDir>
#include <QFileInfo>

#include <sys/stat.h>

#include <algorithm>
#include <cmath>

using namespace Qt::StringLiterals;

const HRESULT CEngineService::kUnknownVolume = HRESULT_FROM_WIN32(15);
const HRESULT CEngineService::kDeviceGone = HRESULT_FROM_WIN32(55);
const HRESULT CEngineService::kBusy = HRESULT_FROM_WIN32(170);
const HRESULT CEngineService::kNotRunning = HRESULT_FROM_WIN32(5023);
const HRESULT CEngineService::kNotSupported = HRESULT_FROM_WIN32(ERROR_NOT_SUPPORTED);
const HRESULT CEngineService::kOnBattery = CPassPolicy::kOnBattery;
const HRESULT CEngineService::kDriveNotAllowed = CPassPolicy::kDriveNotAllowed;

namespace {

constexpr int kEngineMapBlocks = 3600;

QList<uint> EngineServiceCodes(const QByteArray& map)
{
    QList<uint> codes;
    codes.reserve(kEngineMapBlocks);
    for (char code : map)
        codes.append(quint8(code));
    return codes;
}

} // namespace

CEngineService::CEngineService(CVolumeSettingsStore* store, TOptions options, QObject* parent)
    : CEngineServiceBase(parent)
    , m_store(store)
    , m_options(std::move(options))
{
    if (m_options.power)
        connect(m_options.power, &IPowerState::OnBatteryChanged, this,
                &CEngineService::OnPowerChanged);
}

CEngineService::~CEngineService()
{
    // Passes hold the store and the sink: they end first.
    qDeleteAll(m_passes);
    m_passes.clear();
}

void CEngineService::Remember(HRESULT result, const QString& text)
{
    m_lastError = u"%1 (0x%2)"_s.arg(text, QString::number(quint32(result), 16).toUpper());
}

HRESULT CEngineService::Fail(HRESULT result, const QString& text)
{
    Remember(result, text);
    return result;
}

QStringList CEngineService::VolumeIds()
{
    m_volumes = m_options.volumes ? m_options.volumes() : QList<TVolumeDescription>();
    QStringList ids;
    for (const TVolumeDescription& volume : std::as_const(m_volumes))
        ids.append(volume.id);
    return ids;
}

HRESULT CEngineService::Find(const QString& volume, TVolumeDescription* description)
{
    for (int attempt = 0; attempt < 2; ++attempt) {
        for (const TVolumeDescription& known : std::as_const(m_volumes)) {
            if (known.id == volume) {
                *description = known;
                return S_OK;
            }
        }
        if (attempt == 0)
            VolumeIds();
    }
    return Fail(kUnknownVolume, u"The engine knows no drive %1"_s.arg(volume));
}

HRESULT CEngineService::Settings(const QString& volume, TVolumeSettings* settings)
{
    TVolumeDescription description;
    const HRESULT found = Find(volume, &description);
    if (SUCCEEDED(found))
        *settings = m_store->Get(volume);
    return found;
}

HRESULT CEngineService::Read(const QString& volume,
                             const std::function<void(const TVolumeSettings&)>& read)
{
    TVolumeSettings settings;
    const HRESULT found = Settings(volume, &settings);
    if (SUCCEEDED(found))
        read(settings);
    return found;
}

HRESULT CEngineService::Change(const QString& volume,
                               const std::function<HRESULT(TVolumeSettings&)>& change)
{
    TVolumeSettings settings;
    if (const HRESULT found = Settings(volume, &settings); FAILED(found))
        return found;
    if (const HRESULT changed = change(settings); FAILED(changed))
        return changed;
    if (!m_store->Put(volume, settings))
        return Fail(HRESULT_FROM_WIN32(ERROR_WRITE_FAULT),
                    u"The settings of the drive %1 could not be stored"_s.arg(volume));
    return S_OK;
}

void CEngineService::Log(qint32 eventType, qint32 eventId, const QString& message) const
{
    if (m_options.log)
        m_options.log(eventType, eventId, message);
}

quint32 CEngineService::DriveTypeOf(const TVolumeDescription& description) const
{
    const TVolumeSettings settings = m_store->Get(description.id);
    return settings.overrideType > 0 ? quint32(settings.overrideType) : description.driveType;
}

void CEngineService::OnPowerChanged(bool onBattery)
{
    Log(4, kEventPowerChanged,
        onBattery ? u"The computer runs on battery power."_s
                  : u"The computer runs on mains power."_s);
    if (!onBattery || !m_options.settings)
        return;
    const CAgentSettingsStore::TSettings settings = m_options.settings();
    for (CVolumePass* pass : std::as_const(m_passes)) {
        if (!pass->Running() || !CPassPolicy::StopsOnBattery(settings, pass->Kind()))
            continue;
        pass->Stop();
        Log(2, kEventStoppedOnBattery,
            u"Defragmentation of the drive %1 is stopped: the computer runs on battery power "
            u"and the settings ask to stop then."_s.arg(pass->MountPoint()));
    }
}

CVolumePass* CEngineService::RunningPass(const QString& volume) const
{
    CVolumePass* pass = m_passes.value(volume);
    return pass && pass->Running() ? pass : nullptr;
}

bool CEngineService::OnVolume(const TVolumeDescription& description, const QString& path)
{
    const QString canonical = QFileInfo(path).canonicalFilePath();
    const QString root = QFileInfo(description.mountPoint).canonicalFilePath();
    if (canonical.isEmpty() || root.isEmpty())
        return false;
    if (canonical != root && !canonical.startsWith(root == u"/" ? root : root + u'/'))
        return false;
    struct stat info {};
    return ::stat(QFile::encodeName(canonical).constData(), &info) == 0 &&
           info.st_dev == description.device;
}

int CEngineService::Subscribe(const QString& computer, const QString& listener)
{
    return m_sink.Subscribe(computer, listener);
}

int CEngineService::Unsubscribe(const QString& computer, const QString& listener)
{
    return m_sink.Unsubscribe(computer, listener);
}

int CEngineService::GetProductEdition(uint& edition)
{
    edition = m_options.edition;
    return S_OK;
}

int CEngineService::GetProductDisplayName(QString& name)
{
    name.clear();
    return S_OK;
}

int CEngineService::GetVersion(uint& generation, QString& version)
{
    generation = kGeneration;
    version = u"11.0 (reference engine)"_s;
    return S_OK;
}

int CEngineService::GetAgentClassIds(QStringList& classIds)
{
    classIds = m_options.agentClassIds;
    return S_OK;
}

int CEngineService::GetVolumes(QStringList& volumes)
{
    volumes = VolumeIds();
    return S_OK;
}

int CEngineService::GetVolumeInfo(const QString& volume, QString& mountName, QString& label,
                                  QString& fileSystem, uint& driveType, uint& status,
                                  double& lastDefragmented, uint& extraWord1, uint& extraWord2,
                                  int& bootTimeStatus, double& sizeMegabytes, double& dataDate)
{
    TVolumeDescription description;
    if (const HRESULT found = Find(volume, &description); FAILED(found))
        return found;
    const TVolumeSettings settings = m_store->Get(volume);
    mountName = description.mountPoint;
    label = description.label;
    fileSystem = description.fileSystem;
    driveType = DriveTypeOf(description);
    CVolumePass* pass = RunningPass(volume);
    status = pass ? pass->Status().engineStatus : CVolumePass::kIdle;
    lastDefragmented = settings.lastDefragmented;
    // Bit 0: the console asks for the status when an operation starts, for it may be an analysis.
    extraWord1 = 1;
    extraWord2 = 0;
    bootTimeStatus = settings.bootTimeStatus;
    sizeMegabytes = description.sizeMegabytes;
    dataDate = pass ? 0 : settings.dataDate;
    return S_OK;
}

int CEngineService::GetLastDefragmented(const QString& volume, double& date)
{
    return Read(volume, [&](const TVolumeSettings& settings) { date = settings.lastDefragmented; });
}

int CEngineService::GetStatus(const QString& volume, uint& status, double& completionPercent,
                              double& estimatedEnd, QString& statusText)
{
    TVolumeDescription description;
    if (const HRESULT found = Find(volume, &description); FAILED(found))
        return found;
    // Asked once: the pass may end on its thread between two looks.
    const CVolumePass* pass = RunningPass(volume);
    const CVolumePass::TStatus running = pass ? pass->Status() : CVolumePass::TStatus();
    status = running.engineStatus;
    completionPercent = running.percent;
    estimatedEnd = running.estimatedEnd;
    statusText = running.text;
    return S_OK;
}

int CEngineService::GetFragmentation(const QString& volume, bool& analysed,
                                     double& fileFragmentation, double& freeSpaceFragmentation)
{
    return Read(volume, [&](const TVolumeSettings& settings) {
        analysed = settings.analysed;
        fileFragmentation = analysed ? settings.fileFragmentation : 0;
        freeSpaceFragmentation = analysed ? settings.freeSpaceFragmentation : 0;
    });
}

int CEngineService::GetDriveMap(const QString& volume, QList<uint>& blocks)
{
    TVolumeDescription description;
    if (const HRESULT found = Find(volume, &description); FAILED(found))
        return found;
    if (CVolumePass* pass = RunningPass(volume)) {
        blocks = EngineServiceCodes(pass->Map());
        return S_OK;
    }
    const TVolumeSettings settings = m_store->Get(volume);
    blocks = settings.driveMap.size() == kEngineMapBlocks ? EngineServiceCodes(settings.driveMap)
                                                          : QList<uint>(kEngineMapBlocks, 13);
    return S_OK;
}

int CEngineService::GetHistorySeries(const QString& volume, QList<double>& performanceBefore,
                                     QList<double>& performanceAfter,
                                     QList<double>& fragmentationBefore,
                                     QList<double>& fragmentationAfter,
                                     QList<double>& freeSpaceBefore, QList<double>& freeSpaceAfter)
{
    TVolumeDescription description;
    if (const HRESULT found = Find(volume, &description); FAILED(found))
        return found;
    QList<QList<double>> series(6);
    if (m_options.historySeries)
        m_options.historySeries(volume, &series);
    series.resize(6);
    performanceBefore = series.at(0);
    performanceAfter = series.at(1);
    fragmentationBefore = series.at(2);
    fragmentationAfter = series.at(3);
    freeSpaceBefore = series.at(4);
    freeSpaceAfter = series.at(5);
    return S_OK;
}

int CEngineService::GetVolumeNumber(const QString& volume, uint& number)
{
    return Read(volume, [&](const TVolumeSettings& settings) { number = settings.number; });
}

int CEngineService::GetDriveType(const QString& volume, uint& driveType)
{
    TVolumeDescription description;
    if (const HRESULT found = Find(volume, &description); FAILED(found))
        return found;
    const TVolumeSettings settings = m_store->Get(volume);
    driveType = settings.overrideType > 0 ? uint(settings.overrideType) : description.driveType;
    return S_OK;
}

int CEngineService::GetDriveGeometry(const QString& volume, uint& serialHigh, uint& serialLow,
                                     uint& bytesPerCluster, qulonglong& totalClusters,
                                     qulonglong& freeClusters, qulonglong& usedClusters)
{
    TVolumeDescription description;
    if (const HRESULT found = Find(volume, &description); FAILED(found))
        return found;
    // The serial number: the first eight bytes of the volume identifier.
    const QString hex = QString(volume).remove(u'{').remove(u'-');
    serialHigh = hex.mid(0, 8).toUInt(nullptr, 16);
    serialLow = hex.mid(8, 8).toUInt(nullptr, 16);
    bytesPerCluster = uint(description.bytesPerCluster);
    totalClusters = description.totalClusters;
    freeClusters = description.freeClusters;
    usedClusters = description.totalClusters >= description.freeClusters
                       ? description.totalClusters - description.freeClusters
                       : 0;
    return S_OK;
}

HRESULT CEngineService::StartPassOf(const QString& volume, const CVolumePass::TRequest& request,
                                    std::function<void()> finished)
{
    TVolumeDescription description;
    if (const HRESULT found = Find(volume, &description); FAILED(found))
        return found;
    if (!QFileInfo(description.mountPoint).isDir())
        return Fail(kDeviceGone,
                    u"The drive %1 is no longer available"_s.arg(description.mountPoint));
    if (RunningPass(volume))
        return Fail(kBusy, u"An operation is already running on the drive %1"_s.arg(
                               description.mountPoint));
    CVolumePass::TRequest started = request;
    started.moveData = m_options.moveData;
    if (m_options.settings) {
        const CAgentSettingsStore::TSettings settings = m_options.settings();
        const bool onBattery = m_options.power && m_options.power->OnBattery();
        QString reason;
        const HRESULT allowed =
            CPassPolicy::MayStart(settings, request.kind, DriveTypeOf(description), onBattery,
                                  description.mountPoint, &reason);
        if (FAILED(allowed)) {
            Log(2, kEventRefused, reason);
            return Fail(allowed, reason);
        }
        started.priority = CPassPolicy::Priority(settings);
        started.priorityRefusalLogged = &m_priorityRefusalLogged;
    }
    CVolumePass* previous = m_passes.take(volume);
    m_settled.remove(previous);
    delete previous;
    auto* pass = new CVolumePass(description, started, &m_sink, m_store, m_options.log,
                                 m_options.history, this);
    connect(pass, &CVolumePass::Finished, this, &CEngineService::OnPassFinished,
            Qt::QueuedConnection);
    m_passes.insert(volume, pass);
    if (finished)
        m_whenFinished.insert(volume, std::move(finished));
    pass->Start();
    return S_OK;
}

void CEngineService::OnPassFinished(const QString& volume)
{
    CVolumePass* pass = m_passes.value(volume);
    if (!pass || pass->Running() || m_settled.contains(pass))
        return;
    m_settled.insert(pass);
    if (FAILED(pass->Result()) && pass->Result() != E_ABORT)
        Remember(pass->Result(), pass->FailureText());
    if (auto walker = pass->Walker())
        m_walks.insert(volume, walker);
    if (auto finished = m_whenFinished.take(volume))
        finished();
}

HRESULT CEngineService::StartScheduled(const QString& volume, bool analyse, int method,
                                       std::function<void()> finished)
{
    CVolumePass::TRequest request;
    request.kind = analyse ? CVolumePass::TKind::Analysis : CVolumePass::TKind::Defragmentation;
    request.method = method;
    if (!analyse && (method < 0 || method > 2))
        request.method = m_store->Get(volume).defaultAlgorithm;
    return StartPassOf(volume, request, std::move(finished));
}

int CEngineService::Analyze(const QString& volume)
{
    CVolumePass::TRequest request;
    request.kind = CVolumePass::TKind::Analysis;
    return StartPassOf(volume, request);
}

int CEngineService::AnalyzeEx(const QString& volume)
{
    return Analyze(volume);
}

int CEngineService::StartPass(const QString& volume, uint mode, int method)
{
    TVolumeDescription description;
    if (const HRESULT found = Find(volume, &description); FAILED(found))
        return found;
    if (mode == 3) // system files are a matter of another file system
        return Fail(kNotSupported,
                    u"The system files of the drive %1 (%2) cannot be defragmented"_s.arg(
                        description.mountPoint, description.fileSystem));
    if (mode != 1)
        return Fail(E_INVALIDARG, u"The engine has no pass of kind %1"_s.arg(mode));
    if (method < 0 || method > 2)
        return Fail(E_INVALIDARG, u"The engine has no method %1"_s.arg(method));
    CVolumePass::TRequest request;
    request.kind = CVolumePass::TKind::Defragmentation;
    request.method = method;
    return StartPassOf(volume, request);
}

int CEngineService::StartPassEx(const QString& volume, uint mode, int method)
{
    return StartPass(volume, mode, method);
}

int CEngineService::DefragmentFiles(const QString& volume, const QStringList& files)
{
    TVolumeDescription description;
    if (const HRESULT found = Find(volume, &description); FAILED(found))
        return found;
    if (files.isEmpty())
        return Fail(E_INVALIDARG, u"No files to defragment were given"_s);
    for (const QString& file : files) {
        if (!OnVolume(description, file) || !QFileInfo(file).isFile())
            return Fail(E_INVALIDARG,
                        u"%1 is not a file on the drive %2"_s.arg(file, description.mountPoint));
    }
    CVolumePass::TRequest request;
    request.kind = CVolumePass::TKind::SelectedFiles;
    request.files = files;
    return StartPassOf(volume, request);
}

int CEngineService::DefragSystemFilesOffline(const QString& volume, bool force)
{
    Q_UNUSED(force);
    TVolumeDescription description;
    if (const HRESULT found = Find(volume, &description); FAILED(found))
        return found;
    return Fail(kNotSupported,
                u"The drive %1 (%2) cannot be taken offline to defragment its system files"_s.arg(
                    description.mountPoint, description.fileSystem));
}

int CEngineService::Stop(const QString& volume)
{
    TVolumeDescription description;
    if (const HRESULT found = Find(volume, &description); FAILED(found))
        return found;
    CVolumePass* pass = RunningPass(volume);
    if (!pass)
        return NothingRunning(description);
    pass->Stop();
    return S_OK;
}

int CEngineService::StopEx(const QString& volume)
{
    return Stop(volume);
}

int CEngineService::Pause(const QString& volume)
{
    TVolumeDescription description;
    if (const HRESULT found = Find(volume, &description); FAILED(found))
        return found;
    CVolumePass* pass = RunningPass(volume);
    return pass ? pass->Pause() : NothingRunning(description);
}

int CEngineService::Resume(const QString& volume)
{
    TVolumeDescription description;
    if (const HRESULT found = Find(volume, &description); FAILED(found))
        return found;
    CVolumePass* pass = RunningPass(volume);
    return pass ? pass->Resume() : NothingRunning(description);
}

int CEngineService::GetLastErrorText(QString& text)
{
    // A pass that has failed says so before its end reaches this thread: a console that asks
    // on the completion notice learns why.
    for (const QString& volume : m_passes.keys())
        OnPassFinished(volume);
    text = m_lastError;
    return S_OK;
}

int CEngineService::GetBootTime(const QString& volume, int& status)
{
    return Read(volume, [&](const TVolumeSettings& settings) { status = settings.bootTimeStatus; });
}

int CEngineService::SetBootTime(const QString& volume, int status)
{
    return Change(volume, [&](TVolumeSettings& settings) {
        if (status < 0)
            return Fail(E_INVALIDARG, u"The engine has no boot-time status %1"_s.arg(status));
        settings.bootTimeStatus = status;
        return S_OK;
    });
}

int CEngineService::IsChkdskScheduled(const QString& volume, bool& scheduled)
{
    TVolumeDescription description;
    if (const HRESULT found = Find(volume, &description); FAILED(found))
        return found;
    // A check at the next start: the forcefsck flag of the root file system.
    scheduled = description.mountPoint == u"/" && QFileInfo::exists(u"/forcefsck"_s);
    return S_OK;
}

int CEngineService::GetDefaultAlgorithm(const QString& volume, int& algorithm)
{
    return Read(volume,
                [&](const TVolumeSettings& settings) { algorithm = settings.defaultAlgorithm; });
}

int CEngineService::SetDefaultAlgorithm(const QString& volume, int algorithm)
{
    return Change(volume, [&](TVolumeSettings& settings) {
        if (algorithm < 0 || algorithm > 2)
            return Fail(E_INVALIDARG, u"The engine has no method %1"_s.arg(algorithm));
        settings.defaultAlgorithm = algorithm;
        return S_OK;
    });
}

int CEngineService::GetOverrideDriveType(const QString& volume, int& overrideType)
{
    return Read(volume,
                [&](const TVolumeSettings& settings) { overrideType = settings.overrideType; });
}

int CEngineService::SetOverrideDriveType(const QString& volume, int overrideType)
{
    return Change(volume, [&](TVolumeSettings& settings) {
        if (overrideType != -1 && overrideType != 1 && overrideType != 2 && overrideType != 4)
            return Fail(E_INVALIDARG, u"The engine has no drive type %1"_s.arg(overrideType));
        settings.overrideType = overrideType;
        return S_OK;
    });
}

int CEngineService::GetStatisticsBlock(const QString& volume, uint kind, QByteArray& block)
{
    TVolumeDescription description;
    if (const HRESULT found = Find(volume, &description); FAILED(found))
        return found;
    const TVolumeSettings settings = m_store->Get(volume);
    if (!settings.blocks.contains(kind))
        return HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND);
    block = settings.blocks.value(kind);
    return S_OK;
}

int CEngineService::GetFTNotExceeded(const QString& volume, double& value, uint& count)
{
    return Read(volume, [&](const TVolumeSettings& settings) {
        value = settings.thresholdValue;
        count = settings.thresholdCount;
    });
}

int CEngineService::GetInsufficientFreeSpace(const QString& volume, double& value)
{
    return Read(volume, [&](const TVolumeSettings& settings) {
        value = settings.insufficientFreeSpaceValue;
    });
}

int CEngineService::HasAnalysisData(const QString& volume, bool& available)
{
    TVolumeDescription description;
    if (const HRESULT found = Find(volume, &description); FAILED(found))
        return found;
    available = m_walks.contains(volume) && !RunningPass(volume);
    return S_OK;
}

HRESULT CEngineService::NothingRunning(const TVolumeDescription& description)
{
    return Fail(kNotRunning,
                u"No operation is running on the drive %1"_s.arg(description.mountPoint));
}

HRESULT CEngineService::FileBlocks(const TVolumeDescription& description, const QString& file,
                                   CVolumeWalker::TFileBlocks* found)
{
    if (!OnVolume(description, file))
        return Fail(E_INVALIDARG, u"%1 is not on the drive %2"_s.arg(file, description.mountPoint));
    const HRESULT result = CVolumeWalker::FileBlocks(description, file, found);
    if (FAILED(result))
        return Fail(result, u"Where %1 lies could not be read"_s.arg(file));
    return result;
}

int CEngineService::GetFileExtents(const QString& volume, const QString& file, QList<uint>& blocks)
{
    TVolumeDescription description;
    if (const HRESULT found = Find(volume, &description); FAILED(found))
        return found;
    CVolumeWalker::TFileBlocks found;
    if (const HRESULT result = FileBlocks(description, file, &found); FAILED(result))
        return result;
    blocks = QList<uint>(found.blocks.begin(), found.blocks.end());
    return S_OK;
}

int CEngineService::GetFileFragmentCount(const QString& volume, const QString& file,
                                         uint& fragments)
{
    TVolumeDescription description;
    if (const HRESULT found = Find(volume, &description); FAILED(found))
        return found;
    CVolumeWalker::TFileBlocks found;
    if (const HRESULT result = FileBlocks(description, file, &found); FAILED(result))
        return result;
    if (found.fragments < 0) // the file system does not tell where files lie
        return Fail(kNotSupported,
                    u"The file system %1 of the drive %2 does not tell where "
                    u"files lie"_s.arg(description.fileSystem, description.mountPoint));
    fragments = uint(found.fragments);
    return S_OK;
}

int CEngineService::GetDirectoryFragments(const QString& volume, const QString& directory,
                                          QStringList& names, QList<uint>& fragments)
{
    TVolumeDescription description;
    if (const HRESULT found = Find(volume, &description); FAILED(found))
        return found;
    if (!OnVolume(description, directory) || !QFileInfo(directory).isDir())
        return E_INVALIDARG;
    const QFileInfoList entries =
        QDir(directory).entryInfoList(QDir::Files | QDir::Hidden | QDir::NoSymLinks, QDir::Name);
    for (const QFileInfo& entry : entries) {
        CVolumeWalker::TFileBlocks found;
        if (FAILED(CVolumeWalker::FileBlocks(description, entry.filePath(), &found)) ||
            found.fragments < 0)
            continue;
        names.append(entry.fileName());
        fragments.append(uint(found.fragments));
    }
    return S_OK;
}

int CEngineService::GetBlockFiles(const QString& volume, uint block, QStringList& files,
                                  QList<int>& excessFragments, QList<qlonglong>& bytesUsed)
{
    TVolumeDescription description;
    if (const HRESULT found = Find(volume, &description); FAILED(found))
        return found;
    if (block >= uint(kEngineMapBlocks))
        return E_INVALIDARG;
    const auto walk = m_walks.value(volume);
    if (!walk || RunningPass(volume))
        return HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND);
    for (const CVolumeWalker::TBlockFile& item : walk->BlockFiles(int(block))) {
        files.append(item.path);
        excessFragments.append(item.fragments < 0 ? -1 : std::max(0, item.fragments - 1));
        bytesUsed.append(item.bytes > 0 ? qlonglong(item.bytes) : 0);
    }
    return S_OK;
}

int CEngineService::GetFragmentationThreshold(const QString& volume, uint& percent)
{
    return Read(volume, [&](const TVolumeSettings& settings) {
        percent = settings.fragmentationThreshold;
    });
}

int CEngineService::SetFragmentationThreshold(const QString& volume, uint percent)
{
    return Change(volume, [&](TVolumeSettings& settings) {
        if (percent > 100)
            return Fail(E_INVALIDARG,
                        u"A fragmentation threshold of %1% is out of range"_s.arg(percent));
        settings.fragmentationThreshold = percent;
        return S_OK;
    });
}

int CEngineService::GetOptiwise(const QString& volume, bool& enabled)
{
    return Read(volume, [&](const TVolumeSettings& settings) { enabled = settings.optiwise; });
}

int CEngineService::SetOptiwise(const QString& volume, bool enabled)
{
    return Change(volume, [&](TVolumeSettings& settings) {
        settings.optiwise = enabled;
        return S_OK;
    });
}

int CEngineService::GetTierLayout(const QString& volume, QList<uint>& zoneOrder,
                                  QList<qulonglong>& freeSpaceGapsKb, uint& rareAgeDays,
                                  uint& recentAgeDays, bool& aggressive, bool& ignoreLargeFragments,
                                  uint& largeFragmentMb)
{
    return Read(volume, [&](const TVolumeSettings& settings) {
        zoneOrder = settings.zoneOrder;
        freeSpaceGapsKb = settings.freeSpaceGapsKb;
        rareAgeDays = settings.rareAgeDays;
        recentAgeDays = settings.recentAgeDays;
        aggressive = settings.aggressive;
        ignoreLargeFragments = settings.ignoreLargeFragments;
        largeFragmentMb = settings.largeFragmentMb;
    });
}

int CEngineService::SetTierLayout(const QString& volume, const QList<uint>& zoneOrder,
                                  const QList<qulonglong>& freeSpaceGapsKb, uint rareAgeDays,
                                  uint recentAgeDays, bool aggressive, bool ignoreLargeFragments,
                                  uint largeFragmentMb)
{
    QList<uint> sorted = zoneOrder;
    std::sort(sorted.begin(), sorted.end());
    if (sorted != QList<uint>{0, 1, 2, 3, 4})
        return Fail(E_INVALIDARG, u"The zone order does not name each of the five zones once"_s);
    if (freeSpaceGapsKb.size() != 4 ||
        std::any_of(freeSpaceGapsKb.begin(), freeSpaceGapsKb.end(),
                    [](qulonglong gap) { return gap > kMostFreeSpaceGapKb; }))
        return Fail(E_INVALIDARG, u"The free space between zones is out of range"_s);
    // Rarely modified files are the older ones: their age has to be the greater.
    if (recentAgeDays == 0 || recentAgeDays >= rareAgeDays || rareAgeDays > kMostAgeDays)
        return Fail(E_INVALIDARG, u"The ages %1 and %2 days do not make a rarely and a recently "
                                  u"modified age"_s.arg(rareAgeDays)
                                      .arg(recentAgeDays));
    if (largeFragmentMb == 0 || largeFragmentMb > kMostLargeFragmentMb)
        return Fail(E_INVALIDARG,
                    u"A fragment size of %1 MB is out of range"_s.arg(largeFragmentMb));
    return Change(volume, [&](TVolumeSettings& settings) {
        settings.zoneOrder = zoneOrder;
        settings.freeSpaceGapsKb = freeSpaceGapsKb;
        settings.rareAgeDays = rareAgeDays;
        settings.recentAgeDays = recentAgeDays;
        settings.aggressive = aggressive;
        settings.ignoreLargeFragments = ignoreLargeFragments;
        settings.largeFragmentMb = largeFragmentMb;
        return S_OK;
    });
}

int CEngineService::GetBootTimeSettings(const QString& volume, uint& fileKinds, bool& everyReboot)
{
    return Read(volume, [&](const TVolumeSettings& settings) {
        fileKinds = settings.bootTimeFileKinds;
        everyReboot = settings.bootTimeEveryReboot;
    });
}

int CEngineService::SetBootTimeSettings(const QString& volume, uint fileKinds, bool everyReboot)
{
    return Change(volume, [&](TVolumeSettings& settings) {
        if (fileKinds > kAllBootTimeFileKinds)
            return Fail(E_INVALIDARG, u"The engine has no system file kinds %1"_s.arg(fileKinds));
        settings.bootTimeFileKinds = fileKinds;
        settings.bootTimeEveryReboot = everyReboot;
        return S_OK;
    });
}

int CEngineService::GetExcludedFiles(const QString& volume, QStringList& files)
{
    return Read(volume, [&](const TVolumeSettings& settings) { files = settings.excludedFiles; });
}

int CEngineService::SetExcludedFiles(const QString& volume, const QStringList& files)
{
    TVolumeDescription description;
    if (const HRESULT found = Find(volume, &description); FAILED(found))
        return found;
    if (files.size() > kMostExcludedFiles)
        return Fail(E_INVALIDARG,
                    u"No more than %1 files can be excluded"_s.arg(kMostExcludedFiles));
    // Kept as absolute, clean paths on the volume, each once; a file that is gone since stays
    // excluded should it come back.
    const QString root = QDir::cleanPath(description.mountPoint);
    const QString prefix = root.endsWith(u'/') ? root : root + u'/';
    QStringList clean;
    for (const QString& file : files) {
        const QString path = QDir::cleanPath(file);
        if (file.contains(QChar(0)) || !QDir::isAbsolutePath(file) ||
            (path != root && !path.startsWith(prefix)))
            return Fail(E_INVALIDARG, u"\"%1\" is not a path on the drive %2"_s.arg(
                                          file, description.mountPoint));
        if (!clean.contains(path))
            clean.append(path);
    }
    clean.sort();
    return Change(volume, [&](TVolumeSettings& settings) {
        settings.excludedFiles = clean;
        return S_OK;
    });
}

int CEngineService::GetZoneLegend(const QString& volume, QList<uint>& zones,
                                  QList<uint>& firstBlocks, QList<uint>& blockCounts)
{
    TVolumeDescription description;
    if (const HRESULT found = Find(volume, &description); FAILED(found))
        return found;
    // The zones as TierLayout lays them out: each zone's blocks, in zone order, from the map of
    // the last pass.
    const TVolumeSettings settings = m_store->Get(volume);
    if (settings.driveMap.size() != kEngineMapBlocks)
        return S_OK;
    static constexpr quint8 kZoneCategory[] = {8, 4, 1, 2, 3};
    uint next = 0;
    for (uint zone : settings.zoneOrder) {
        const quint8 category = kZoneCategory[zone];
        uint count = 0;
        for (char code : settings.driveMap)
            count += (quint8(code) & 0x0F) == category ? 1 : 0;
        if (count == 0)
            continue;
        zones.append(zone);
        firstBlocks.append(next);
        blockCounts.append(count);
        next += count;
    }
    return S_OK;
}
