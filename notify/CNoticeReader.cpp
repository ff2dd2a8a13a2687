#include "notify/CNoticeReader.h"

#include <QString>
#include <QtEndian>

#include <cstring>

const char* CNoticeReader::Take(quint64 n)
{
    if (!m_ok || n > static_cast<quint64>(Remaining())) {
        m_ok = false;
        return nullptr;
    }
    const char* data = m_body.constData() + m_position;
    m_position += static_cast<qsizetype>(n);
    return data;
}

bool CNoticeReader::U8(quint8* value)
{
    const char* data = Take(1);
    if (data)
        *value = static_cast<quint8>(*data);
    return data != nullptr;
}

bool CNoticeReader::U32(quint32* value)
{
    const char* data = Take(4);
    if (data)
        *value = qFromLittleEndian<quint32>(data);
    return data != nullptr;
}

bool CNoticeReader::I32(qint32* value)
{
    const char* data = Take(4);
    if (data)
        *value = qFromLittleEndian<qint32>(data);
    return data != nullptr;
}

bool CNoticeReader::U64(quint64* value)
{
    const char* data = Take(8);
    if (data)
        *value = qFromLittleEndian<quint64>(data);
    return data != nullptr;
}

bool CNoticeReader::I64(qint64* value)
{
    const char* data = Take(8);
    if (data)
        *value = qFromLittleEndian<qint64>(data);
    return data != nullptr;
}

bool CNoticeReader::F64(double* value)
{
    const char* data = Take(8);
    if (data) {
        const quint64 bits = qFromLittleEndian<quint64>(data);
        std::memcpy(value, &bits, sizeof bits);
    }
    return data != nullptr;
}

bool CNoticeReader::String(std::wstring* value)
{
    const qsizetype start = m_position;
    quint32 units = 0;
    if (!U32(&units))
        return false;
    const char* data = Take(static_cast<quint64>(units) * 2);
    if (!data) {
        m_position = start;
        return false;
    }
    // UTF-16 to the platform's wide characters: surrogate pairs join into one character where
    // wchar_t holds 32 bits; an unpaired surrogate becomes U+FFFD.
    std::wstring text;
    text.reserve(units);
    for (quint32 i = 0; i < units; ++i) {
        const char16_t unit = qFromLittleEndian<quint16>(data + 2 * i);
        if constexpr (sizeof(wchar_t) == 2) {
            text.push_back(static_cast<wchar_t>(unit));
        } else if (QChar::isHighSurrogate(unit) && i + 1 < units &&
                   QChar::isLowSurrogate(qFromLittleEndian<quint16>(data + 2 * (i + 1)))) {
            const char16_t low = qFromLittleEndian<quint16>(data + 2 * ++i);
            text.push_back(static_cast<wchar_t>(QChar::surrogateToUcs4(unit, low)));
        } else if (QChar::isSurrogate(unit)) {
            text.push_back(static_cast<wchar_t>(QChar::ReplacementCharacter));
        } else {
            text.push_back(static_cast<wchar_t>(unit));
        }
    }
    *value = std::move(text);
    return true;
}
