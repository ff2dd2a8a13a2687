// Translation catalogue files, loaded into an empty catalogue. A file with a wrong first line
// must add nothing; every entry loaded must be found again by its source text and context.
//
// Input: the file.

#include "FuzzSupport.h"

#include "core/CTranslationCatalog.h"

#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    CTranslationCatalog& catalog = CTranslationCatalog::Instance();
    catalog.Clear();
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const HRESULT result = catalog.LoadBytes(bytes);
    if (FAILED(result) && catalog.Count() != 0) {
        // Only a bad line after good ones keeps entries: the header must have been right.
        const QString text = FuzzUtf16(data, size);
        FUZZ_CHECK(text.contains(QStringLiteral("KVHOME_TRANSLATION_FILE")));
    }
    // Lookups of texts that are not there answer the source text itself.
    FUZZ_CHECK(catalog.Translate("\x01 not a source text", "\x01 nor a context") ==
               QStringLiteral("\x01 not a source text"));
    return 0;
}
