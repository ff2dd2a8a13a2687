#include "engine/CAgentPropertyBag.h"
#include "engine/CKV100AgentInterface.h"
#include "engine/CStatisticsHistory.h"

#include <QtTest>

using namespace Qt::StringLiterals;
using CHistory = CStatisticsHistory;
using TBag = DBusContract::TPropertyBag;

// The agent's log and pass history taken apart into points, from its bags and texts.
class TestStatisticsHistory : public QObject {
    Q_OBJECT

private slots:
    void logBagAndText();
    void aBadLogBagChangesNothing_data();
    void aBadLogBagChangesNothing();
    void statisticsAndFreeSpaceBags();
    void malformedLogTexts_data();
    void malformedLogTexts();
    void nothingIsAskedOfAnAgentNotConnected();
};

namespace {

TBag LogBag()
{
    return {{u"/"_s, {{u"NumLogPoints"_s, 2}, {u"TotalAvailableLogPoints"_s, 1300}}},
            {u"/1"_s,
             {{u"LogTime"_s, 45000.25},
              {u"Source"_s, u"Engine"_s},
              {u"EventType"_s, 4},
              {u"EventId"_s, 1001},
              {u"Message"_s, u"Pass started\nDrive C:"_s}}},
            {u"/2"_s,
             {{u"LogTime"_s, 45000.5},
              {u"Source"_s, u"Agent ü"_s},
              {u"EventType"_s, 1},
              {u"EventId"_s, u"7"_s}, // numeric text converts, as a VARIANT's would
              {u"Message"_s, QString()}}}};
}

const QList<CHistory::CLogPoint> kLogPoints{
    {CDateTime(45000.25), L"Engine", 4, 1001, L"Pass started\nDrive C:"},
    {CDateTime(45000.5), L"Agent ü", 1, 7, L""}};

TBag HistoryBag()
{
    TBag bag{{u"/"_s, {{u"NumStatPoints"_s, 2}, {u"NumFreeSpaceStatPoints"_s, 1}}}};
    for (int n = 1; n <= 2; ++n) {
        const QString item = QString::number(n);
        bag[u"/Fragmented/"_s + item] = {
            {u"Date"_s, 44000.0 + n}, {u"Before"_s, 10.0 * n}, {u"After"_s, 1.0 * n}};
        bag[u"/FreeSpaceFragmentation/"_s + item] = {{u"Before"_s, 20.0 * n},
                                                     {u"After"_s, 2.0 * n}};
        bag[u"/Performance/"_s + item] = {{u"Before"_s, 30.0 * n}, {u"After"_s, 3 * n}};
    }
    bag[u"/FreeSpace/1"_s] = {{u"StatsDate"_s, 44500.5},
                              {u"FreeSpaceBefore"_s, 250.0},
                              {u"FreeSpaceAfter"_s, 500.0},
                              {u"TotalSize"_s, 1000.0}};
    return bag;
}

const QString kLogText =
    u"1300\u001e45000.25\u001fEngine\u001f4\u001f1001\u001fPass started\nDrive C:"
    u"\u001e45000.5\u001fAgent ü\u001f1\u001f7\u001f"_s;

} // namespace

void TestStatisticsHistory::logBagAndText()
{
    QList<CHistory::CLogPoint> points;
    int total = 0;
    QCOMPARE(CHistory::ParseLogBag(LogBag(), &points, &total), S_OK);
    QCOMPARE(points, kLogPoints);
    QCOMPARE(total, 1300);
    QCOMPARE(CHistory::ParseLogText(kLogText.toStdWString(), &points, &total), S_OK);
    QCOMPARE(points, kLogPoints);
    QCOMPARE(total, 1300);

    // A count of 0 reads no item, whatever the items hold.
    TBag empty = LogBag();
    empty[u"/"_s][u"NumLogPoints"_s] = 0;
    empty[u"/1"_s][u"EventType"_s] = u"not a number"_s;
    QCOMPARE(CHistory::ParseLogBag(empty, &points, &total), S_OK);
    QVERIFY(points.isEmpty());
    QCOMPARE(CHistory::ParseLogText(L"12\x1e-1.5\x1f\x1f-3\x1f"
                                    L"0\x1f",
                                    &points, &total),
             S_OK);
    QCOMPARE(points, (QList<CHistory::CLogPoint>{{CDateTime(-1.5), L"", -3, 0, L""}}));
    QCOMPARE(total, 12);
}

void TestStatisticsHistory::aBadLogBagChangesNothing_data()
{
    QTest::addColumn<QString>("section");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QVariant>("value"); // invalid: the key is removed
    QTest::addColumn<HRESULT>("result");
    QTest::newRow("text for an integer")
        << u"/2"_s << u"EventType"_s << QVariant(u"four"_s) << CAgentPropertyBag::kTypeMismatch;
    QTest::newRow("a list for text") << u"/1"_s << u"Source"_s << QVariant(QStringList{u"a"_s})
                                     << CAgentPropertyBag::kTypeMismatch;
    QTest::newRow("integer out of range")
        << u"/2"_s << u"EventId"_s << QVariant(5e9) << CAgentPropertyBag::kOverflow;
    QTest::newRow("missing key") << u"/2"_s << u"Message"_s << QVariant() << E_INVALIDARG;
    QTest::newRow("missing total")
        << u"/"_s << u"TotalAvailableLogPoints"_s << QVariant() << E_INVALIDARG;
    QTest::newRow("negative count") << u"/"_s << u"NumLogPoints"_s << QVariant(-1) << E_INVALIDARG;
    QTest::newRow("count beyond the items")
        << u"/"_s << u"NumLogPoints"_s << QVariant(3) << E_INVALIDARG;
}

void TestStatisticsHistory::aBadLogBagChangesNothing()
{
    QFETCH(QString, section);
    QFETCH(QString, key);
    QFETCH(QVariant, value);
    QFETCH(HRESULT, result);
    TBag bag = LogBag();
    if (value.isValid())
        bag[section][key] = value;
    else
        bag[section].remove(key);
    QList<CHistory::CLogPoint> points{kLogPoints.first()};
    int total = 5;
    QCOMPARE(CHistory::ParseLogBag(bag, &points, &total), result);
    QCOMPARE(points, QList<CHistory::CLogPoint>{kLogPoints.first()});
    QCOMPARE(total, 5);
}

void TestStatisticsHistory::statisticsAndFreeSpaceBags()
{
    QList<CHistory::CDataPoint> files;
    QList<CHistory::CDataPoint> freeSpace;
    QList<CHistory::CDataPoint> performance;
    QCOMPARE(CHistory::ParseStatisticsBag(HistoryBag(), &files, &freeSpace, &performance), S_OK);
    const CDateTime first(44001.0);
    const CDateTime second(44002.0);
    QCOMPARE(files, (QList<CHistory::CDataPoint>{{first, 10.0, 1.0}, {second, 20.0, 2.0}}));
    QCOMPARE(freeSpace, (QList<CHistory::CDataPoint>{{first, 20.0, 2.0}, {second, 40.0, 4.0}}));
    QCOMPARE(performance, (QList<CHistory::CDataPoint>{{first, 30.0, 3.0}, {second, 60.0, 6.0}}));

    QList<CHistory::CDataPoint> percent;
    QCOMPARE(CHistory::ParseFreeSpaceBag(HistoryBag(), &percent), S_OK);
    QCOMPARE(percent, (QList<CHistory::CDataPoint>{{CDateTime(44500.5), 25.0, 50.0}}));

    // One series' item missing: nothing of the three is given.
    TBag broken = HistoryBag();
    broken.remove(u"/Performance/2"_s);
    broken[u"/FreeSpace/1"_s][u"TotalSize"_s] = u"big"_s;
    QList<CHistory::CDataPoint> untouched{{first, 1.0, 2.0}};
    files = freeSpace = untouched;
    QCOMPARE(CHistory::ParseStatisticsBag(broken, &files, &freeSpace, &performance), E_INVALIDARG);
    QCOMPARE(files, untouched);
    QCOMPARE(freeSpace, untouched);
    QCOMPARE(CHistory::ParseFreeSpaceBag(broken, &freeSpace), CAgentPropertyBag::kTypeMismatch);
    QCOMPARE(freeSpace, untouched);
    // A drive of no size gives no percentages, rather than infinite ones.
    broken[u"/FreeSpace/1"_s][u"TotalSize"_s] = 0.0;
    QCOMPARE(CHistory::ParseFreeSpaceBag(broken, &freeSpace), E_INVALIDARG);
    QCOMPARE(freeSpace, untouched);

    // No passes yet: empty series, and no item section is looked at.
    TBag none{{u"/"_s, {{u"NumStatPoints"_s, 0}, {u"NumFreeSpaceStatPoints"_s, 0}}},
              {u"/Fragmented/1"_s, {{u"Date"_s, u"bad"_s}}}};
    QCOMPARE(CHistory::ParseStatisticsBag(none, &files, &freeSpace, &performance), S_OK);
    QVERIFY(files.isEmpty() && freeSpace.isEmpty() && performance.isEmpty());
    QCOMPARE(CHistory::ParseFreeSpaceBag(none, &percent), S_OK);
    QVERIFY(percent.isEmpty());
}

void TestStatisticsHistory::malformedLogTexts_data()
{
    QTest::addColumn<QString>("text");
    const QString entry = u"\u001e45000.5\u001fsrc\u001f1\u001f2\u001fmessage"_s;
    QTest::newRow("empty") << QString();
    QTest::newRow("total with a blank") << u" 1"_s + entry;
    QTest::newRow("negative total") << u"-1"_s;
    QTest::newRow("more entries than the total") << u"1"_s + entry + entry;
    QTest::newRow("date with a comma") << u"1\u001e45000,5\u001fsrc\u001f1\u001f2\u001fm"_s;
    QTest::newRow("date in exponent form") << u"1\u001e4.5e4\u001fsrc\u001f1\u001f2\u001fm"_s;
    QTest::newRow("event type not whole") << u"1\u001e1.0\u001fsrc\u001f1.0\u001f2\u001fm"_s;
    QTest::newRow("event id beyond 32 bits")
        << u"1\u001e1.0\u001fsrc\u001f1\u001f99999999999\u001fm"_s;
}

void TestStatisticsHistory::malformedLogTexts()
{
    QFETCH(QString, text);
    QList<CHistory::CLogPoint> points{kLogPoints.first()};
    int total = 5;
    QCOMPARE(CHistory::ParseLogText(text.toStdWString(), &points, &total), E_INVALIDARG);
    QCOMPARE(points.size(), 1);
    QCOMPARE(total, 5);
}

void TestStatisticsHistory::nothingIsAskedOfAnAgentNotConnected()
{
    CKV100AgentInterface agent;
    QList<CHistory::CLogPoint> points{kLogPoints.first()};
    QList<CHistory::CDataPoint> series{{CDateTime(1.0), 1.0, 2.0}};
    QList<CHistory::CDataPoint> files = series;
    QList<CHistory::CDataPoint> performance = series;
    int total = 5;
    QCOMPARE(CHistory::ReadLogPoints(nullptr, 0.0, 1.0, 0, 600, &points, &total), E_FAIL);
    QCOMPARE(CHistory::ReadLogPoints(&agent, 0.0, 1.0, 0, 600, &points, &total), E_FAIL);
    QCOMPARE(CHistory::ReadStatisticsPoints(&agent, L"C:", &files, &series, &performance), E_FAIL);
    QCOMPARE(CHistory::ReadFreeSpacePoints(&agent, L"C:", &series), E_FAIL);
    QCOMPARE(points.size(), 1);
    QCOMPARE(total, 5);
    QCOMPARE(series.size(), 1);
}

QTEST_GUILESS_MAIN(TestStatisticsHistory)
#include "tst_StatisticsHistory.moc"
