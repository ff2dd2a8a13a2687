#include "engine/CKV100AgentInterface.h"

#include "engine/CEngineMetaTypes.h"
#include "engine/NoticeTypes.h"
#include "notify/CNoticeReader.h"

CKV100AgentInterface::CKV100AgentInterface(QObject* parent)
    : QObject(parent)
    , m_listener(this)
{
    CEngineMetaTypes::Register();
}

CKV100AgentInterface::~CKV100AgentInterface()
{
    m_listener.Stop();
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
