#include "notify/CNoticeWriter.h"
#include "core/CWideText.h"

#include <QtEndian>

#include <cstring>

namespace {

template <typename T>
void Append(QByteArray* body, T value)
{
    char bytes[sizeof(T)];
    qToLittleEndian<T>(value, bytes);
    body->append(bytes, sizeof(T));
}

} // namespace

CNoticeWriter& CNoticeWriter::U8(quint8 value)
{
    m_body.append(static_cast<char>(value));
    return *this;
}

CNoticeWriter& CNoticeWriter::U32(quint32 value)
{
    Append(&m_body, value);
    return *this;
}

CNoticeWriter& CNoticeWriter::I32(qint32 value)
{
    Append(&m_body, value);
    return *this;
}

CNoticeWriter& CNoticeWriter::U64(quint64 value)
{
    Append(&m_body, value);
    return *this;
}

CNoticeWriter& CNoticeWriter::I64(qint64 value)
{
    Append(&m_body, value);
    return *this;
}

CNoticeWriter& CNoticeWriter::F64(double value)
{
    quint64 bits = 0;
    std::memcpy(&bits, &value, sizeof bits);
    Append(&m_body, bits);
    return *this;
}

CNoticeWriter& CNoticeWriter::String(const QString& value)
{
    Append(&m_body, static_cast<quint32>(value.size()));
    for (QChar unit : value)
        Append(&m_body, static_cast<quint16>(unit.unicode()));
    return *this;
}

CNoticeWriter& CNoticeWriter::String(const std::wstring& value)
{
    return String(CWideText::ToQString(value));
}
