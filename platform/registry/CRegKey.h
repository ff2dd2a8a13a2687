#pragma once

#include "platform/registry/IRegistry.h"

#include <QByteArray>
#include <QStringList>

#include <functional>

// An open registry key with the access rights it was opened with, in the shape of the
// registry's key handle. Operations answer Win32 error codes; one the handle's rights do not
// allow answers ERROR_ACCESS_DENIED, one on a handle that is not open ERROR_INVALID_HANDLE, and
// a typed query of a value of another type ERROR_INVALID_DATA. Outputs are only written on
// success. The key is closed when the handle goes.
class CRegKey {
public:
    // Uses the process-wide registry unless another is given.
    explicit CRegKey(IRegistry* registry = nullptr);

    LONG Open(HKEY hive, const QString& subKey, REGSAM access = KEY_READ | KEY_WRITE);
    LONG Open(const CRegKey& parent, const QString& subKey, REGSAM access = KEY_READ | KEY_WRITE);
    LONG Create(HKEY hive, const QString& subKey, REGSAM access = KEY_READ | KEY_WRITE,
                bool* created = nullptr);
    LONG Create(const CRegKey& parent, const QString& subKey, REGSAM access = KEY_READ | KEY_WRITE,
                bool* created = nullptr);
    void Close();

    bool IsOpen() const { return m_open; }
    HKEY Hive() const { return m_hive; }
    const QString& Path() const { return m_path; }
    REGSAM Access() const { return m_access; }

    LONG QueryValue(const QString& name, CRegistryValue* value) const;
    LONG QueryDWORDValue(const QString& name, DWORD* value) const;
    LONG QueryQWORDValue(const QString& name, quint64* value) const;
    // REG_SZ or REG_EXPAND_SZ (not expanded).
    LONG QueryStringValue(const QString& name, QString* value) const;
    LONG QueryMultiStringValue(const QString& name, QStringList* value) const;
    // The data of a value of any type.
    LONG QueryBinaryValue(const QString& name, QByteArray* value) const;

    LONG SetValue(const QString& name, const CRegistryValue& value);
    LONG SetDWORDValue(const QString& name, DWORD value);
    LONG SetQWORDValue(const QString& name, quint64 value);
    LONG SetStringValue(const QString& name, const QString& value, DWORD type = REG_SZ);
    LONG SetMultiStringValue(const QString& name, const QStringList& value);
    LONG SetBinaryValue(const QString& name, const QByteArray& value);
    LONG DeleteValue(const QString& name);

    // Deletes a sub-key that has no sub-keys of its own.
    LONG DeleteSubKey(const QString& subKey);
    // Deletes a sub-key with everything below it.
    LONG RecurseDeleteKey(const QString& subKey);

    LONG EnumSubKeys(QStringList* names) const;
    LONG EnumValueNames(QStringList* names) const;
    LONG QueryInfo(DWORD* subKeyCount, DWORD* valueCount) const;

private:
    LONG Check(REGSAM needed) const;
    LONG QueryAs(const QString& name,
                 const std::function<bool(const CRegistryValue&)>& convert) const;
    LONG DeleteKey(const QString& subKey, bool withSubKeys);
    QString SubPath(const QString& subKey) const;

    IRegistry* m_registry;
    bool m_open = false;
    HKEY m_hive = HKEY_CURRENT_USER;
    QString m_path;
    REGSAM m_access = 0;
};
