#pragma once

#include "core/HResult.h"

#include <QString>

// English system message texts for the result codes the console meets, looked up the way the
// system's own message table is: the exact code first, then the Win32 code inside a Win32
// HRESULT, then a small positive value as a Win32 code.
class CSystemMessage {
public:
    static constexpr qsizetype MaxLength = 256;

    // A single line of at most MaxLength characters; "Unknown error: <signed decimal>" when the
    // code has no text.
    static QString Text(HRESULT code);
    // The code as the console's messages show it beside its text: "0x" and eight upper-case hex
    // digits.
    static QString CodeText(HRESULT code);
};
