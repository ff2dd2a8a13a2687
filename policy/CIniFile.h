#pragma once

#include "core/HResult.h"

#include <QByteArray>
#include <QByteArrayList>
#include <QString>

#include <map>

// A small reader of the ini files administrators place beside the console: 8-bit text of
// "[Section]" headers, "Key = Value" lines and "#" or ";" comments.
//
// - A line ends with LF, so lines ending in CR LF (as written on Windows) and in LF alone (as a
//   Linux editor saves them) read alike; a lone CR stays inside its line. Spaces, tabs, CR and
//   LF are trimmed from both ends of every line, key and value; empty lines are skipped.
// - A header is a line of at least two characters that starts with '[' and ends with ']'; its
//   name is the line without all of its leading '[' and trailing ']', so "[[Name]]" is "Name".
//   The keys of a section with an empty name, and key lines before the first header, are
//   dropped.
// - A key line is any other line with an '=': the key before the first '=', the value after it.
//   A repeated key overwrites the earlier value; a repeated section adds its keys to the first.
// - Section and key names are compared exactly, case included.
class CIniFile {
public:
    // Files above this size are refused unread: a settings file is a few hundred bytes, and a
    // file this large is something else put there by mistake.
    static constexpr qint64 kMaxFileSize = 16 * 1024 * 1024;

    // Reads the whole file and parses it, replacing what was held. Answers ERROR_SUCCESS (an
    // empty file holds nothing), the error of opening or reading the file (CRegularFile:
    // ERROR_FILE_NOT_FOUND for a missing one, ERROR_ACCESS_DENIED for a folder or a named pipe),
    // ERROR_FILE_TOO_LARGE, or ERROR_OUTOFMEMORY. On failure nothing is held.
    DWORD Load(const QString& path);
    // Parses text as if read from a file, replacing what was held. Answers ERROR_SUCCESS or
    // ERROR_OUTOFMEMORY; on failure nothing is held.
    DWORD Parse(const QByteArray& text);
    void Clear();

    bool IsEmpty() const { return m_sections.empty(); }
    QByteArrayList SectionNames() const;
    QByteArrayList KeyNames(const QByteArray& section) const;
    // False, leaving VALUE alone, when the section or the key is not there.
    bool Value(const QByteArray& section, const QByteArray& key, QByteArray* value) const;
    // The value read as an unsigned decimal number (see ParseNumber); false, leaving NUMBER
    // alone, when there is no such value or it does not start with a digit.
    bool NumberValue(const QByteArray& section, const QByteArray& key, DWORD* number) const;

    // Reads an optional sign and the decimal digits after it at the start of TEXT and ignores
    // the rest, so "12abc" is 12 and "+0" is 0. It is a number only if at least one digit was
    // read: "", "abc", "+" and "- 1" are not. A value above 0xFFFFFFFF reads as 0xFFFFFFFF, and a
    // negative one as its 32-bit two's complement, no nearer zero than -2^31 ("-1" is
    // 0xFFFFFFFF), so that no number wraps round to 1.
    static bool ParseNumber(const QByteArray& text, DWORD* number);

private:
    using TKeys = std::map<QByteArray, QByteArray>;

    void ParseLines(const QByteArray& text);

    std::map<QByteArray, TKeys> m_sections;
};
