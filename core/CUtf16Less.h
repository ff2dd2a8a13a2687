#pragma once

#include <string>

// Orders wide strings as their UTF-16 forms compare code unit by code unit, the order of the
// engine's services (their names are UTF-16). Where wchar_t is 32 bits wide, a character beyond
// U+FFFF is a surrogate pair whose first unit lies in 0xD800..0xDBFF, so it sorts before
// U+E000..U+FFFF though its code point is higher; a plain comparison of the code points would
// put it after them.
class CUtf16Less {
public:
    bool operator()(const std::wstring& left, const std::wstring& right) const;
};
