#include "engine/CParameterString.h"

#include <algorithm>

namespace {

int CParameterStringHexValue(char16_t unit)
{
    if (unit >= u'0' && unit <= u'9')
        return unit - u'0';
    if (unit >= u'a' && unit <= u'f')
        return unit - u'a' + 10;
    if (unit >= u'A' && unit <= u'F')
        return unit - u'A' + 10;
    return -1;
}

bool CParameterStringIsTokenEnd(QChar unit)
{
    return unit == u'&' || unit == u'\r' || unit == u'\n';
}

} // namespace

bool CParameterString::TKeyOrder::operator()(const QString& left, const QString& right) const
{
    return std::lexicographical_compare(left.cbegin(), left.cend(), right.cbegin(), right.cend(),
                                        [](QChar a, QChar b) { return a.unicode() < b.unicode(); });
}

void CParameterString::Add(const QString& key, const QString& value)
{
    m_pairs.emplace(key, value);
}

QString CParameterString::ToString() const
{
    QString text;
    for (const auto& [key, value] : m_pairs) {
        if (!text.isEmpty())
            text += u'&';
        text += Escape(key);
        if (!value.isEmpty())
            text += u'=' + Escape(value);
    }
    return text;
}

CParameterString CParameterString::Parse(QStringView text)
{
    CParameterString parsed;
    qsizetype tokenStart = 0;
    for (qsizetype i = 0; i <= text.size(); ++i) {
        if (i < text.size() && !CParameterStringIsTokenEnd(text[i]))
            continue;
        const QStringView token = text.sliced(tokenStart, i - tokenStart);
        tokenStart = i + 1;
        const QList<QStringView> parts = token.split(u'=', Qt::SkipEmptyParts);
        if (parts.size() == 1)
            parsed.Add(Unescape(parts[0]));
        else if (parts.size() == 2)
            parsed.Add(Unescape(parts[0]), Unescape(parts[1]));
    }
    return parsed;
}

bool CParameterString::Contains(const QString& key) const
{
    return m_pairs.find(key) != m_pairs.end();
}

QString CParameterString::Value(const QString& key) const
{
    // find on a multimap may answer any of the equal keys; lower_bound answers the first added.
    const auto found = m_pairs.lower_bound(key);
    if (found == m_pairs.end() || TKeyOrder()(key, found->first))
        return {};
    return found->second;
}

QStringList CParameterString::Values(const QString& key) const
{
    QStringList values;
    const auto [first, last] = m_pairs.equal_range(key);
    for (auto it = first; it != last; ++it)
        values.append(it->second);
    return values;
}

bool CParameterString::IsPercentEscaped(char16_t unit)
{
    if (unit < 32 || (unit >= 128 && unit <= 255))
        return true;
    return std::find(std::begin(kEscapedPunctuation), std::end(kEscapedPunctuation), unit) !=
           std::end(kEscapedPunctuation);
}

QString CParameterString::Escape(QStringView text)
{
    static constexpr char16_t digits[] = u"0123456789abcdef";
    QString escaped;
    escaped.reserve(text.size());
    for (const QChar unit : text) {
        const char16_t value = unit.unicode();
        if (value == u' ') {
            escaped += u'+';
        } else if (IsPercentEscaped(value)) {
            escaped += u'%';
            escaped += QChar(digits[value >> 4]);
            escaped += QChar(digits[value & 0xF]);
        } else {
            escaped += unit;
        }
    }
    return escaped;
}

QString CParameterString::Unescape(QStringView text)
{
    QString unescaped;
    unescaped.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t unit = text[i].unicode();
        if (unit == u'+') {
            unescaped += u' ';
            continue;
        }
        if (unit == u'%' && text.size() - i > 2) {
            const int high = CParameterStringHexValue(text[i + 1].unicode());
            const int low = CParameterStringHexValue(text[i + 2].unicode());
            if (high >= 0 && low >= 0) {
                unescaped += QChar(static_cast<char16_t>(high * 16 + low));
                i += 2;
                continue;
            }
        }
        unescaped += text[i];
    }
    return unescaped;
}
