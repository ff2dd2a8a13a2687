#include "app/CHelpFile.h"

#include <QFileInfo>

using namespace Qt::StringLiterals;

const char* const CHelpFile::kStartPage = "index.html";

QString CHelpFile::LanguageCode(int primaryLanguage)
{
    switch (primaryLanguage) {
    case 4:
        return u"CT"_s;
    case 7:
        return u"GM"_s;
    case 10:
        return u"SP"_s;
    case 12:
        return u"FR"_s;
    case 17:
        return u"JP"_s;
    case 18:
        return u"KR"_s;
    case 29:
        return u"SW"_s;
    default: // 9 and every language without its own help
        return u"EN"_s;
    }
}

QString CHelpFile::Path(const QString& engineDirectory, int primaryLanguage)
{
    const auto folder = [&](const QString& code) {
        return engineDirectory + u"KV11-"_s + code + u"-Help"_s;
    };
    const QString own = folder(LanguageCode(primaryLanguage));
    return QFileInfo::exists(own) ? own : folder(u"EN"_s);
}

QString CHelpFile::TopicPath(const QString& helpPath, const QString& topic)
{
    return helpPath + u'/' + topic;
}
