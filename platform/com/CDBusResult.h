#pragma once

#include "core/HResult.h"

#include <QDBusError>
#include <QDBusMessage>
#include <QDBusPendingReply>

// HRESULTs for what goes wrong on a D-Bus call to a service.
class CDBusResult {
public:
    static constexpr HRESULT RpcServerUnavailable = static_cast<HRESULT>(0x800706BAu);
    static constexpr HRESULT BadStubData = static_cast<HRESULT>(0x800706F7u);
    static constexpr HRESULT ServerExecFailure = static_cast<HRESULT>(0x80080005u);

    // A lost connection, no reply or a time-out: the server is unavailable; an object, interface
    // or method it does not have: REGDB_E_CLASSNOTREG or E_NOINTERFACE; arguments it did not
    // take: E_INVALIDARG; a reply of another signature than expected: BadStubData; anything
    // else: E_FAIL.
    static HRESULT FromError(const QDBusError& error, bool activating);
    // A reply's HRESULT: the error of an error reply, BadStubData for a reply whose signature is
    // not the expected one (the first value must be the HRESULT), else its first value.
    static HRESULT FromReply(const QDBusMessage& reply, const QString& signature);

    // Waits for a generated proxy's reply: the HRESULT it carries first, or the error's;
    // BadStubData for a reply of other values than expected.
    template <typename... TValues>
    static HRESULT Of(QDBusPendingReply<int, TValues...>& reply)
    {
        reply.waitForFinished();
        if (reply.isError())
            return FromError(reply.error(), false);
        // The reply's leading values are checked against the expected types; more values than
        // expected are a reply of another signature all the same.
        if (reply.reply().arguments().size() != qsizetype(1 + sizeof...(TValues)))
            return BadStubData;
        return reply.template argumentAt<0>();
    }
};
