#include "tools/kvnotify/CNoticeArguments.h"

#include "notify/CNoticeWriter.h"

#include <limits>
#include <optional>
#include <type_traits>

using namespace Qt::StringLiterals;

namespace {

struct TInteger {
    bool negative = false;
    quint64 magnitude = 0;
};

// An optional '-', then decimal digits or 0x and hex digits. Checked by hand: the library
// parsers also take blanks, '+', and octal for a leading 0.
std::optional<TInteger> ParseInteger(QStringView text)
{
    TInteger value;
    if (text.startsWith(u'-')) {
        value.negative = true;
        text = text.mid(1);
    }
    int base = 10;
    if (text.startsWith(u"0x") || text.startsWith(u"0X")) {
        base = 16;
        text = text.mid(2);
    }
    if (text.isEmpty())
        return std::nullopt;
    for (QChar c : text) {
        const bool digit = c >= u'0' && c <= u'9';
        const bool hex = (c >= u'a' && c <= u'f') || (c >= u'A' && c <= u'F');
        if (!digit && !(base == 16 && hex))
            return std::nullopt;
    }
    bool ok = false;
    value.magnitude = text.toULongLong(&ok, base);
    if (!ok)
        return std::nullopt;
    return value;
}

// The value as T when it lies in T's range.
template <typename T>
std::optional<T> Fit(const TInteger& value)
{
    if (!value.negative)
        return value.magnitude <= static_cast<quint64>(std::numeric_limits<T>::max())
                   ? std::optional<T>(static_cast<T>(value.magnitude))
                   : std::nullopt;
    if constexpr (std::is_signed_v<T>) {
        const quint64 limit = static_cast<quint64>(-(std::numeric_limits<T>::min() + 1)) + 1;
        if (value.magnitude > limit)
            return std::nullopt;
        // Via the unsigned negation: -limit does not fit a signed 64-bit value.
        return static_cast<T>(static_cast<qint64>(0 - value.magnitude));
    } else {
        return value.magnitude == 0 ? std::optional<T>(0) : std::nullopt;
    }
}

template <typename T>
bool Integer(QStringView text, T* result)
{
    const std::optional<TInteger> value = ParseInteger(text);
    if (!value)
        return false;
    const std::optional<T> fitted = Fit<T>(*value);
    if (!fitted)
        return false;
    *result = *fitted;
    return true;
}

QString Range(qint64 low, quint64 high)
{
    return u"%1 to %2"_s.arg(low).arg(high);
}

} // namespace

std::optional<quint32> CNoticeArguments::ParseU32(const QString& text)
{
    const std::optional<TInteger> value = ParseInteger(text);
    if (!value)
        return std::nullopt;
    if (value->negative) {
        // Two's complement: -1 is 0xFFFFFFFF, -2147467259 is 0x80004005.
        const std::optional<qint32> negative = Fit<qint32>(*value);
        return negative ? std::optional<quint32>(static_cast<quint32>(*negative)) : std::nullopt;
    }
    return Fit<quint32>(*value);
}

bool CNoticeArguments::Build(const QString& type, const QStringList& arguments,
                             CNoticeWriter* writer, QString* error)
{
    const std::optional<quint32> typeValue = ParseU32(type);
    if (!typeValue) {
        *error = u"bad notice type '%1': expected a u32 (decimal or 0x hex)"_s.arg(type);
        return false;
    }
    writer->U32(*typeValue);
    for (const QString& argument : arguments) {
        if (!Append(argument, writer, error))
            return false;
    }
    return true;
}

bool CNoticeArguments::Append(const QString& argument, CNoticeWriter* writer, QString* error)
{
    const qsizetype colon = argument.indexOf(u':');
    if (colon < 0) {
        *error = u"bad argument '%1': expected TYPE:VALUE with TYPE one of s, u8, u32, i32, "
                 u"u64, i64, f64"_s.arg(argument);
        return false;
    }
    const QStringView kind = QStringView(argument).left(colon);
    const QStringView text = QStringView(argument).mid(colon + 1);
    auto fail = [&](const QString& expected) {
        *error = u"bad argument '%1': expected %2"_s.arg(argument, expected);
        return false;
    };

    if (kind == u"s") {
        writer->String(text.toString());
    } else if (kind == u"u8") {
        quint8 value = 0;
        if (!Integer(text, &value))
            return fail(u"a u8 from 0 to 255"_s);
        writer->U8(value);
    } else if (kind == u"u32") {
        const std::optional<quint32> value = ParseU32(text.toString());
        if (!value)
            return fail(u"a u32 from %1"_s.arg(
                Range(std::numeric_limits<qint32>::min(), std::numeric_limits<quint32>::max())));
        writer->U32(*value);
    } else if (kind == u"i32") {
        qint32 value = 0;
        if (!Integer(text, &value))
            return fail(u"an i32 from %1"_s.arg(
                Range(std::numeric_limits<qint32>::min(), std::numeric_limits<qint32>::max())));
        writer->I32(value);
    } else if (kind == u"u64") {
        quint64 value = 0;
        if (!Integer(text, &value))
            return fail(u"a u64 from %1"_s.arg(Range(0, std::numeric_limits<quint64>::max())));
        writer->U64(value);
    } else if (kind == u"i64") {
        qint64 value = 0;
        if (!Integer(text, &value))
            return fail(u"an i64 from %1"_s.arg(
                Range(std::numeric_limits<qint64>::min(), std::numeric_limits<qint64>::max())));
        writer->I64(value);
    } else if (kind == u"f64") {
        bool ok = false;
        const double value = text.trimmed() == text ? text.toDouble(&ok) : 0.0;
        // inf and nan are taken when spelt out; 1e999 or 1e-999 are refused, not rounded.
        if (!ok)
            return fail(u"an f64 within a double's range, such as 42.5, -1e-3, inf or nan"_s);
        writer->F64(value);
    } else {
        return fail(u"TYPE one of s, u8, u32, i32, u64, i64, f64"_s);
    }
    return true;
}
