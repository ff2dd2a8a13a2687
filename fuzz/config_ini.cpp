// config.ini as administrators place it beside the console. Parsing must answer the same for the
// same text, and every section and key it lists must answer a value.
//
// Input: the file.

#include "FuzzSupport.h"

#include "policy/CIniFile.h"

#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray text(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    CIniFile ini;
    FUZZ_CHECK(ini.Parse(text) == ERROR_SUCCESS);
    CIniFile again;
    FUZZ_CHECK(again.Parse(text) == ERROR_SUCCESS);
    FUZZ_CHECK(again.SectionNames() == ini.SectionNames());
    for (const QByteArray& section : ini.SectionNames()) {
        FUZZ_CHECK(!section.isEmpty());
        for (const QByteArray& key : ini.KeyNames(section)) {
            QByteArray value;
            FUZZ_CHECK(ini.Value(section, key, &value));
            QByteArray same;
            FUZZ_CHECK(again.Value(section, key, &same) && same == value);
            DWORD number = 0;
            FUZZ_CHECK(ini.NumberValue(section, key, &number) ==
                       CIniFile::ParseNumber(value, &number));
        }
    }
    return 0;
}
