#pragma once

#include <QDate>
#include <QDateTime>
#include <QString>

// Number, size and date texts shown across the console and written into support reports.
class CTextFormat {
public:
    // A size split into its number and the unit template the number goes into. The template is
    // a plain literal so that callers can pass it through translation before filling it.
    struct TScaledSize {
        QString number;
        const char* unitTemplate;
    };

    CTextFormat() = delete;

    // Fixed notation with a '.' point, then trailing zeros and a dangling point dropped:
    // 12.50 -> "12.5", 3.0 -> "3". A negative zero is written "0".
    static QString NumberText(double value, int decimals);

    // "%1 MB", "%1 GB" or "%1 TB" by magnitude, the number rounded to two decimals.
    static TScaledSize ScaleMegabytes(double megabytes);
    // ScaleMegabytes with the untranslated template filled in.
    static QString SizeTextFromMegabytes(double megabytes);

    // One decimal and a percent sign: 12.345 -> "12.3 %".
    static QString FragmentationText(double percent);

    // Binary units from B to TB with up to two decimals, as support reports write them.
    static QString ByteSizeText(quint64 bytes);

    // Short system-locale formats; empty for an invalid date.
    static QString LocaleDateTimeText(const QDateTime& dateTime);
    // Empty when the OLE date is not set or does not convert.
    static QString LocaleDateTimeText(double oleDate);
    static QString LocaleDateText(const QDate& date);
};
