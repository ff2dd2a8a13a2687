#include "platform/registry/CRegKey.h"

#include "platform/registry/CRegistryHive.h"

CRegKey::CRegKey(IRegistry* registry)
    : m_registry(registry ? registry : &IRegistry::Instance())
{}

void CRegKey::Close()
{
    m_open = false;
    m_path.clear();
    m_access = 0;
}

QString CRegKey::SubPath(const QString& subKey) const
{
    return CRegistryHive::SplitPath(m_path + u'\\' + subKey).join(u'\\');
}

LONG CRegKey::Check(REGSAM needed) const
{
    if (!m_open)
        return ERROR_INVALID_HANDLE;
    return (m_access & needed) != 0 ? ERROR_SUCCESS : ERROR_ACCESS_DENIED;
}

LONG CRegKey::Open(HKEY hive, const QString& subKey, REGSAM access)
{
    const QString path = CRegistryHive::SplitPath(subKey).join(u'\\');
    const LONG result = m_registry->OpenKey(hive, path);
    if (result != ERROR_SUCCESS)
        return result;
    m_open = true;
    m_hive = hive;
    m_path = path;
    m_access = access;
    return ERROR_SUCCESS;
}

LONG CRegKey::Open(const CRegKey& parent, const QString& subKey, REGSAM access)
{
    if (!parent.m_open)
        return ERROR_INVALID_HANDLE;
    return Open(parent.m_hive, parent.SubPath(subKey), access);
}

LONG CRegKey::Create(HKEY hive, const QString& subKey, REGSAM access, bool* created)
{
    const QString path = CRegistryHive::SplitPath(subKey).join(u'\\');
    const LONG result = m_registry->CreateKey(hive, path, created);
    if (result != ERROR_SUCCESS)
        return result;
    m_open = true;
    m_hive = hive;
    m_path = path;
    m_access = access;
    return ERROR_SUCCESS;
}

LONG CRegKey::Create(const CRegKey& parent, const QString& subKey, REGSAM access, bool* created)
{
    if (const LONG allowed = parent.Check(KEY_CREATE_SUB_KEY); allowed != ERROR_SUCCESS)
        return allowed;
    return Create(parent.m_hive, parent.SubPath(subKey), access, created);
}

LONG CRegKey::QueryValue(const QString& name, CRegistryValue* value) const
{
    if (const LONG allowed = Check(KEY_QUERY_VALUE); allowed != ERROR_SUCCESS)
        return allowed;
    return m_registry->QueryValue(m_hive, m_path, name, value);
}

LONG CRegKey::QueryAs(const QString& name,
                      const std::function<bool(const CRegistryValue&)>& convert) const
{
    CRegistryValue stored;
    const LONG result = QueryValue(name, &stored);
    if (result != ERROR_SUCCESS)
        return result;
    return convert(stored) ? ERROR_SUCCESS : ERROR_INVALID_DATA;
}

LONG CRegKey::QueryDWORDValue(const QString& name, DWORD* value) const
{
    return QueryAs(name, [value](const CRegistryValue& stored) { return stored.ToDWord(value); });
}

LONG CRegKey::QueryQWORDValue(const QString& name, quint64* value) const
{
    return QueryAs(name, [value](const CRegistryValue& stored) { return stored.ToQWord(value); });
}

LONG CRegKey::QueryStringValue(const QString& name, QString* value) const
{
    return QueryAs(name, [value](const CRegistryValue& stored) { return stored.ToString(value); });
}

LONG CRegKey::QueryMultiStringValue(const QString& name, QStringList* value) const
{
    return QueryAs(name,
                   [value](const CRegistryValue& stored) { return stored.ToMultiString(value); });
}

LONG CRegKey::QueryBinaryValue(const QString& name, QByteArray* value) const
{
    return QueryAs(name, [value](const CRegistryValue& stored) {
        *value = stored.Data();
        return true;
    });
}

LONG CRegKey::SetValue(const QString& name, const CRegistryValue& value)
{
    if (const LONG allowed = Check(KEY_SET_VALUE); allowed != ERROR_SUCCESS)
        return allowed;
    return m_registry->SetValue(m_hive, m_path, name, value);
}

LONG CRegKey::SetDWORDValue(const QString& name, DWORD value)
{
    return SetValue(name, CRegistryValue::FromDWord(value));
}

LONG CRegKey::SetQWORDValue(const QString& name, quint64 value)
{
    return SetValue(name, CRegistryValue::FromQWord(value));
}

LONG CRegKey::SetStringValue(const QString& name, const QString& value, DWORD type)
{
    if (type != REG_SZ && type != REG_EXPAND_SZ)
        return ERROR_INVALID_PARAMETER;
    return SetValue(name, CRegistryValue::FromString(value, type));
}

LONG CRegKey::SetMultiStringValue(const QString& name, const QStringList& value)
{
    return SetValue(name, CRegistryValue::FromMultiString(value));
}

LONG CRegKey::SetBinaryValue(const QString& name, const QByteArray& value)
{
    return SetValue(name, CRegistryValue::FromBinary(value));
}

LONG CRegKey::DeleteValue(const QString& name)
{
    if (const LONG allowed = Check(KEY_SET_VALUE); allowed != ERROR_SUCCESS)
        return allowed;
    return m_registry->DeleteValue(m_hive, m_path, name);
}

LONG CRegKey::DeleteSubKey(const QString& subKey)
{
    return DeleteKey(subKey, false);
}

LONG CRegKey::RecurseDeleteKey(const QString& subKey)
{
    return DeleteKey(subKey, true);
}

LONG CRegKey::DeleteKey(const QString& subKey, bool withSubKeys)
{
    if (const LONG allowed = Check(KEY_SET_VALUE | KEY_CREATE_SUB_KEY | DELETE);
        allowed != ERROR_SUCCESS)
        return allowed;
    if (CRegistryHive::SplitPath(subKey).isEmpty())
        return ERROR_INVALID_PARAMETER;
    return m_registry->DeleteKey(m_hive, SubPath(subKey), withSubKeys);
}

LONG CRegKey::EnumSubKeys(QStringList* names) const
{
    if (const LONG allowed = Check(KEY_ENUMERATE_SUB_KEYS); allowed != ERROR_SUCCESS)
        return allowed;
    return m_registry->EnumSubKeys(m_hive, m_path, names);
}

LONG CRegKey::EnumValueNames(QStringList* names) const
{
    if (const LONG allowed = Check(KEY_QUERY_VALUE); allowed != ERROR_SUCCESS)
        return allowed;
    return m_registry->EnumValues(m_hive, m_path, names);
}

LONG CRegKey::QueryInfo(DWORD* subKeyCount, DWORD* valueCount) const
{
    if (const LONG allowed = Check(KEY_QUERY_VALUE); allowed != ERROR_SUCCESS)
        return allowed;
    QStringList subKeys;
    QStringList values;
    LONG result = m_registry->EnumSubKeys(m_hive, m_path, &subKeys);
    if (result == ERROR_SUCCESS)
        result = m_registry->EnumValues(m_hive, m_path, &values);
    if (result != ERROR_SUCCESS)
        return result;
    if (subKeyCount)
        *subKeyCount = static_cast<DWORD>(subKeys.size());
    if (valueCount)
        *valueCount = static_cast<DWORD>(values.size());
    return ERROR_SUCCESS;
}
