#pragma once

#include "platform/registry/CRegistryHive.h"
#include "platform/registry/IRegistry.h"

#include <QMutex>

#include <map>

// A registry held in memory for tests, with failures on demand: every operation on a hive set
// to fail answers that error and changes nothing.
class CMemoryRegistry : public IRegistry {
public:
    LONG CreateKey(HKEY hive, const QString& path, bool* created) override;
    LONG OpenKey(HKEY hive, const QString& path) override;
    LONG QueryValue(HKEY hive, const QString& path, const QString& name,
                    CRegistryValue* value) override;
    LONG SetValue(HKEY hive, const QString& path, const QString& name,
                  const CRegistryValue& value) override;
    LONG DeleteValue(HKEY hive, const QString& path, const QString& name) override;
    LONG DeleteKey(HKEY hive, const QString& path, bool withSubKeys) override;
    LONG EnumSubKeys(HKEY hive, const QString& path, QStringList* names) override;
    LONG EnumValues(HKEY hive, const QString& path, QStringList* names) override;

    void FailHive(HKEY hive, LONG error);
    void FailWrites(HKEY hive, LONG error);
    int WriteCount() const { return m_writes; }

private:
    LONG Failure(HKEY hive, bool write) const;

    mutable QMutex m_mutex;
    std::map<HKEY, CRegistryHive> m_hives;
    std::map<HKEY, LONG> m_failAll;
    std::map<HKEY, LONG> m_failWrites;
    int m_writes = 0;
};
