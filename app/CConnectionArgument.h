#pragma once

#include "core/Types.h"

#include <QString>

// The argument of a "/connect=" message: items separated by "&", carriage returns or line
// feeds, each "key=value" with both sides percent-encoded. Key 1 is the computer, 2 the user
// name, 3 the password (encoded twice), 4 the domain; a missing key leaves its value empty and a
// later key replaces an earlier one.
class CConnectionArgument {
public:
    static const QString kPrefix; // "/connect="

    // Reads the text after kPrefix; a text without the prefix is read whole.
    static CConnectionArgument Parse(const QString& message);

    // "+" becomes a blank and "%" with two hexadecimal digits the byte they name; a run of such
    // bytes that is valid UTF-8 is read as UTF-8, any other byte as the character of that code.
    // A "%" without two hexadecimal digits after it stays as it is.
    static QString PercentDecode(const QString& text);

    TName computer;
    TName user;
    TString password;
    TName domain;
};
