#pragma once

#include "core/HResult.h"
#include "engine/ServiceContract.h"
#include "platform/com/IComActivator.h"

#include <QMutex>
#include <QString>

#include <functional>

// What a connecting wrapper keeps of its service: the connection parameters, the created object
// (kept as a reference from which every call makes a fresh proxy) and whether it is connected.
// Connect creates the object once to see that it can, keeps the parameters, and connects for
// real; a call that finds the server gone (0x800706BA) reconnects with the kept parameters and
// is made once more.
class CServiceConnection {
public:
    explicit CServiceConnection(const TServiceContract& contract);

    // Parameters in the wrappers' order; an empty computer is this one, an empty user the
    // caller's own identity. On failure nothing changes and the creation's HRESULT is returned.
    HRESULT Connect(const QString& computer, const QString& user, const QString& password,
                    const QString& domain);
    // Creates the object again with the kept parameters.
    HRESULT InternalConnect();
    void Disconnect();

    bool IsConnected() const;
    // A computer other than this one.
    bool IsRemote() const;
    const QString& Computer() const { return m_computer; }
    // Which of the contract's class IDs answered (0 the newest), -1 when not connected.
    int ClassIndex() const;

    // Runs one call on the object: E_UNEXPECTED when not connected; after 0x800706BA the
    // connection is made again and the call repeated once.
    HRESULT Call(const std::function<HRESULT(const CComObjectRef& object)>& call);

    static QStringList ClassIds(const TServiceContract& contract);

private:
    HRESULT Create(const QString& computer, const TComCredentials& credentials,
                   CComObjectRef* object) const;

    const TServiceContract& m_contract;
    QString m_computer;
    TComCredentials m_credentials;
    mutable QMutex m_mutex;
    CComObjectRef m_object; // invalid when not connected
};
