// Engine notices as a listener receives them: mailslot messages (a u32 sequence number, then the
// body) read through the message transport, and each body with its u32 type handed to the decode
// of one notice owner (engine, agent, duplicates, cleaner, Exchange, virtual machines, space
// reports).
//
// Input: one byte choosing the owner (its top bit: every message comes from a new writer, as after
// a restart of the service), then the messages, each a u16 little-endian length and that
// many bytes (the last one takes what is left when its length runs past the end).

#include "FuzzSupport.h"

#include "engine/CNoticeOwners.h"
#include "notify/CMailSlotTransport.h"
#include "platform/mailslot/IMailslot.h"

#include <QtEndian>

#include <cstdint>
#include <deque>
#include <vector>

namespace {

// The messages of one input, waiting in a mailslot that lives in memory.
std::deque<QByteArray> g_waiting;

class CMemoryMailslot : public IMailslot {
public:
    DWORD Create(const QString&, DWORD, DWORD) override
    {
        m_open = true;
        return ERROR_SUCCESS;
    }
    DWORD NextMessageSize(DWORD* size) override
    {
        *size =
            g_waiting.empty() ? MAILSLOT_NO_MESSAGE : static_cast<DWORD>(g_waiting.front().size());
        return ERROR_SUCCESS;
    }
    DWORD Read(QByteArray* message) override
    {
        if (g_waiting.empty())
            return ERROR_SEM_TIMEOUT;
        *message = std::move(g_waiting.front());
        g_waiting.pop_front();
        return ERROR_SUCCESS;
    }
    DWORD Open(const QString&, const QString&) override { return ERROR_FILE_NOT_FOUND; }
    DWORD Write(const QByteArray&) override { return ERROR_INVALID_HANDLE; }
    void Close() override { m_open = false; }
    bool IsOpen() const override { return m_open; }

private:
    bool m_open = false;
};

std::vector<CNoticeOwners::TOwner>& Owners()
{
    static std::vector<CNoticeOwners::TOwner> owners = [] {
        std::vector<CNoticeOwners::TOwner> made;
        for (const QString& kind : CNoticeOwners::Kinds()) {
            CNoticeOwners::TOwner owner;
            if (!CNoticeOwners::Make(kind, &owner))
                std::abort();
            made.push_back(std::move(owner));
        }
        return made;
    }();
    return owners;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 1)
        return 0;
    std::vector<CNoticeOwners::TOwner>& owners = Owners();
    CNoticeOwners::TOwner& owner = owners[(data[0] & 0x7F) % owners.size()];
    const bool newWriters = (data[0] & 0x80) != 0;

    g_waiting.clear();
    const char* bytes = reinterpret_cast<const char*>(data) + 1;
    size_t left = size - 1;
    while (left >= 2) {
        const size_t length = std::min<size_t>(qFromLittleEndian<quint16>(bytes), left - 2);
        g_waiting.emplace_back(bytes + 2, static_cast<qsizetype>(length));
        bytes += 2 + length;
        left -= 2 + length;
    }

    IMailslot::SetFactory([] { return std::make_unique<CMemoryMailslot>(); });
    CMailSlotTransport transport;
    FUZZ_CHECK(transport.Create(QStringLiteral("fuzz")) == ERROR_SUCCESS);
    for (;;) {
        bool available = false;
        FUZZ_CHECK(transport.HasMessage(available) == ERROR_SUCCESS);
        if (!available)
            break;
        if (newWriters)
            transport.ForgetSequence();
        QByteArray body;
        bool nothing = false;
        FUZZ_CHECK(transport.Read(body, nothing) == ERROR_SUCCESS);
        // As the listener does: a body too short for its type is not dispatched.
        if (!nothing && body.size() >= 4)
            owner.dispatch(qFromLittleEndian<quint32>(body.constData()), body);
    }
    return 0;
}
