#include "engine/CKV100ExchangeInterface.h"

#include "engine/CEngineMetaTypes.h"
#include "engine/NoticeTypes.h"
#include "notify/CNoticeReader.h"

#include "ExchangeEngineProxy.h"
#include "ExchangeInProcessProxy.h"

CKV100ExchangeInterface::CKV100ExchangeInterface(QObject* parent)
    : QObject(parent)
    , m_listener(this)
{
    CEngineMetaTypes::Register();
    m_connection.SetListener<CExchangeEngineProxy>(&m_listener);
}

CKV100ExchangeInterface::~CKV100ExchangeInterface()
{
    // The listener's thread calls Dispatch: it must end before this object does.
    Disconnect();
}

HRESULT CKV100ExchangeInterface::Connect(const TString& computer, const TString& user,
                                         const TString& password, const TString& domain)
{
    // The in-process part is only tried first, so that the engine's connection replaces the
    // previous one only when both can be had.
    HRESULT result = m_inProcess.Probe(computer, user, password, domain);
    if (SUCCEEDED(result))
        result = m_connection.Connect(computer, user, password, domain);
    if (FAILED(result))
        return result;
    result = m_inProcess.Connect(computer, user, password, domain);
    if (FAILED(result))
        Disconnect(); // gone just after it answered: nothing stays half connected
    return result;
}

void CKV100ExchangeInterface::Disconnect()
{
    m_connection.Disconnect();
    m_inProcess.Disconnect();
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

HRESULT CKV100ExchangeInterface::GetVersion(uint* version)
{
    return m_connection.Fetch(ServiceCall::Timeout::Normal, &CExchangeEngineProxy::GetVersion,
                              CServiceConnection::In(), version);
}

HRESULT CKV100ExchangeInterface::GetServerName(TString* serverName)
{
    return m_connection.Fetch(ServiceCall::Timeout::Normal, &CExchangeEngineProxy::GetServerName,
                              CServiceConnection::In(), serverName);
}

HRESULT CKV100ExchangeInterface::SetServerName(const TString& serverName)
{
    return m_connection.Fetch(ServiceCall::Timeout::Normal, &CExchangeEngineProxy::SetServerName,
                              CServiceConnection::In(serverName));
}

HRESULT CKV100ExchangeInterface::TestServerName(const TString& serverName, bool* valid)
{
    return m_connection.Fetch(ServiceCall::Timeout::Long, &CExchangeEngineProxy::TestServerName,
                              CServiceConnection::In(serverName), valid);
}

HRESULT CKV100ExchangeInterface::GetDataStoreCount(uint* count)
{
    return m_connection.Fetch(ServiceCall::Timeout::Normal,
                              &CExchangeEngineProxy::GetDataStoreCount, CServiceConnection::In(),
                              count);
}

HRESULT CKV100ExchangeInterface::GetDataStore(uint index, TString* group, uint* storeType,
                                              TString* store, TString* storePath,
                                              TString* backupPath, uint* backupMethod,
                                              TString* workingDirectory, uint* state, double* size,
                                              bool* hasRecoverableSpace, double* recoverableSpace,
                                              double* lastRun)
{
    return m_connection.Fetch(ServiceCall::Timeout::Normal, &CExchangeEngineProxy::GetDataStore,
                              CServiceConnection::In(index), group, storeType, store, storePath,
                              backupPath, backupMethod, workingDirectory, state, size,
                              hasRecoverableSpace, recoverableSpace, lastRun);
}

HRESULT CKV100ExchangeInterface::ConfigureDataStore(const TString& group, const TString& store,
                                                    const TString& backupPath, uint backupMethod,
                                                    const TString& workingDirectory)
{
    return m_connection.Fetch(
        ServiceCall::Timeout::Normal, &CExchangeEngineProxy::ConfigureDataStore,
        CServiceConnection::In(group, store, backupPath, backupMethod, workingDirectory));
}

HRESULT CKV100ExchangeInterface::StartDefrag(const TString& group, const TString& store)
{
    return m_connection.Fetch(ServiceCall::Timeout::Normal, &CExchangeEngineProxy::StartDefrag,
                              CServiceConnection::In(group, store));
}

HRESULT CKV100ExchangeInterface::StopDefrag()
{
    return m_connection.Fetch(ServiceCall::Timeout::Normal, &CExchangeEngineProxy::StopDefrag,
                              CServiceConnection::In());
}

HRESULT CKV100ExchangeInterface::CheckServiceAccess(const TString& directory, bool* canAccess,
                                                    bool* canCreateFiles)
{
    return m_inProcess.Fetch(ServiceCall::Timeout::Normal,
                             &CExchangeInProcessProxy::CheckServiceAccess,
                             CServiceConnection::In(directory), canAccess, canCreateFiles);
}

HRESULT CKV100ExchangeInterface::IsMappedNetworkDrive(const TString& path, bool* mapped)
{
    return m_inProcess.Fetch(ServiceCall::Timeout::Normal,
                             &CExchangeInProcessProxy::IsMappedNetworkDrive,
                             CServiceConnection::In(path), mapped);
}

HRESULT CKV100ExchangeInterface::GetClusterNetworkNames(TStringList* names)
{
    return m_inProcess.Fetch(ServiceCall::Timeout::Normal,
                             &CExchangeInProcessProxy::GetClusterNetworkNames,
                             CServiceConnection::In(), names);
}
