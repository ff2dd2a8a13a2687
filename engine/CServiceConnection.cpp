#include "engine/CServiceConnection.h"

#include "core/CWideText.h"
#include "engine/contract/ContractTypes.h"
#include "platform/CComputerName.h"
#include "platform/com/CDBusResult.h"

namespace {

// Whether two objects live on the same peer connection. A connection is told by its libdbus
// connection, which stays allocated as long as an object refers to it.
bool SameConnection(const CComObjectRef& a, const CComObjectRef& b)
{
    return a.Connection().internalPointer() == b.Connection().internalPointer();
}

bool SameObject(const CComObjectRef& a, const CComObjectRef& b)
{
    return a.Path() == b.Path() && SameConnection(a, b);
}

} // namespace

CServiceConnection::CServiceConnection(const TServiceContract& contract, TMode mode)
    : m_contract(contract)
    , m_mode(mode)
{
    // Replies demarshal the contract's own types (the agent's property bags) only once QtDBus
    // knows them.
    DBusContract::RegisterTypes();
}

// The owner disconnects: its listener may be gone by now.
CServiceConnection::~CServiceConnection() = default;

QStringList CServiceConnection::ClassIds(const TServiceContract& contract)
{
    QStringList ids;
    for (std::size_t i = 0; i < contract.ClassIdCount(); ++i)
        ids.append(QString::fromLatin1(contract.classIds[i].data(),
                                       static_cast<qsizetype>(contract.classIds[i].size())));
    return ids;
}

QString CServiceConnection::InterfaceId(const TServiceContract& contract)
{
    return QString::fromLatin1(contract.interfaceId.data(),
                               static_cast<qsizetype>(contract.interfaceId.size()));
}

QString CServiceConnection::Where(const TState& state) const
{
    // Local servers and in-process parts run on this computer whatever computer the console
    // drives.
    return m_contract.where == TServiceContract::TWhere::LocalOrRemote ? state.computer : QString();
}

HRESULT CServiceConnection::Create(const TState& state, CComObjectRef* object) const
{
    const QStringList tried = state.classOrder.isEmpty() ? ClassIds(m_contract) : state.classOrder;
    return IComActivator::Instance().CreateInstance(tried, InterfaceId(m_contract), Where(state),
                                                    state.credentials, object);
}

QStringList CServiceConnection::KnownClassIds(const QStringList& classIds) const
{
    const QStringList known = ClassIds(m_contract);
    QStringList order;
    for (const QString& id : classIds) {
        for (const QString& candidate : known) {
            if (candidate.compare(id, Qt::CaseInsensitive) == 0 && !order.contains(candidate))
                order.append(candidate);
        }
    }
    return order;
}

int CServiceConnection::ContractIndex(const CComObjectRef& object,
                                      const QStringList& classOrder) const
{
    const int tried = object.ClassIndex();
    if (classOrder.isEmpty())
        return tried;
    if (tried < 0 || tried >= classOrder.size())
        return -1;
    return static_cast<int>(ClassIds(m_contract).indexOf(classOrder.at(tried)));
}

bool CServiceConnection::Listens(const CComObjectRef& object, const QStringList& classOrder) const
{
    return m_listener && (!m_listens || m_listens(ContractIndex(object, classOrder)));
}

HRESULT CServiceConnection::Subscribe(const TState& state, const CComObjectRef& object,
                                      QString* subscriber) const
{
    if (const HRESULT routed = IComActivator::Instance().NoticeSubscriber(
            Where(state), state.credentials, state.listenerName, subscriber);
        FAILED(routed))
        return routed;
    m_listener->ExpectNewWriter();
    return m_subscription(object, *subscriber, state.listenerName, true);
}

void CServiceConnection::Unsubscribe(const TState& state) const
{
    m_subscription(state.subscribedOn, state.subscriber, state.listenerName, false);
}

HRESULT CServiceConnection::Probe(const TString& computer, const TString& user,
                                  const TString& password, const TString& domain) const
{
    TState state;
    state.computer = CWideText::ToQString(computer);
    state.credentials = {CWideText::ToQString(user), CWideText::ToQString(password),
                         CWideText::ToQString(domain)};
    CComObjectRef probe;
    return Create(state, &probe);
}

HRESULT CServiceConnection::Connect(const TString& computer, const TString& user,
                                    const TString& password, const TString& domain,
                                    const QStringList& classIds)
{
    TState next;
    next.computer = CWideText::ToQString(computer);
    next.credentials = {CWideText::ToQString(user), CWideText::ToQString(password),
                        CWideText::ToQString(domain)};
    next.classOrder = KnownClassIds(classIds);

    QMutexLocker change(&m_changeMutex);
    if (const HRESULT created = Create(next, &next.object); FAILED(created))
        return created;
    TState previous;
    {
        QMutexLocker locker(&m_mutex);
        previous = m_state;
    }
    if (Listens(next.object, next.classOrder)) {
        // A running listener keeps its mailslot and name; one that is not running (never
        // started, or ended by an error) starts under a fresh name.
        bool started = false;
        if (m_listener->IsRunning() && !previous.listenerName.isEmpty()) {
            next.listenerName = previous.listenerName;
        } else if (const DWORD error = m_listener->Start(&next.listenerName);
                   error != ERROR_SUCCESS) {
            return HRESULT_FROM_WIN32(error);
        } else {
            started = true;
        }
        if (const HRESULT subscribed = Subscribe(next, next.object, &next.subscriber);
            FAILED(subscribed)) {
            if (started)
                m_listener->Stop();
            return subscribed;
        }
        next.subscribedOn = next.object;
    }
    {
        QMutexLocker locker(&m_mutex);
        m_state = next;
    }
    // The previous subscription goes now, unless the new one is that same subscription (the same
    // service object, which keeps a name subscribed once).
    if (!previous.listenerName.isEmpty() && (previous.listenerName != next.listenerName ||
                                             !SameObject(previous.subscribedOn, next.subscribedOn)))
        Unsubscribe(previous);
    if (!previous.listenerName.isEmpty() && next.listenerName.isEmpty())
        m_listener->Stop();
    return S_OK;
}

void CServiceConnection::DropConnection(bool unsubscribe)
{
    TState previous;
    {
        QMutexLocker locker(&m_mutex);
        previous = m_state;
        m_state.object = CComObjectRef();
        m_state.subscribedOn = CComObjectRef();
        m_state.listenerName.clear();
        m_state.subscriber.clear();
    }
    if (unsubscribe && !previous.listenerName.isEmpty())
        Unsubscribe(previous);
    if (m_listener)
        m_listener->Stop();
}

void CServiceConnection::Disconnect()
{
    QMutexLocker change(&m_changeMutex);
    DropConnection(true);
}

bool CServiceConnection::IsConnected() const
{
    QMutexLocker locker(&m_mutex);
    return m_state.object.IsValid();
}

bool CServiceConnection::IsRemote() const
{
    QMutexLocker locker(&m_mutex);
    return !CComputerName::IsLocal(m_state.computer);
}

QString CServiceConnection::Computer() const
{
    QMutexLocker locker(&m_mutex);
    return m_state.computer;
}

int CServiceConnection::ClassIndex() const
{
    QMutexLocker locker(&m_mutex);
    return m_state.object.IsValid() ? ContractIndex(m_state.object, m_state.classOrder) : -1;
}

QString CServiceConnection::ListenerName() const
{
    QMutexLocker locker(&m_mutex);
    return m_state.listenerName;
}

HRESULT CServiceConnection::Renew(const CComObjectRef& fresh)
{
    TState state;
    {
        QMutexLocker locker(&m_mutex);
        state = m_state;
    }
    if (!state.object.IsValid())
        return E_UNEXPECTED; // disconnected in between
    QString subscriber = state.subscriber;
    if (!state.listenerName.isEmpty() && !SameConnection(fresh, state.subscribedOn)) {
        if (const HRESULT subscribed = Subscribe(state, fresh, &subscriber); FAILED(subscribed))
            return subscribed;
    }
    QMutexLocker locker(&m_mutex);
    if (!state.listenerName.isEmpty()) {
        m_state.subscribedOn = fresh;
        m_state.subscriber = subscriber;
    }
    if (m_mode == TMode::KeptObject)
        m_state.object = fresh;
    return S_OK;
}

HRESULT CServiceConnection::Target(CComObjectRef* object)
{
    TState state;
    {
        QMutexLocker locker(&m_mutex);
        state = m_state;
    }
    if (!state.object.IsValid())
        return E_UNEXPECTED;
    if (m_mode == TMode::KeptObject) {
        *object = state.object;
        return S_OK;
    }
    if (const HRESULT created = Create(state, object); FAILED(created))
        return created;
    if (state.listenerName.isEmpty() || SameConnection(*object, state.subscribedOn))
        return S_OK;
    // Created on another connection than the subscription's: the service was restarted.
    QMutexLocker change(&m_changeMutex);
    return Renew(*object);
}

HRESULT CServiceConnection::Reconnect(const CComObjectRef& failed, CComObjectRef* object)
{
    QMutexLocker change(&m_changeMutex);
    TState state;
    {
        QMutexLocker locker(&m_mutex);
        state = m_state;
    }
    if (!state.object.IsValid())
        return E_UNEXPECTED;
    if (m_mode == TMode::KeptObject && !SameObject(state.object, failed)) {
        // Another call has made the connection again meanwhile.
        *object = state.object;
        return S_OK;
    }
    HRESULT result = Create(state, object);
    if (SUCCEEDED(result))
        result = Renew(*object);
    // A service that cannot be reached again leaves nothing behind: a listener kept without a
    // service would never hear anything.
    if (FAILED(result) && m_mode == TMode::KeptObject)
        DropConnection(false);
    return result;
}

HRESULT CServiceConnection::Call(const std::function<HRESULT(const CComObjectRef&)>& call)
{
    CComObjectRef object;
    if (const HRESULT found = Target(&object); FAILED(found))
        return found;
    const HRESULT result = call(object);
    if (result != CDBusResult::RpcServerUnavailable)
        return result;
    if (FAILED(Reconnect(object, &object)))
        return result;
    return call(object);
}
