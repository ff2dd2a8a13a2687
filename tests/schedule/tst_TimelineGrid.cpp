#include "schedule/CExclusionWindowsText.h"
#include "schedule/CTimelineGrid.h"

#include <QtTest>

using namespace Qt::StringLiterals;

// The timeline's hour grid: windows from marked runs, marks from windows, the year's edges,
// the repeat texts and the round trip through the schedule's parameter text.
class TestTimelineGrid : public QObject {
    Q_OBJECT

private slots:
    void baseIsCutToTheHour();
    void markedRunsBecomeWindows_data();
    void markedRunsBecomeWindows();
    void windowsBecomeMarks_data();
    void windowsBecomeMarks();
    void weeklyWindowMovesToFirstRepetition();
    void overlapIsFound();
    void repeatTexts_data();
    void repeatTexts();
    void parameterTextRoundTrip();
    void periodTexts_data();
    void periodTexts();
};

namespace {

// A base away from daylight-saving changes, so hours and wall-clock hours agree.
QDateTime Base()
{
    return QDateTime(QDate(2026, 1, 5), QTime(0, 0));
}

using TRun = std::tuple<int, int, qint32>; // first cell, last cell, repeat

} // namespace

void TestTimelineGrid::baseIsCutToTheHour()
{
    CTimelineGrid grid(QDateTime(QDate(2026, 1, 5), QTime(7, 42, 13, 500)));
    QCOMPARE(grid.Base(), QDateTime(QDate(2026, 1, 5), QTime(7, 0)));
    grid.SetRange(3, 3, true);
    grid.SetBase(Base());
    QCOMPARE(grid.MarkedCount(), 0);
}

void TestTimelineGrid::markedRunsBecomeWindows_data()
{
    QTest::addColumn<QList<TRun>>("runs");
    QTest::addColumn<QList<TRun>>("windows"); // first cell, end cell, repeat

    QTest::newRow("hours 2 to 4") << QList<TRun>{{2, 4, 0}} << QList<TRun>{{2, 5, 0}};
    QTest::newRow("two runs, one hour apart")
        << QList<TRun>{{2, 4, 0}, {6, 9, 0}} << QList<TRun>{{2, 5, 0}, {6, 10, 0}};
    QTest::newRow("first cell alone") << QList<TRun>{{0, 0, 0}} << QList<TRun>{{0, 1, 0}};
    QTest::newRow("last cell alone")
        << QList<TRun>{{8759, 8759, 0}} << QList<TRun>{{8759, 8760, 0}};
    QTest::newRow("run to the year's end")
        << QList<TRun>{{8700, 8759, 3}} << QList<TRun>{{8700, 8760, 3}};
    QTest::newRow("whole year") << QList<TRun>{{0, 8759, 0}} << QList<TRun>{{0, 8760, 0}};
    QTest::newRow("adjacent runs with different repeats")
        << QList<TRun>{{10, 12, 7}, {13, 14, 0}} << QList<TRun>{{10, 13, 7}, {13, 15, 0}};
    QTest::newRow("range given backwards, cut to the year")
        << QList<TRun>{{9000, 8750, 0}, {3, -5, 0}} << QList<TRun>{{0, 4, 0}, {8750, 8760, 0}};
}

void TestTimelineGrid::markedRunsBecomeWindows()
{
    QFETCH(QList<TRun>, runs);
    QFETCH(QList<TRun>, windows);

    CTimelineGrid grid(Base());
    for (const auto& [first, last, repeat] : runs)
        grid.SetRange(first, last, true, repeat);

    CTimelineGrid::TWindows expected;
    for (const auto& [first, end, repeat] : windows)
        expected.push_back({Base().addSecs(first * 3600LL), Base().addSecs(end * 3600LL), repeat});
    const CTimelineGrid::TWindows result = grid.ToWindows();
    QCOMPARE(result, expected);

    // And back: the same cells are marked.
    CTimelineGrid again(Base());
    again.FromWindows(result);
    for (int cell = 0; cell < CTimelineGrid::CellCount; ++cell) {
        QCOMPARE(again.IsMarked(cell), grid.IsMarked(cell));
        QCOMPARE(again.Repeat(cell), grid.Repeat(cell));
    }
}

void TestTimelineGrid::windowsBecomeMarks_data()
{
    QTest::addColumn<QDateTime>("start");
    QTest::addColumn<QDateTime>("end");
    QTest::addColumn<int>("first"); // -1: nothing marked
    QTest::addColumn<int>("end_cell");

    const QDateTime base = Base();
    QTest::newRow("minutes cut off")
        << base.addSecs(2 * 3600 + 1799) << base.addSecs(5 * 3600 + 59) << 2 << 5;
    QTest::newRow("starts before the base") << base.addDays(-1) << base.addSecs(3 * 3600) << 0 << 3;
    QTest::newRow("ends before the base") << base.addDays(-2) << base.addDays(-1) << -1 << -1;
    QTest::newRow("ends at the base") << base.addDays(-1) << base << -1 << -1;
    QTest::newRow("runs past the horizon")
        << base.addDays(364) << base.addDays(366) << 8736 << 8760;
    QTest::newRow("starts at the horizon") << base.addDays(365) << base.addDays(366) << -1 << -1;
    QTest::newRow("start after end")
        << base.addSecs(5 * 3600) << base.addSecs(2 * 3600) << -1 << -1;
    QTest::newRow("within one hour")
        << base.addSecs(3600 + 60) << base.addSecs(3600 + 120) << -1 << -1;
    QTest::newRow("invalid end") << base << QDateTime() << -1 << -1;
}

void TestTimelineGrid::windowsBecomeMarks()
{
    QFETCH(QDateTime, start);
    QFETCH(QDateTime, end);
    QFETCH(int, first);
    QFETCH(int, end_cell);

    CTimelineGrid grid(Base());
    grid.SetRange(100, 200, true); // cleared by FromWindows
    grid.FromWindows({{start, end, 0}});
    QCOMPARE(grid.MarkedCount(), first < 0 ? 0 : end_cell - first);
    if (first >= 0) {
        QVERIFY(grid.IsMarked(first));
        QVERIFY(grid.IsMarked(end_cell - 1));
        QVERIFY(!grid.IsMarked(first - 1));
        QVERIFY(!grid.IsMarked(end_cell));
    }
}

void TestTimelineGrid::weeklyWindowMovesToFirstRepetition()
{
    // Monday 09:00-12:00 three weeks before a base on a Wednesday: marked on the Monday after.
    const QDateTime base(QDate(2026, 1, 7), QTime(15, 30));
    const QDateTime start(QDate(2025, 12, 15), QTime(9, 0));
    CTimelineGrid grid(base);
    grid.FromWindows({{start, start.addSecs(3 * 3600), 7}});

    const CTimelineGrid::TWindows windows = grid.ToWindows();
    QCOMPARE(windows.size(), size_t(1));
    QCOMPARE(windows[0].start, QDateTime(QDate(2026, 1, 12), QTime(9, 0)));
    QCOMPARE(windows[0].end, QDateTime(QDate(2026, 1, 12), QTime(12, 0)));
    QCOMPARE(windows[0].repeat, 7);

    // A repetition starting exactly at the base is not moved further.
    CTimelineGrid exact(QDateTime(QDate(2026, 1, 12), QTime(9, 0)));
    exact.FromWindows({{start, start.addSecs(3 * 3600), 7}});
    QCOMPARE(exact.ToWindows().at(0).start, exact.Base());

    // A repeating window long past still lands within its repeat of the base.
    CTimelineGrid far(base);
    far.FromWindows({{QDateTime(QDate(1990, 3, 1), QTime(1, 0)),
                      QDateTime(QDate(1990, 3, 1), QTime(2, 0)), 30}});
    const QDateTime moved = far.ToWindows().at(0).start;
    QVERIFY(moved >= base);
    QVERIFY(moved < base.addDays(30));
}

void TestTimelineGrid::overlapIsFound()
{
    CTimelineGrid grid(Base());
    grid.SetRange(10, 12, true);
    const QDateTime base = Base();
    QVERIFY(grid.Overlaps({base.addSecs(12 * 3600), base.addSecs(14 * 3600), 0}));
    QVERIFY(grid.Overlaps({base.addSecs(8 * 3600), base.addSecs(11 * 3600 + 30), 0}));
    QVERIFY(!grid.Overlaps({base.addSecs(13 * 3600), base.addSecs(20 * 3600), 0}));
    QVERIFY(!grid.Overlaps({base.addSecs(8 * 3600), base.addSecs(10 * 3600), 0}));
    // Its first repetition at or after the base is what counts.
    QVERIFY(grid.Overlaps(
        {base.addDays(-7).addSecs(11 * 3600), base.addDays(-7).addSecs(12 * 3600), 7}));
}

void TestTimelineGrid::repeatTexts_data()
{
    QTest::addColumn<int>("days");
    QTest::addColumn<QString>("text");
    QTest::newRow("0") << 0 << "Does Not Repeat";
    QTest::newRow("1") << 1 << "Every Day";
    QTest::newRow("14") << 14 << "Every 14 Days";
}

void TestTimelineGrid::repeatTexts()
{
    QFETCH(int, days);
    QFETCH(QString, text);
    QCOMPARE(CTimelineGrid::RepeatText(days), text);
}

void TestTimelineGrid::periodTexts_data()
{
    QTest::addColumn<int>("hours");
    QTest::addColumn<QString>("end");

    // From 22:00 on the base's day.
    QTest::newRow("same day") << 1 << u" 22:00 - 23:00"_s;
    QTest::newRow("to midnight") << 2 << u" 22:00 - 24:00"_s;
    QTest::newRow("into the next day")
        << 3
        << u" 22:00 - "_s + QLocale().toString(Base().date().addDays(1), QLocale::ShortFormat) +
               u" 01:00"_s;
}

void TestTimelineGrid::periodTexts()
{
    QFETCH(int, hours);
    QFETCH(QString, end);
    const QDateTime start = Base().addSecs(22 * 3600);
    const QString text = CTimelineGrid::PeriodText(start, start.addSecs(hours * 3600));
    QCOMPARE(text, QLocale().toString(Base().date(), QLocale::ShortFormat) + end);
}

void TestTimelineGrid::parameterTextRoundTrip()
{
    CTimelineGrid grid(Base());
    grid.SetRange(2, 4, true);
    grid.SetRange(30, 47, true, 7);
    grid.SetRange(8750, 8759, true, 1);
    const CTimelineGrid::TWindows windows = grid.ToWindows();

    const QString text = CExclusionWindowsText::Write(CTimelineGrid::ToRecord(windows));
    CScheduleSettings::TExclusionWindows record;
    QCOMPARE(CExclusionWindowsText::Read(text, &record), S_OK);
    QCOMPARE(record.size(), size_t(3));
    QCOMPARE(record[1].lengthHours, 18u);
    QCOMPARE(record[1].repeat, 7u);

    CTimelineGrid read(Base());
    read.FromWindows(CTimelineGrid::FromRecord(record));
    QCOMPARE(read.ToWindows(), windows);
}

QTEST_GUILESS_MAIN(TestTimelineGrid)
#include "tst_TimelineGrid.moc"
