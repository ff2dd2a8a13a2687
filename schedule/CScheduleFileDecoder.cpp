#include "schedule/CScheduleFileDecoder.h"

#include <QString>
#include <QtEndian>

#include <bit>

CScheduleFileDecoder::CScheduleFileDecoder(QByteArrayView data)
    : m_data(data)
{}

bool CScheduleFileDecoder::TakeU8(quint8& value)
{
    const char* bytes = nullptr;
    if (!Take(1, bytes))
        return false;
    value = static_cast<quint8>(*bytes);
    return true;
}

bool CScheduleFileDecoder::TakeBool(bool& value)
{
    quint8 byte = 0;
    if (!TakeU8(byte))
        return false;
    value = byte != 0;
    return true;
}

bool CScheduleFileDecoder::TakeU32(quint32& value)
{
    const char* bytes = nullptr;
    if (!Take(4, bytes))
        return false;
    value = qFromLittleEndian<quint32>(bytes);
    return true;
}

bool CScheduleFileDecoder::TakeF64(double& value)
{
    const char* bytes = nullptr;
    if (!Take(8, bytes))
        return false;
    value = std::bit_cast<double>(qFromLittleEndian<quint64>(bytes));
    return true;
}

bool CScheduleFileDecoder::TakeString(std::wstring& text)
{
    quint32 length = 0;
    if (!TakeCount(length, 2))
        return false;
    const char* bytes = nullptr;
    if (!Take(static_cast<qsizetype>(length) * 2, bytes))
        return false;
    QString utf16(static_cast<qsizetype>(length), Qt::Uninitialized);
    for (qsizetype i = 0; i < utf16.size(); ++i)
        utf16[i] = QChar(qFromLittleEndian<quint16>(bytes + 2 * i));
    text = utf16.toStdWString();
    return true;
}

bool CScheduleFileDecoder::TakeCount(quint32& count, qsizetype minimumEntrySize)
{
    quint32 value = 0;
    if (!TakeU32(value))
        return false;
    if (minimumEntrySize > 0 && static_cast<qsizetype>(value) > Remaining() / minimumEntrySize) {
        m_failed = true;
        return false;
    }
    count = value;
    return true;
}

bool CScheduleFileDecoder::Take(qsizetype size, const char*& bytes)
{
    if (m_failed || size > m_data.size() - m_position) {
        m_failed = true;
        return false;
    }
    bytes = m_data.data() + m_position;
    m_position += size;
    return true;
}
