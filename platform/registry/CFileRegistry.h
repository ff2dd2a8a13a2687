#pragma once

#include "platform/registry/CRegistryHive.h"
#include "platform/registry/IRegistry.h"

#include <QMutex>

#include <array>
#include <functional>
#include <sys/types.h>

// The registry kept in files, one per hive, in the registry export text format. Several
// processes may share the files: a change takes an advisory lock on "<hive file>.lock", reads
// the file again if another process has replaced it since, applies the change and replaces the
// file atomically (temporary file, flush to disk, rename). Reads notice a replaced file by its
// identity and read it again. A hive file that cannot be parsed is never overwritten: every
// operation on that hive answers ERROR_BADDB until the file is mended.
class CFileRegistry : public IRegistry {
public:
    // Hive files at the locations of CRegistryLocation.
    CFileRegistry();
    // All hive files in one folder.
    explicit CFileRegistry(const QString& directory);

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

    QString HiveFilePath(HKEY hive) const;
    // Why the hive's file could not be read ("line 3: ..."); empty when it could.
    QString HiveError(HKEY hive);

private:
    struct TFileStamp {
        bool exists = false;
        dev_t device = 0;
        ino_t inode = 0;
        off_t size = 0;
        long long modifiedNs = 0;
        bool operator==(const TFileStamp&) const = default;
    };

    struct THive {
        HKEY root = HKEY_CURRENT_USER;
        QString filePath;
        QMutex mutex;
        bool loaded = false;
        TFileStamp stamp;
        CRegistryHive keys;
        LONG error = ERROR_SUCCESS;
        QString errorText;
    };

    THive& Hive(HKEY hive);
    // With the hive's mutex held: reads the file again when it is not the one last read.
    void Refresh(THive& hive);
    LONG Read(HKEY hive, const std::function<LONG(const CRegistryHive&)>& read);
    LONG Modify(HKEY hive, const std::function<LONG(CRegistryHive&)>& change);
    LONG WriteFile(THive& hive, const CRegistryHive& keys);

    std::array<THive, 4> m_hives;
};
