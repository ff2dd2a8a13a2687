// The frames a second start hands the running console, as they arrive: every prefix of the bytes
// is read as the listener would read it at that moment. A prefix of a frame the reader accepts
// must wait, never be refused; a complete frame must be the frame of its message.
//
// Input: the bytes a peer sends.

#include "FuzzSupport.h"

#include "platform/instance/CInstanceFrame.h"

#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArrayView received(reinterpret_cast<const char*>(data),
                                  static_cast<qsizetype>(size));
    QString message = QStringLiteral("marked");
    const CInstanceFrame::TState state = CInstanceFrame::Decode(received, &message);
    if (state != CInstanceFrame::TState::Complete) {
        FUZZ_CHECK(message == QStringLiteral("marked"));
        return 0;
    }
    FUZZ_CHECK(received.size() <= CInstanceFrame::kMaxFrameBytes);
    for (qsizetype cut = 0; cut < received.size(); ++cut) {
        QString partial;
        FUZZ_CHECK(CInstanceFrame::Decode(received.first(cut), &partial) ==
                   CInstanceFrame::TState::Incomplete);
    }
    // A leading byte order mark is dropped on reading, so only a payload without one comes back
    // byte for byte.
    const QByteArrayView payload = received.sliced(CInstanceFrame::kHeaderBytes);
    if (!payload.startsWith("\xEF\xBB\xBF"))
        FUZZ_CHECK(CInstanceFrame::Encode(message) == received);
    QString again;
    FUZZ_CHECK(CInstanceFrame::Decode(CInstanceFrame::Encode(message), &again) ==
               CInstanceFrame::TState::Complete);
    return 0;
}
