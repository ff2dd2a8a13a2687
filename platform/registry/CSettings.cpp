#include "platform/registry/CSettings.h"

#include "platform/registry/CRegistryHive.h"

#include <QDataStream>
#include <QIODevice>
#include <QLocale>
#include <QtEndian>

namespace {

const QLatin1String kVariantPrefix("@Variant(");
const QLatin1String kInvalid("@Invalid()");

// The types kept as "@Variant(...)": values whose stream form holds no count of elements. The
// toolkit's readers of lists and maps reserve room for the count they read before reading the
// elements, so a stored list claiming billions of them would exhaust memory when read back.
bool IsStoredAsVariant(int type)
{
    switch (type) {
    case QMetaType::Double:
    case QMetaType::Float:
    case QMetaType::QChar:
    case QMetaType::QDate:
    case QMetaType::QTime:
    case QMetaType::QDateTime:
    case QMetaType::QUrl:
    case QMetaType::QUuid:
    case QMetaType::QSize:
    case QMetaType::QSizeF:
    case QMetaType::QPoint:
    case QMetaType::QPointF:
    case QMetaType::QRect:
    case QMetaType::QRectF:
    case QMetaType::QLine:
    case QMetaType::QLineF:
    case QMetaType::QColor:
        return true;
    default:
        return false;
    }
}

} // namespace

CSettings::CSettings(const QString& organization, const QString& application, IRegistry* registry)
    : CSettings(HKEY_CURRENT_USER,
                QStringLiteral("Software\\") + organization + u'\\' + application, registry)
{}

CSettings::CSettings(HKEY hive, const QString& basePath, IRegistry* registry)
    : m_registry(registry ? registry : &IRegistry::Instance())
    , m_hive(hive)
    , m_basePath(CRegistryHive::SplitPath(basePath).join(u'\\'))
{}

QStringList CSettings::KeyParts(const QString& key)
{
    QString normalised = key;
    normalised.replace(u'\\', u'/');
    return normalised.split(u'/', Qt::SkipEmptyParts);
}

void CSettings::beginGroup(const QString& prefix)
{
    m_groups.append(KeyParts(prefix).join(u'/'));
}

void CSettings::endGroup()
{
    if (!m_groups.isEmpty())
        m_groups.removeLast();
}

QString CSettings::group() const
{
    return GroupParts().join(u'/');
}

QStringList CSettings::GroupParts() const
{
    QStringList parts;
    for (const QString& entry : m_groups)
        parts += KeyParts(entry);
    return parts;
}

QString CSettings::KeyPath(const QStringList& parts) const
{
    QStringList all = CRegistryHive::SplitPath(m_basePath);
    all += parts;
    return all.join(u'\\');
}

QVariant CSettings::value(const QString& key, const QVariant& defaultValue) const
{
    QStringList parts = GroupParts() + KeyParts(key);
    if (parts.isEmpty())
        return defaultValue;
    const QString name = parts.takeLast();
    CRegistryValue stored;
    if (m_registry->QueryValue(m_hive, KeyPath(parts), name, &stored) != ERROR_SUCCESS)
        return defaultValue;
    return FromRegistryValue(stored);
}

LONG CSettings::setValue(const QString& key, const QVariant& value)
{
    QStringList parts = GroupParts() + KeyParts(key);
    if (parts.isEmpty())
        return m_status = ERROR_INVALID_PARAMETER;
    const QString name = parts.takeLast();
    bool ok = false;
    const CRegistryValue stored = ToRegistryValue(value, &ok);
    if (!ok)
        return m_status = ERROR_INVALID_PARAMETER;
    const QString path = KeyPath(parts);
    m_status = m_registry->CreateKey(m_hive, path, nullptr);
    if (m_status == ERROR_SUCCESS)
        m_status = m_registry->SetValue(m_hive, path, name, stored);
    return m_status;
}

LONG CSettings::remove(const QString& key)
{
    QStringList parts = GroupParts() + KeyParts(key);
    if (KeyParts(key).isEmpty()) {
        // Everything in the current group: its values and its sub-groups.
        const QString path = KeyPath(parts);
        QStringList names;
        m_status = m_registry->EnumValues(m_hive, path, &names);
        for (const QString& name : names) {
            if (m_status == ERROR_SUCCESS)
                m_status = m_registry->DeleteValue(m_hive, path, name);
        }
        QStringList groups;
        if (m_status == ERROR_SUCCESS)
            m_status = m_registry->EnumSubKeys(m_hive, path, &groups);
        for (const QString& child : groups) {
            if (m_status == ERROR_SUCCESS)
                m_status = m_registry->DeleteKey(m_hive, path + u'\\' + child, true);
        }
        if (m_status == ERROR_FILE_NOT_FOUND || m_status == ERROR_KEY_DELETED)
            m_status = ERROR_SUCCESS;
        return m_status;
    }
    const QString name = parts.last();
    const QString groupPath = KeyPath(parts);
    parts.removeLast();
    m_status = m_registry->DeleteValue(m_hive, KeyPath(parts), name);
    if (m_status == ERROR_SUCCESS || m_status == ERROR_FILE_NOT_FOUND ||
        m_status == ERROR_KEY_DELETED)
        m_status = m_registry->DeleteKey(m_hive, groupPath, true);
    if (m_status == ERROR_FILE_NOT_FOUND)
        m_status = ERROR_SUCCESS;
    return m_status;
}

bool CSettings::contains(const QString& key) const
{
    QStringList parts = GroupParts() + KeyParts(key);
    if (parts.isEmpty())
        return false;
    const QString name = parts.takeLast();
    CRegistryValue stored;
    return m_registry->QueryValue(m_hive, KeyPath(parts), name, &stored) == ERROR_SUCCESS;
}

QStringList CSettings::childKeys() const
{
    QStringList names;
    if (m_registry->EnumValues(m_hive, KeyPath(GroupParts()), &names) != ERROR_SUCCESS)
        return {};
    names.removeAll(QString());
    return names;
}

QStringList CSettings::childGroups() const
{
    QStringList names;
    if (m_registry->EnumSubKeys(m_hive, KeyPath(GroupParts()), &names) != ERROR_SUCCESS)
        return {};
    return names;
}

QStringList CSettings::allKeys() const
{
    QStringList keys;
    CollectKeys(KeyPath(GroupParts()), QString(), &keys);
    return keys;
}

void CSettings::CollectKeys(const QString& path, const QString& prefix, QStringList* keys) const
{
    QStringList names;
    if (m_registry->EnumValues(m_hive, path, &names) == ERROR_SUCCESS) {
        for (const QString& name : names) {
            if (!name.isEmpty())
                keys->append(prefix + name);
        }
    }
    QStringList groups;
    if (m_registry->EnumSubKeys(m_hive, path, &groups) == ERROR_SUCCESS) {
        for (const QString& child : groups)
            CollectKeys(path + u'\\' + child, prefix + child + u'/', keys);
    }
}

CRegistryValue CSettings::ToRegistryValue(const QVariant& value, bool* ok)
{
    *ok = true;
    if (!value.isValid())
        return CRegistryValue::FromString(kInvalid);
    switch (value.metaType().id()) {
    case QMetaType::Bool:
        return CRegistryValue::FromDWord(value.toBool() ? 1 : 0);
    case QMetaType::Int:
    case QMetaType::UInt:
        return CRegistryValue::FromDWord(value.toUInt());
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
        return CRegistryValue::FromQWord(value.toULongLong());
    case QMetaType::QString: {
        const QString text = value.toString();
        return CRegistryValue::FromString(text.startsWith(u'@') ? u'@' + text : text);
    }
    case QMetaType::QStringList:
        return CRegistryValue::FromMultiString(value.toStringList());
    case QMetaType::QByteArray:
        return CRegistryValue::FromBinary(value.toByteArray());
    case QMetaType::Double:
    case QMetaType::Float:
        return CRegistryValue::FromString(
            QString::number(value.toDouble(), 'g', QLocale::FloatingPointShortest));
    default:
        break;
    }
    if (!IsStoredAsVariant(value.metaType().id()) ||
        !value.metaType().hasRegisteredDataStreamOperators()) {
        *ok = false;
        return {};
    }
    QByteArray bytes;
    QDataStream stream(&bytes, QIODevice::WriteOnly);
    stream.setVersion(QDataStream::Qt_6_0);
    stream << value;
    if (stream.status() != QDataStream::Ok) {
        *ok = false;
        return {};
    }
    return CRegistryValue::FromString(kVariantPrefix + QString::fromLatin1(bytes.toBase64()) +
                                      u')');
}

QVariant CSettings::FromRegistryValue(const CRegistryValue& value)
{
    DWORD number = 0;
    quint64 wide = 0;
    QString text;
    QStringList list;
    if (value.ToDWord(&number))
        return QVariant(static_cast<int>(number));
    if (value.ToQWord(&wide))
        return QVariant(static_cast<qlonglong>(wide));
    if (value.ToMultiString(&list))
        return QVariant(list);
    if (!value.ToString(&text))
        return QVariant(value.Data());
    if (!text.startsWith(u'@'))
        return QVariant(text);
    if (text.startsWith(QLatin1String("@@")))
        return QVariant(text.mid(1));
    if (text == kInvalid)
        return QVariant();
    if (text.startsWith(kVariantPrefix) && text.endsWith(u')')) {
        const QByteArray bytes = QByteArray::fromBase64(
            text.mid(kVariantPrefix.size(), text.size() - kVariantPrefix.size() - 1).toLatin1());
        // The stream begins with the type; one of another type is not read but kept as text.
        const int type = bytes.size() < 4 ? 0 : qFromBigEndian<qint32>(bytes.constData());
        QDataStream stream(bytes);
        stream.setVersion(QDataStream::Qt_6_0);
        QVariant result;
        if (IsStoredAsVariant(type))
            stream >> result;
        if (stream.status() == QDataStream::Ok && result.isValid())
            return result;
    }
    return QVariant(text);
}
