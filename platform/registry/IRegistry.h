#pragma once

#include "platform/registry/CRegistryValue.h"

#include <QStringList>

// The registry: hives of keys holding typed values. Every operation addresses a key by its hive
// and its path below the hive's root ("Software\Tellmar\Korvane") and answers a Win32 error
// code: ERROR_SUCCESS, ERROR_FILE_NOT_FOUND for a missing key or value, ERROR_KEY_DELETED when
// the key of an operation on an existing key has gone, ERROR_INVALID_PARAMETER for a name the
// registry cannot hold, ERROR_BADDB when the hive's stored form cannot be read (and so is left
// alone), or the error of the storage itself. Access rights are checked by the key handle,
// CRegKey, not here.
class IRegistry {
public:
    virtual ~IRegistry() = default;

    virtual LONG CreateKey(HKEY hive, const QString& path, bool* created) = 0;
    virtual LONG OpenKey(HKEY hive, const QString& path) = 0;
    virtual LONG QueryValue(HKEY hive, const QString& path, const QString& name,
                            CRegistryValue* value) = 0;
    virtual LONG SetValue(HKEY hive, const QString& path, const QString& name,
                          const CRegistryValue& value) = 0;
    virtual LONG DeleteValue(HKEY hive, const QString& path, const QString& name) = 0;
    virtual LONG DeleteKey(HKEY hive, const QString& path, bool withSubKeys) = 0;
    virtual LONG EnumSubKeys(HKEY hive, const QString& path, QStringList* names) = 0;
    virtual LONG EnumValues(HKEY hive, const QString& path, QStringList* names) = 0;

    // The process-wide registry: the file-backed store at the location the environment names,
    // created on first use, unless a replacement was installed.
    static IRegistry& Instance();
    // Installs a replacement (not owned), or with null goes back to the file-backed store, which
    // is then made afresh so that it follows the current environment.
    static void SetInstance(IRegistry* registry);
};
