#include "platform/registry/CRegistryHive.h"

#include <algorithm>

namespace {

int CompareNames(const QString& a, const QString& b)
{
    return a.compare(b, Qt::CaseInsensitive);
}

} // namespace

bool CRegistryHive::IsPlainText(const QString& text)
{
    for (QChar c : text) {
        if (c == u'\0' || c == u'\r' || c == u'\n')
            return false;
    }
    return QStringView(text).isValidUtf16();
}

bool CRegistryHive::IsValidKeyName(const QString& name)
{
    return !name.isEmpty() && name.size() <= 255 && !name.contains(u'\\') && IsPlainText(name);
}

bool CRegistryHive::IsValidValueName(const QString& name)
{
    return name.size() <= 16383 && IsPlainText(name);
}

QStringList CRegistryHive::SplitPath(const QString& path)
{
    return path.split(u'\\', Qt::SkipEmptyParts);
}

CRegistryHive::TKey* CRegistryHive::FindChild(TKey* key, const QString& name)
{
    return const_cast<TKey*>(FindChild(static_cast<const TKey*>(key), name));
}

const CRegistryHive::TKey* CRegistryHive::FindChild(const TKey* key, const QString& name)
{
    auto it = std::lower_bound(key->subKeys.begin(), key->subKeys.end(), name,
                               [](const TKey& child, const QString& wanted) {
                                   return CompareNames(child.name, wanted) < 0;
                               });
    if (it != key->subKeys.end() && CompareNames(it->name, name) == 0)
        return &*it;
    return nullptr;
}

CRegistryHive::TKey* CRegistryHive::Find(const QString& path)
{
    return const_cast<TKey*>(static_cast<const CRegistryHive*>(this)->Find(path));
}

const CRegistryHive::TKey* CRegistryHive::Find(const QString& path) const
{
    const TKey* key = &m_root;
    for (const QString& part : SplitPath(path)) {
        key = FindChild(key, part);
        if (!key)
            return nullptr;
    }
    return key;
}

LONG CRegistryHive::CreateKey(const QString& path, bool* created)
{
    const QStringList parts = SplitPath(path);
    for (const QString& part : parts) {
        if (!IsValidKeyName(part))
            return ERROR_INVALID_PARAMETER;
    }
    bool madeOne = false;
    TKey* key = &m_root;
    for (const QString& part : parts) {
        TKey* child = FindChild(key, part);
        if (!child) {
            auto it = std::lower_bound(key->subKeys.begin(), key->subKeys.end(), part,
                                       [](const TKey& existing, const QString& wanted) {
                                           return CompareNames(existing.name, wanted) < 0;
                                       });
            it = key->subKeys.insert(it, TKey{part, {}, {}});
            child = &*it;
            madeOne = true;
        }
        key = child;
    }
    if (created)
        *created = madeOne;
    return ERROR_SUCCESS;
}

bool CRegistryHive::HasKey(const QString& path) const
{
    return Find(path) != nullptr;
}

LONG CRegistryHive::QueryValue(const QString& path, const QString& name,
                               CRegistryValue* value) const
{
    const TKey* key = Find(path);
    if (!key)
        return ERROR_FILE_NOT_FOUND;
    for (const TValueEntry& entry : key->values) {
        if (CompareNames(entry.name, name) == 0) {
            *value = entry.value;
            return ERROR_SUCCESS;
        }
    }
    return ERROR_FILE_NOT_FOUND;
}

LONG CRegistryHive::SetValue(const QString& path, const QString& name, const CRegistryValue& value)
{
    if (!IsValidValueName(name))
        return ERROR_INVALID_PARAMETER;
    TKey* key = Find(path);
    if (!key)
        return ERROR_KEY_DELETED;
    for (TValueEntry& entry : key->values) {
        if (CompareNames(entry.name, name) == 0) {
            entry.value = value;
            return ERROR_SUCCESS;
        }
    }
    key->values.push_back(TValueEntry{name, value});
    return ERROR_SUCCESS;
}

LONG CRegistryHive::DeleteValue(const QString& path, const QString& name)
{
    TKey* key = Find(path);
    if (!key)
        return ERROR_KEY_DELETED;
    auto it = std::find_if(key->values.begin(), key->values.end(), [&](const TValueEntry& entry) {
        return CompareNames(entry.name, name) == 0;
    });
    if (it == key->values.end())
        return ERROR_FILE_NOT_FOUND;
    key->values.erase(it);
    return ERROR_SUCCESS;
}

LONG CRegistryHive::DeleteKey(const QString& path, bool withSubKeys)
{
    QStringList parts = SplitPath(path);
    if (parts.isEmpty())
        return ERROR_ACCESS_DENIED;
    const QString last = parts.takeLast();
    TKey* parent = Find(parts.join(u'\\'));
    TKey* key = parent ? FindChild(parent, last) : nullptr;
    if (!key)
        return ERROR_FILE_NOT_FOUND;
    if (!withSubKeys && !key->subKeys.empty())
        return ERROR_ACCESS_DENIED;
    parent->subKeys.erase(parent->subKeys.begin() + (key - parent->subKeys.data()));
    return ERROR_SUCCESS;
}

LONG CRegistryHive::EnumSubKeys(const QString& path, QStringList* names) const
{
    const TKey* key = Find(path);
    if (!key)
        return ERROR_KEY_DELETED;
    names->clear();
    for (const TKey& child : key->subKeys)
        names->append(child.name);
    return ERROR_SUCCESS;
}

LONG CRegistryHive::EnumValues(const QString& path, QStringList* names) const
{
    const TKey* key = Find(path);
    if (!key)
        return ERROR_KEY_DELETED;
    names->clear();
    for (const TValueEntry& entry : key->values)
        names->append(entry.name);
    return ERROR_SUCCESS;
}

void CRegistryHive::ForEachKey(
    const std::function<void(const QString&, const std::vector<TValueEntry>&)>& visit) const
{
    Visit(m_root, QString(), visit);
}

void CRegistryHive::Visit(
    const TKey& key, const QString& path,
    const std::function<void(const QString&, const std::vector<TValueEntry>&)>& visit)
{
    visit(path, key.values);
    for (const TKey& child : key.subKeys)
        Visit(child, path.isEmpty() ? child.name : path + u'\\' + child.name, visit);
}
