#include "engine/CKV100AgentInterface.h"

#include "engine/CEngineMetaTypes.h"
#include "engine/NoticeTypes.h"
#include "notify/CNoticeReader.h"

#include "AgentLogSettingsProxy.h"
#include "AgentScheduleProxy.h"
#include "core/CWideText.h"

CKV100AgentInterface::CKV100AgentInterface(QObject* parent)
    : QObject(parent)
    , m_listener(this)
{
    CEngineMetaTypes::Register();
    m_connection.SetListener<CAgentProxy>(&m_listener,
                                          [](int classIndex) { return classIndex == 0; });
}

CKV100AgentInterface::~CKV100AgentInterface()
{
    Disconnect();
}

HRESULT CKV100AgentInterface::Connect(const TString& computer, const TString& user,
                                      const TString& password, const TString& domain,
                                      const TStringList& classIds)
{
    QStringList order;
    for (const TString& id : classIds)
        order.append(CWideText::ToQString(id));
    ForgetSubObjects();
    const HRESULT result = m_connection.Connect(computer, user, password, domain, order);
    if (FAILED(result))
        return result;
    const int generation = m_connection.ClassIndex();
    m_newest = generation == 0;
    m_newer = generation == 0 || generation == 1;
    return result;
}

void CKV100AgentInterface::Disconnect()
{
    ForgetSubObjects();
    m_connection.Disconnect();
    m_newest = m_newer = false;
}

std::optional<CComObjectRef> CKV100AgentInterface::KnownSubObject(TSubObjectGetter getter) const
{
    const QMutexLocker locker(&m_subObjectsMutex);
    for (const auto& [known, subObject] : m_subObjects) {
        if (known == getter)
            return subObject;
    }
    return std::nullopt;
}

void CKV100AgentInterface::RememberSubObject(TSubObjectGetter getter,
                                             const CComObjectRef& subObject)
{
    const QMutexLocker locker(&m_subObjectsMutex);
    for (auto& [known, remembered] : m_subObjects) {
        if (known == getter) {
            remembered = subObject;
            return;
        }
    }
    m_subObjects.emplace_back(getter, subObject);
}

void CKV100AgentInterface::ForgetSubObjects()
{
    const QMutexLocker locker(&m_subObjectsMutex);
    m_subObjects.clear();
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

HRESULT CKV100AgentInterface::QueryLog(double fromDate, double toDate, int first, int count,
                                       DBusContract::TPropertyBag* bag)
{
    return AgentFetch(ServiceCall::Timeout::Long, &CAgentProxy::QueryLog,
                      CServiceConnection::In(fromDate, toDate, first, count), bag);
}

HRESULT CKV100AgentInterface::QueryLogText(double fromDate, double toDate, int first, int count,
                                           TString* log)
{
    return AgentFetch(ServiceCall::Timeout::Long, &CAgentProxy::QueryLogText,
                      CServiceConnection::In(fromDate, toDate, first, count), log);
}

HRESULT CKV100AgentInterface::CreateSchedule(const TString& name, uint source, uint code,
                                             const TString& parameters)
{
    return SubObjectFetch(&CAgentProxy::GetScheduleObject, ServiceCall::Timeout::Normal,
                          &CAgentScheduleProxy::CreateSchedule,
                          CServiceConnection::In(name, source, code, parameters));
}

HRESULT CKV100AgentInterface::AddItem(const TString& schedule, const TString& item, double firstRun,
                                      uint intervalSeconds, uint maxDurationSeconds, uint flags)
{
    return SubObjectFetch(&CAgentProxy::GetScheduleObject, ServiceCall::Timeout::Normal,
                          &CAgentScheduleProxy::AddItem,
                          CServiceConnection::In(schedule, item, firstRun, intervalSeconds,
                                                 maxDurationSeconds, flags));
}

HRESULT CKV100AgentInterface::DeleteSchedule(const TString& name)
{
    return SubObjectFetch(&CAgentProxy::GetScheduleObject, ServiceCall::Timeout::Normal,
                          &CAgentScheduleProxy::DeleteSchedule, CServiceConnection::In(name));
}

HRESULT CKV100AgentInterface::RenameSchedule(const TString& oldName, const TString& newName)
{
    return SubObjectFetch(&CAgentProxy::GetScheduleObject, ServiceCall::Timeout::Normal,
                          &CAgentScheduleProxy::RenameSchedule,
                          CServiceConnection::In(oldName, newName));
}

HRESULT CKV100AgentInterface::GetScheduleNames(uint kind, TStringList* names)
{
    return SubObjectFetch(&CAgentProxy::GetScheduleObject, ServiceCall::Timeout::Normal,
                          &CAgentScheduleProxy::GetScheduleNames, CServiceConnection::In(kind),
                          names);
}

HRESULT CKV100AgentInterface::GetSchedule(const TString& name, uint* source, uint* code,
                                          TString* parameters, bool* disabled, double* lastRun,
                                          double* nextRun)
{
    return SubObjectFetch(&CAgentProxy::GetScheduleObject, ServiceCall::Timeout::Normal,
                          &CAgentScheduleProxy::GetSchedule, CServiceConnection::In(name), source,
                          code, parameters, disabled, lastRun, nextRun);
}

HRESULT CKV100AgentInterface::GetScheduleItems(const TString& name, TStringList* items,
                                               QList<double>* firstRuns,
                                               QList<uint>* intervalSeconds,
                                               QList<uint>* maxDurationSeconds, QList<uint>* flags)
{
    return SubObjectFetch(&CAgentProxy::GetScheduleObject, ServiceCall::Timeout::Normal,
                          &CAgentScheduleProxy::GetScheduleItems, CServiceConnection::In(name),
                          items, firstRuns, intervalSeconds, maxDurationSeconds, flags);
}

HRESULT CKV100AgentInterface::GetSchedulesWithItems(const TStringList& names,
                                                    std::vector<TScheduleWithItems>* schedules)
{
    if (schedules == nullptr)
        return E_POINTER;
    if (!IsConnected())
        return E_FAIL;
    const std::optional<CComObjectRef> object = KnownSubObject(&CAgentProxy::GetScheduleObject);
    if (!object)
        return E_NOTIMPL;
    const auto proxy = object->MakeProxy<CAgentScheduleProxy>(ServiceCall::Timeout::Normal);
    using THeader = QDBusPendingReply<int, uint, uint, QString, bool, double, double>;
    using TItems =
        QDBusPendingReply<int, QStringList, QList<double>, QList<uint>, QList<uint>, QList<uint>>;
    std::vector<std::pair<THeader, TItems>> replies;
    replies.reserve(names.size());
    for (const TString& name : names) {
        const QString wire = ServiceCall::ToWire(name);
        replies.emplace_back(proxy->GetSchedule(wire), proxy->GetScheduleItems(wire));
    }
    std::vector<TScheduleWithItems> read(replies.size());
    for (std::size_t index = 0; index < replies.size(); ++index) {
        auto& [header, items] = replies[index];
        TScheduleWithItems& schedule = read[index];
        schedule.result = CDBusResult::Of(header, object->Connection());
        if (SUCCEEDED(schedule.result)) {
            schedule.source = header.argumentAt<1>();
            schedule.code = header.argumentAt<2>();
            ServiceCall::FromWire(header.argumentAt<3>(), &schedule.parameters);
            schedule.disabled = header.argumentAt<4>();
            schedule.lastRun = header.argumentAt<5>();
            schedule.nextRun = header.argumentAt<6>();
        }
        schedule.itemsResult = CDBusResult::Of(items, object->Connection());
        if (SUCCEEDED(schedule.itemsResult)) {
            ServiceCall::FromWire(items.argumentAt<1>(), &schedule.items);
            schedule.firstRuns = items.argumentAt<2>();
            schedule.intervalSeconds = items.argumentAt<3>();
            schedule.maxDurationSeconds = items.argumentAt<4>();
            schedule.flags = items.argumentAt<5>();
        }
        if (schedule.result == CDBusResult::RpcServerUnavailable ||
            schedule.itemsResult == CDBusResult::RpcServerUnavailable) {
            ForgetSubObjects();
            return CDBusResult::RpcServerUnavailable;
        }
    }
    *schedules = std::move(read);
    return S_OK;
}

HRESULT CKV100AgentInterface::GetDisabled(const TString& name, bool* disabled)
{
    return SubObjectFetch(&CAgentProxy::GetScheduleObject, ServiceCall::Timeout::Normal,
                          &CAgentScheduleProxy::GetDisabled, CServiceConnection::In(name),
                          disabled);
}

HRESULT CKV100AgentInterface::SetDisabled(const TString& name, bool disabled)
{
    return SubObjectFetch(&CAgentProxy::GetScheduleObject, ServiceCall::Timeout::Normal,
                          &CAgentScheduleProxy::SetDisabled,
                          CServiceConnection::In(name, disabled));
}

HRESULT CKV100AgentInterface::RunNow(const TString& name)
{
    return SubObjectFetch(&CAgentProxy::GetScheduleObject, ServiceCall::Timeout::Normal,
                          &CAgentScheduleProxy::RunNow, CServiceConnection::In(name));
}

HRESULT CKV100AgentInterface::GetAutoUpdateSchedule(uint* intervalWeeks, uint* dayOfWeek)
{
    return SubObjectFetch(&CAgentProxy::GetScheduleObject, ServiceCall::Timeout::Normal,
                          &CAgentScheduleProxy::GetAutoUpdateSchedule, CServiceConnection::In(),
                          intervalWeeks, dayOfWeek);
}

HRESULT CKV100AgentInterface::SetAutoUpdateSchedule(uint intervalWeeks, uint dayOfWeek)
{
    return SubObjectFetch(&CAgentProxy::GetScheduleObject, ServiceCall::Timeout::Normal,
                          &CAgentScheduleProxy::SetAutoUpdateSchedule,
                          CServiceConnection::In(intervalWeeks, dayOfWeek));
}

HRESULT CKV100AgentInterface::GetLogDestination(uint* destination)
{
    return SubObjectFetch(&CAgentProxy::GetLogSettingsObject, ServiceCall::Timeout::Normal,
                          &CAgentLogSettingsProxy::GetLogDestination, CServiceConnection::In(),
                          destination);
}

HRESULT CKV100AgentInterface::SetLogDestination(uint destination)
{
    return SubObjectFetch(&CAgentProxy::GetLogSettingsObject, ServiceCall::Timeout::Normal,
                          &CAgentLogSettingsProxy::SetLogDestination,
                          CServiceConnection::In(destination));
}

HRESULT CKV100AgentInterface::ClearLog()
{
    return SubObjectFetch(&CAgentProxy::GetLogSettingsObject, ServiceCall::Timeout::Long,
                          &CAgentLogSettingsProxy::ClearLog, CServiceConnection::In());
}
