#include "app/CConnectionArgument.h"

#include <QByteArray>
#include <QRegularExpression>
#include <QStringDecoder>

using namespace Qt::StringLiterals;

const QString CConnectionArgument::kPrefix = u"/connect="_s;

namespace {

int HexValue(QChar c)
{
    if (c >= u'0' && c <= u'9')
        return c.unicode() - u'0';
    if (c >= u'a' && c <= u'f')
        return c.unicode() - u'a' + 10;
    if (c >= u'A' && c <= u'F')
        return c.unicode() - u'A' + 10;
    return -1;
}

// The byte of an escape at position i, or -1 when there is no complete escape there.
int EscapedByte(const QString& text, qsizetype i)
{
    if (i + 2 >= text.size() || text.at(i) != u'%')
        return -1;
    const int high = HexValue(text.at(i + 1));
    const int low = HexValue(text.at(i + 2));
    return high < 0 || low < 0 ? -1 : high * 16 + low;
}

QString DecodedBytes(const QByteArray& bytes)
{
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString decoded = utf8.decode(bytes);
    if (!utf8.hasError())
        return decoded;
    return QString::fromLatin1(bytes);
}

} // namespace

QString CConnectionArgument::PercentDecode(const QString& text)
{
    QString result;
    result.reserve(text.size());
    qsizetype i = 0;
    while (i < text.size()) {
        if (text.at(i) == u'+') {
            result.append(u' ');
            ++i;
            continue;
        }
        QByteArray bytes;
        for (int byte = EscapedByte(text, i); byte >= 0; byte = EscapedByte(text, i)) {
            bytes.append(static_cast<char>(byte));
            i += 3;
        }
        if (!bytes.isEmpty()) {
            result.append(DecodedBytes(bytes));
            continue;
        }
        result.append(text.at(i));
        ++i;
    }
    return result;
}

CConnectionArgument CConnectionArgument::Parse(const QString& message)
{
    const QString argument = message.startsWith(kPrefix) ? message.mid(kPrefix.size()) : message;
    CConnectionArgument parsed;
    static const QRegularExpression separators(u"[&\\r\\n]"_s);
    for (const QString& item : argument.split(separators, Qt::SkipEmptyParts)) {
        const qsizetype equals = item.indexOf(u'=');
        const QString key = PercentDecode(equals < 0 ? item : item.left(equals));
        const QString value = equals < 0 ? QString() : PercentDecode(item.mid(equals + 1));
        if (key == u"1"_s)
            parsed.computer = value.toStdWString();
        else if (key == u"2"_s)
            parsed.user = value.toStdWString();
        else if (key == u"3"_s)
            parsed.password = PercentDecode(value).toStdWString();
        else if (key == u"4"_s)
            parsed.domain = value.toStdWString();
    }
    return parsed;
}
