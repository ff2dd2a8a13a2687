#include "engine/CKV100VirtualPCInterface.h"

#include "engine/CEngineMetaTypes.h"
#include "engine/NoticeTypes.h"
#include "notify/CNoticeReader.h"

#include "VmEngineProxy.h"
#include "core/CWideText.h"

CKV100VirtualPCInterface::CKV100VirtualPCInterface(QObject* parent)
    : QObject(parent)
    , m_listener(this)
{
    CEngineMetaTypes::Register();
    m_connection.SetListener<CVmEngineProxy>(&m_listener);
}

CKV100VirtualPCInterface::~CKV100VirtualPCInterface()
{
    // The listener's thread calls Dispatch: it must end before this object does.
    Disconnect();
}

HRESULT CKV100VirtualPCInterface::Connect(const TString& computer, const TString& user,
                                          const TString& password, const TString& domain)
{
    return m_connection.Connect(computer, user, password, domain);
}

void CKV100VirtualPCInterface::Disconnect()
{
    m_connection.Disconnect();
}

void CKV100VirtualPCInterface::Dispatch(quint32 type, const QByteArray& body)
{
    CNoticeReader reader(body);
    quint32 bodyType = 0;
    if (!reader.U32(&bodyType))
        return;
    switch (type) {
    case NoticeType::VmOpStarted:
        emit OpStarted();
        return;
    case NoticeType::VmOpFinished:
        emit OpFinished();
        return;
    case NoticeType::VmHostStarted:
        emit VmHostStarted();
        return;
    case NoticeType::VmHostStopped:
        emit VmHostStopped();
        return;
    case NoticeType::VmHostCompleted:
        emit VmHostCompleted();
        return;
    case NoticeType::VmHostFailed: {
        quint32 hr = 0;
        std::wstring message;
        if (reader.U32(&hr) && reader.String(&message))
            emit VmHostFailed(static_cast<HRESULT>(hr));
        return;
    }
    case NoticeType::VmHostProgress: {
        double percent = 0.0;
        std::wstring message;
        if (reader.F64(&percent) && reader.String(&message))
            emit VmHostProgress(percent, message);
        return;
    }
    default:
        break;
    }
    if (type < NoticeType::VmGuestStarted || type > NoticeType::VmDiskProgress)
        return;
    std::wstring guest;
    if (reader.String(&guest))
        DispatchGuest(type, guest, reader);
}

void CKV100VirtualPCInterface::DispatchGuest(quint32 type, const std::wstring& guest,
                                             CNoticeReader& reader)
{
    std::wstring disk;
    std::wstring message;
    double percent = 0.0;
    switch (type) {
    case NoticeType::VmGuestStarted:
        emit VmOpStarted(guest);
        break;
    case NoticeType::VmGuestStopped:
        emit VmOpStopped(guest);
        break;
    case NoticeType::VmGuestFailed: {
        quint32 hr = 0;
        if (reader.U32(&hr) && reader.String(&message))
            emit VmOpFailed(guest, static_cast<HRESULT>(hr));
        break;
    }
    case NoticeType::VmGuestCompleted: {
        qint64 before = 0;
        qint64 after = 0;
        if (reader.I64(&before) && reader.I64(&after))
            emit VmOpCompleted(guest, before, after);
        break;
    }
    case NoticeType::VmGuestProgress: {
        double secondsLeft = 0.0;
        if (reader.F64(&percent) && reader.String(&message) && reader.F64(&secondsLeft))
            emit StatusChanged(guest, VmGuestStatus::Defragmenting, percent, message);
        break;
    }
    case NoticeType::VmDiskStarted:
    case NoticeType::VmDiskFinished:
        if (reader.String(&disk)) {
            const QString text = type == NoticeType::VmDiskStarted
                                     ? tr("Started Processing disk (%1)")
                                     : tr("Finished Processing disk (%1)");
            emit VmOpProgressText(guest, text.arg(CWideText::ToQString(disk)).toStdWString());
        }
        break;
    case NoticeType::VmDiskNote:
        reader.String(&message);
        break;
    case NoticeType::VmDiskFailed: {
        quint32 hr = 0;
        if (reader.String(&disk) && reader.U32(&hr) && reader.String(&message)) {
            const QString text = tr("Failure for (%1), %2 (%3)")
                                     .arg(CWideText::ToQString(disk), CWideText::ToQString(message))
                                     .arg(static_cast<HRESULT>(hr));
            emit VmOpProgressText(guest, text.toStdWString());
        }
        break;
    }
    case NoticeType::VmDiskProgress:
        if (reader.String(&disk) && reader.F64(&percent) && reader.String(&message))
            emit StatusChanged(guest, VmGuestStatus::Defragmenting, percent, message);
        break;
    default:
        break;
    }
}

HRESULT CKV100VirtualPCInterface::GetGuests(TStringList* guests)
{
    return m_connection.Fetch(ServiceCall::Timeout::Normal, &CVmEngineProxy::GetGuests,
                              CServiceConnection::In(), guests);
}

HRESULT CKV100VirtualPCInterface::GetGuest(const TString& guest, TString* displayName,
                                           TString* operatingSystem, uint* productKind,
                                           bool* running, double* lastRun, quint64* size)
{
    return m_connection.Fetch(ServiceCall::Timeout::Normal, &CVmEngineProxy::GetGuest,
                              CServiceConnection::In(guest), displayName, operatingSystem,
                              productKind, running, lastRun, size);
}

HRESULT CKV100VirtualPCInterface::AddGuest(const TString& guest, const TString& displayName,
                                           const TString& operatingSystem)
{
    return m_connection.Fetch(ServiceCall::Timeout::Long, &CVmEngineProxy::AddGuest,
                              CServiceConnection::In(guest, displayName, operatingSystem));
}

HRESULT CKV100VirtualPCInterface::RemoveGuest(const TString& guest)
{
    return m_connection.Fetch(ServiceCall::Timeout::Normal, &CVmEngineProxy::RemoveGuest,
                              CServiceConnection::In(guest));
}

HRESULT CKV100VirtualPCInterface::UpdateGuestSize(const TString& guest, quint64* size)
{
    return m_connection.Fetch(ServiceCall::Timeout::Normal, &CVmEngineProxy::UpdateGuestSize,
                              CServiceConnection::In(guest), size);
}

HRESULT CKV100VirtualPCInterface::GetBlockedGuests(const TStringList& guests, TStringList* blocked)
{
    return m_connection.Fetch(ServiceCall::Timeout::Normal, &CVmEngineProxy::GetBlockedGuests,
                              CServiceConnection::In(guests), blocked);
}

HRESULT CKV100VirtualPCInterface::GetGuestDisks(const TString& guest, TStringList* diskFiles,
                                                QList<uint>* volumeCounts)
{
    return m_connection.Fetch(ServiceCall::Timeout::Long, &CVmEngineProxy::GetGuestDisks,
                              CServiceConnection::In(guest), diskFiles, volumeCounts);
}

HRESULT CKV100VirtualPCInterface::GetGuestExclusions(const TString& guest, TStringList* diskFiles,
                                                     QList<uint>* volumes, TStringList* paths)
{
    return m_connection.Fetch(ServiceCall::Timeout::Normal, &CVmEngineProxy::GetGuestExclusions,
                              CServiceConnection::In(guest), diskFiles, volumes, paths);
}

HRESULT CKV100VirtualPCInterface::SetGuestExclusions(const TString& guest,
                                                     const TStringList& diskFiles,
                                                     const QList<uint>& volumes,
                                                     const TStringList& paths)
{
    return m_connection.Fetch(ServiceCall::Timeout::Normal, &CVmEngineProxy::SetGuestExclusions,
                              CServiceConnection::In(guest, diskFiles, volumes, paths));
}

HRESULT CKV100VirtualPCInterface::Defragment(const TStringList& guests, bool shrink,
                                             bool defragFileSystem, bool defragInternal,
                                             bool defragOffline, bool defragHostImage,
                                             bool fullHostDefrag)
{
    return m_connection.Fetch(ServiceCall::Timeout::Normal, &CVmEngineProxy::Defragment,
                              CServiceConnection::In(guests, shrink, defragFileSystem,
                                                     defragInternal, defragOffline, defragHostImage,
                                                     fullHostDefrag));
}

HRESULT CKV100VirtualPCInterface::Stop()
{
    return m_connection.Fetch(ServiceCall::Timeout::Normal, &CVmEngineProxy::Stop,
                              CServiceConnection::In());
}

HRESULT CKV100VirtualPCInterface::GetHostStatus(bool* running, double* lastRun)
{
    return m_connection.Fetch(ServiceCall::Timeout::Normal, &CVmEngineProxy::GetHostStatus,
                              CServiceConnection::In(), running, lastRun);
}
