#include "tests/support/CMemoryRegistry.h"

LONG CMemoryRegistry::Failure(HKEY hive, bool write) const
{
    if (auto it = m_failAll.find(hive); it != m_failAll.end())
        return it->second;
    if (write) {
        if (auto it = m_failWrites.find(hive); it != m_failWrites.end())
            return it->second;
    }
    return ERROR_SUCCESS;
}

void CMemoryRegistry::FailHive(HKEY hive, LONG error)
{
    QMutexLocker locker(&m_mutex);
    m_failAll[hive] = error;
}

void CMemoryRegistry::FailWrites(HKEY hive, LONG error)
{
    QMutexLocker locker(&m_mutex);
    m_failWrites[hive] = error;
}

LONG CMemoryRegistry::CreateKey(HKEY hive, const QString& path, bool* created)
{
    QMutexLocker locker(&m_mutex);
    if (const LONG error = Failure(hive, true))
        return error;
    ++m_writes;
    return m_hives[hive].CreateKey(path, created);
}

LONG CMemoryRegistry::OpenKey(HKEY hive, const QString& path)
{
    QMutexLocker locker(&m_mutex);
    if (const LONG error = Failure(hive, false))
        return error;
    return m_hives[hive].HasKey(path) ? ERROR_SUCCESS : ERROR_FILE_NOT_FOUND;
}

LONG CMemoryRegistry::QueryValue(HKEY hive, const QString& path, const QString& name,
                                 CRegistryValue* value)
{
    QMutexLocker locker(&m_mutex);
    if (const LONG error = Failure(hive, false))
        return error;
    return m_hives[hive].QueryValue(path, name, value);
}

LONG CMemoryRegistry::SetValue(HKEY hive, const QString& path, const QString& name,
                               const CRegistryValue& value)
{
    QMutexLocker locker(&m_mutex);
    if (const LONG error = Failure(hive, true))
        return error;
    ++m_writes;
    return m_hives[hive].SetValue(path, name, value);
}

LONG CMemoryRegistry::DeleteValue(HKEY hive, const QString& path, const QString& name)
{
    QMutexLocker locker(&m_mutex);
    if (const LONG error = Failure(hive, true))
        return error;
    ++m_writes;
    return m_hives[hive].DeleteValue(path, name);
}

LONG CMemoryRegistry::DeleteKey(HKEY hive, const QString& path, bool withSubKeys)
{
    QMutexLocker locker(&m_mutex);
    if (const LONG error = Failure(hive, true))
        return error;
    ++m_writes;
    return m_hives[hive].DeleteKey(path, withSubKeys);
}

LONG CMemoryRegistry::EnumSubKeys(HKEY hive, const QString& path, QStringList* names)
{
    QMutexLocker locker(&m_mutex);
    if (const LONG error = Failure(hive, false))
        return error;
    return m_hives[hive].EnumSubKeys(path, names);
}

LONG CMemoryRegistry::EnumValues(HKEY hive, const QString& path, QStringList* names)
{
    QMutexLocker locker(&m_mutex);
    if (const LONG error = Failure(hive, false))
        return error;
    return m_hives[hive].EnumValues(path, names);
}
