#pragma once

#include "core/HResult.h"

#include <QByteArray>
#include <QString>

// A channel of framed messages between a service and the console. Every operation answers a
// Win32 error code (0 on success) instead of raising.
class IMessageTransport {
public:
    virtual ~IMessageTransport() = default;

    // Whether a message is waiting, without reading it.
    virtual DWORD HasMessage(bool& available) = 0;
    // Reads the next message's body; nothing is set when there was no message to hand over (none
    // waiting, too short to carry a sequence number, or a repeat).
    virtual DWORD Read(QByteArray& body, bool& nothing) = 0;
    // Sends one message carrying the body.
    virtual DWORD Write(const QByteArray& body) = 0;
    // Server side: creates the channel of that name on this computer.
    virtual DWORD Create(const QString& name) = 0;
    virtual DWORD Close() = 0;
    // Client side: opens the channel of that name on a computer for writing.
    virtual DWORD Open(const QString& computer, const QString& name) = 0;
    virtual DWORD CloseClient() = 0;
};
