#pragma once

#include "platform/registry/IRegistry.h"

#include <QStringList>
#include <QVariant>

// The console's settings object: the operations of a settings store with groups, kept in the
// registry under HKEY_CURRENT_USER\Software\<organisation>\<application>, so that a value
// written here and one read through the registry are the same value. Keys use "/" between
// groups ("Preferences/Exit On Close" is the value "Exit On Close" of the key "Preferences");
// "\" counts as "/", and empty parts are ignored.
//
// Types: bool, int and uint are REG_DWORD; 64-bit integers REG_QWORD; QString REG_SZ;
// QStringList REG_MULTI_SZ; QByteArray REG_BINARY; doubles REG_SZ in their shortest exact text;
// sizes, points, rectangles, lines, dates and times, colours, URLs and UUIDs REG_SZ
// "@Variant(<base64 of the data stream>)", and an invalid variant "@Invalid()"; other types are
// refused. A "@Variant" of another type is read as its text, never decoded: the toolkit reads a
// list by first making room for the count it declares. A text that itself begins with "@" is
// stored with one more "@" in front.
// Reading gives REG_DWORD as int, REG_QWORD as qlonglong, strings as QString, multi-strings as
// QStringList and any other type as QByteArray.
class CSettings {
public:
    CSettings(const QString& organization, const QString& application,
              IRegistry* registry = nullptr);
    // Settings at any key of any hive.
    CSettings(HKEY hive, const QString& basePath, IRegistry* registry = nullptr);

    void beginGroup(const QString& prefix);
    void endGroup();
    QString group() const;

    QVariant value(const QString& key, const QVariant& defaultValue = QVariant()) const;
    // Answers ERROR_SUCCESS or the registry's error (also kept as status()); on failure the
    // stored value is unchanged. A type with no stored form answers ERROR_INVALID_PARAMETER.
    LONG setValue(const QString& key, const QVariant& value);
    // Removes the value and the group of that name with everything in it; an empty key
    // removes everything in the current group.
    LONG remove(const QString& key);
    bool contains(const QString& key) const;

    // The values directly in the current group (without the key's unnamed default value).
    QStringList childKeys() const;
    QStringList childGroups() const;
    // Every value below the current group, as "group/key".
    QStringList allKeys() const;

    // The error of the last change, ERROR_SUCCESS when it worked.
    LONG status() const { return m_status; }

    static CRegistryValue ToRegistryValue(const QVariant& value, bool* ok);
    static QVariant FromRegistryValue(const CRegistryValue& value);

private:
    static QStringList KeyParts(const QString& key);
    QStringList GroupParts() const;
    QString KeyPath(const QStringList& parts) const;
    void CollectKeys(const QString& path, const QString& prefix, QStringList* keys) const;

    IRegistry* m_registry;
    HKEY m_hive;
    QString m_basePath;
    QStringList m_groups;
    LONG m_status = ERROR_SUCCESS;
};
