#pragma once

#include <QString>

#include <string>

// Wide strings (UTF-32 here) to Qt's UTF-16. QString::fromStdWString takes a leading U+FEFF for
// a byte order mark and drops it, so a name or a text that begins with one would lose it at every
// conversion; this keeps every character. A value that is not a character (a surrogate, above
// U+10FFFF) becomes U+FFFD, as it does in Qt's own conversion.
class CWideText {
public:
    CWideText() = delete;

    static QString ToQString(const std::wstring& text);
};
