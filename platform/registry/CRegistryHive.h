#pragma once

#include "platform/registry/CRegistryValue.h"

#include <QString>
#include <QStringList>

#include <functional>
#include <vector>

// The keys and values of one hive held in memory. Key and value names are compared without
// regard to case and keep the case they were created with; sub-keys are kept in name order and
// values in the order they were first set. Paths are relative to the hive's root and use "\"
// between key names; empty components are ignored. Every operation answers a Win32 error code.
class CRegistryHive {
public:
    struct TValueEntry {
        QString name;
        CRegistryValue value;
    };

    LONG CreateKey(const QString& path, bool* created = nullptr);
    bool HasKey(const QString& path) const;
    LONG QueryValue(const QString& path, const QString& name, CRegistryValue* value) const;
    LONG SetValue(const QString& path, const QString& name, const CRegistryValue& value);
    LONG DeleteValue(const QString& path, const QString& name);
    // Deletes a key; one with sub-keys only when withSubKeys is set. The root cannot be deleted.
    LONG DeleteKey(const QString& path, bool withSubKeys);
    LONG EnumSubKeys(const QString& path, QStringList* names) const;
    LONG EnumValues(const QString& path, QStringList* names) const;

    bool IsEmpty() const { return m_root.subKeys.empty() && m_root.values.empty(); }

    // Visits every key depth first in name order, parents before children, the root (empty
    // path) first.
    void ForEachKey(const std::function<void(const QString& path,
                                             const std::vector<TValueEntry>& values)>& visit) const;

    // True when a name can be stored and written back to a hive file unchanged: no line breaks,
    // no nulls, no unpaired surrogates; key names also without "\".
    static bool IsValidKeyName(const QString& name);
    static bool IsValidValueName(const QString& name);
    static bool IsPlainText(const QString& text);
    static QStringList SplitPath(const QString& path);

private:
    struct TKey {
        QString name;
        std::vector<TKey> subKeys; // ordered by case-folded name
        std::vector<TValueEntry> values;
    };

    static TKey* FindChild(TKey* key, const QString& name);
    static const TKey* FindChild(const TKey* key, const QString& name);
    TKey* Find(const QString& path);
    const TKey* Find(const QString& path) const;
    static void
    Visit(const TKey& key, const QString& path,
          const std::function<void(const QString&, const std::vector<TValueEntry>&)>& visit);

    TKey m_root;
};
