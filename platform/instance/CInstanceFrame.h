#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

// The frame in which a second start hands its message to the running console: kMagic, the
// payload's length (32 bits, big-endian) and the message in UTF-8, nothing after it.
class CInstanceFrame {
public:
    static constexpr qsizetype kMaxMessageBytes = 64 * 1024;
    static constexpr char kMagic[] = "KVI1";
    static constexpr qsizetype kMagicBytes = 4;
    static constexpr qsizetype kHeaderBytes = kMagicBytes + 4;
    // The most a peer may send: a frame of the longest message.
    static constexpr qsizetype kMaxFrameBytes = kHeaderBytes + kMaxMessageBytes;

    enum class TState {
        Incomplete, // a frame's beginning: wait for more
        Complete,   // one whole frame, *message set
        Refused,    // another protocol, a length above the limit, bytes after the frame, or a
                    // payload that is not UTF-8
    };

    // The size of the whole frame that a header announces (a header Decode did not refuse).
    static qsizetype FrameBytes(QByteArrayView header);

    // The frame of a message; empty when its UTF-8 is longer than kMaxMessageBytes.
    static QByteArray Encode(const QString& message);
    // Reads what a peer has sent so far. *message is set only for a complete frame. A byte order
    // mark at the start of the payload is dropped.
    static TState Decode(QByteArrayView received, QString* message);
};
