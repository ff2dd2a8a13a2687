#pragma once

#include <QString>

// Where the compiled-in images and style sheets are. A skin's images are under
// ":/images/<image folder>/", the images common to both skins under ":/images/", and a skin's
// style sheet is ":/qss/<style sheet name>.qss". Skins are numbered: 0 blue, 1 gray.
class CSkinResources {
public:
    static constexpr int kBlue = 0;
    static constexpr int kGray = 1;
    static constexpr int kSkinCount = 2;

    // "skin_blue", "skin_gray"; the blue skin's for a number outside the table.
    static QString ImageFolder(int skin);
    // "skin-blue", "skin-gray"; the blue skin's for a number outside the table.
    static QString StyleSheetName(int skin);

    // ":/images/<folder>/<name>".
    static QString SkinImagePath(const QString& folder, const QString& name);
    // ":/images/<name>".
    static QString CommonImagePath(const QString& name);
    // ":/qss/<name>.qss".
    static QString StyleSheetPath(const QString& name);
    // The text of a style sheet, read as Latin-1; empty when there is none by that name.
    static QString StyleSheet(const QString& name);
};
