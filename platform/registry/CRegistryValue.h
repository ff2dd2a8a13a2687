#pragma once

#include "platform/registry/RegistryTypes.h"

#include <QByteArray>
#include <QStringList>

// One registry value: its type and its data bytes, exactly as the registry keeps them. Strings
// are UTF-16LE with a terminating null; a multi-string is each entry followed by a null, then
// one more null; numbers are little-endian.
class CRegistryValue {
public:
    CRegistryValue() = default;
    CRegistryValue(DWORD type, QByteArray data);

    static CRegistryValue FromString(const QString& text, DWORD type = REG_SZ);
    static CRegistryValue FromMultiString(const QStringList& entries);
    static CRegistryValue FromDWord(DWORD value);
    static CRegistryValue FromQWord(quint64 value);
    static CRegistryValue FromBinary(const QByteArray& bytes, DWORD type = REG_BINARY);

    DWORD Type() const { return m_type; }
    const QByteArray& Data() const { return m_data; }

    // Each reader answers false when the value is not of its type (or its data is too short
    // for it) and leaves its output untouched.
    bool ToDWord(DWORD* value) const;
    bool ToQWord(quint64* value) const;
    bool ToString(QString* text) const; // REG_SZ or REG_EXPAND_SZ
    bool ToMultiString(QStringList* entries) const;

    // The data taken as UTF-16LE text without its terminating null, whatever the type says.
    QString DataAsText() const;

    friend bool operator==(const CRegistryValue& a, const CRegistryValue& b)
    {
        return a.m_type == b.m_type && a.m_data == b.m_data;
    }

private:
    DWORD m_type = REG_NONE;
    QByteArray m_data;
};
