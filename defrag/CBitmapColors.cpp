#include "defrag/CBitmapColors.h"

#include "platform/registry/CRegKey.h"

const CBitmapColors::TTable& CBitmapColors::Defaults()
{
    static const TTable table = {
        QColor(32, 32, 32), // unused; drawn like "Unknown" should a code 0 reach it
        QColor(47, 115, 250),  QColor(248, 134, 37),  QColor(29, 217, 19),   QColor(255, 17, 232),
        QColor(232, 226, 29),  QColor(197, 194, 104), QColor(141, 142, 117), QColor(172, 126, 209),
        QColor(255, 255, 255), QColor(85, 255, 255),  QColor(83, 36, 36),    QColor(32, 32, 32),
        QColor(255, 255, 255),
    };
    return table;
}

CBitmapColors::TTable CBitmapColors::Load(IRegistry* registry)
{
    TTable colors = Defaults();
    CRegKey key(registry);
    if (key.Open(HKEY_CURRENT_USER, kKeyPath, KEY_READ) != ERROR_SUCCESS)
        return colors;
    QStringList names;
    if (key.QueryMultiStringValue(kValueName, &names) != ERROR_SUCCESS)
        return colors;
    Parse(names, &colors);
    return colors;
}

LONG CBitmapColors::Save(const TTable& colors, IRegistry* registry)
{
    CRegKey key(registry);
    if (const LONG created = key.Create(HKEY_CURRENT_USER, kKeyPath, KEY_READ | KEY_WRITE);
        created != ERROR_SUCCESS)
        return created;
    return key.SetMultiStringValue(kValueName, ToNames(colors));
}

QStringList CBitmapColors::ToNames(const TTable& colors)
{
    QStringList names;
    names.reserve(kCodeCount);
    for (int code = 1; code <= kCodeCount; ++code)
        names.append(colors[code].name(QColor::HexRgb));
    return names;
}

bool CBitmapColors::Parse(const QStringList& names, TTable* colors)
{
    if (names.size() != kCodeCount)
        return false;
    TTable parsed = Defaults();
    for (int code = 1; code <= kCodeCount; ++code) {
        const QColor color = QColor::fromString(names.at(code - 1).trimmed());
        if (!color.isValid())
            return false;
        parsed[code] = color;
    }
    *colors = parsed;
    return true;
}

quint32 CBitmapColors::DrawingCategory(quint32 code)
{
    quint32 category = Category(code);
    if (category < 1 || category > kCodeCount)
        category = kUnknown;
    return IsFragmented(code) ? 16 + category : category;
}

QColor CBitmapColors::ColorOf(const TTable& colors, quint32 code)
{
    const quint32 category = Category(code);
    return colors[category >= 1 && category <= kCodeCount ? category : kUnknown];
}

const char* CBitmapColors::CategoryName(quint32 code)
{
    switch (Category(code)) {
    case kRarelyModified:
        return "Rarely Modified";
    case kOccasionallyModified:
        return "Occasionally Modified";
    case kRecentlyModified:
        return "Recently Modified";
    case kDirectory:
        return "Directory";
    case kMft:
        return "MFT";
    case kMftZone:
        return "MFT Zone";
    case kMetadata:
        return "Metadata";
    case kBoot:
        return "Boot";
    case kFreeSpace:
        return "Free Space";
    case kUsed:
        return "Used";
    case kExcluded:
        return "Excluded";
    default:
        return "Unknown";
    }
}
