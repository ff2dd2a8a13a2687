#pragma once

#include "notify/IMessageTransport.h"

#include <memory>
#include <stop_token>

class IMailslot;

// The message transport over a mailslot. Each message is a little-endian u32 sequence number
// followed by the body. The writer numbers its messages from 0; the reader drops a message
// whose number equals the last one it accepted (the same message delivered twice), unless it
// was built to accept repeats.
class CMailSlotTransport : public IMessageTransport {
public:
    static constexpr DWORD kReadTimeoutMs = 1000;
    static constexpr quint32 kNoMessageAccepted = 0xFFFFFFFFu;

    explicit CMailSlotTransport(bool acceptRepeats = false);
    ~CMailSlotTransport() override;

    DWORD HasMessage(bool& available) override;
    DWORD Read(QByteArray& body, bool& nothing) override;
    DWORD Write(const QByteArray& body) override;
    DWORD Create(const QString& name) override;
    DWORD Close() override;
    DWORD Open(const QString& computer, const QString& name) override;
    DWORD CloseClient() override;

    // Reading side: waits up to timeoutMs until a message (or a failure, which the next
    // HasMessage answers) is waiting; ERROR_SEM_TIMEOUT when the time passed first,
    // ERROR_CANCELLED when STOP asked to end the wait.
    DWORD WaitForMessage(DWORD timeoutMs, std::stop_token stop);

    bool IsRemote() const { return m_remote; }
    quint32 Sequence() const { return m_sequence; }
    // Reading side: takes the next message whatever its number, as the first after Create. For
    // a new writer, whose numbers start again from 0.
    void ForgetSequence() { m_sequence = kNoMessageAccepted; }

    // A fresh mailslot name: a new UUID in lower case without braces.
    static QString NewName();

private:
    std::unique_ptr<IMailslot> m_handle; // null when closed
    quint32 m_sequence = 0;
    bool m_remote = false;
    bool m_acceptRepeats;
};
