#pragma once

#include "engine/contract/ContractTypes.h"

#include <QString>
#include <QStringList>
#include <QVariant>

// The agent's property bags as fuzz input and seed text: per value a record of section, key and
// typed value separated by U+001F, records separated by U+001E. The value's first letter gives
// its type: i (qint32), u (quint32), l (qint64), d (double), b (bool, "1" true), s (text), n (no
// value); a number that does not read becomes text. Any text makes some bag, so every mutation
// of the input is still a bag.
namespace PropertyBagText {

inline QVariant ReadValue(const QString& typed)
{
    const QChar type = typed.isEmpty() ? QChar(u'n') : typed.front();
    const QString text = typed.mid(1);
    bool ok = true;
    QVariant value;
    switch (type.unicode()) {
    case u'i':
        value = text.toInt(&ok);
        break;
    case u'u':
        value = text.toUInt(&ok);
        break;
    case u'l':
        value = text.toLongLong(&ok);
        break;
    case u'd':
        value = text.toDouble(&ok);
        break;
    case u'b':
        value = text == u"1";
        break;
    case u'n':
        break;
    default:
        value = text;
        break;
    }
    return ok ? value : QVariant(text);
}

inline DBusContract::TPropertyBag Read(const QString& text)
{
    DBusContract::TPropertyBag bag;
    for (const QString& record : text.split(QChar(0x1E))) {
        const QStringList fields = record.split(QChar(0x1F));
        if (fields.size() == 3)
            bag[fields[0]][fields[1]] = ReadValue(fields[2]);
    }
    return bag;
}

inline QString WriteValue(const QVariant& value)
{
    switch (value.typeId()) {
    case QMetaType::Int:
        return u'i' + QString::number(value.toInt());
    case QMetaType::UInt:
        return u'u' + QString::number(value.toUInt());
    case QMetaType::LongLong:
        return u'l' + QString::number(value.toLongLong());
    case QMetaType::Double:
        return u'd' + QString::number(value.toDouble(), 'g', 17);
    case QMetaType::Bool:
        return value.toBool() ? QStringLiteral("b1") : QStringLiteral("b0");
    case QMetaType::UnknownType:
        return QStringLiteral("n");
    default:
        return u's' + value.toString();
    }
}

inline QString Write(const DBusContract::TPropertyBag& bag)
{
    QStringList records;
    for (auto section = bag.begin(); section != bag.end(); ++section) {
        for (auto key = section->begin(); key != section->end(); ++key)
            records.append(section.key() + QChar(0x1F) + key.key() + QChar(0x1F) +
                           WriteValue(key.value()));
    }
    return records.join(QChar(0x1E));
}

} // namespace PropertyBagText
