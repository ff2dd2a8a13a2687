#pragma once

#include "core/HResult.h"

#include <QByteArray>
#include <QString>

#include <functional>
#include <memory>
#include <stop_token>

constexpr DWORD MAILSLOT_NO_MESSAGE = 0xFFFFFFFFu;
constexpr DWORD MAILSLOT_WAIT_FOREVER = 0xFFFFFFFFu;

// One mailslot handle: the server side that a process creates and reads, or the client side
// that another process opens and writes. A message is delivered whole or not at all, in the
// order written. Every operation answers a Win32 error code (0 on success).
class IMailslot {
public:
    virtual ~IMailslot() = default;

    // Server side: creates the mailslot NAME on this computer. maxMessageSize 0 means no limit;
    // readTimeoutMs bounds how long Read waits for a message (MAILSLOT_WAIT_FOREVER for no
    // bound). A name already in use answers ERROR_ALREADY_EXISTS.
    virtual DWORD Create(const QString& name, DWORD maxMessageSize, DWORD readTimeoutMs) = 0;
    // Server side: the size of the next message without reading it, MAILSLOT_NO_MESSAGE when
    // none is waiting. Never waits.
    virtual DWORD NextMessageSize(DWORD* size) = 0;
    // Server side: reads the next message whole, waiting up to the read time-out
    // (ERROR_SEM_TIMEOUT when none came).
    virtual DWORD Read(QByteArray* message) = 0;
    // Server side: waits up to timeoutMs (MAILSLOT_WAIT_FOREVER for no bound) until a message
    // is waiting or the mailslot has failed (ERROR_SUCCESS: look with NextMessageSize), time
    // passes (ERROR_SEM_TIMEOUT) or a stop is requested through STOP (ERROR_CANCELLED).
    // A handle that cannot tell when a message arrives waits out the time, cut short only by a
    // stop; that is what this default does.
    virtual DWORD WaitForMessage(DWORD timeoutMs, std::stop_token stop);

    // Client side: opens the mailslot NAME of a computer for writing. The local computer is an
    // empty name, ".", or its own name in any letter case; any other computer answers
    // ERROR_BAD_NETPATH. A mailslot nobody created answers ERROR_FILE_NOT_FOUND.
    virtual DWORD Open(const QString& computer, const QString& name) = 0;
    // Client side: writes one message. Blocks while the reader's queue is full rather than
    // lose the message.
    virtual DWORD Write(const QByteArray& message) = 0;

    // Closes either side; a server's mailslot ceases to exist. Safe when not open.
    virtual void Close() = 0;
    virtual bool IsOpen() const = 0;

    // A new, closed handle of the platform's kind, or of the kind a test installed.
    static std::unique_ptr<IMailslot> Make();
    using TFactory = std::function<std::unique_ptr<IMailslot>()>;
    // Installs a factory for Make (tests), or with an empty one goes back to the platform's.
    static void SetFactory(TFactory factory);
};
