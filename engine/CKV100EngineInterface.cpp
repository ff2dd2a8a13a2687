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
}

CKV100EngineInterface::~CKV100EngineInterface()
{
    // The listener's thread calls Dispatch: it must end before this object does.
    Disconnect();
}

HRESULT CKV100EngineInterface::Connect(const TString& computer, const TString& user,
                                       const TString& password, const TString& domain)
{
    Disconnect();
    const HRESULT result = m_connection.Connect(computer, user, password, domain);
    if (FAILED(result))
        return result;
    m_generation = 9;
    m_connection.Call([this](const CComObjectRef& object) {
        QDBusPendingReply<int, uint, QString> reply =
            object.MakeProxy<CEngineProxy>()->GetVersion();
        const HRESULT answered = CDBusResult::Of(reply);
        if (SUCCEEDED(answered))
            m_generation = reply.argumentAt<1>();
        return answered;
    });
    return m_connection.StartListening<CEngineProxy>(m_listener, &m_listenerName);
}

void CKV100EngineInterface::Disconnect()
{
    m_connection.StopListening<CEngineProxy>(m_listener, &m_listenerName);
}

HRESULT CKV100EngineInterface::GetVolumes(TStringList* volumes)
{
    return m_connection.Call([&](const CComObjectRef& object) {
        QDBusPendingReply<int, QStringList> reply = object.MakeProxy<CEngineProxy>()->GetVolumes();
        const HRESULT result = CDBusResult::Of(reply);
        if (SUCCEEDED(result)) {
            volumes->clear();
            for (const QString& volume : reply.argumentAt<1>())
                volumes->push_back(volume.toStdWString());
        }
        return result;
    });
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

namespace {

// One call of a per-volume operation that answers only its HRESULT.
template <typename TMethod>
HRESULT VolumeCall(CServiceConnection& connection, const TId& volume, TMethod method)
{
    const QString id = QString::fromStdWString(volume);
    return connection.Call([&](const CComObjectRef& object) {
        auto proxy = object.MakeProxy<CEngineProxy>();
        QDBusPendingReply<int> reply = ((*proxy).*method)(id);
        return CDBusResult::Of(reply);
    });
}

} // namespace

HRESULT CKV100EngineInterface::Analyse(const TId& volume)
{
    return VolumeCall(m_connection, volume,
                      m_generation >= kNewerGeneration ? &CEngineProxy::AnalyzeEx
                                                       : &CEngineProxy::Analyze);
}

HRESULT CKV100EngineInterface::Stop(const TId& volume)
{
    return VolumeCall(m_connection, volume,
                      m_generation >= kNewerGeneration ? &CEngineProxy::StopEx
                                                       : &CEngineProxy::Stop);
}

HRESULT CKV100EngineInterface::Pause(const TId& volume)
{
    return VolumeCall(m_connection, volume, &CEngineProxy::Pause);
}

HRESULT CKV100EngineInterface::Resume(const TId& volume)
{
    return VolumeCall(m_connection, volume, &CEngineProxy::Resume);
}
