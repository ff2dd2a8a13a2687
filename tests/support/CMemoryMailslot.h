#pragma once

#include "platform/mailslot/IMailslot.h"

#include <memory>

// Mailslots held in memory for tests of the layers above, shared by every handle in the process,
// with failures on demand. Names and error codes are those of CUnixMailslot; the queues have no
// bound, so Write never blocks.
class CMemoryMailslot : public IMailslot {
public:
    CMemoryMailslot() = default;
    ~CMemoryMailslot() override;
    CMemoryMailslot(const CMemoryMailslot&) = delete;
    CMemoryMailslot& operator=(const CMemoryMailslot&) = delete;

    DWORD Create(const QString& name, DWORD maxMessageSize, DWORD readTimeoutMs) override;
    DWORD NextMessageSize(DWORD* size) override;
    DWORD Read(QByteArray* message) override;
    DWORD Open(const QString& computer, const QString& name) override;
    DWORD Write(const QByteArray& message) override;
    void Close() override;
    bool IsOpen() const override { return m_slot != nullptr; }

    // NextMessageSize and Read of the mailslot NAME answer ERROR, taking nothing off the queue,
    // for the next TIMES calls of either (-1: until set again; ERROR_SUCCESS clears).
    static void FailReads(const QString& name, DWORD error, int times = -1);
    // Likewise Write to the mailslot NAME, which then delivers nothing.
    static void FailWrites(const QString& name, DWORD error, int times = -1);
    // Forgets every mailslot and failure. Handles still open find their mailslot gone.
    static void Reset();
    // Makes IMailslot::Make answer memory mailslots.
    static void Install();

private:
    struct TSlot;
    struct TState;
    static TState& State();

    std::shared_ptr<TSlot> m_slot;
    QString m_name;
    bool m_server = false;
    DWORD m_maxMessageSize = 0;
    DWORD m_readTimeoutMs = 0;
};
