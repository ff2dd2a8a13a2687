#include "core/CDateTime.h"
#include "core/COleDate.h"

#include <QTest>

#include <cmath>
#include <limits>

namespace {

constexpr double MsPerDay = 86400000.0;
constexpr double NaN = std::numeric_limits<double>::quiet_NaN();
constexpr double Infinity = std::numeric_limits<double>::infinity();

QDateTime Local(int year, int month, int day, int hour = 0, int minute = 0, int second = 0,
                int ms = 0)
{
    return QDateTime(QDate(year, month, day), QTime(hour, minute, second, ms), Qt::LocalTime);
}

} // namespace

class tst_OleDate : public QObject {
    Q_OBJECT

private slots:
    void bothWays_data();
    void bothWays();
    void toDateTimeRounding_data();
    void toDateTimeRounding();
    void toDateTimeRejects_data();
    void toDateTimeRejects();
    void fromDateTimeRejectsAndConvertsToLocal();
    void dateTimeValidity();
};

void tst_OleDate::bothWays_data()
{
    QTest::addColumn<double>("value");
    QTest::addColumn<QDateTime>("local");

    QTest::newRow("epoch") << 0.0 << Local(1899, 12, 30);
    QTest::newRow("1900-01-01") << 2.0 << Local(1900, 1, 1);
    QTest::newRow("2000-01-01 noon") << 36526.5 << Local(2000, 1, 1, 12);
    QTest::newRow("one millisecond") << 36526.0 + 1.0 / MsPerDay << Local(2000, 1, 1, 0, 0, 0, 1);
    QTest::newRow("near midnight")
        << 36526.0 + 86399999.0 / MsPerDay << Local(2000, 1, 1, 23, 59, 59, 999);
    // Before the epoch the days count backwards but the time of day still runs forwards.
    QTest::newRow("negative") << -1.25 << Local(1899, 12, 29, 6);
    QTest::newRow("negative whole day") << -10.0 << Local(1899, 12, 20);
    QTest::newRow("negative near midnight")
        << -1.0 - 86399999.0 / MsPerDay << Local(1899, 12, 29, 23, 59, 59, 999);
    QTest::newRow("first representable") << COleDate::MinValue << Local(100, 1, 1);
}

void tst_OleDate::bothWays()
{
    QFETCH(double, value);
    QFETCH(QDateTime, local);

    // QCOMPARE on doubles is relative and too coarse to see a lost millisecond.
    const double fromLocal = COleDate::FromDateTime(local);
    QVERIFY2(std::fabs(fromLocal - value) < 1e-9, qPrintable(QString::number(fromLocal, 'f', 12)));
    const QDateTime toLocal = COleDate::ToDateTime(value);
    QCOMPARE(toLocal.timeSpec(), Qt::LocalTime);
    QCOMPARE(toLocal, local);
}

void tst_OleDate::toDateTimeRounding_data()
{
    QTest::addColumn<double>("value");
    QTest::addColumn<QDateTime>("local");

    QTest::newRow("down to a millisecond")
        << 36526.0 + 1.4 / MsPerDay << Local(2000, 1, 1, 0, 0, 0, 1);
    QTest::newRow("up to a millisecond")
        << 36526.0 + 1.6 / MsPerDay << Local(2000, 1, 1, 0, 0, 0, 2);
    QTest::newRow("rolls over to next day")
        << 36526.0 + (MsPerDay - 0.3) / MsPerDay << Local(2000, 1, 2);
    QTest::newRow("negative rolls over")
        << -1.0 - (MsPerDay - 0.3) / MsPerDay << Local(1899, 12, 30);
    QTest::newRow("negative fraction of day zero") << -0.5 << Local(1899, 12, 30, 12);
    QTest::newRow("last representable")
        << COleDate::MaxValue << Local(9999, 12, 31, 23, 59, 59, 999);
}

void tst_OleDate::toDateTimeRounding()
{
    QFETCH(double, value);
    QFETCH(QDateTime, local);
    QCOMPARE(COleDate::ToDateTime(value), local);
}

void tst_OleDate::toDateTimeRejects_data()
{
    QTest::addColumn<double>("value");

    QTest::newRow("Invalid") << COleDate::Invalid;
    QTest::newRow("NaN") << NaN;
    QTest::newRow("+inf") << Infinity;
    QTest::newRow("-inf") << -Infinity;
    QTest::newRow("before year 100") << COleDate::MinValue - 0.000001;
    QTest::newRow("just past the last value") << 2958465.999999999;
}

void tst_OleDate::toDateTimeRejects()
{
    QFETCH(double, value);
    QVERIFY(!COleDate::ToDateTime(value).isValid());
}

void tst_OleDate::fromDateTimeRejectsAndConvertsToLocal()
{
    for (const QDateTime& outside : {QDateTime(), Local(99, 12, 31, 23, 59), Local(10000, 1, 1)})
        QCOMPARE(COleDate::FromDateTime(outside), COleDate::Invalid);

    const QDateTime utc(QDate(2021, 7, 14), QTime(10, 30, 15, 250), Qt::UTC);
    QCOMPARE(COleDate::ToDateTime(COleDate::FromDateTime(utc)), utc.toLocalTime());
}

void tst_OleDate::dateTimeValidity()
{
    // The status decides whatever the value holds; a valid status needs a value that converts.
    QVERIFY(CDateTime(36526.5).IsValid());
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

QTEST_APPLESS_MAIN(tst_OleDate)
#include "tst_OleDate.moc"
