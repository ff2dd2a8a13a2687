#include "core/CDateTime.h"
#include "core/COleDate.h"
#include "core/CTextFormat.h"
#include "core/CWideText.h"

#include <QLocale>
#include <QTest>

#include <cmath>
#include <limits>

namespace {

constexpr double MsPerDay = 86400000.0;
constexpr double NaN = std::numeric_limits<double>::quiet_NaN();
constexpr double Infinity = std::numeric_limits<double>::infinity();

enum TForm { Whole, TwoDecimals, Megabytes, Fragmentation, Bytes };

QDateTime Local(int year, int month, int day, int hour = 0, int minute = 0, int second = 0,
                int ms = 0)
{
    return QDateTime(QDate(year, month, day), QTime(hour, minute, second, ms), Qt::LocalTime);
}

} // namespace

// OLE automation dates, and the number, size and date texts.
class tst_TextFormat : public QObject {
    Q_OBJECT

private slots:
    void conversions_data();
    void conversions();
    void rejectsAndNotSet();
    void dateTimeValidity();
    void texts_data();
    void texts();
    void localeTexts();
    void wideTexts();
};

void tst_TextFormat::conversions_data()
{
    QTest::addColumn<double>("value");
    QTest::addColumn<QDateTime>("local");
    QTest::addColumn<bool>("bothWays"); // else the value rounds to the nearest millisecond

    QTest::newRow("epoch") << 0.0 << Local(1899, 12, 30) << true;
    QTest::newRow("near midnight")
        << 36526.0 + 86399999.0 / MsPerDay << Local(2000, 1, 1, 23, 59, 59, 999) << true;
    // Before the epoch the days count backwards but the time of day still runs forwards.
    QTest::newRow("negative") << -1.25 << Local(1899, 12, 29, 6) << true;
    QTest::newRow("negative near midnight")
        << -1.0 - 86399999.0 / MsPerDay << Local(1899, 12, 29, 23, 59, 59, 999) << true;
    QTest::newRow("first representable") << COleDate::MinValue << Local(100, 1, 1) << true;
    QTest::newRow("rolls over to next day")
        << 36526.0 + (MsPerDay - 0.3) / MsPerDay << Local(2000, 1, 2) << false;
    QTest::newRow("negative rolls over")
        << -1.0 - (MsPerDay - 0.3) / MsPerDay << Local(1899, 12, 30) << false;
    QTest::newRow("last representable")
        << COleDate::MaxValue << Local(9999, 12, 31, 23, 59, 59, 999) << false;
}

void tst_TextFormat::conversions()
{
    QFETCH(double, value);
    QFETCH(QDateTime, local);
    QFETCH(bool, bothWays);
    const QDateTime toLocal = COleDate::ToDateTime(value);
    QCOMPARE(toLocal.timeSpec(), Qt::LocalTime);
    QCOMPARE(toLocal, local);
    // QCOMPARE on doubles is relative and too coarse to see a lost millisecond.
    const double fromLocal = COleDate::FromDateTime(local);
    if (bothWays)
        QVERIFY2(std::fabs(fromLocal - value) < 1e-9,
                 qPrintable(QString::number(fromLocal, 'f', 12)));
}

void tst_TextFormat::rejectsAndNotSet()
{
    for (double value : {COleDate::Invalid, NaN, Infinity, -Infinity, COleDate::MinValue - 0.000001,
                         2958465.999999999})
        QVERIFY2(!COleDate::ToDateTime(value).isValid(), qPrintable(QString::number(value)));
    for (const QDateTime& outside : {QDateTime(), Local(99, 12, 31, 23, 59), Local(10000, 1, 1)})
        QCOMPARE(COleDate::FromDateTime(outside), COleDate::Invalid);
    const QDateTime utc(QDate(2021, 7, 14), QTime(10, 30, 15, 250), Qt::UTC);
    QCOMPARE(COleDate::ToDateTime(COleDate::FromDateTime(utc)), utc.toLocalTime());

    // Below 1.0 a date is not set, and so is no date at all.
    for (double value : {0.999, 0.0, -2.5, NaN, Infinity, -Infinity})
        QVERIFY2(!COleDate::IsSet(value), qPrintable(QString::number(value)));
    QVERIFY(COleDate::IsSet(1.0) && COleDate::IsSet(45000.5));
}

void tst_TextFormat::dateTimeValidity()
{
    // The status decides whatever the value holds; a valid status needs a value that converts.
    QCOMPARE(CDateTime(36526.5).ToDateTime(), Local(2000, 1, 1, 12));
    QVERIFY(!CDateTime(36526.5, CDateTime::StatusInvalid).IsValid());
    QVERIFY(!CDateTime(36526.5, 7).ToDateTime().isValid());
    QVERIFY(!CDateTime(COleDate::Invalid).IsValid());
    QVERIFY(!CDateTime(NaN).IsValid());
    const QDateTime source = Local(2022, 11, 5, 8, 9, 10, 11);
    QCOMPARE(CDateTime::FromDateTime(source).ToDateTime(), source);
    for (const QDateTime& unusable : {QDateTime(), Local(50, 1, 1)})
        QCOMPARE(CDateTime::FromDateTime(unusable),
                 CDateTime(COleDate::Invalid, CDateTime::StatusInvalid));
}

void tst_TextFormat::texts_data()
{
    QTest::addColumn<int>("form");
    QTest::addColumn<double>("value");
    QTest::addColumn<QString>("expected");

    // Numbers without trailing zeros in their fraction.
    QTest::newRow("no decimals") << int(Whole) << 42.6 << QStringLiteral("43");
    QTest::newRow("trailing zero") << int(TwoDecimals) << 12.5 << QStringLiteral("12.5");
    QTest::newRow("rounds into whole") << int(TwoDecimals) << 1.996 << QStringLiteral("2");
    QTest::newRow("rounds to negative zero") << int(TwoDecimals) << -0.001 << QStringLiteral("0");

    constexpr double KB = 1024.0;
    QTest::newRow("MB: two decimals") << int(Megabytes) << 0.125 << QStringLiteral("0.13 MB");
    // The unit is chosen before rounding.
    QTest::newRow("MB: just below a GB") << int(Megabytes) << 1023.999 << QStringLiteral("1024 MB");
    QTest::newRow("MB: just below a TB")
        << int(Megabytes) << KB * KB - 1.0 << QStringLiteral("1024 GB");
    QTest::newRow("MB: 2 TB") << int(Megabytes) << 2 * KB * KB << QStringLiteral("2 TB");
    QTest::newRow("fragmentation: up") << int(Fragmentation) << 12.35 << QStringLiteral("12.4 %");
    // 1152 / 1024 = 1.125 exactly: half a hundredth rounds up, not to even.
    QTest::newRow("bytes: half up") << int(Bytes) << 1152.0 << QStringLiteral("1.13 KB");
    QTest::newRow("bytes: just below a MB")
        << int(Bytes) << KB * KB - 1 << QStringLiteral("1024 KB");
    QTest::newRow("bytes: one TB") << int(Bytes) << KB * KB * KB * KB << QStringLiteral("1 TB");
}

void tst_TextFormat::texts()
{
    QFETCH(int, form);
    QFETCH(double, value);
    QFETCH(QString, expected);
    switch (form) {
    case Whole:
    case TwoDecimals:
        QCOMPARE(CTextFormat::NumberText(value, form == Whole ? 0 : 2), expected);
        break;
    case Megabytes: {
        QCOMPARE(CTextFormat::SizeTextFromMegabytes(value), expected);
        const CTextFormat::TScaledSize size = CTextFormat::ScaleMegabytes(value);
        QCOMPARE(QLatin1String(size.unitTemplate).arg(size.number), expected);
        break;
    }
    case Fragmentation:
        QCOMPARE(CTextFormat::FragmentationText(value), expected);
        break;
    case Bytes:
        QCOMPARE(CTextFormat::ByteSizeText(static_cast<quint64>(value)), expected);
        break;
    }
}

void tst_TextFormat::localeTexts()
{
    const QDateTime dateTime(QDate(2023, 5, 17), QTime(9, 41), Qt::LocalTime);
    const QString expected = QLocale::system().toString(dateTime, QLocale::ShortFormat);
    QCOMPARE(CTextFormat::LocaleDateTimeText(COleDate::FromDateTime(dateTime)), expected);
    QVERIFY(CTextFormat::LocaleDateTimeText(QDateTime()).isEmpty());
    QVERIFY(!CTextFormat::LocaleDateTimeText(1.0).isEmpty());
    // Dates below 1.0 are "not set" even though they convert, and so is no date at all.
    for (double unusable :
         {0.0, 0.75, -1.25, COleDate::Invalid, 3e6, std::numeric_limits<double>::quiet_NaN(),
          std::numeric_limits<double>::infinity()})
        QVERIFY2(CTextFormat::LocaleDateTimeText(unusable).isEmpty(),
                 qPrintable(QString::number(unusable)));
}

void tst_TextFormat::wideTexts()
{
    // Every character survives, a leading U+FEFF included (Qt's own conversion drops it).
    const QString text = QStringLiteral("\uFEFF\uFEFFa\U0001F600\u00E9");
    QCOMPARE(CWideText::ToQString(text.toStdWString()), text);
    QCOMPARE(CWideText::ToQString(std::wstring()), QString());
    // Values that are no characters become U+FFFD, one each.
    const std::wstring invalid = {L'a', wchar_t(0xD800), wchar_t(0x110000), wchar_t(0xDFFF)};
    QCOMPARE(CWideText::ToQString(invalid), QStringLiteral("a\uFFFD\uFFFD\uFFFD"));
}

QTEST_APPLESS_MAIN(tst_TextFormat)
#include "tst_TextFormat.moc"
