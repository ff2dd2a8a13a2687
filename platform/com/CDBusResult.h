#pragma once

#include "core/HResult.h"

#include <QDBusConnection>
#include <QDBusError>
#include <QDBusMessage>
#include <QDBusPendingReply>

// HRESULTs for what goes wrong on a D-Bus call to a service.
class CDBusResult {
public:
    static constexpr HRESULT RpcServerUnavailable = static_cast<HRESULT>(0x800706BAu);
    static constexpr HRESULT BadStubData = static_cast<HRESULT>(0x800706F7u);
    static constexpr HRESULT ServerExecFailure = static_cast<HRESULT>(0x80080005u);
    static constexpr HRESULT RpcTimeout = static_cast<HRESULT>(0x8001011Fu);

    // A lost connection, no reply or a time-out: the server is unavailable; an object, interface
    // or method it does not have: REGDB_E_CLASSNOTREG or E_NOINTERFACE; arguments it did not
    // take: E_INVALIDARG; a reply of another signature than expected: BadStubData; anything
    // else: E_FAIL.
    static HRESULT FromError(const QDBusError& error, bool activating);
    // The same for a call made on a connection, which tells the two kinds of missing reply
    // apart: while the connection is still up the server was only slow (RpcTimeout, and the
    // call may have been carried out); once it is down the server is gone
    // (RpcServerUnavailable, and the call may be made again elsewhere).
    static HRESULT FromCallError(const QDBusError& error, const QDBusConnection& connection,
                                 bool activating);
    // A reply's HRESULT: the error of an error reply, BadStubData for a reply whose signature is
    // not the expected one (the first value must be the HRESULT), else its first value.
    static HRESULT FromReply(const QDBusMessage& reply, const QString& signature);

    // Waits for a generated proxy's reply on the connection: the HRESULT it carries first, or
    // the error's; BadStubData for a reply of other values than expected.
    template <typename... TValues>
    static HRESULT Of(QDBusPendingReply<int, TValues...>& reply, const QDBusConnection& connection)
    {
        reply.waitForFinished();
        if (reply.isError())
            return FromCallError(reply.error(), connection, false);
        // The reply's leading values are checked against the expected types; more values than
        // expected are a reply of another signature all the same.
        if (reply.reply().arguments().size() != qsizetype(1 + sizeof...(TValues)))
            return BadStubData;
        return reply.template argumentAt<0>();
    }
};
