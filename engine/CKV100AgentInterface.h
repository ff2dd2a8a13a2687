#pragma once

#include "core/Types.h"
#include "engine/CListenerBase.h"
#include "engine/CServiceConnection.h"
#include "engine/contract/ContractTypes.h"

#include "AgentProxy.h"

#include <QDBusObjectPath>
#include <QMutex>
#include <QObject>

#include <optional>
#include <string>
#include <utility>
#include <vector>

// The agent service's wrapper (the scheduling agent): schedules started and stopped, and the
// product's resource use.
class CKV100AgentInterface : public QObject {
    Q_OBJECT

public:
    explicit CKV100AgentInterface(QObject* parent = nullptr);
    ~CKV100AgentInterface() override;

    CListenerBase<CKV100AgentInterface>& Listener() { return m_listener; }

    // Creates the agent on the computer (empty: this one), trying the class IDs the engine named
    // (GetAgentClassIds) in its order, or all the agent's from the newest when it named none.
    // Only the newest generation (the first class ID) reports by notices: its listener is
    // subscribed. On failure the previous connection stays as it was.
    HRESULT Connect(const TString& computer, const TString& user, const TString& password,
                    const TString& domain, const TStringList& classIds = {});
    void Disconnect();
    bool IsConnected() const { return m_connection.IsConnected(); }
    bool IsRemote() const { return m_connection.IsRemote(); }
    // The first class ID answered.
    bool IsNewest() const { return m_newest; }
    // The first or the second answered.
    bool IsNewer() const { return m_newer; }
    QString ListenerName() const { return m_connection.ListenerName(); }

    void Dispatch(quint32 type, const QByteArray& body);

    // Every operation of the agent answers E_FAIL while it is not connected.

    using TSubObjectGetter = QDBusPendingReply<int, QDBusObjectPath> (CAgentProxy::*)();

    // A call on one of the agent's sub-objects: the sub-object is had from the agent (with the
    // one reconnection after a lost connection), then the method is called on it once. Also used
    // by the computer, configuration and browser wrappers.
    template <typename TProxy, typename... TOuts, typename... TParams, typename... TIns,
              typename... TTargets>
    HRESULT SubObjectFetch(TSubObjectGetter getter, int timeoutMs,
                           QDBusPendingReply<int, TOuts...> (TProxy::*method)(TParams...),
                           const std::tuple<TIns...>& ins, TTargets*... targets)
    {
        if (!IsConnected())
            return E_FAIL;
        if (CServiceConnection::AnyNull(targets...))
            return E_POINTER;
        // The sub-object had before is asked first: one round trip instead of two. Only a lost
        // connection sends the call again, the long way.
        if (const std::optional<CComObjectRef> known = KnownSubObject(getter)) {
            const HRESULT result =
                CServiceConnection::Invoke(*known, timeoutMs, method, ins, targets...);
            if (result != CDBusResult::RpcServerUnavailable)
                return result;
            ForgetSubObjects();
        }
        CComObjectRef subObject;
        const HRESULT found = m_connection.Call([&](const CComObjectRef& agent) {
            QDBusObjectPath path;
            const HRESULT answered = CServiceConnection::Invoke(
                agent, ServiceCall::Timeout::Normal, getter, CServiceConnection::In(), &path);
            if (SUCCEEDED(answered))
                subObject = agent.Sibling(path.path());
            return answered;
        });
        if (FAILED(found))
            return found;
        RememberSubObject(getter, subObject);
        return CServiceConnection::Invoke(subObject, timeoutMs, method, ins, targets...);
    }

    // Log entries of a date range (oldest agent generation), as a property bag. Section "/":
    // NumLogPoints and TotalAvailableLogPoints (i); sections "/1" to "/n": LogTime (d), Source (s),
    // EventType (i), EventId (i), Message (s). first is zero-based; at most count entries.
    HRESULT QueryLog(double fromDate, double toDate, int first, int count,
                     DBusContract::TPropertyBag* bag);
    // Slot 18, newer agents: the same query answered as one text. It starts with the total number
    // of entries of the range in decimal; each entry follows as U+001E and five fields separated by
    // U+001F: log time (OLE date, decimal with a point), source, event type, event id, message.
    HRESULT QueryLogText(double fromDate, double toDate, int first, int count, TString* log);

    // Schedules (the sub-object of slot 13).

    // Slot 7: creates or replaces a schedule. source: 1 local. code: 101 to 106 drives, 201 to 203
    // Exchange, 401 to 403 guests. parameters: the parameter string.
    HRESULT CreateSchedule(const TString& name, uint source, uint code, const TString& parameters);
    // Slot 8: adds a timed item. flags: 1 offline pass, 4 shut down when complete; Exchange and
    // guest items pass 0 for the duration and the flags.
    HRESULT AddItem(const TString& schedule, const TString& item, double firstRun,
                    uint intervalSeconds, uint maxDurationSeconds, uint flags);
    // Slot 9: deletes the schedule with its items.
    HRESULT DeleteSchedule(const TString& name);
    // Slots 11 and 14: gives the schedule a new name.
    HRESULT RenameSchedule(const TString& oldName, const TString& newName);
    // Slots 12 to 15. kind bits: 1 drive schedules made here, 2 drive schedules from Group Policy
    // or the enterprise console, 4 Exchange schedules, 8 guest schedules.
    HRESULT GetScheduleNames(uint kind, TStringList* names);
    // Slots 18 to 23: source (1 local, 2 Group Policy, 4 enterprise console), code, parameter
    // string, disabled flag, last and next run (0 unknown).
    HRESULT GetSchedule(const TString& name, uint* source, uint* code, TString* parameters,
                        bool* disabled, double* lastRun, double* nextRun);
    // Slots 28 and 29: the items in parallel lists, in the order they were added.
    HRESULT GetScheduleItems(const TString& name, TStringList* items, QList<double>* firstRuns,
                             QList<uint>* intervalSeconds, QList<uint>* maxDurationSeconds,
                             QList<uint>* flags);
    // A schedule with its items as GetSchedule and GetScheduleItems answer them, each with its
    // own result; the values are set only where that result is a success.
    struct TScheduleWithItems {
        HRESULT result = E_FAIL;
        uint source = 0;
        uint code = 0;
        TString parameters;
        bool disabled = false;
        double lastRun = 0.0;
        double nextRun = 0.0;
        HRESULT itemsResult = E_FAIL;
        TStringList items;
        QList<double> firstRuns;
        QList<uint> intervalSeconds;
        QList<uint> maxDurationSeconds;
        QList<uint> flags;
    };
    // GetSchedule and GetScheduleItems for every name, the calls sent together and the answers
    // taken in order: one wait for all instead of two round trips a schedule. E_NOTIMPL while the
    // schedule object has not been reached yet (any schedule call reaches it); a lost connection
    // is RpcServerUnavailable with nothing read, and the next call takes the long way.
    HRESULT GetSchedulesWithItems(const TStringList& names,
                                  std::vector<TScheduleWithItems>* schedules);
    // Slot 24: whether the schedule is disabled.
    HRESULT GetDisabled(const TString& name, bool* disabled);
    // Slot 25.
    HRESULT SetDisabled(const TString& name, bool disabled);
    // Slot 26: runs the schedule at once.
    HRESULT RunNow(const TString& name);
    // When updates are checked: every intervalWeeks weeks on dayOfWeek (0 Sunday to 6 Saturday).
    HRESULT GetAutoUpdateSchedule(uint* intervalWeeks, uint* dayOfWeek);
    HRESULT SetAutoUpdateSchedule(uint intervalWeeks, uint dayOfWeek);

    // Log settings (the sub-object of slot 15).

    // 0 the product's own log, 1 the system's application event log.
    HRESULT GetLogDestination(uint* destination);
    HRESULT SetLogDestination(uint destination);
    // Empties the log.
    HRESULT ClearLog();

signals:
    void ScheduleStarted(const std::wstring& schedule_name, const std::wstring& item_name);
    void ScheduleStopped(const std::wstring& schedule_name, const std::wstring& item_name);
    void ResourcesUpdated(double cpu_value, double io_value);

private:
    template <typename... TOuts, typename... TParams, typename... TIns, typename... TTargets>
    HRESULT AgentFetch(int timeoutMs,
                       QDBusPendingReply<int, TOuts...> (CAgentProxy::*method)(TParams...),
                       const std::tuple<TIns...>& ins, TTargets*... targets)
    {
        if (!IsConnected())
            return E_FAIL;
        return m_connection.Fetch(timeoutMs, method, ins, targets...);
    }

    // The sub-objects the agent gave on this connection, by their getters.
    std::optional<CComObjectRef> KnownSubObject(TSubObjectGetter getter) const;
    void RememberSubObject(TSubObjectGetter getter, const CComObjectRef& subObject);
    void ForgetSubObjects();

    CServiceConnection m_connection{ServiceContract::Agent};
    mutable QMutex m_subObjectsMutex;
    std::vector<std::pair<TSubObjectGetter, CComObjectRef>> m_subObjects;
    CListenerBase<CKV100AgentInterface> m_listener;
    bool m_newest = false;
    bool m_newer = false;
};
