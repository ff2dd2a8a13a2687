#include "platform/registry/CRegistryValue.h"

#include <QtEndian>

namespace {

void AppendUtf16(QByteArray* data, const QString& text)
{
    for (QChar unit : text) {
        char bytes[2];
        qToLittleEndian<quint16>(unit.unicode(), bytes);
        data->append(bytes, 2);
    }
    data->append('\0');
    data->append('\0');
}

QString Utf16Units(const QByteArray& data)
{
    QString text;
    text.reserve(data.size() / 2);
    for (qsizetype i = 0; i + 1 < data.size(); i += 2)
        text.append(QChar(qFromLittleEndian<quint16>(data.constData() + i)));
    return text;
}

} // namespace

CRegistryValue::CRegistryValue(DWORD type, QByteArray data)
    : m_type(type)
    , m_data(std::move(data))
{}

CRegistryValue CRegistryValue::FromString(const QString& text, DWORD type)
{
    QByteArray data;
    AppendUtf16(&data, text);
    return CRegistryValue(type, data);
}

CRegistryValue CRegistryValue::FromMultiString(const QStringList& entries)
{
    QByteArray data;
    for (const QString& entry : entries)
        AppendUtf16(&data, entry);
    data.append('\0');
    data.append('\0');
    return CRegistryValue(REG_MULTI_SZ, data);
}

CRegistryValue CRegistryValue::FromDWord(DWORD value)
{
    char bytes[4];
    qToLittleEndian<quint32>(value, bytes);
    return CRegistryValue(REG_DWORD, QByteArray(bytes, 4));
}

CRegistryValue CRegistryValue::FromQWord(quint64 value)
{
    char bytes[8];
    qToLittleEndian<quint64>(value, bytes);
    return CRegistryValue(REG_QWORD, QByteArray(bytes, 8));
}

CRegistryValue CRegistryValue::FromBinary(const QByteArray& bytes, DWORD type)
{
    return CRegistryValue(type, bytes);
}

bool CRegistryValue::ToDWord(DWORD* value) const
{
    if (m_type != REG_DWORD || m_data.size() < 4)
        return false;
    *value = qFromLittleEndian<quint32>(m_data.constData());
    return true;
}

bool CRegistryValue::ToQWord(quint64* value) const
{
    if (m_type != REG_QWORD || m_data.size() < 8)
        return false;
    *value = qFromLittleEndian<quint64>(m_data.constData());
    return true;
}

bool CRegistryValue::ToString(QString* text) const
{
    if (m_type != REG_SZ && m_type != REG_EXPAND_SZ)
        return false;
    *text = DataAsText();
    return true;
}

QString CRegistryValue::DataAsText() const
{
    QString text = Utf16Units(m_data);
    if (text.endsWith(QChar(u'\0')))
        text.chop(1);
    return text;
}

bool CRegistryValue::ToMultiString(QStringList* entries) const
{
    if (m_type != REG_MULTI_SZ)
        return false;
    QString units = Utf16Units(m_data);
    // The list ends with one extra null; every entry before it ends with its own, so that
    // empty entries survive.
    if (units.endsWith(QChar(u'\0')))
        units.chop(1);
    QStringList result;
    qsizetype start = 0;
    while (start < units.size()) {
        qsizetype end = units.indexOf(QChar(u'\0'), start);
        if (end < 0)
            end = units.size();
        result.append(units.mid(start, end - start));
        start = end + 1;
    }
    *entries = result;
    return true;
}
