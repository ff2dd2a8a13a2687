// Registry hive files in the export format. A file that parses must write back to a file that
// parses to the same hive; a file that does not parse must leave the hive as it was.
//
// Input: the file.

#include "FuzzSupport.h"

#include "platform/registry/CRegistryFileFormat.h"
#include "platform/registry/CRegistryHive.h"

#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    CRegistryHive hive;
    FUZZ_CHECK(hive.CreateKey(QStringLiteral("Marked")) == ERROR_SUCCESS);
    FUZZ_CHECK(hive.SetValue(QStringLiteral("Marked"), QStringLiteral("Left"),
                             CRegistryValue::FromString(QStringLiteral("alone"))) == ERROR_SUCCESS);
    const QByteArray marked = CRegistryFileFormat::Write(HKEY_CURRENT_USER, hive);

    QString error;
    if (!CRegistryFileFormat::Parse(bytes, HKEY_CURRENT_USER, &hive, &error)) {
        FUZZ_CHECK(!error.isEmpty());
        FUZZ_CHECK(CRegistryFileFormat::Write(HKEY_CURRENT_USER, hive) == marked);
        return 0;
    }
    const QByteArray written = CRegistryFileFormat::Write(HKEY_CURRENT_USER, hive);
    CRegistryHive again;
    FUZZ_CHECK(CRegistryFileFormat::Parse(written, HKEY_CURRENT_USER, &again, &error));
    FUZZ_CHECK(CRegistryFileFormat::Write(HKEY_CURRENT_USER, again) == written);
    return 0;
}
