#pragma once

#include "core/HResult.h"

#include <QLocale>
#include <QString>

class QCoreApplication;

// The start-up step that loads translations: the toolkit's own for the user's language from
// beside the executable, and the product catalogue from beside the engine's registered server.
// Languages are Windows primary language IDs (English 9, German 7, French 12, Japanese 17,
// Chinese 4, Spanish 10, Korean 18, Swedish 29, ...).
class CTranslationLoader {
public:
    static constexpr int kEnglish = 9;
    static constexpr int kNeutral = 0;
    static const char* const kCatalogFileName;

    // The primary language is the low ten bits of a language ID. (Six bits would turn IDs from
    // 64 upwards into other languages: Tatar, 0x44, into Chinese.)
    static constexpr int kPrimaryLanguageMask = 0x3FF;

    // The primary language of a locale; the C locale counts as English, a language without an ID
    // as neutral.
    static int PrimaryLanguage(const QLocale& locale);
    // The user's: that of the application's default locale, the system's unless it was changed.
    static int UserPrimaryLanguage();
    // The base name of the toolkit's translation file for a language ("qt_de"); empty when there
    // is none.
    static QString ToolkitTranslation(int primaryLanguage);
    // The catalogue file beside the engine's registered local server; empty when the server is
    // not registered.
    static QString CatalogPath();

    // Loads both for the language: nothing for English; the toolkit translation from the
    // directory (installed on the application only when it loaded); then the catalogue. Answers
    // the catalogue's result (S_FALSE when nothing was to be loaded).
    static HRESULT Load(QCoreApplication* application, int primaryLanguage,
                        const QString& translationDirectory);
    // The same for the user's locale, from the running executable's data folder.
    static HRESULT Load(QCoreApplication* application);
};
