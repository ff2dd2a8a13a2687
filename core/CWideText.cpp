#include "core/CWideText.h"

QString CWideText::ToQString(const std::wstring& text)
{
    QString converted;
    converted.reserve(static_cast<qsizetype>(text.size()));
    for (const wchar_t unit : text) {
        const char32_t point = static_cast<char32_t>(unit);
        if (QChar::requiresSurrogates(point) && point <= QChar::LastValidCodePoint) {
            converted.append(QChar(QChar::highSurrogate(point)));
            converted.append(QChar(QChar::lowSurrogate(point)));
        } else if (point < 0x10000 && !QChar::isSurrogate(point)) {
            converted.append(QChar(static_cast<char16_t>(point)));
        } else {
            converted.append(QChar(QChar::ReplacementCharacter));
        }
    }
    return converted;
}
