#include "defrag/CBlockFilesDialog.h"
#include "defrag/CBlockFilesModel.h"
#include "defrag/CBlockFilesSortModel.h"
#include "engine/CKV100EngineInterface.h"
#include "tests/ribbon/fakes/CFakeFeatureControllers.h"
#include "tests/support/CAppFixture.h"
#include "tests/support/CTestEngine.h"

#include <QAction>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QSignalSpy>
#include <QTableView>
#include <QtTest>

#include <memory>

using namespace Qt::StringLiterals;

namespace {

const QString kVolume = u"{block-files}"_s;
const TId kVolumeId = kVolume.toStdWString();

// A controller that records what the dialog asks and answers a file's blocks as told.
class CBlockController : public CFakeDefragController {
public:
    explicit CBlockController(QStringList& log)
        : CFakeDefragController(log)
    {}
    HRESULT DefragmentFilesList(const TId&, TStringList& list) override
    {
        defragmented.clear();
        for (const TString& file : list)
            defragmented << QString::fromStdWString(file);
        return S_OK;
    }
    HRESULT EnumFileExtents(const TId&, const TString& file, std::set<quint32>& blocks) override
    {
        asked << QString::fromStdWString(file);
        blocks = extents;
        return extentsAnswer;
    }
    void SetSelectedBlocks(const std::wstring&, const std::set<quint32>& blocks,
                           const std::wstring& file) override
    {
        selected = blocks;
        selectedFile = QString::fromStdWString(file);
    }

    QStringList defragmented;
    QStringList asked;
    std::set<quint32> extents;
    HRESULT extentsAnswer = S_OK;
    std::set<quint32> selected;
    QString selectedFile;
};

// count files "/data/dN/fileN" of a block: every third fragmented, every fifth of unknown size.
CTestEngine::TBlockFiles Files(int count, const QString& tag = u"file"_s)
{
    CTestEngine::TBlockFiles files;
    for (int i = 0; i < count; ++i) {
        files.files << u"/data/d%1/%2%3"_s.arg(i % 7).arg(tag).arg(i);
        files.excessFragments << (i % 3 == 0 ? i % 4 : 0);
        files.bytesUsed << (i % 5 == 0 ? 0 : 4096LL * i);
    }
    return files;
}

// The console connected to a test engine, with an NTFS volume and the controller double.
struct TRig {
    TRig()
    {
        IComActivator::SetInstance(&fixture.dbus); // the builder calls from a worker thread
        engine.volumes = {kVolume};
        if (!engine.Start() || FAILED(fixture.app->Engine().Connect(L"", L"", L"", L"")))
            qFatal("no test engine");
        CDefrager::TVolumeInfo record;
        record.volumeId = kVolumeId;
        record.mountName = L"/data";
        record.fileSystem = L"NTFS";
        Drives().SetVolume(record);
        fixture.app->RegisterDefragController(&controller);
    }
    ~TRig()
    {
        engine.HoldBlockFiles(false);
        fixture.app->UnregisterDefragController(&controller);
        fixture.app.reset();
        engine.Stop();
    }
    CDefragFeed& Feed() { return fixture.app->DefragFeed(); }
    CDefrager& Drives() { return Feed().Model(); }
    std::unique_ptr<CBlockFilesDialog> Dialog(int block)
    {
        auto dialog = std::make_unique<CBlockFilesDialog>(Feed(), kVolumeId, block);
        return dialog;
    }
    QStringList Titles() const
    {
        QStringList titles;
        for (const auto& message : fixture.presenter.messages)
            titles << message.title;
        return titles;
    }

    CAppFixture fixture;
    CTestEngine engine;
    QStringList log;
    CBlockController controller{log};
};

QStringList Column(const QAbstractItemModel& model, int column)
{
    QStringList texts;
    for (int row = 0; row < model.rowCount(); ++row)
        texts << model.index(row, column).data().toString();
    return texts;
}

QPushButton* Button(QWidget& dialog, const QString& text)
{
    for (QPushButton* button : dialog.findChildren<QPushButton*>())
        if (button->text() == text)
            return button;
    return nullptr;
}

void SelectRows(CBlockFilesDialog& dialog, int first, int last)
{
    QItemSelectionModel* selection = dialog.View()->selectionModel();
    selection->clearSelection();
    const QAbstractItemModel* model = dialog.View()->model();
    selection->select(QItemSelection(model->index(first, 0), model->index(last, 0)),
                      QItemSelectionModel::Select | QItemSelectionModel::Rows);
}

bool Finished(CBlockFilesDialog& dialog)
{
    return QTest::qWaitFor([&] { return !dialog.IsBuilding(); }) &&
           !dialog.findChild<QLabel*>(u"waitLabel"_s)->isVisibleTo(&dialog);
}

} // namespace

class TestBlockFiles : public QObject {
    Q_OBJECT

private slots:
    void pathsSplitAndJoinBack_data();
    void pathsSplitAndJoinBack();
    void theListArrivesInBatchesWithProgress();
    void stoppingMidBuildKeepsWhatArrived();
    void failuresEndCleanlyAndAskForAnalysis_data();
    void failuresEndCleanlyAndAskForAnalysis();
    void aVanishedVolumeEndsTheBuild();
    void nextAndPreviousBlocks();
    void sortingByColumnKind_data();
    void sortingByColumnKind();
    void defragmentBranches();
    void showOnDriveAndOpening();
};

void TestBlockFiles::pathsSplitAndJoinBack_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("folder");
    QTest::newRow("nested") << u"/data/a/b.txt"_s << u"b.txt"_s << u"/data/a"_s;
    QTest::newRow("in the root") << u"/b.txt"_s << u"b.txt"_s << u"/"_s;
    QTest::newRow("no folder") << u"b.txt"_s << u"b.txt"_s << QString();
    QTest::newRow("drive letter") << u"C:\\dir\\b.txt"_s << u"b.txt"_s << u"C:\\dir"_s;
    QTest::newRow("drive root") << u"C:\\b.txt"_s << u"b.txt"_s << u"C:\\"_s;
}

void TestBlockFiles::pathsSplitAndJoinBack()
{
    QFETCH(QString, path);
    QFETCH(QString, name);
    QFETCH(QString, folder);
    TBlockFileList rows;
    QCOMPARE(CBlockFilesModelBuilder::MakeRows({path.toStdWString(), L""}, {-5, 2}, {0, 1}, &rows),
             S_OK);
    QCOMPARE(rows.size(), 1); // the row without a path is left out
    QCOMPARE(rows[0].name, name);
    QCOMPARE(rows[0].folder, folder);
    QCOMPARE(rows[0].Path(), path);
    QCOMPARE(rows[0].excessFragments, -1);
}

void TestBlockFiles::theListArrivesInBatchesWithProgress()
{
    TRig rig;
    const int count = 2 * CBlockFilesModelBuilder::kBatchRows + 17;
    rig.engine.SetBlockFiles(kVolume, 42, Files(count));
    CBlockFilesModel model(rig.fixture.app->Engine());
    QSignalSpy progress(&model, &CBlockFilesModel::Progress);
    QSignalSpy finished(&model, &CBlockFilesModel::Finished);
    QList<int> rowsAtProgress;
    connect(&model, &CBlockFilesModel::Progress, this, [&] { rowsAtProgress << model.rowCount(); });
    model.Build(kVolumeId, 42);
    QVERIFY(finished.wait());
    QCOMPARE(model.rowCount(), count);
    QCOMPARE(model.Result(), S_OK);
    // Rows come in three batches, and progress never runs ahead of them.
    QCOMPARE(rowsAtProgress.first(), 0);
    QVERIFY(std::is_sorted(rowsAtProgress.begin(), rowsAtProgress.end()));
    QCOMPARE(progress.last().at(0).toInt(), 100);
    QCOMPARE(QSet<int>(rowsAtProgress.begin(), rowsAtProgress.end()).size(), 4);
    // Unknown values read "N/A".
    QCOMPARE(model.index(0, CBlockFilesModel::kSpaceColumn).data().toString(), u"N/A"_s);
    QCOMPARE(model.index(3, CBlockFilesModel::kExcessColumn).data().toString(), u"3"_s);
    QCOMPARE(model.index(3, 0).data(CBlockFilesModel::kPathRole).toString(), u"/data/d3/file3"_s);

    // A block outside the map fails at once.
    model.Build(kVolumeId, 3600);
    QCOMPARE(model.Result(), E_INVALIDARG);
    QCOMPARE(model.rowCount(), 0);
}

void TestBlockFiles::stoppingMidBuildKeepsWhatArrived()
{
    TRig rig;
    rig.engine.SetBlockFiles(kVolume, 5, Files(5 * CBlockFilesModelBuilder::kBatchRows));
    CBlockFilesModel model(rig.fixture.app->Engine());
    QSignalSpy finished(&model, &CBlockFilesModel::Finished);
    QSignalSpy completed(&model.Builder(), &CBlockFilesModelBuilder::Completed);
    QSignalSpy stopped(&model.Builder(), &CBlockFilesModelBuilder::Stopped);

    // Stopped while the engine still works on it: the late answer is dropped.
    rig.engine.HoldBlockFiles(true);
    model.Build(kVolumeId, 5);
    QTRY_COMPARE(rig.engine.HeldBlockFiles(), 1);
    model.Stop();
    QCOMPARE(stopped.size(), 1);
    QCOMPARE(finished.size(), 1);
    rig.engine.HoldBlockFiles(false);
    QTRY_COMPARE(CBlockFilesModelBuilder::RunningJobs(), 0);
    QCoreApplication::processEvents();
    QCOMPARE(model.rowCount(), 0);

    // Stopped after its first batch: that batch stays, nothing more arrives.
    connect(&model.Builder(), &CBlockFilesModelBuilder::RowsReady, &model, &CBlockFilesModel::Stop);
    model.Build(kVolumeId, 5);
    QTRY_COMPARE(stopped.size(), 2);
    QTRY_COMPARE(CBlockFilesModelBuilder::RunningJobs(), 0);
    QCoreApplication::processEvents();
    QCOMPARE(model.rowCount(), CBlockFilesModelBuilder::kBatchRows);
    QCOMPARE(completed.size(), 0);
    QCOMPARE(finished.size(), 2);

    // A dialog closed while its block is listed ends the build.
    rig.engine.HoldBlockFiles(true);
    auto dialog = rig.Dialog(5);
    QTRY_COMPARE(rig.engine.HeldBlockFiles(), 1);
    dialog->reject();
    QVERIFY(!dialog->IsBuilding());
    dialog.reset();
    rig.engine.HoldBlockFiles(false);
    QTRY_COMPARE(CBlockFilesModelBuilder::RunningJobs(), 0);
    QVERIFY(rig.fixture.presenter.messages.isEmpty());
}

void TestBlockFiles::failuresEndCleanlyAndAskForAnalysis_data()
{
    QTest::addColumn<QString>("answerFor");
    QTest::addColumn<int>("answer");
    QTest::addColumn<bool>("mismatched");
    QTest::newRow("engine failure") << u"GetBlockFiles"_s << int(E_FAIL) << false;
    QTest::newRow("volume unknown to the engine")
        << u"GetBlockFiles:%1:9"_s.arg(kVolume) << int(HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND))
        << false;
    QTest::newRow("answer that does not hold together") << QString() << int(S_OK) << true;
}

void TestBlockFiles::failuresEndCleanlyAndAskForAnalysis()
{
    QFETCH(QString, answerFor);
    QFETCH(int, answer);
    QFETCH(bool, mismatched);
    TRig rig;
    CTestEngine::TBlockFiles files = Files(10);
    if (mismatched)
        files.bytesUsed.removeLast();
    rig.engine.SetBlockFiles(kVolume, 9, files);
    if (!answerFor.isEmpty())
        rig.engine.SetOperationAnswer(answerFor, answer);
    auto dialog = rig.Dialog(9);
    QVERIFY(Finished(*dialog));
    QCOMPARE(dialog->Model().rowCount(), 0);
    QVERIFY(FAILED(dialog->Model().Result()));
    QCOMPARE(rig.Titles(), QStringList{u"Need To Analyze Drive"_s});
}

void TestBlockFiles::aVanishedVolumeEndsTheBuild()
{
    TRig rig;
    // Without analysis data the dialog does not open.
    CBlockFilesDialog::Launch(rig.Feed(), kVolumeId, 3, nullptr);
    QCOMPARE(rig.Titles(), QStringList{u"Need To Analyze Drive"_s});
    QVERIFY(rig.fixture.presenter.dialogTitles.isEmpty());
    CTestEngine::TVolumeData data;
    data.analysed = true;
    rig.engine.SetVolumeData(kVolume, data);
    CBlockFilesDialog::Launch(rig.Feed(), kVolumeId, 3, nullptr);
    QCOMPARE(rig.fixture.presenter.dialogTitles, QStringList{u"BlockViewer - Files In Block 4"_s});

    rig.engine.SetBlockFiles(kVolume, 3, Files(3));
    rig.engine.HoldBlockFiles(true);
    auto dialog = rig.Dialog(3);
    QTRY_COMPARE(rig.engine.HeldBlockFiles(), 1);
    rig.Drives().RemoveVolume(kVolumeId);
    emit rig.Feed().DefragModelUpdated();
    QVERIFY(!dialog->IsBuilding());
    QCOMPARE(rig.Titles().size(), 2);
    QCOMPARE(rig.Titles().last(), u"Need To Analyze Drive"_s);
    for (const QString& text : {u"Previous Block"_s, u"Next Block"_s, u"Defragment"_s})
        QVERIFY2(!Button(*dialog, text)->isEnabled(), qPrintable(text));
}

void TestBlockFiles::nextAndPreviousBlocks()
{
    TRig rig;
    rig.engine.SetBlockFiles(kVolume, 0, Files(2, u"zero"_s));
    rig.engine.SetBlockFiles(kVolume, 1, Files(3, u"one"_s));
    rig.engine.SetBlockFiles(kVolume, 3599, Files(1, u"last"_s));
    auto dialog = rig.Dialog(0);
    QVERIFY(Finished(*dialog));
    QVERIFY(!Button(*dialog, u"Previous Block"_s)->isEnabled());

    // Moving on while a block is still listed: only the new block's files show.
    rig.engine.HoldBlockFiles(true);
    Button(*dialog, u"Next Block"_s)->click();
    QTRY_COMPARE(rig.engine.HeldBlockFiles(), 1);
    Button(*dialog, u"Next Block"_s)->click();
    Button(*dialog, u"Previous Block"_s)->click();
    QCOMPARE(dialog->windowTitle(), u"BlockViewer - Files In Block 2"_s);
    rig.engine.HoldBlockFiles(false);
    QVERIFY(Finished(*dialog));
    QTRY_COMPARE(CBlockFilesModelBuilder::RunningJobs(), 0);
    QCoreApplication::processEvents();
    QCOMPARE(Column(dialog->Model(), 0), (QStringList{u"one0"_s, u"one1"_s, u"one2"_s}));

    dialog = rig.Dialog(3599);
    QVERIFY(Finished(*dialog));
    QVERIFY(!Button(*dialog, u"Next Block"_s)->isEnabled());
    QCOMPARE(Column(dialog->Model(), 0), QStringList{u"last0"_s});
}

void TestBlockFiles::sortingByColumnKind_data()
{
    QTest::addColumn<int>("column");
    QTest::addColumn<QStringList>("names");
    QTest::newRow("name as text") << int(CBlockFilesModel::kNameColumn)
                                  << QStringList{u"A"_s, u"b"_s, u"c10"_s, u"c9"_s};
    QTest::newRow("folder as text")
        << int(CBlockFilesModel::kFolderColumn) << QStringList{u"c9"_s, u"c10"_s, u"b"_s, u"A"_s};
    QTest::newRow("excess fragments as integers")
        << int(CBlockFilesModel::kExcessColumn) << QStringList{u"b"_s, u"c9"_s, u"c10"_s, u"A"_s};
    QTest::newRow("space used as numbers")
        << int(CBlockFilesModel::kSpaceColumn) << QStringList{u"c10"_s, u"A"_s, u"c9"_s, u"b"_s};
}

void TestBlockFiles::sortingByColumnKind()
{
    QFETCH(int, column);
    QFETCH(QStringList, names);
    TRig rig;
    CTestEngine::TBlockFiles files;
    files.files = {u"/x/Zeta/b"_s, u"/x/Y/c10"_s, u"/x/alpha/c9"_s, u"/x/zz/A"_s};
    files.excessFragments = {-1, 9, 2, 10};
    files.bytesUsed = {30000000000LL, 0, 4000000000LL, 9};
    rig.engine.SetBlockFiles(kVolume, 1, files);
    rig.engine.SetBlockFiles(kVolume, 2, files);
    auto dialog = rig.Dialog(1);
    QVERIFY(Finished(*dialog));
    dialog->View()->sortByColumn(column, Qt::AscendingOrder);
    QCOMPARE(Column(dialog->SortModel(), 0), names);
    // The order chosen holds for the next block, whose rows arrive unsorted.
    dialog->OnNext();
    QVERIFY(Finished(*dialog));
    QCOMPARE(Column(dialog->SortModel(), 0), names);
}

void TestBlockFiles::defragmentBranches()
{
    TRig rig;
    CTestEngine::TBlockFiles files = Files(CBlockFilesDialog::kMaxFiles + 1);
    files.excessFragments.fill(0);
    files.excessFragments[CBlockFilesDialog::kMaxFiles] = 4;
    rig.engine.SetBlockFiles(kVolume, 6, files);
    auto dialog = rig.Dialog(6);
    QVERIFY(Finished(*dialog));
    QPushButton* defragment = Button(*dialog, u"Defragment"_s);
    QVERIFY(!defragment->isEnabled());

    SelectRows(*dialog, 0, CBlockFilesDialog::kMaxFiles);
    defragment->click();
    SelectRows(*dialog, 0, 1);
    defragment->click();
    QCOMPARE(rig.Titles(),
             (QStringList{u"Maximum Allowed Files Selected"_s, u"No Fragmented Files"_s}));
    QVERIFY(rig.controller.defragmented.isEmpty());

    SelectRows(*dialog, CBlockFilesDialog::kMaxFiles - 1, CBlockFilesDialog::kMaxFiles);
    defragment->click();
    QCOMPARE(rig.controller.defragmented, files.files.mid(CBlockFilesDialog::kMaxFiles - 1));
    QCOMPARE(rig.Titles().size(), 2);

    // A volume at work takes no more files.
    rig.Drives().SetStatus(kVolumeId, CDefrager::kDefragmenting);
    QVERIFY(!defragment->isEnabled());
}

void TestBlockFiles::showOnDriveAndOpening()
{
    TRig rig;
    rig.engine.SetBlockFiles(kVolume, 8, Files(3));
    auto dialog = rig.Dialog(8);
    QVERIFY(Finished(*dialog));
    SelectRows(*dialog, 0, 1);
    QPushButton* show = Button(*dialog, u"Show On Drive"_s);
    QVERIFY(!show->isEnabled() && !Button(*dialog, u"Open"_s)->isEnabled());

    SelectRows(*dialog, 1, 1);
    const QList<QAction*> entries = dialog->ContextMenu()->actions();
    QCOMPARE(entries.size(), 4);
    for (QAction* entry : entries)
        QVERIFY2(entry->isEnabled(), qPrintable(entry->text()));
    rig.controller.extents = {8, 9, 1200};
    show->click();
    QCOMPARE(rig.controller.asked, QStringList{u"/data/d1/file1"_s});
    QCOMPARE(rig.controller.selected, rig.controller.extents);
    QCOMPARE(rig.controller.selectedFile, u"/data/d1/file1"_s);

    // A file the engine cannot place changes no selection.
    rig.controller.selected.clear();
    rig.controller.extentsAnswer = E_FAIL;
    show->click();
    rig.controller.extentsAnswer = S_OK;
    rig.controller.extents.clear();
    show->click();
    QVERIFY(rig.controller.selected.empty());
    QCOMPARE(rig.Titles().size(), 2);
    QCOMPARE(rig.fixture.presenter.messages.last().text,
             u"File is resident inside the Master File Table (MFT)."_s);

    Button(*dialog, u"Open"_s)->click();
    Button(*dialog, u"Open Folder"_s)->click();
    QCOMPARE(rig.fixture.shell.opened, (QList<QUrl>{QUrl::fromLocalFile(u"/data/d1/file1"_s),
                                                    QUrl::fromLocalFile(u"/data/d1"_s)}));
    QTest::keyClick(dialog->View(), Qt::Key_F1);
    QVERIFY(rig.fixture.shell.opened.last().path().endsWith(
        u"/How_Do_I_View_the_Files_in_a_Block_of_the_Drive_Map.htm"_s));
}

QTEST_MAIN(TestBlockFiles)
#include "tst_BlockFiles.moc"
