#pragma once

#include "core/HResult.h"
#include "core/Types.h"
#include "engine/CServiceConnection.h"
#include "engine/ServiceContract.h"
#include "notify/CNoticeListener.h"

#include <QString>

// A service reached the way the file wrappers reach theirs: connecting keeps the computer and
// the credentials (after seeing that the service can be created there), and every operation
// creates the service object afresh, makes its one call and lets it go, with the reconnection
// rules of CServiceConnection. TProxy is the generated proxy of the service's interface.
template <typename TProxy>
class CKV100PrivateImpl {
public:
    explicit CKV100PrivateImpl(const TServiceContract& contract)
        : m_connection(contract, CServiceConnection::TMode::ObjectPerCall)
    {}
    virtual ~CKV100PrivateImpl() = default;

    // Before the first Connect: the listener Connect subscribes with the service.
    void SetListener(CNoticeListener* listener) { m_connection.SetListener<TProxy>(listener); }

    // The service of the contract's first class ID. On failure the previous connection stays
    // as it was and the HRESULT is returned.
    HRESULT Connect(const TString& computer, const TString& user, const TString& password,
                    const TString& domain)
    {
        return m_connection.Connect(
            computer, user, password, domain,
            {CServiceConnection::ClassIds(m_connection.Contract()).constFirst()});
    }
    void Disconnect() { m_connection.Disconnect(); }
    bool IsConnected() const { return m_connection.IsConnected(); }
    bool IsRemote() const { return m_connection.IsRemote(); }
    QString ListenerName() const { return m_connection.ListenerName(); }

    // One call on a fresh service object; E_UNEXPECTED when not connected. Arguments as
    // CServiceConnection::Fetch.
    template <typename... TOuts, typename... TParams, typename... TIns, typename... TTargets>
    HRESULT Fetch(int timeoutMs, QDBusPendingReply<int, TOuts...> (TProxy::*method)(TParams...),
                  const std::tuple<TIns...>& ins, TTargets*... targets)
    {
        return m_connection.Fetch(timeoutMs, method, ins, targets...);
    }

private:
    CServiceConnection m_connection;
};
