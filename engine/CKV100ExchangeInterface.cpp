#include "engine/CKV100ExchangeInterface.h"

#include "engine/CEngineMetaTypes.h"
#include "engine/NoticeTypes.h"
#include "notify/CNoticeReader.h"

CKV100ExchangeInterface::CKV100ExchangeInterface(QObject* parent)
    : QObject(parent)
    , m_listener(this)
{
    CEngineMetaTypes::Register();
}

CKV100ExchangeInterface::~CKV100ExchangeInterface()
{
    m_listener.Stop();
}

void CKV100ExchangeInterface::Dispatch(quint32 type, const QByteArray& body)
{
    CNoticeReader reader(body);
    quint32 bodyType = 0;
    if (!reader.U32(&bodyType))
        return;
    switch (type) {
    case NoticeType::ExchangeOperation: {
        std::wstring group;
        std::wstring store;
        std::wstring phase;
        quint32 status = 0;
        quint32 percent = 0;
        quint32 result = 0;
        if (!reader.String(&group) || !reader.String(&store) || !reader.String(&phase) ||
            !reader.U32(&status) || !reader.U32(&percent) || !reader.U32(&result))
            break;
        if (status == ExchangeStatus::Started)
            emit OpStarted(group, store, true);
        else if (status <= ExchangeStatus::Mounting)
            emit StatusChanged(group, store, status, percent);
        else if (status <= ExchangeStatus::Failed)
            emit OpCompleted(group, store);
        break;
    }
    case NoticeType::ExchangeOutput: {
        std::wstring output;
        if (reader.String(&output))
            emit OnOutput(output);
        break;
    }
    case NoticeType::ExchangeStatistics: {
        CExchangeStatisticsMsg stats;
        if (reader.String(&stats.groupName) && reader.String(&stats.storeName) &&
            reader.String(&stats.cpuTime) && reader.String(&stats.elapsedTime) &&
            reader.String(&stats.storePath) && reader.F64(&stats.sizeBefore) &&
            reader.F64(&stats.sizeAfter) && reader.F64(&stats.percentGained) &&
            reader.String(&stats.backupPath))
            emit OnStatistics(stats);
        break;
    }
    default:
        break;
    }
}
