#pragma once

#include "platform/registry/IRegistry.h"

#include <QColor>
#include <QString>
#include <QStringList>

#include <array>

// The colours of the drive map's block codes (1 to 13), kept in the user's hive as a
// multi-string of colour names. The table is indexed by code; index 0 is unused.
class CBitmapColors {
public:
    static constexpr int kCodeCount = 13;
    // Block codes: the low four bits give the category, any of the next four marks the block as
    // fragmented.
    static constexpr quint32 kCategoryMask = 0x0F;
    static constexpr quint32 kFragmentedMask = 0xF0;
    enum TCode : quint32 {
        kRarelyModified = 1,
        kOccasionallyModified = 2,
        kRecentlyModified = 3,
        kDirectory = 4,
        kMft = 5,
        kMftZone = 6,
        kMetadata = 7,
        kBoot = 8,
        kFreeSpace = 9,
        kUsed = 10,
        kExcluded = 11,
        kUnknown = 12,
        kNotAnalysed = 13,
    };
    using TTable = std::array<QColor, kCodeCount + 1>;

    static inline const QString kKeyPath = QStringLiteral("Software\\Tellmar\\Korvane\\11.0");
    static inline const QString kValueName = QStringLiteral("ColorsForBitmap");

    static const TTable& Defaults();

    // The stored colours; the defaults when the key cannot be opened or the value does not hold
    // exactly 13 colour names that all parse.
    static TTable Load(IRegistry* registry = nullptr);
    // Writes the 13 colours as "#rrggbb" names. Answers the registry's error code.
    static LONG Save(const TTable& colors, IRegistry* registry = nullptr);
    // The value as Save writes it, and back; Parse answers false for anything but 13 names that
    // all parse, leaving the table alone.
    static QStringList ToNames(const TTable& colors);
    static bool Parse(const QStringList& names, TTable* colors);

    // The category of a code (its low four bits) and whether it is fragmented.
    static quint32 Category(quint32 code) { return code & kCategoryMask; }
    static bool IsFragmented(quint32 code) { return (code & kFragmentedMask) != 0; }
    // The drawing category: the code when it is plain, 16 plus its category when fragmented.
    // Categories outside 1 to 13 draw as kUnknown.
    static quint32 DrawingCategory(quint32 code);
    // The colour a code draws in: categories outside 1 to 13 take the colour of kUnknown.
    static QColor ColorOf(const TTable& colors, quint32 code);

    // The untranslated name of a code's category ("Rarely Modified" ...); codes outside 1 to 11
    // give "Unknown". Translated in the context kNameContext.
    static const char* CategoryName(quint32 code);
    static inline const QByteArray kNameContext = QByteArrayLiteral("CVolumeBitmapWidget");
};
