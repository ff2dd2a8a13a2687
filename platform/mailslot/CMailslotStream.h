#pragma once

#include <QByteArray>
#include <QtGlobal>

// Mailslot messages carried whole and in order over a byte stream (an SSH channel): each is a
// little-endian u32 length followed by its bytes. The stream opens with kGreeting, written once
// the sending side's mailslot exists. The reading side takes bytes as they come and hands back
// the messages they complete; a length beyond kMaxMessageBytes can only be a broken stream.
class CMailslotStream {
public:
    static constexpr const char kGreeting[] = "korvane-notice-relay 1\n";
    // Far above any notice, and what a mailslot's sender can put in one datagram.
    static constexpr quint32 kMaxMessageBytes = 16u * 1024u * 1024u;

    // Appends MESSAGE, framed, to STREAM.
    static void Append(QByteArray* stream, const QByteArray& message);

    enum class TNext { Message, NeedMore, Broken };
    // Reading side: the bytes that came next.
    void Feed(const char* data, qsizetype size);
    // The next whole message, NeedMore until the bytes for it have come, Broken for good once
    // a length is out of bounds.
    TNext Next(QByteArray* message);

private:
    QByteArray m_buffer;
    qsizetype m_offset = 0; // where the next message's length starts in m_buffer
    bool m_broken = false;
};
