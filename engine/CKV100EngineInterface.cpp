#include "engine/CKV100EngineInterface.h"

#include "core/CSystemMessage.h"
#include "engine/CEngineMetaTypes.h"
#include "engine/NoticeTypes.h"
#include "notify/CNoticeReader.h"
#include "platform/com/CDBusResult.h"

#include "EngineProxy.h"

CKV100EngineInterface::CKV100EngineInterface(QObject* parent)
    : QObject(parent)
    , m_listener(this)
{
    CEngineMetaTypes::Register();
    m_connection.SetListener<CEngineProxy>(&m_listener);
}

CKV100EngineInterface::~CKV100EngineInterface()
{
    // The listener's thread calls Dispatch: it must end before this object does.
    Disconnect();
}

HRESULT CKV100EngineInterface::Connect(const TString& computer, const TString& user,
                                       const TString& password, const TString& domain)
{
    const HRESULT result = m_connection.Connect(computer, user, password, domain);
    if (FAILED(result))
        return result;
    // Engines that do not say are of the older generation.
    uint generation = 0;
    QString version;
    m_generation =
        SUCCEEDED(m_connection.Fetch(ServiceCall::Timeout::Normal, &CEngineProxy::GetVersion,
                                     CServiceConnection::In(), &generation, &version))
            ? generation
            : 9;
    return result;
}

void CKV100EngineInterface::Disconnect()
{
    m_connection.Disconnect();
}

HRESULT CKV100EngineInterface::GetVolumes(TStringList* volumes)
{
    return m_connection.Fetch(ServiceCall::Timeout::Normal, &CEngineProxy::GetVolumes,
                              CServiceConnection::In(), volumes);
}

uint CKV100EngineInterface::MapEngineStatus(quint32 engineStatus)
{
    switch (engineStatus) {
    case 1:
        return 1;
    case 2:
    case 4:
    case 5:
    case 6:
        return 2;
    case 3:
        return 5;
    case 9:
        return 3;
    case 10:
        return 4;
    default: // 0, 7, 8 and anything of 11 or more
        return 0;
    }
}

void CKV100EngineInterface::Dispatch(quint32 type, const QByteArray& body)
{
    using namespace NoticeType;
    CNoticeReader reader(body);
    quint32 bodyType = 0;
    TId volume;
    if (!reader.U32(&bodyType) || !reader.String(&volume))
        return;
    switch (type) {
    case EngineOpStarted:
        emit OpStarted(volume);
        break;
    case EngineStatus: {
        quint32 status = 0;
        double completion = 0.0;
        double estimated = 0.0;
        if (reader.U32(&status) && reader.F64(&completion) && reader.F64(&estimated))
            emit StatusChanged(volume, MapEngineStatus(status), completion, estimated);
        break;
    }
    case EngineFragmentation:
    case EngineFreeSpaceFragmentation: {
        double percent = 0.0;
        if (!reader.F64(&percent))
            break;
        if (type == EngineFragmentation)
            emit FragmentationChanged(volume, percent);
        else
            emit FreeSpaceFragmentationChanged(volume, percent);
        break;
    }
    case EngineWorkingMessage: {
        double percent = 0.0;
        TString message;
        if (reader.F64(&percent) && reader.String(&message))
            emit WorkingMessageChanged(volume, percent, message);
        break;
    }
    case EngineBitmap: {
        quint8 blockType = 0;
        quint32 start = 0;
        quint32 length = 0;
        if (reader.U8(&blockType) && reader.U32(&start) && reader.U32(&length))
            emit BitmapUpdated(volume, blockType, start, length);
        break;
    }
    case EngineFTNotExceeded:
        emit FTNotExceeded(volume);
        break;
    case EngineInsufficientFreeSpace:
        emit InsufficientFreeSpace(volume);
        break;
    case EngineStatisticsUpdated:
        emit StatisticsUpdated(volume);
        break;
    case EngineOpCompleted:
        emit OpCompleted(volume);
        break;
    default:
        break;
    }
}

TString CKV100EngineInterface::DriveErrorText(HRESULT hr)
{
    return QStringLiteral("%1 (%2)").arg(CSystemMessage::Text(hr)).arg(hr).toStdWString();
}

void CKV100EngineInterface::ReportDriveFailure(const TId& volume_guid, HRESULT hr)
{
    const TString text = DriveErrorText(hr);
    if (text.find(L"-2147024891") != TString::npos)
        emit DriveNotAccessible(volume_guid, text);
    else
        emit LostDrive(volume_guid, text);
}

bool CKV100EngineInterface::IsDriveFailure(HRESULT hr)
{
    switch (static_cast<quint32>(hr)) {
    case 0x800706BAu: // the engine itself, still gone after the reconnection
    case 0x80070005u: // access denied
    case 0x8007000Fu: // a volume the engine does not know
    case 0x80070037u: // a device that is no longer there
        return true;
    default:
        return false;
    }
}

HRESULT CKV100EngineInterface::OnVolume(const TId& volume, HRESULT result)
{
    if (IsDriveFailure(result))
        ReportDriveFailure(volume, result);
    return result;
}

HRESULT CKV100EngineInterface::Analyse(const TId& volume)
{
    const auto method =
        m_generation >= kNewerGeneration ? &CEngineProxy::AnalyzeEx : &CEngineProxy::Analyze;
    return OnVolume(volume, m_connection.Fetch(ServiceCall::Timeout::Normal, method,
                                               CServiceConnection::In(volume)));
}

HRESULT CKV100EngineInterface::StartPass(const TId& volume, uint mode, int method)
{
    if (mode == kAnalysis)
        return Analyse(volume);
    if (mode != kEntireDrive && mode != kSystemFiles)
        return E_INVALIDARG;
    if (method == kDriveDefaultMethod) {
        if (const HRESULT read = GetDefaultAlgorithm(volume, &method); FAILED(read))
            return read;
    }
    const auto start =
        m_generation >= kNewerGeneration ? &CEngineProxy::StartPassEx : &CEngineProxy::StartPass;
    return OnVolume(volume, m_connection.Fetch(ServiceCall::Timeout::Normal, start,
                                               CServiceConnection::In(volume, mode, method)));
}

HRESULT CKV100EngineInterface::DefragmentFilesList(const TId& volume, const TStringList& files)
{
    return OnVolume(volume,
                    m_connection.Fetch(ServiceCall::Timeout::Normal, &CEngineProxy::DefragmentFiles,
                                       CServiceConnection::In(volume, files)));
}

HRESULT CKV100EngineInterface::Stop(const TId& volume)
{
    const auto method =
        m_generation >= kNewerGeneration ? &CEngineProxy::StopEx : &CEngineProxy::Stop;
    return OnVolume(volume, m_connection.Fetch(ServiceCall::Timeout::Normal, method,
                                               CServiceConnection::In(volume)));
}

HRESULT CKV100EngineInterface::Pause(const TId& volume)
{
    return OnVolume(volume, m_connection.Fetch(ServiceCall::Timeout::Normal, &CEngineProxy::Pause,
                                               CServiceConnection::In(volume)));
}

HRESULT CKV100EngineInterface::Resume(const TId& volume)
{
    return OnVolume(volume, m_connection.Fetch(ServiceCall::Timeout::Normal, &CEngineProxy::Resume,
                                               CServiceConnection::In(volume)));
}

HRESULT CKV100EngineInterface::SetOverrideDriveType(const TId& volume, int overrideType,
                                                    uint* driveType)
{
    if (!driveType)
        return E_POINTER;
    const HRESULT written =
        OnVolume(volume, m_connection.Fetch(ServiceCall::Timeout::Normal,
                                            &CEngineProxy::SetOverrideDriveType,
                                            CServiceConnection::In(volume, overrideType)));
    if (FAILED(written))
        return written;
    return GetDriveType(volume, driveType);
}

HRESULT CKV100EngineInterface::GetProductEdition(uint* edition)
{
    return m_connection.Fetch(ServiceCall::Timeout::Normal, &CEngineProxy::GetProductEdition,
                              CServiceConnection::In(), edition);
}

HRESULT CKV100EngineInterface::GetProductDisplayName(TString* name)
{
    return m_connection.Fetch(ServiceCall::Timeout::Normal, &CEngineProxy::GetProductDisplayName,
                              CServiceConnection::In(), name);
}

HRESULT CKV100EngineInterface::TestConnection(const TString& computer, const TString& user,
                                              const TString& password, const TString& domain) const
{
    return m_connection.Probe(computer, user, password, domain);
}

HRESULT CKV100EngineInterface::GetAgentClassIds(TStringList* classIds)
{
    return m_connection.Fetch(ServiceCall::Timeout::Normal, &CEngineProxy::GetAgentClassIds,
                              CServiceConnection::In(), classIds);
}

HRESULT CKV100EngineInterface::GetVolumeInfo(const TId& volume, TString* mountName, TString* label,
                                             TString* fileSystem, uint* driveType, uint* status,
                                             double* lastDefragmented, uint* extraWord1,
                                             uint* extraWord2, int* bootTimeStatus,
                                             double* sizeMegabytes, double* dataDate)
{
    return OnVolume(volume,
                    m_connection.Fetch(ServiceCall::Timeout::Normal, &CEngineProxy::GetVolumeInfo,
                                       CServiceConnection::In(volume), mountName, label, fileSystem,
                                       driveType, status, lastDefragmented, extraWord1, extraWord2,
                                       bootTimeStatus, sizeMegabytes, dataDate));
}

HRESULT CKV100EngineInterface::GetLastDefragmented(const TId& volume, double* date)
{
    return OnVolume(volume, m_connection.Fetch(ServiceCall::Timeout::Normal,
                                               &CEngineProxy::GetLastDefragmented,
                                               CServiceConnection::In(volume), date));
}

HRESULT CKV100EngineInterface::GetStatus(const TId& volume, uint* status, double* completionPercent,
                                         double* estimatedEnd, TString* statusText)
{
    return OnVolume(volume,
                    m_connection.Fetch(ServiceCall::Timeout::Normal, &CEngineProxy::GetStatus,
                                       CServiceConnection::In(volume), status, completionPercent,
                                       estimatedEnd, statusText));
}

HRESULT CKV100EngineInterface::GetFragmentation(const TId& volume, bool* analysed,
                                                double* fileFragmentation,
                                                double* freeSpaceFragmentation)
{
    return OnVolume(volume, m_connection.Fetch(ServiceCall::Timeout::Normal,
                                               &CEngineProxy::GetFragmentation,
                                               CServiceConnection::In(volume), analysed,
                                               fileFragmentation, freeSpaceFragmentation));
}

HRESULT CKV100EngineInterface::GetDriveMap(const TId& volume, QList<uint>* blocks)
{
    return OnVolume(volume,
                    m_connection.Fetch(ServiceCall::Timeout::Long, &CEngineProxy::GetDriveMap,
                                       CServiceConnection::In(volume), blocks));
}

HRESULT CKV100EngineInterface::GetHistorySeries(const TId& volume, QList<double>* performanceBefore,
                                                QList<double>* performanceAfter,
                                                QList<double>* fragmentationBefore,
                                                QList<double>* fragmentationAfter,
                                                QList<double>* freeSpaceBefore,
                                                QList<double>* freeSpaceAfter)
{
    return OnVolume(volume,
                    m_connection.Fetch(ServiceCall::Timeout::Long, &CEngineProxy::GetHistorySeries,
                                       CServiceConnection::In(volume), performanceBefore,
                                       performanceAfter, fragmentationBefore, fragmentationAfter,
                                       freeSpaceBefore, freeSpaceAfter));
}

HRESULT CKV100EngineInterface::GetVolumeNumber(const TId& volume, uint* number)
{
    return OnVolume(volume,
                    m_connection.Fetch(ServiceCall::Timeout::Normal, &CEngineProxy::GetVolumeNumber,
                                       CServiceConnection::In(volume), number));
}

HRESULT CKV100EngineInterface::GetDriveType(const TId& volume, uint* driveType)
{
    return OnVolume(volume,
                    m_connection.Fetch(ServiceCall::Timeout::Normal, &CEngineProxy::GetDriveType,
                                       CServiceConnection::In(volume), driveType));
}

HRESULT CKV100EngineInterface::GetDriveGeometry(const TId& volume, uint* serialHigh,
                                                uint* serialLow, uint* bytesPerCluster,
                                                quint64* totalClusters, quint64* freeClusters,
                                                quint64* usedClusters)
{
    return OnVolume(
        volume, m_connection.Fetch(ServiceCall::Timeout::Normal, &CEngineProxy::GetDriveGeometry,
                                   CServiceConnection::In(volume), serialHigh, serialLow,
                                   bytesPerCluster, totalClusters, freeClusters, usedClusters));
}

HRESULT CKV100EngineInterface::DefragSystemFilesOffline(const TId& volume, bool force)
{
    return OnVolume(volume, m_connection.Fetch(ServiceCall::Timeout::Long,
                                               &CEngineProxy::DefragSystemFilesOffline,
                                               CServiceConnection::In(volume, force)));
}

HRESULT CKV100EngineInterface::GetLastErrorText(TString* text)
{
    return m_connection.Fetch(ServiceCall::Timeout::Normal, &CEngineProxy::GetLastErrorText,
                              CServiceConnection::In(), text);
}

HRESULT CKV100EngineInterface::GetBootTime(const TId& volume, int* status)
{
    return OnVolume(volume,
                    m_connection.Fetch(ServiceCall::Timeout::Normal, &CEngineProxy::GetBootTime,
                                       CServiceConnection::In(volume), status));
}

HRESULT CKV100EngineInterface::SetBootTime(const TId& volume, int status)
{
    return OnVolume(volume,
                    m_connection.Fetch(ServiceCall::Timeout::Normal, &CEngineProxy::SetBootTime,
                                       CServiceConnection::In(volume, status)));
}

HRESULT CKV100EngineInterface::IsChkdskScheduled(const TId& volume, bool* scheduled)
{
    return OnVolume(volume, m_connection.Fetch(ServiceCall::Timeout::Normal,
                                               &CEngineProxy::IsChkdskScheduled,
                                               CServiceConnection::In(volume), scheduled));
}

HRESULT CKV100EngineInterface::GetDefaultAlgorithm(const TId& volume, int* algorithm)
{
    return OnVolume(volume, m_connection.Fetch(ServiceCall::Timeout::Normal,
                                               &CEngineProxy::GetDefaultAlgorithm,
                                               CServiceConnection::In(volume), algorithm));
}

HRESULT CKV100EngineInterface::SetDefaultAlgorithm(const TId& volume, int algorithm)
{
    return OnVolume(volume, m_connection.Fetch(ServiceCall::Timeout::Normal,
                                               &CEngineProxy::SetDefaultAlgorithm,
                                               CServiceConnection::In(volume, algorithm)));
}

HRESULT CKV100EngineInterface::GetOverrideDriveType(const TId& volume, int* overrideType)
{
    return OnVolume(volume, m_connection.Fetch(ServiceCall::Timeout::Normal,
                                               &CEngineProxy::GetOverrideDriveType,
                                               CServiceConnection::In(volume), overrideType));
}

HRESULT CKV100EngineInterface::GetStatisticsBlock(const TId& volume, uint kind, QByteArray* block)
{
    return OnVolume(volume, m_connection.Fetch(ServiceCall::Timeout::Long,
                                               &CEngineProxy::GetStatisticsBlock,
                                               CServiceConnection::In(volume, kind), block));
}

HRESULT CKV100EngineInterface::GetFTNotExceeded(const TId& volume, double* value, uint* count)
{
    return OnVolume(volume, m_connection.Fetch(ServiceCall::Timeout::Normal,
                                               &CEngineProxy::GetFTNotExceeded,
                                               CServiceConnection::In(volume), value, count));
}

HRESULT CKV100EngineInterface::GetInsufficientFreeSpace(const TId& volume, double* value)
{
    return OnVolume(volume, m_connection.Fetch(ServiceCall::Timeout::Normal,
                                               &CEngineProxy::GetInsufficientFreeSpace,
                                               CServiceConnection::In(volume), value));
}

HRESULT CKV100EngineInterface::HasAnalysisData(const TId& volume, bool* available)
{
    return OnVolume(volume,
                    m_connection.Fetch(ServiceCall::Timeout::Normal, &CEngineProxy::HasAnalysisData,
                                       CServiceConnection::In(volume), available));
}

HRESULT CKV100EngineInterface::GetFileExtents(const TId& volume, const TString& file,
                                              QList<uint>* blocks)
{
    return OnVolume(volume,
                    m_connection.Fetch(ServiceCall::Timeout::Long, &CEngineProxy::GetFileExtents,
                                       CServiceConnection::In(volume, file), blocks));
}

HRESULT CKV100EngineInterface::GetFileFragmentCount(const TId& volume, const TString& file,
                                                    uint* fragments)
{
    return OnVolume(volume, m_connection.Fetch(ServiceCall::Timeout::Normal,
                                               &CEngineProxy::GetFileFragmentCount,
                                               CServiceConnection::In(volume, file), fragments));
}

HRESULT CKV100EngineInterface::GetDirectoryFragments(const TId& volume, const TString& directory,
                                                     TStringList* names, QList<uint>* fragments)
{
    return OnVolume(
        volume, m_connection.Fetch(ServiceCall::Timeout::Long, &CEngineProxy::GetDirectoryFragments,
                                   CServiceConnection::In(volume, directory), names, fragments));
}

HRESULT CKV100EngineInterface::GetBlockFiles(const TId& volume, uint block, TStringList* files,
                                             QList<int>* excessFragments,
                                             QList<qlonglong>* bytesUsed)
{
    return OnVolume(volume,
                    m_connection.Fetch(ServiceCall::Timeout::Long, &CEngineProxy::GetBlockFiles,
                                       CServiceConnection::In(volume, block), files,
                                       excessFragments, bytesUsed));
}

HRESULT CKV100EngineInterface::GetFragmentationThreshold(const TId& volume, uint* percent)
{
    return OnVolume(volume, m_connection.Fetch(ServiceCall::Timeout::Normal,
                                               &CEngineProxy::GetFragmentationThreshold,
                                               CServiceConnection::In(volume), percent));
}

HRESULT CKV100EngineInterface::SetFragmentationThreshold(const TId& volume, uint percent)
{
    return OnVolume(volume, m_connection.Fetch(ServiceCall::Timeout::Normal,
                                               &CEngineProxy::SetFragmentationThreshold,
                                               CServiceConnection::In(volume, percent)));
}

HRESULT CKV100EngineInterface::GetOptiwise(const TId& volume, bool* enabled)
{
    return OnVolume(volume,
                    m_connection.Fetch(ServiceCall::Timeout::Normal, &CEngineProxy::GetOptiwise,
                                       CServiceConnection::In(volume), enabled));
}

HRESULT CKV100EngineInterface::SetOptiwise(const TId& volume, bool enabled)
{
    return OnVolume(volume,
                    m_connection.Fetch(ServiceCall::Timeout::Normal, &CEngineProxy::SetOptiwise,
                                       CServiceConnection::In(volume, enabled)));
}

HRESULT CKV100EngineInterface::GetTierLayout(const TId& volume, QList<uint>* zoneOrder,
                                             QList<qulonglong>* freeSpaceGapsKb, uint* rareAgeDays,
                                             uint* recentAgeDays, bool* aggressive,
                                             bool* ignoreLargeFragments, uint* largeFragmentMb)
{
    return OnVolume(volume,
                    m_connection.Fetch(ServiceCall::Timeout::Normal, &CEngineProxy::GetTierLayout,
                                       CServiceConnection::In(volume), zoneOrder, freeSpaceGapsKb,
                                       rareAgeDays, recentAgeDays, aggressive, ignoreLargeFragments,
                                       largeFragmentMb));
}

HRESULT CKV100EngineInterface::SetTierLayout(const TId& volume, const QList<uint>& zoneOrder,
                                             const QList<qulonglong>& freeSpaceGapsKb,
                                             uint rareAgeDays, uint recentAgeDays, bool aggressive,
                                             bool ignoreLargeFragments, uint largeFragmentMb)
{
    return OnVolume(
        volume, m_connection.Fetch(ServiceCall::Timeout::Normal, &CEngineProxy::SetTierLayout,
                                   CServiceConnection::In(volume, zoneOrder, freeSpaceGapsKb,
                                                          rareAgeDays, recentAgeDays, aggressive,
                                                          ignoreLargeFragments, largeFragmentMb)));
}

HRESULT CKV100EngineInterface::GetBootTimeSettings(const TId& volume, uint* fileKinds,
                                                   bool* everyReboot)
{
    return OnVolume(
        volume, m_connection.Fetch(ServiceCall::Timeout::Normal, &CEngineProxy::GetBootTimeSettings,
                                   CServiceConnection::In(volume), fileKinds, everyReboot));
}

HRESULT CKV100EngineInterface::SetBootTimeSettings(const TId& volume, uint fileKinds,
                                                   bool everyReboot)
{
    return OnVolume(
        volume, m_connection.Fetch(ServiceCall::Timeout::Normal, &CEngineProxy::SetBootTimeSettings,
                                   CServiceConnection::In(volume, fileKinds, everyReboot)));
}

HRESULT CKV100EngineInterface::GetExcludedFiles(const TId& volume, TStringList* files)
{
    return OnVolume(volume, m_connection.Fetch(ServiceCall::Timeout::Normal,
                                               &CEngineProxy::GetExcludedFiles,
                                               CServiceConnection::In(volume), files));
}

HRESULT CKV100EngineInterface::SetExcludedFiles(const TId& volume, const TStringList& files)
{
    return OnVolume(volume, m_connection.Fetch(ServiceCall::Timeout::Normal,
                                               &CEngineProxy::SetExcludedFiles,
                                               CServiceConnection::In(volume, files)));
}

HRESULT CKV100EngineInterface::GetZoneLegend(const TId& volume, QList<uint>* zones,
                                             QList<uint>* firstBlocks, QList<uint>* blockCounts)
{
    return OnVolume(volume, m_connection.Fetch(
                                ServiceCall::Timeout::Normal, &CEngineProxy::GetZoneLegend,
                                CServiceConnection::In(volume), zones, firstBlocks, blockCounts));
}
