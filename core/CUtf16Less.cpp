#include "core/CUtf16Less.h"

namespace {

// The UTF-16 code units of a string, one at a time.
class CUtf16Units {
public:
    explicit CUtf16Units(const std::wstring& text)
        : m_text(text)
    {}

    // False at the end.
    bool Next(char32_t* unit)
    {
        if (m_low != 0) {
            *unit = m_low;
            m_low = 0;
            return true;
        }
        if (m_index == m_text.size())
            return false;
        const auto c = static_cast<char32_t>(m_text[m_index++]);
        // Beyond U+10FFFF no UTF-16 text goes; such a value compares as the largest unit.
        if (c < 0x10000 || c > 0x10FFFF) {
            *unit = c < 0x10000 ? c : 0xFFFF;
            return true;
        }
        *unit = 0xD800 + ((c - 0x10000) >> 10);
        m_low = 0xDC00 + ((c - 0x10000) & 0x3FF);
        return true;
    }

private:
    const std::wstring& m_text;
    std::size_t m_index = 0;
    char32_t m_low = 0;
};

} // namespace

bool CUtf16Less::operator()(const std::wstring& left, const std::wstring& right) const
{
    if constexpr (sizeof(wchar_t) == 2) {
        return left < right;
    } else {
        CUtf16Units leftUnits(left);
        CUtf16Units rightUnits(right);
        for (;;) {
            char32_t leftUnit = 0;
            char32_t rightUnit = 0;
            const bool leftMore = leftUnits.Next(&leftUnit);
            if (!rightUnits.Next(&rightUnit))
                return false;
            if (!leftMore)
                return true;
            if (leftUnit != rightUnit)
                return leftUnit < rightUnit;
        }
    }
}
