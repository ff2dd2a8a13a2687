// The console's settings as the registry hive holds them, read back into values: numbers, texts,
// lists, bytes and the "@Variant(...)" stream form of sizes, dates, colours and the like. A value
// read must write back to a registry value that reads as a value of the same type (a number as
// its text), and settle.
//
// Input: one byte choosing the registry type, then the value's data bytes.

#include "FuzzSupport.h"

#include "platform/registry/CRegistryValue.h"
#include "platform/registry/CSettings.h"

#include <cmath>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 1)
        return 0;
    static constexpr DWORD kTypes[] = {REG_SZ,    REG_EXPAND_SZ, REG_MULTI_SZ, REG_DWORD,
                                       REG_QWORD, REG_BINARY,    REG_NONE,     REG_SZ};
    const DWORD type = kTypes[data[0] % std::size(kTypes)];
    const CRegistryValue stored(type, QByteArray(reinterpret_cast<const char*>(data) + 1,
                                                 static_cast<qsizetype>(size - 1)));
    const QVariant value = CSettings::FromRegistryValue(stored);
    bool ok = false;
    const CRegistryValue written = CSettings::ToRegistryValue(value, &ok);
    if (!ok)
        return 0;
    // The toolkit may write a value read back in a canonical form of its own (a date and time at
    // offset 0 comes back as one in UTC): from the second write on, the value stays as it is.
    const QVariant again = CSettings::FromRegistryValue(written);
    if (value.typeId() == QMetaType::Double || value.typeId() == QMetaType::Float) {
        // A number read from the stream form is written as its text, which reads back as text.
        FUZZ_CHECK(again.typeId() == QMetaType::QString);
        bool number = false;
        const double read = again.toString().toDouble(&number);
        FUZZ_CHECK(number);
        FUZZ_CHECK((std::isnan(read) && std::isnan(value.toDouble())) || read == value.toDouble());
    } else {
        FUZZ_CHECK(again.metaType() == value.metaType());
    }
    bool okAgain = false;
    const CRegistryValue rewritten = CSettings::ToRegistryValue(again, &okAgain);
    FUZZ_CHECK(okAgain);
    const QVariant third = CSettings::FromRegistryValue(rewritten);
    FUZZ_CHECK(third.metaType() == again.metaType());
    bool okThird = false;
    FUZZ_CHECK(CSettings::ToRegistryValue(third, &okThird) == rewritten && okThird);
    return 0;
}
