#pragma once

#include "core/HResult.h"
#include "core/Types.h"
#include "engine/CServiceConnection.h"
#include "engine/ServiceContract.h"
#include "notify/CNoticeListener.h"
#include "platform/CComputerName.h"
#include "platform/com/IComActivator.h"

#include <QMutex>
#include <QString>

// A service reached the way the file wrappers reach theirs: connecting only keeps the computer
// and the credentials (after seeing that the service can be created there), and every operation
// creates the service object afresh, makes its one call and lets it go. A call that finds the
// server gone (0x800706BA) creates the object once more and repeats. TProxy is the generated
// proxy of the service's interface.
template <typename TProxy>
class CKV100PrivateImpl {
public:
    virtual ~CKV100PrivateImpl() = default;

    // The class ID of the service.
    virtual QString ClassId() const = 0;

    // The first class ID of a contract, for ClassId.
    static QString ClassIdOf(const TServiceContract& contract)
    {
        return CServiceConnection::ClassIds(contract).constFirst();
    }

    // On failure nothing changes and the creation's HRESULT is returned.
    HRESULT Connect(const TString& computer, const TString& user, const TString& password,
                    const TString& domain)
    {
        const QString target = QString::fromStdWString(computer);
        const TComCredentials credentials{QString::fromStdWString(user),
                                          QString::fromStdWString(password),
                                          QString::fromStdWString(domain)};
        CComObjectRef probe;
        const HRESULT created = Create(target, credentials, &probe);
        if (FAILED(created))
            return created;
        QMutexLocker locker(&m_mutex);
        m_computer = target;
        m_credentials = credentials;
        m_connected = true;
        return created;
    }

    void Disconnect()
    {
        QMutexLocker locker(&m_mutex);
        m_connected = false;
    }

    bool IsConnected() const
    {
        QMutexLocker locker(&m_mutex);
        return m_connected;
    }

    bool IsRemote() const
    {
        QMutexLocker locker(&m_mutex);
        return !CComputerName::IsLocal(m_computer);
    }

    // One call on a fresh service object; E_UNEXPECTED when not connected. Arguments as
    // CServiceConnection::Fetch.
    template <typename... TOuts, typename... TParams, typename... TIns, typename... TTargets>
    HRESULT Fetch(int timeoutMs, QDBusPendingReply<int, TOuts...> (TProxy::*method)(TParams...),
                  const std::tuple<TIns...>& ins, TTargets*... targets) const
    {
        QString computer;
        TComCredentials credentials;
        {
            QMutexLocker locker(&m_mutex);
            if (!m_connected)
                return E_UNEXPECTED;
            if (CServiceConnection::AnyNull(targets...))
                return E_POINTER;
            computer = m_computer;
            credentials = m_credentials;
        }
        HRESULT result = S_OK;
        for (int attempt = 0; attempt < 2; ++attempt) {
            CComObjectRef object;
            const HRESULT created = Create(computer, credentials, &object);
            if (FAILED(created))
                return attempt == 0 ? created : result;
            result = CServiceConnection::Invoke(object, timeoutMs, method, ins, targets...);
            if (result != CDBusResult::RpcServerUnavailable)
                break;
        }
        return result;
    }

    // Once connected: starts the listener under a fresh name and subscribes it with this
    // computer's name. On failure the listener is stopped and the connection dropped.
    HRESULT StartListening(CNoticeListener& listener, QString* name)
    {
        return CServiceConnection::StartListeningOn<TProxy>(*this, listener, name);
    }

    // Unsubscribes (while connected), stops the listener and drops the connection.
    void StopListening(CNoticeListener& listener, QString* name)
    {
        CServiceConnection::StopListeningOn<TProxy>(*this, listener, name);
    }

private:
    HRESULT Create(const QString& computer, const TComCredentials& credentials,
                   CComObjectRef* object) const
    {
        const QString classId = ClassId();
        const TServiceContract* contract =
            ServiceContract::ForClassId(classId.toLatin1().toStdString());
        if (!contract)
            return REGDB_E_CLASSNOTREG;
        return IComActivator::Instance().CreateInstance(
            {classId}, CServiceConnection::InterfaceId(*contract), computer, credentials, object);
    }

    mutable QMutex m_mutex;
    QString m_computer;
    TComCredentials m_credentials;
    bool m_connected = false;
};
