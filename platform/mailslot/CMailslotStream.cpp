#include "platform/mailslot/CMailslotStream.h"

#include <QtEndian>

void CMailslotStream::Append(QByteArray* stream, const QByteArray& message)
{
    char length[4];
    qToLittleEndian(static_cast<quint32>(message.size()), length);
    stream->append(length, sizeof length);
    stream->append(message);
}

void CMailslotStream::Feed(const char* data, qsizetype size)
{
    if (m_broken)
        return;
    // What has been handed back goes before the buffer grows, so it never holds more than one
    // message and one read's worth.
    if (m_offset > 0) {
        m_buffer.remove(0, m_offset);
        m_offset = 0;
    }
    m_buffer.append(data, size);
}

CMailslotStream::TNext CMailslotStream::Next(QByteArray* message)
{
    if (m_broken)
        return TNext::Broken;
    const qsizetype waiting = m_buffer.size() - m_offset;
    if (waiting < 4)
        return TNext::NeedMore;
    const quint32 length = qFromLittleEndian<quint32>(m_buffer.constData() + m_offset);
    if (length > kMaxMessageBytes) {
        m_broken = true;
        m_buffer.clear();
        m_offset = 0;
        return TNext::Broken;
    }
    if (waiting - 4 < static_cast<qsizetype>(length))
        return TNext::NeedMore;
    *message = m_buffer.mid(m_offset + 4, length);
    m_offset += 4 + static_cast<qsizetype>(length);
    return TNext::Message;
}
