#include "core/COleDate.h"
#include "core/CTextFormat.h"

#include <QLocale>
#include <QTest>

#include <limits>

namespace {

enum TSizeForm { Megabytes, Fragmentation, Bytes };

} // namespace

class tst_TextFormat : public QObject {
    Q_OBJECT

private slots:
    void numberText_data();
    void numberText();
    void sizeTexts_data();
    void sizeTexts();
    void localeTexts();
};

void tst_TextFormat::numberText_data()
{
    QTest::addColumn<double>("value");
    QTest::addColumn<int>("decimals");
    QTest::addColumn<QString>("expected");

    QTest::newRow("trailing zero") << 12.5 << 2 << QStringLiteral("12.5");
    QTest::newRow("dangling point") << 3.0 << 2 << QStringLiteral("3");
    QTest::newRow("rounds into whole") << 1.996 << 2 << QStringLiteral("2");
    QTest::newRow("no decimals") << 42.6 << 0 << QStringLiteral("43");
    // Zeros before the point are not trailing zeros of a fraction.
    QTest::newRow("integer zeros") << 100.0 << 0 << QStringLiteral("100");
    QTest::newRow("integer zeros with point") << 1000.0 << 2 << QStringLiteral("1000");
    QTest::newRow("negative zero") << -0.0 << 2 << QStringLiteral("0");
    QTest::newRow("rounds to negative zero") << -0.001 << 2 << QStringLiteral("0");
    QTest::newRow("negative") << -7.10 << 2 << QStringLiteral("-7.1");
}

void tst_TextFormat::numberText()
{
    QFETCH(double, value);
    QFETCH(int, decimals);
    QFETCH(QString, expected);
    QCOMPARE(CTextFormat::NumberText(value, decimals), expected);
}

void tst_TextFormat::sizeTexts_data()
{
    QTest::addColumn<int>("form");
    QTest::addColumn<double>("value");
    QTest::addColumn<QString>("expected");

    constexpr double KB = 1024.0;
    QTest::newRow("MB: 512") << int(Megabytes) << 512.0 << QStringLiteral("512 MB");
    QTest::newRow("MB: two decimals") << int(Megabytes) << 0.125 << QStringLiteral("0.13 MB");
    // The unit is chosen before rounding.
    QTest::newRow("MB: just below a GB") << int(Megabytes) << 1023.999 << QStringLiteral("1024 MB");
    QTest::newRow("MB: one GB") << int(Megabytes) << KB << QStringLiteral("1 GB");
    QTest::newRow("MB: 1.5 GB") << int(Megabytes) << 1536.0 << QStringLiteral("1.5 GB");
    QTest::newRow("MB: just below a TB")
        << int(Megabytes) << KB * KB - 1.0 << QStringLiteral("1024 GB");
    QTest::newRow("MB: 2 TB") << int(Megabytes) << 2 * KB * KB << QStringLiteral("2 TB");

    QTest::newRow("fragmentation: down")
        << int(Fragmentation) << 12.345 << QStringLiteral("12.3 %");
    QTest::newRow("fragmentation: up") << int(Fragmentation) << 12.35 << QStringLiteral("12.4 %");
    QTest::newRow("fragmentation: whole") << int(Fragmentation) << 7.0 << QStringLiteral("7 %");
    QTest::newRow("fragmentation: rounds to whole")
        << int(Fragmentation) << 6.96 << QStringLiteral("7 %");

    QTest::newRow("bytes: zero") << int(Bytes) << 0.0 << QStringLiteral("0 B");
    QTest::newRow("bytes: below a KB") << int(Bytes) << KB - 1 << QStringLiteral("1023 B");
    QTest::newRow("bytes: one KB") << int(Bytes) << KB << QStringLiteral("1 KB");
    QTest::newRow("bytes: 1.5 KB") << int(Bytes) << 1536.0 << QStringLiteral("1.5 KB");
    // 1152 / 1024 = 1.125 exactly: half a hundredth rounds up, not to even.
    QTest::newRow("bytes: half up") << int(Bytes) << 1152.0 << QStringLiteral("1.13 KB");
    QTest::newRow("bytes: just below a MB")
        << int(Bytes) << KB * KB - 1 << QStringLiteral("1024 KB");
    QTest::newRow("bytes: GB") << int(Bytes) << KB * KB * KB * 10.25 << QStringLiteral("10.25 GB");
    QTest::newRow("bytes: one TB") << int(Bytes) << KB * KB * KB * KB << QStringLiteral("1 TB");
}

void tst_TextFormat::sizeTexts()
{
    QFETCH(int, form);
    QFETCH(double, value);
    QFETCH(QString, expected);

    switch (form) {
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
    QVERIFY(CTextFormat::LocaleDateText(QDate()).isEmpty());
    QVERIFY(!CTextFormat::LocaleDateTimeText(1.0).isEmpty());
    // Dates below 1.0 are "not set" even though they convert.
    for (double unusable :
         {0.0, 0.75, -1.25, COleDate::Invalid, std::numeric_limits<double>::quiet_NaN(), 3e6})
        QVERIFY2(CTextFormat::LocaleDateTimeText(unusable).isEmpty(),
                 qPrintable(QString::number(unusable)));
}

QTEST_APPLESS_MAIN(tst_TextFormat)
#include "tst_TextFormat.moc"
