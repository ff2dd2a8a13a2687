#pragma once

#include "core/HResult.h"
#include "core/Types.h"
#include "engine/ServiceCall.h"
#include "engine/ServiceContract.h"
#include "notify/CNoticeListener.h"
#include "platform/CComputerName.h"
#include "platform/com/CDBusResult.h"
#include "platform/com/IComActivator.h"

#include <QMutex>
#include <QString>

#include <functional>
#include <tuple>
#include <utility>

// What a connecting wrapper keeps of its service: the connection parameters, the created object
// (kept as a reference from which every call makes a fresh proxy), and the subscription of the
// wrapper's listener, if it has one.
//
// Connect is all or nothing: the new object is created and the listener subscribed with it
// before anything of the previous connection is let go, so a failed Connect leaves the previous
// connection, listener and subscription as they were. The listener keeps running across
// connections under the same name (its mailslot is this computer's); a new service subscribes
// that name before the previous one unsubscribes it.
//
// A call that fails because the connection is gone (0x800706BA, never a mere time-out, which
// answers RPC_E_TIMEOUT and may have been carried out) creates the object again with the kept
// parameters, subscribes the listener again (a restarted service remembers no subscriber) and
// is made once more. When that reconnection fails, the connection is dropped and the listener
// stopped.
//
// Wrappers whose service is created afresh for every call (TMode::ObjectPerCall) keep only the
// parameters; a call whose object lives on another peer connection than the subscription's
// (the service was restarted in between) subscribes the listener again first, and nothing is
// ever dropped by a failure: the next call tries again.
class CServiceConnection {
public:
    enum class TMode { KeptObject, ObjectPerCall };

    explicit CServiceConnection(const TServiceContract& contract, TMode mode = TMode::KeptObject);
    ~CServiceConnection();
    CServiceConnection(const CServiceConnection&) = delete;
    CServiceConnection& operator=(const CServiceConnection&) = delete;

    // Before the first Connect: the listener that Connect subscribes through TProxy's Subscribe
    // and Unsubscribe (with the computer name the activator gives for the service's computer,
    // IComActivator::NoticeSubscriber, and the listener's name), for the class IDs that listens
    // accepts (by their index in the contract; all when empty).
    template <typename TProxy>
    void SetListener(CNoticeListener* listener, std::function<bool(int classIndex)> listens = {})
    {
        m_listener = listener;
        m_listens = std::move(listens);
        m_subscription = [](const CComObjectRef& object, const QString& subscriber,
                            const QString& name, bool subscribe) {
            const auto method = subscribe ? &TProxy::Subscribe : &TProxy::Unsubscribe;
            return Invoke(object, ServiceCall::Timeout::Quick, method, In(subscriber, name));
        };
    }

    // Parameters in the wrappers' order; an empty computer is this one, an empty user the
    // caller's own identity. classIds: the class IDs to try, in this order, instead of the
    // contract's; those the contract does not know are left out, and when none is left the
    // contract's order holds. On failure nothing changes and the HRESULT of the creation or
    // the subscription is returned.
    HRESULT Connect(const TString& computer, const TString& user, const TString& password,
                    const TString& domain, const QStringList& classIds = {});
    // Creates the object once and lets it go: whether Connect would succeed. Changes nothing.
    HRESULT Probe(const TString& computer, const TString& user, const TString& password,
                  const TString& domain) const;
    // Unsubscribes (while subscribed), stops the listener and lets the object go. Safe when not
    // connected.
    void Disconnect();

    bool IsConnected() const;
    // A computer other than this one.
    bool IsRemote() const;
    QString Computer() const;
    // Which of the contract's class IDs answered (0 the newest), -1 when not connected; the same
    // whatever order they were tried in.
    int ClassIndex() const;
    // The name the listener is subscribed under; empty while it is not.
    QString ListenerName() const;
    const TServiceContract& Contract() const { return m_contract; }

    // Runs one call on the object: E_UNEXPECTED when not connected; after a lost connection the
    // connection is made again and the call repeated once.
    HRESULT Call(const std::function<HRESULT(const CComObjectRef& object)>& call);

    // One call of a generated proxy's asynchronous method on the connected object, with the
    // retry of Call: the in values (see In) go out converted to the wire, the answer's values
    // after the HRESULT come back converted into the targets, one per value. Targets are
    // written only on success; a null target is E_POINTER and nothing is sent.
    template <typename TProxy, typename... TOuts, typename... TParams, typename... TIns,
              typename... TTargets>
    HRESULT Fetch(int timeoutMs, QDBusPendingReply<int, TOuts...> (TProxy::*method)(TParams...),
                  const std::tuple<TIns...>& ins, TTargets*... targets)
    {
        if (AnyNull(targets...))
            return E_POINTER;
        return Call([&](const CComObjectRef& object) {
            return Invoke(object, timeoutMs, method, ins, targets...);
        });
    }

    // The same call on a given object, made once.
    template <typename TProxy, typename... TOuts, typename... TParams, typename... TIns,
              typename... TTargets>
    static HRESULT Invoke(const CComObjectRef& object, int timeoutMs,
                          QDBusPendingReply<int, TOuts...> (TProxy::*method)(TParams...),
                          const std::tuple<TIns...>& ins, TTargets*... targets)
    {
        static_assert(sizeof...(TOuts) == sizeof...(TTargets), "one target per answered value");
        if (AnyNull(targets...))
            return E_POINTER;
        auto proxy = object.MakeProxy<TProxy>(timeoutMs);
        QDBusPendingReply<int, TOuts...> reply = std::apply(
            [&](const auto&... in) { return ((*proxy).*method)(ServiceCall::ToWire(in)...); }, ins);
        const HRESULT result = CDBusResult::Of(reply, object.Connection());
        if (SUCCEEDED(result))
            Assign(reply, std::index_sequence_for<TOuts...>{}, targets...);
        return result;
    }

    // Whether any of a call's targets is null: such a call is E_POINTER and sends nothing.
    template <typename... TTargets>
    static bool AnyNull(TTargets*... targets)
    {
        return ((targets == nullptr) || ...);
    }

    // The in values of a call, held by reference for its length.
    template <typename... TIns>
    static std::tuple<const TIns&...> In(const TIns&... ins)
    {
        return std::tuple<const TIns&...>(ins...);
    }

    static QStringList ClassIds(const TServiceContract& contract);

    static QString InterfaceId(const TServiceContract& contract);

private:
    // What one connection is made of; the kept one is m_state.
    struct TState {
        QString computer;
        TComCredentials credentials;
        QStringList classOrder; // empty: the contract's
        CComObjectRef object;   // invalid when not connected
        QString listenerName;   // empty when not subscribed
        QString subscriber;     // the computer name it is subscribed under
        CComObjectRef subscribedOn;
    };

    template <typename TReply, std::size_t... I, typename... TTargets>
    static void Assign([[maybe_unused]] TReply& reply, std::index_sequence<I...>,
                       [[maybe_unused]] TTargets*... targets)
    {
        (ServiceCall::FromWire(reply.template argumentAt<I + 1>(), targets), ...);
    }

    // The computer the service runs on: the one connected to, or this one for local-only
    // services.
    QString Where(const TState& state) const;
    HRESULT Create(const TState& state, CComObjectRef* object) const;
    QStringList KnownClassIds(const QStringList& classIds) const;
    int ContractIndex(const CComObjectRef& object, const QStringList& classOrder) const;
    bool Listens(const CComObjectRef& object, const QStringList& classOrder) const;
    // Subscribes the state's listener name with the service of OBJECT; *subscriber: the
    // computer name it went under.
    HRESULT Subscribe(const TState& state, const CComObjectRef& object, QString* subscriber) const;
    // Ends the state's subscription.
    void Unsubscribe(const TState& state) const;
    // The object for the next call: the kept one, or a fresh one on a subscribed connection.
    HRESULT Target(CComObjectRef* object);
    // After a call on failed found the connection gone: the object to repeat it on.
    HRESULT Reconnect(const CComObjectRef& failed, CComObjectRef* object);
    // With m_changeMutex held: takes a freshly created object as the connection's, subscribing
    // the listener again when the object lives on another peer connection than the
    // subscription (a subscription lasts as long as the service process it was made with).
    HRESULT Renew(const CComObjectRef& fresh);
    // With m_changeMutex held: lets the connection go and stops the listener, unsubscribing first
    // when asked.
    void DropConnection(bool unsubscribe);

    const TServiceContract& m_contract;
    const TMode m_mode;
    CNoticeListener* m_listener = nullptr;
    std::function<bool(int)> m_listens;
    std::function<HRESULT(const CComObjectRef&, const QString&, const QString&, bool)>
        m_subscription;
    // Held while the connection changes (connect, disconnect, reconnection); never by a call.
    QMutex m_changeMutex;
    mutable QMutex m_mutex; // guards m_state
    TState m_state;
};
