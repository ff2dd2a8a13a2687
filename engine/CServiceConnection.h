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
// (kept as a reference from which every call makes a fresh proxy) and whether it is connected.
// Connect creates the object once to see that it can, keeps the parameters, and connects for
// real; a call that finds the server gone (0x800706BA) reconnects with the kept parameters and
// is made once more. A call that merely timed out (RPC_E_TIMEOUT) may have been carried out and
// is never made again.
class CServiceConnection {
public:
    explicit CServiceConnection(const TServiceContract& contract);

    // Parameters in the wrappers' order; an empty computer is this one, an empty user the
    // caller's own identity. On failure nothing changes and the creation's HRESULT is returned.
    HRESULT Connect(const TString& computer, const TString& user, const TString& password,
                    const TString& domain);
    // Creates the object once and lets it go: whether Connect would succeed. Changes nothing.
    HRESULT Probe(const TString& computer, const TString& user, const TString& password,
                  const TString& domain) const;
    // The class IDs to try, in this order, instead of the contract's; those the contract does
    // not know are left out, and when none is left the contract's order holds.
    void SetClassOrder(const QStringList& classIds);
    // Creates the object again with the kept parameters.
    HRESULT InternalConnect();
    void Disconnect();

    bool IsConnected() const;
    // A computer other than this one.
    bool IsRemote() const;
    const QString& Computer() const { return m_computer; }
    // Which of the contract's class IDs answered (0 the newest), -1 when not connected; the same
    // whatever order they were tried in.
    int ClassIndex() const;

    // Runs one call on the object: E_UNEXPECTED when not connected; after 0x800706BA the
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

    // Once connected: starts the listener under a fresh name (in *name) and subscribes it with
    // this computer's name through the service's proxy. On failure the listener is stopped and
    // the connection dropped.
    template <typename TProxy>
    HRESULT StartListening(CNoticeListener& listener, QString* name)
    {
        return StartListeningOn<TProxy>(*this, listener, name);
    }

    // Unsubscribes (while connected), stops the listener and drops the connection.
    template <typename TProxy>
    void StopListening(CNoticeListener& listener, QString* name)
    {
        StopListeningOn<TProxy>(*this, listener, name);
    }

    // The same for any connection with Fetch, IsConnected and Disconnect.
    template <typename TProxy, typename TConnection>
    static HRESULT StartListeningOn(TConnection& connection, CNoticeListener& listener,
                                    QString* name)
    {
        if (const DWORD started = listener.Start(name); started != ERROR_SUCCESS) {
            connection.Disconnect();
            return HRESULT_FROM_WIN32(started);
        }
        const HRESULT result = connection.Fetch(ServiceCall::Timeout::Quick, &TProxy::Subscribe,
                                                In(CComputerName::Local(), *name));
        if (FAILED(result)) {
            listener.Stop();
            name->clear();
            connection.Disconnect();
        }
        return result;
    }

    template <typename TProxy, typename TConnection>
    static void StopListeningOn(TConnection& connection, CNoticeListener& listener, QString* name)
    {
        if (connection.IsConnected() && !name->isEmpty())
            connection.Fetch(ServiceCall::Timeout::Quick, &TProxy::Unsubscribe,
                             In(CComputerName::Local(), *name));
        listener.Stop();
        name->clear();
        connection.Disconnect();
    }

private:
    template <typename TReply, std::size_t... I, typename... TTargets>
    static void Assign([[maybe_unused]] TReply& reply, std::index_sequence<I...>,
                       [[maybe_unused]] TTargets*... targets)
    {
        (ServiceCall::FromWire(reply.template argumentAt<I + 1>(), targets), ...);
    }

    HRESULT Create(const QString& computer, const TComCredentials& credentials,
                   CComObjectRef* object) const;

    QStringList TriedClassIds() const;

    const TServiceContract& m_contract;
    QStringList m_classOrder; // empty: the contract's
    QString m_computer;
    TComCredentials m_credentials;
    mutable QMutex m_mutex;
    CComObjectRef m_object; // invalid when not connected
};
