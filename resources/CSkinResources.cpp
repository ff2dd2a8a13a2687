#include "resources/CSkinResources.h"

#include <QFile>

using namespace Qt::StringLiterals;

QString CSkinResources::ImageFolder(int skin)
{
    return skin == kGray ? u"skin_gray"_s : u"skin_blue"_s;
}

QString CSkinResources::StyleSheetName(int skin)
{
    return skin == kGray ? u"skin-gray"_s : u"skin-blue"_s;
}

QString CSkinResources::SkinImagePath(const QString& folder, const QString& name)
{
    return u":/images/"_s + folder + u'/' + name;
}

QString CSkinResources::CommonImagePath(const QString& name)
{
    return u":/images/"_s + name;
}

QString CSkinResources::StyleSheetPath(const QString& name)
{
    return u":/qss/"_s + name + u".qss"_s;
}

QString CSkinResources::StyleSheet(const QString& name)
{
    QFile file(StyleSheetPath(name));
    if (!file.open(QIODevice::ReadOnly))
        return QString();
    return QString::fromLatin1(file.readAll());
}
