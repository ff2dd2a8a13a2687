#include "schedule/CScheduleFileEncoder.h"
#include "core/CWideText.h"

#include <QString>
#include <QtEndian>

#include <bit>
#include <cstring>

void CScheduleFileEncoder::PutU8(quint8 value)
{
    Put(&value, 1);
}

void CScheduleFileEncoder::PutU32(quint32 value)
{
    const quint32 littleEndian = qToLittleEndian(value);
    Put(&littleEndian, sizeof littleEndian);
}

void CScheduleFileEncoder::PutF64(double value)
{
    const quint64 littleEndian = qToLittleEndian(std::bit_cast<quint64>(value));
    Put(&littleEndian, sizeof littleEndian);
}

void CScheduleFileEncoder::PutBytes(const char* data, qsizetype size)
{
    Put(data, size);
}

void CScheduleFileEncoder::PutString(const std::wstring& text)
{
    // wchar_t holds code points here; the file holds UTF-16.
    const QString utf16 = CWideText::ToQString(text);
    PutCount(static_cast<std::size_t>(utf16.size()));
    for (const QChar unit : utf16) {
        const quint16 littleEndian = qToLittleEndian(unit.unicode());
        Put(&littleEndian, sizeof littleEndian);
    }
}

void CScheduleFileEncoder::Allocate()
{
    m_buffer = QByteArray(m_position, '\0');
    m_position = 0;
    m_filling = true;
}

void CScheduleFileEncoder::Put(const void* data, qsizetype size)
{
    if (m_filling) {
        // Both runs put the same sequence, so the buffer is never overrun; a caller that
        // did not would lose the excess rather than write past the end.
        const qsizetype room = qMin(size, m_buffer.size() - m_position);
        if (room > 0)
            std::memcpy(m_buffer.data() + m_position, data, static_cast<std::size_t>(room));
    }
    m_position += size;
}
