#include "core/CSystemMessage.h"
#include "defrag/CBitmapColors.h"
#include "defrag/CDefrager.h"
#include "defrag/CStatisticsExcludedFiles.h"
#include "defrag/CStatisticsFile.h"
#include "defrag/CStatisticsFileTypes.h"
#include "defrag/CStatisticsMostFragmented.h"
#include "defrag/CStatisticsTables.h"
#include "defrag/CStatsExcludedTableModel.h"
#include "engine/CStatisticsBlock.h"
#include "engine/CStatisticsBlockWriter.h"
#include "tests/ribbon/fakes/CFakeFeatureControllers.h"
#include "tests/support/CScriptedPresenter.h"
#include "widgets/CTableWidgetItemSort.h"

#include <QPushButton>
#include <QTableView>
#include <QTableWidget>
#include <QtTest>

using namespace Qt::StringLiterals;
using CStats = CDefragStatisticsData;
using CLists = CStatisticsBlockLists;

namespace {

const TId Volume = L"{vol-1}";
constexpr double MiB = 1024.0 * 1024.0;

// Records the lists it is asked to defragment and answers with a set result.
class CRecordingController : public CFakeDefragController {
public:
    explicit CRecordingController(QStringList& log)
        : CFakeDefragController(log)
    {}
    HRESULT DefragmentFilesList(const TId& volume, TStringList& list) override
    {
        calls.append({volume, list});
        return result;
    }
    QList<std::pair<TId, TStringList>> calls;
    HRESULT result = S_OK;
};

std::shared_ptr<CStats::CAnalyse> Analysis(double endOle, CLists lists = {})
{
    auto record = std::make_shared<CStats::CAnalyse>();
    record->endTime = CDateTime(endOle, CDateTime::StatusValid);
    record->lists = std::move(lists);
    return record;
}

QStringList Column(const QTableWidget& table, int column)
{
    QStringList texts;
    for (int row = 0; row < table.rowCount(); ++row)
        texts << (table.item(row, column) ? table.item(row, column)->text() : u"<null>"_s);
    return texts;
}

QStringList Column(const QAbstractItemModel& model, int column)
{
    QStringList texts;
    for (int row = 0; row < model.rowCount(); ++row)
        texts << model.index(row, column).data().toString();
    return texts;
}

} // namespace

class TestStatisticsTables : public QObject {
    Q_OBJECT

private slots:
    void init();

    void itemsSortNumbersByValue_data();
    void itemsSortNumbersByValue();
    void headerSortIsNumericAndSurvivesRefill();
    void percentTextLinesUp_data();
    void percentTextLinesUp();

    void newerOfAnalysisAndOnlineIsShown();
    void volumeWithoutListsClearsEveryTab();

    void fileTabSumsCategoriesAndSharesOfDrive();
    void fileTypesShowShareOfDrive();

    void excludedReasons_data();
    void excludedReasons();
    void excludedSortByExcessFragments();

    void defragmentPassesExactlyTheSelectedNames();
    void buttonsFollowSelection();
    void defragmentFailureIsReported();

private:
    void SetLists(CLists lists, double sizeMegabytes = 1000.0);

    std::unique_ptr<CDefrager> m_model;
};

void TestStatisticsTables::init()
{
    m_model = std::make_unique<CDefrager>();
    CDefrager::TVolumeInfo info;
    info.volumeId = Volume;
    info.mountName = L"/mnt/data";
    info.sizeMegabytes = 1000.0;
    m_model->SetVolume(info);
}

void TestStatisticsTables::SetLists(CLists lists, double sizeMegabytes)
{
    CDefrager::TVolumeInfo info = m_model->Volume(Volume);
    info.sizeMegabytes = sizeMegabytes;
    m_model->SetVolume(info);
    m_model->SetStatistics(Volume, CStatisticsBlock::kAnalysis, Analysis(46000.0, lists));
}

void TestStatisticsTables::itemsSortNumbersByValue_data()
{
    QTest::addColumn<QString>("smaller");
    QTest::addColumn<QString>("larger");
    QTest::newRow("counts") << u"9"_s << u"10"_s;
    QTest::newRow("sizes across units") << u"900 KB"_s << u"1.5 MB"_s;
    QTest::newRow("bytes below a kilobyte") << u"1023 B"_s << u"1 KB"_s;
    QTest::newRow("padded percents") << u"  7.2%"_s << u" 12%"_s;
    QTest::newRow("decimals") << u"2.05"_s << u"2.5"_s;
    QTest::newRow("negative") << u"-1"_s << u"0"_s;
    QTest::newRow("numbers before texts") << u"100"_s << u"abc"_s;
    QTest::newRow("texts ignore case") << u"apple"_s << u"Banana"_s;
    QTest::newRow("path with digits stays text") << u"/a/10.txt"_s << u"/a/9.txt"_s;
}

void TestStatisticsTables::itemsSortNumbersByValue()
{
    QFETCH(QString, smaller);
    QFETCH(QString, larger);
    const CTableWidgetItemSort a(smaller);
    const CTableWidgetItemSort b(larger);
    QVERIFY(a < b);
    QVERIFY(!(b < a));
    // Against a plain cell too, whichever side it is on.
    const QTableWidgetItem plain(larger);
    QVERIFY(a < plain);
    // A sort value wins over the text.
    const CTableWidgetItemSort valued(larger, -1e9);
    QVERIFY(valued < a);
}

void TestStatisticsTables::headerSortIsNumericAndSurvivesRefill()
{
    CLists lists;
    // Bytes chosen so that text order and size order differ.
    lists.fileTypes = {{L"a", 9, 2 * 1024}, {L"b", 10, 900}, {L"c", 100, 3 * 1024 * 1024}};
    SetLists(lists);
    CStatisticsFileTypes tab(*m_model);
    tab.ShowVolume(Volume);
    QTableWidget& table = *tab.Table();
    QCOMPARE(Column(table, 0), QStringList({u".a"_s, u".b"_s, u".c"_s}));

    table.sortByColumn(1, Qt::DescendingOrder);
    QCOMPARE(Column(table, 1), QStringList({u"100"_s, u"10"_s, u"9"_s}));
    table.sortByColumn(2, Qt::AscendingOrder);
    QCOMPARE(Column(table, 0), QStringList({u".b"_s, u".a"_s, u".c"_s}));

    // A new fill of thousands of rows comes back sorted the user's way.
    lists.fileTypes.clear();
    for (int i = 0; i < 5000; ++i)
        lists.fileTypes.append({u"e%1"_s.arg(i).toStdWString(), quint64(i), quint64(5000 - i)});
    SetLists(lists);
    tab.ShowVolume(Volume);
    QCOMPARE(table.rowCount(), 5000);
    QVERIFY(table.isSortingEnabled());
    QCOMPARE(table.item(0, 0)->text(), u".e4999"_s);
    QCOMPARE(table.item(4999, 0)->text(), u".e0"_s);
}

void TestStatisticsTables::percentTextLinesUp_data()
{
    QTest::addColumn<double>("percent");
    QTest::addColumn<QString>("text");
    QTest::newRow("one decimal") << 7.24 << u"  7.2%"_s;
    QTest::newRow("rounds up") << 12.96 << u" 13%"_s;
    QTest::newRow("hundred") << 100.0 << u"100%"_s;
    QTest::newRow("zero") << 0.0 << u"  0%"_s;
    QTest::newRow("not a number") << std::nan("") << QString();
}

void TestStatisticsTables::percentTextLinesUp()
{
    QFETCH(double, percent);
    QFETCH(QString, text);
    QCOMPARE(CStatisticsTables::PercentText(percent), text);
}

void TestStatisticsTables::newerOfAnalysisAndOnlineIsShown()
{
    CLists older;
    older.fileTypes = {{L"old", 1, 1}};
    auto online = std::make_shared<CStats::COnline>();
    online->endTime = CDateTime(46001.0, CDateTime::StatusValid);
    online->lists.fileTypes = {{L"new", 1, 1}};
    m_model->SetStatistics(Volume, CStatisticsBlock::kAnalysis, Analysis(46000.0, older));
    m_model->SetStatistics(Volume, CStatisticsBlock::kOnline, online);
    CStatisticsFileTypes tab(*m_model);
    tab.ShowVolume(Volume);
    QCOMPARE(Column(*tab.Table(), 0), QStringList{u".new"_s});

    // A later analysis wins; an online record without an end time is the older one.
    m_model->SetStatistics(Volume, CStatisticsBlock::kAnalysis, Analysis(46002.0, older));
    tab.ShowVolume(Volume);
    QCOMPARE(Column(*tab.Table(), 0), QStringList{u".old"_s});
    online = std::make_shared<CStats::COnline>(*online);
    online->endTime = CDateTime(0.0, CDateTime::StatusInvalid);
    m_model->SetStatistics(Volume, CStatisticsBlock::kOnline, online);
    tab.ShowVolume(Volume);
    QCOMPARE(Column(*tab.Table(), 0), QStringList{u".old"_s});
}

void TestStatisticsTables::volumeWithoutListsClearsEveryTab()
{
    CLists lists;
    lists.mostFragmented = {{L"/mnt/data/a", 5, 10, false}};
    lists.excluded = {{L"/mnt/data/b", CLists::kExcludedFile, S_OK, 3, 10}};
    lists.fileTypes = {{L"txt", 1, 10}};
    m_model->SetStatistics(Volume, CStatisticsBlock::kAnalysis, Analysis(46000.0, lists));

    QStringList log;
    CRecordingController controller(log);
    CStatisticsFile file(*m_model);
    CStatisticsMostFragmented most(*m_model, controller);
    CStatisticsExcludedFiles excluded(*m_model);
    CStatisticsFileTypes types(*m_model);
    const auto rowsOfEach = [&] {
        return QList<int>{file.Table()->rowCount(), most.Table()->rowCount(),
                          excluded.View()->model()->rowCount(), types.Table()->rowCount()};
    };
    const auto showAll = [&](const TId& volume) {
        file.ShowVolume(volume);
        most.ShowVolume(volume);
        excluded.ShowVolume(volume);
        types.ShowVolume(volume);
    };
    showAll(Volume);
    // The record has lists but no category table: the File tab stays empty.
    QCOMPARE(rowsOfEach(), QList<int>({0, 1, 1, 1}));

    showAll(L"{unknown}");
    QCOMPARE(rowsOfEach(), QList<int>({0, 0, 0, 0}));
    QVERIFY(!most.SelectAllButton()->isEnabled());

    // Only an offline record: nothing that carries lists.
    showAll(Volume);
    m_model->SetStatistics(Volume, CStatisticsBlock::kAnalysis, nullptr);
    m_model->SetStatistics(Volume, CStatisticsBlock::kOffline,
                           std::make_shared<CStats::COffline>());
    showAll(Volume);
    QCOMPARE(rowsOfEach(), QList<int>({0, 0, 0, 0}));
    showAll({});
    QCOMPARE(rowsOfEach(), QList<int>({0, 0, 0, 0}));
}

void TestStatisticsTables::fileTabSumsCategoriesAndSharesOfDrive()
{
    // The category table travels in the analysis block into the record.
    CStatisticsBlockWriter block(CStatisticsBlock::kAnalysis,
                                 CStatisticsBlockWriter::TStart::Zeroed);
    block.SetCategories({{CBitmapColors::kRarelyModified, 9, quint64(100 * MiB)},
                         {CBitmapColors::kRecentlyModified, 10, quint64(50 * MiB)},
                         {CBitmapColors::kFreeSpace, 0, quint64(300 * MiB)},
                         {CBitmapColors::kMftZone, 0, quint64(20 * MiB)}});
    std::unique_ptr<CStats::CAnalyse> record;
    QCOMPARE(CStats::MakeAnalyse(block.Bytes(), 1, {}, &record), S_OK);
    m_model->SetStatistics(Volume, CStatisticsBlock::kAnalysis, std::move(record));
    CStatisticsFile tab(*m_model);
    tab.ShowVolume(Volume);
    QTableWidget& table = *tab.Table();
    QCOMPARE(table.rowCount(), 9);
    QCOMPARE(table.item(0, 0)->text(), u"Rarely Modified"_s);
    QCOMPARE(Column(table, 1), QStringList({u"9"_s, u"0"_s, u"10"_s, u"0"_s, u"0"_s, u"0"_s,
                                            QString(), QString(), QString()}));
    QCOMPARE(Column(table, 2), QStringList({u"100 MB"_s, u"0 B"_s, u"50 MB"_s, u"0 B"_s, u"0 B"_s,
                                            u"0 B"_s, u"300 MB"_s, u"20 MB"_s, u"320 MB"_s}));
    // Of a 1000 MB drive.
    QCOMPARE(table.item(0, 3)->text(), u" 10%"_s);
    QCOMPARE(table.item(8, 0)->text(), u"Free space"_s);
    QCOMPARE(table.item(8, 3)->text(), u" 32%"_s);
}

void TestStatisticsTables::fileTypesShowShareOfDrive()
{
    CLists lists;
    lists.fileTypes = {{L"iso", 2, quint64(250 * MiB)}, {L"", 7, quint64(0.724 * MiB)}};
    SetLists(lists, 10.0);
    CStatisticsFileTypes tab(*m_model);
    tab.ShowVolume(Volume);
    QTableWidget& table = *tab.Table();
    QCOMPARE(Column(table, 0), QStringList({u".iso"_s, u"Other"_s}));
    QCOMPARE(Column(table, 1), QStringList({u"2"_s, u"7"_s}));
    // More than the drive holds is shown as it is; 0.724 of 10 MB is 7.24%.
    QCOMPARE(Column(table, 3), QStringList({u"2500%"_s, u"  7.2%"_s}));

    // A drive of unknown size gives no share rather than a division by zero.
    SetLists(lists, 0.0);
    tab.ShowVolume(Volume);
    QCOMPARE(Column(table, 3), QStringList({QString(), QString()}));
    QCOMPARE(Column(table, 2).constFirst(), u"250 MB"_s);
}

void TestStatisticsTables::excludedReasons_data()
{
    QTest::addColumn<quint32>("reason");
    QTest::addColumn<HRESULT>("error");
    QTest::addColumn<QString>("text");
    QTest::newRow("access denied") << 0u << HRESULT(S_OK) << u"Access Denied "_s;
    QTest::newRow("metadata") << 1u << HRESULT(S_OK) << u"Metadata "_s;
    QTest::newRow("system file") << 2u << HRESULT(S_OK) << u"System File"_s;
    QTest::newRow("error text") << 3u << HRESULT(E_ACCESSDENIED)
                                << CSystemMessage::Text(E_ACCESSDENIED);
    QTest::newRow("excluded") << 4u << HRESULT(S_OK) << u"Excluded File"_s;
    QTest::newRow("unknown reason") << 5u << HRESULT(E_FAIL) << u"None"_s;
    QTest::newRow("far out") << 0xFFFFFFFFu << HRESULT(S_OK) << u"None"_s;
}

void TestStatisticsTables::excludedReasons()
{
    QFETCH(quint32, reason);
    QFETCH(HRESULT, error);
    QFETCH(QString, text);
    CLists lists;
    lists.excluded = {{L"/mnt/data/f", reason, error, -1, 10}};
    SetLists(lists);
    CStatisticsExcludedFiles tab(*m_model);
    tab.ShowVolume(Volume);
    const QAbstractItemModel& shown = *tab.View()->model();
    QCOMPARE(shown.rowCount(), 1);
    QCOMPARE(shown.index(0, 0).data().toString(), text);
    QCOMPARE(shown.index(0, 1).data().toString(), u"/mnt/data/f"_s);
    QCOMPARE(shown.index(0, 2).data().toString(), QString());
    if (reason == 3)
        QVERIFY(!text.isEmpty() && text != u"None"_s);
}

void TestStatisticsTables::excludedSortByExcessFragments()
{
    CLists lists;
    lists.excluded = {{L"/b", 4, S_OK, 10, 0},
                      {L"/a", 4, S_OK, 9, 0},
                      {L"/C", 0, S_OK, -1, 0},
                      {L"/d", 4, S_OK, 100, 0}};
    SetLists(lists);
    CStatisticsExcludedFiles tab(*m_model);
    tab.ShowVolume(Volume);
    QAbstractItemModel& shown = *tab.View()->model();
    // Unsorted until asked: the engine's order.
    QCOMPARE(Column(shown, 1), QStringList({u"/b"_s, u"/a"_s, u"/C"_s, u"/d"_s}));
    tab.View()->sortByColumn(CStatsExcludedTableModel::kFragmentsColumn, Qt::AscendingOrder);
    QCOMPARE(Column(shown, 2), QStringList({QString(), u"9"_s, u"10"_s, u"100"_s}));
    tab.View()->sortByColumn(CStatsExcludedTableModel::kNameColumn, Qt::AscendingOrder);
    QCOMPARE(Column(shown, 1), QStringList({u"/a"_s, u"/b"_s, u"/C"_s, u"/d"_s}));
}

void TestStatisticsTables::defragmentPassesExactlyTheSelectedNames()
{
    CLists lists;
    lists.mostFragmented = {{L"/mnt/data/x y.bin", 9, 3 * 1024 * 1024, false},
                            {L"/mnt/data/dir", 10, 4096, true},
                            {L"/mnt/data/Ünï.txt", 100, 1536 * 1024, false}};
    SetLists(lists);
    QStringList log;
    CRecordingController controller(log);
    CStatisticsMostFragmented tab(*m_model, controller);
    tab.ShowVolume(Volume);
    QTableWidget& table = *tab.Table();
    QCOMPARE(Column(table, 1), QStringList({u"3.00"_s, u"0.00"_s, u"1.50"_s}));

    // Sorted by fragments, most first; pick the first and the last row shown.
    table.sortByColumn(0, Qt::DescendingOrder);
    QCOMPARE(Column(table, 0), QStringList({u"100"_s, u"10"_s, u"9"_s}));
    table.selectionModel()->select(table.model()->index(0, 0),
                                   QItemSelectionModel::Select | QItemSelectionModel::Rows);
    table.selectionModel()->select(table.model()->index(2, 0),
                                   QItemSelectionModel::Select | QItemSelectionModel::Rows);
    QVERIFY(tab.DefragmentButton()->isEnabled());
    tab.DefragmentButton()->click();
    QCOMPARE(controller.calls.size(), 1);
    QCOMPARE(controller.calls.constFirst().first, Volume);
    QCOMPARE(controller.calls.constFirst().second,
             TStringList({L"/mnt/data/Ünï.txt", L"/mnt/data/x y.bin"}));

    // Select All hands over every row.
    tab.SelectAllButton()->click();
    tab.OnDefragment();
    QCOMPARE(controller.calls.size(), 2);
    QCOMPARE(controller.calls.constLast().second.size(), std::size_t(3));
}

void TestStatisticsTables::buttonsFollowSelection()
{
    CLists lists;
    lists.mostFragmented = {{L"/mnt/data/a", 9, 1, false}, {L"/mnt/data/b", 8, 1, false}};
    SetLists(lists);
    QStringList log;
    CRecordingController controller(log);
    CStatisticsMostFragmented tab(*m_model, controller);
    QVERIFY(!tab.DefragmentButton()->isEnabled());
    QVERIFY(!tab.SelectAllButton()->isEnabled());
    tab.ShowVolume(Volume);
    QVERIFY(!tab.DefragmentButton()->isEnabled());
    QVERIFY(!tab.ClearAllButton()->isEnabled());
    QVERIFY(tab.SelectAllButton()->isEnabled());

    tab.SelectAllButton()->click();
    QVERIFY(tab.DefragmentButton()->isEnabled());
    QVERIFY(tab.ClearAllButton()->isEnabled());
    tab.ClearAllButton()->click();
    QVERIFY(!tab.DefragmentButton()->isEnabled());
    QVERIFY(!tab.ClearAllButton()->isEnabled());

    // Nothing selected: the slot asks nothing of the controller.
    tab.OnDefragment();
    QVERIFY(controller.calls.isEmpty());

    // A new volume drops the selection.
    tab.SelectAllButton()->click();
    tab.ShowVolume(Volume);
    QVERIFY(!tab.DefragmentButton()->isEnabled());
}

void TestStatisticsTables::defragmentFailureIsReported()
{
    CLists lists;
    lists.mostFragmented = {{L"/mnt/data/a", 9, 1, false}};
    SetLists(lists);
    QStringList log;
    CRecordingController controller(log);
    CStatisticsMostFragmented tab(*m_model, controller);
    tab.ShowVolume(Volume);
    tab.SelectAllButton()->click();
    CScriptedPresenter presenter;

    tab.OnDefragment();
    QVERIFY(presenter.messages.isEmpty());

    controller.result = HRESULT(0x80070708); // the engine has told the user already
    tab.OnDefragment();
    QVERIFY(presenter.messages.isEmpty());

    controller.result = E_ACCESSDENIED;
    tab.OnDefragment();
    QCOMPARE(presenter.messages.size(), 1);
    const IMessagePresenter::TMessage& message = presenter.messages.constFirst();
    QCOMPARE(message.title, u"Unable to launch operation"_s);
    QCOMPARE(message.text, u"Unable to defragment Selected files on Drive /mnt/data due to error "
                           u"0x80070005(%1)"_s.arg(CSystemMessage::Text(E_ACCESSDENIED)));
    QCOMPARE(controller.calls.size(), 3);
}

QTEST_MAIN(TestStatisticsTables)
#include "tst_StatisticsTables.moc"
