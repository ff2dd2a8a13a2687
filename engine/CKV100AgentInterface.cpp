#include "engine/CKV100AgentInterface.h"

#include "engine/CEngineMetaTypes.h"
#include "engine/NoticeTypes.h"
#include "notify/CNoticeReader.h"

#include "AgentProxy.h"

CKV100AgentInterface::CKV100AgentInterface(QObject* parent)
    : QObject(parent)
    , m_listener(this)
{
    CEngineMetaTypes::Register();
}

CKV100AgentInterface::~CKV100AgentInterface()
{
    Disconnect();
}

HRESULT CKV100AgentInterface::Connect(const TString& computer, const TString& user,
                                      const TString& password, const TString& domain)
{
    Disconnect();
    const HRESULT result = m_connection.Connect(computer, user, password, domain);
    if (FAILED(result))
        return result;
    const int generation = m_connection.ClassIndex();
    m_newest = generation == 0;
    m_newer = generation == 0 || generation == 1;
    if (!m_newest)
        return result;
    const HRESULT listening = m_connection.StartListening<CAgentProxy>(m_listener, &m_listenerName);
    if (FAILED(listening))
        m_newest = m_newer = false;
    return listening;
}

void CKV100AgentInterface::Disconnect()
{
    m_connection.StopListening<CAgentProxy>(m_listener, &m_listenerName);
    m_newest = m_newer = false;
}

void CKV100AgentInterface::Dispatch(quint32 type, const QByteArray& body)
{
    CNoticeReader reader(body);
    quint32 bodyType = 0;
    if (!reader.U32(&bodyType))
        return;
    switch (type) {
    case NoticeType::AgentScheduleStarted:
    case NoticeType::AgentScheduleStopped: {
        std::wstring schedule;
        std::wstring item;
        if (!reader.String(&schedule) || !reader.String(&item))
            break;
        if (type == NoticeType::AgentScheduleStarted)
            emit ScheduleStarted(schedule, item);
        else
            emit ScheduleStopped(schedule, item);
        break;
    }
    case NoticeType::AgentResources: {
        double cpu = 0.0;
        double io = 0.0;
        if (reader.F64(&cpu) && reader.F64(&io))
            emit ResourcesUpdated(cpu, io);
        break;
    }
    default:
        break;
    }
}
