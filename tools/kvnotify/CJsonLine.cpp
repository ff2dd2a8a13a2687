#include "tools/kvnotify/CJsonLine.h"

#include "core/CWideText.h"
#include "core/Types.h"
#include "engine/CExchangeStatisticsMsg.h"

#include <QLocale>

#include <cmath>
#include <string>

using namespace Qt::StringLiterals;

namespace {

QByteArray Double(double value)
{
    if (!std::isfinite(value))
        return "null"_ba;
    return QByteArray::number(value, 'g', QLocale::FloatingPointShortest);
}

QByteArray Wide(const std::wstring& text)
{
    return CJsonLine::String(CWideText::ToQString(text));
}

QByteArray Statistics(const CExchangeStatisticsMsg& stats)
{
    const std::pair<const char*, QByteArray> members[] = {
        {"groupName", Wide(stats.groupName)},
        {"storeName", Wide(stats.storeName)},
        {"cpuTime", Wide(stats.cpuTime)},
        {"elapsedTime", Wide(stats.elapsedTime)},
        {"storePath", Wide(stats.storePath)},
        {"backupPath", Wide(stats.backupPath)},
        {"sizeBefore", Double(stats.sizeBefore)},
        {"sizeAfter", Double(stats.sizeAfter)},
        {"percentGained", Double(stats.percentGained)},
    };
    QByteArray object = "{"_ba;
    for (const auto& [key, value] : members) {
        if (object.size() > 1)
            object += ',';
        object += '"' + QByteArray(key) + "\":" + value;
    }
    return object + '}';
}

} // namespace

QByteArray CJsonLine::Format(QByteArrayView signal, const QVariantList& arguments)
{
    QByteArray line = signal.toByteArray() + " [";
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        if (i > 0)
            line += ',';
        line += Value(arguments[i]);
    }
    return line + ']';
}

QByteArray CJsonLine::Value(const QVariant& value)
{
    const QMetaType type = value.metaType();
    switch (type.id()) {
    case QMetaType::Bool:
        return value.toBool() ? "true"_ba : "false"_ba;
    case QMetaType::Char:
    case QMetaType::SChar:
    case QMetaType::Short:
    case QMetaType::Int:
    case QMetaType::Long:
    case QMetaType::LongLong:
        return QByteArray::number(value.toLongLong());
    case QMetaType::UChar:
    case QMetaType::UShort:
    case QMetaType::UInt:
    case QMetaType::ULong:
    case QMetaType::ULongLong:
        return QByteArray::number(value.toULongLong());
    case QMetaType::Float:
    case QMetaType::Double:
        return Double(value.toDouble());
    case QMetaType::QString:
        return String(value.toString());
    default:
        break;
    }
    if (type == QMetaType::fromType<std::wstring>())
        return Wide(value.value<std::wstring>());
    if (type == QMetaType::fromType<CExchangeStatisticsMsg>())
        return Statistics(value.value<CExchangeStatisticsMsg>());
    if (type.flags().testFlag(QMetaType::IsEnumeration))
        return QByteArray::number(value.toLongLong());
    if (value.canConvert<QString>())
        return String(value.toString());
    return "null"_ba;
}

QByteArray CJsonLine::String(const QString& text)
{
    // Escaped as UTF-16 so that a lone surrogate survives as \uXXXX instead of becoming a
    // replacement character in the UTF-8.
    QString escaped;
    escaped.reserve(text.size() + 2);
    escaped += u'"';
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c.isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
            escaped += c;
            escaped += text[++i];
            continue;
        }
        switch (c.unicode()) {
        case u'"':
            escaped += u"\\\""_s;
            break;
        case u'\\':
            escaped += u"\\\\"_s;
            break;
        case u'\b':
            escaped += u"\\b"_s;
            break;
        case u'\f':
            escaped += u"\\f"_s;
            break;
        case u'\n':
            escaped += u"\\n"_s;
            break;
        case u'\r':
            escaped += u"\\r"_s;
            break;
        case u'\t':
            escaped += u"\\t"_s;
            break;
        default:
            if (c.unicode() < 0x20 || c.isSurrogate())
                escaped += u"\\u%1"_s.arg(uint(c.unicode()), 4, 16, QChar(u'0'));
            else
                escaped += c;
        }
    }
    escaped += u'"';
    return escaped.toUtf8();
}
