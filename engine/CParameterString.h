#pragma once

#include <QString>
#include <QStringList>
#include <QStringView>

#include <map>

// The agent's schedule parameter text: key/value pairs in the manner of a URL query string.
// Pairs are kept ordered by key (compared by UTF-16 code units; pairs of equal keys in the order
// they were added), and the text is written in that order, not in the order of adding.
class CParameterString {
public:
    // Adds a pair; an empty value writes the key alone.
    void Add(const QString& key, const QString& value = {});

    // Escaped pairs "key=value" (or "key" for an empty value) joined by "&".
    QString ToString() const;

    // Reads a text: tokens split at "&", CR and LF, each token split at "=" (empty parts skipped
    // both times). One part is a key with an empty value, two a key and its value; a token of
    // more parts is dropped. Keys and values are unescaped after splitting.
    static CParameterString Parse(QStringView text);

    bool IsEmpty() const { return m_pairs.empty(); }
    qsizetype Count() const { return static_cast<qsizetype>(m_pairs.size()); }
    // Keys compare exactly (case-sensitive).
    bool Contains(const QString& key) const;
    // The value of the first pair with the key; empty when there is none.
    QString Value(const QString& key) const;
    // The values of all pairs with the key, in the order they were added.
    QStringList Values(const QString& key) const;

    // A blank becomes "+"; control units (below 32), units 128 to 255 and the units of
    // kEscapedPunctuation become "%" and two lower-case hex digits; every other unit, including
    // those above 255, is kept.
    static QString Escape(QStringView text);
    // "+" becomes a blank and "%" with two hex digits the unit they spell. A "%" not followed by
    // two hex digits (at the end of the text, or before other units) is kept as it is, so that
    // a damaged text reads as what it shows and never past its end.
    static QString Unescape(QStringView text);
    // Whether Escape writes the unit as "%xx".
    static bool IsPercentEscaped(char16_t unit);

    static constexpr char16_t kEscapedPunctuation[] = {
        u'"', u'#', u'$', u'%', u'&',  u'+', u',', u'/', u':', u';', u'<', u'=',
        u'>', u'?', u'@', u'[', u'\\', u']', u'^', u'`', u'{', u'|', u'}', u'~'};

private:
    struct TKeyOrder {
        bool operator()(const QString& left, const QString& right) const;
    };

    // std::multimap keeps equal keys in insertion order.
    std::multimap<QString, QString, TKeyOrder> m_pairs;
};
