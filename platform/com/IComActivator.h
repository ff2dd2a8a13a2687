#pragma once

#include "core/HResult.h"
#include "platform/CComputerName.h"
#include "platform/com/CComObjectRef.h"

#include <QStringList>

#include <functional>

// Who is asking: an empty user means the caller's own identity.
struct TComCredentials {
    QString user;
    QString password;
    QString domain;
};

// Creates service objects by class ID on a computer, the way COM activation does: the class IDs
// are tried in order, and the next one only after REGDB_E_CLASSNOTREG or RPC server unavailable
// (0x800706BA). An empty computer name, or this computer's own name, is this computer.
class IComActivator {
public:
    virtual ~IComActivator() = default;

    virtual HRESULT CreateInstance(const QStringList& classIds, const QString& interfaceId,
                                   const QString& computer, const TComCredentials& credentials,
                                   CComObjectRef* object) = 0;

    // How the services of COMPUTER reach this computer's mailslot MAILSLOT: *subscriber is the
    // computer name to subscribe the mailslot's name under with them. This computer's services
    // write into it themselves, under this computer's name, which is all this default knows.
    // Activators that reach other computers may make a way there first.
    virtual HRESULT NoticeSubscriber(const QString& computer, const TComCredentials& credentials,
                                     const QString& mailslot, QString* subscriber);

    // The process-wide activator: D-Bus activation unless a replacement was installed.
    static IComActivator& Instance();
    // Installs a replacement (not owned); null goes back to D-Bus activation.
    static void SetInstance(IComActivator* activator);
};
