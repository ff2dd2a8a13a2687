#pragma once

#include <QString>

// The console's help: a folder of HTML topics beside the engine, one per language,
// "KV11-<code>-Help", whose start page is "index.html". A language without its own folder gets
// the English one.
class CHelpFile {
public:
    static const char* const kStartPage;

    // The folder's language code for a primary language ID ("EN" for any language without one).
    static QString LanguageCode(int primaryLanguage);
    // The help folder in the engine directory (which ends with a separator), the English one
    // when the language's own does not exist.
    static QString Path(const QString& engineDirectory, int primaryLanguage);
    // The page of a topic inside the help folder.
    static QString TopicPath(const QString& helpPath, const QString& topic);
};
