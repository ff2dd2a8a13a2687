// The exclusion windows of a QuietWatch schedule as the agent keeps them in its text. A text the
// reader accepts must write back to a text the reader accepts with the same windows (the start
// to the twelve decimals the text holds), and from there stay as it is.
//
// Input: the text as UTF-16LE units.

#include "FuzzSupport.h"

#include "schedule/CExclusionWindowsText.h"

#include <cmath>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QString text = FuzzUtf16(data, size);
    const CExclusionWindowsText::TWindows marked = {{40000.5, 3, 7}};
    CExclusionWindowsText::TWindows windows = marked;
    if (FAILED(CExclusionWindowsText::Read(text, &windows))) {
        FUZZ_CHECK(windows == marked);
        return 0;
    }
    const QString written = CExclusionWindowsText::Write(windows);
    CExclusionWindowsText::TWindows again;
    FUZZ_CHECK(SUCCEEDED(CExclusionWindowsText::Read(written, &again)));
    FUZZ_CHECK(again.size() == windows.size());
    for (std::size_t i = 0; i < windows.size(); ++i) {
        FUZZ_CHECK(again[i].lengthHours == windows[i].lengthHours);
        FUZZ_CHECK(again[i].repeat == windows[i].repeat);
        FUZZ_CHECK(std::abs(again[i].start - windows[i].start) <=
                   1e-12 * std::max(1.0, std::abs(windows[i].start)));
    }
    FUZZ_CHECK(CExclusionWindowsText::Write(again) == written);
    return 0;
}
