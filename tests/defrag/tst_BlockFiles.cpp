#include "defrag/CBlockFilesDialog.h"
#include "defrag/CBlockFilesModel.h"
#include "defrag/CBlockFilesSortModel.h"
#include "tests/ribbon/fakes/CFakeFeatureControllers.h"
#include "tests/support/CAppFixture.h"
#include "tests/support/CTestEngine.h"

#include <QAction>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QTableView>
#include <QtTest>

using namespace Qt::StringLiterals;

namespace {

const QString kVolume = u"{block-files}"_s;
const TId kVolumeId = kVolume.toStdWString();
const QString kAnalyze = u"Need To Analyze Drive"_s;

// A controller that logs what the dialog asks of it and answers a file's blocks as told.
struct CBlockController : CFakeDefragController {
    using CFakeDefragController::CFakeDefragController;
    HRESULT DefragmentFilesList(const TId&, TStringList& list) override
    {
        for (const TString& file : list)
            Log(u"defragment "_s + QString::fromStdWString(file));
        return S_OK;
    }
    HRESULT EnumFileExtents(const TId&, const TString& file, std::set<quint32>& blocks) override
    {
        Log(u"extents "_s + QString::fromStdWString(file));
        blocks = extents;
        return extentsAnswer;
    }
    void SetSelectedBlocks(const std::wstring&, const std::set<quint32>& blocks,
                           const std::wstring& file) override
    {
        Log(u"select "_s + QString::fromStdWString(file));
        selected = blocks;
    }

    std::set<quint32> extents, selected;
    HRESULT extentsAnswer = S_OK;
};

// count files "/data/dN/fileN" of a block: every third fragmented, every fifth of unknown size.
CTestEngine::TBlockFiles Files(int count)
{
    CTestEngine::TBlockFiles files;
    for (int i = 0; i < count; ++i) {
        files.files << u"/data/d%1/file%2"_s.arg(i % 7).arg(i);
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
    auto Dialog(int block) { return std::make_unique<CBlockFilesDialog>(Feed(), kVolumeId, block); }
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
    const QAbstractItemModel* model = dialog.View()->model();
    dialog.View()->selectionModel()->select(
        QItemSelection(model->index(first, 0), model->index(last, 0)),
        QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
}

// Waits until the dialog's build ended and no worker job is left, their signals delivered.
bool Finished(CBlockFilesDialog& dialog)
{
    const bool ended = QTest::qWaitFor(
        [&] { return !dialog.IsBuilding() && CBlockFilesModelBuilder::RunningJobs() == 0; });
    QCoreApplication::processEvents();
    return ended && !dialog.findChild<QLabel*>(u"waitLabel"_s)->isVisibleTo(&dialog);
}

} // namespace

class TestBlockFiles : public QObject {
    Q_OBJECT

private slots:
    void pathsSplitAndJoinBack();
    void buildingInBatchesAndStopping();
    void browsingBlocksSortingAndFailures();
    void actingOnTheSelectedFiles();
};

void TestBlockFiles::pathsSplitAndJoinBack()
{
    // Each path with its folder, which with the name makes the path again. The row without a
    // path is left out.
    const QStringList paths = {u"/data/a/b.txt"_s,  u"/data/a"_s, u"/b.txt"_s,    u"/"_s,
                               u"b.txt"_s,          QString(),    u"C:\\b.txt"_s, u"C:\\"_s,
                               u"C:\\dir\\b.txt"_s, u"C:\\dir"_s};
    TStringList files{L""};
    for (qsizetype i = 0; i < paths.size(); i += 2)
        files.push_back(paths[i].toStdWString());
    TBlockFileList rows;
    QCOMPARE(
        CBlockFilesModelBuilder::MakeRows(files, QList<int>(6, -5), QList<qlonglong>(6), &rows),
        S_OK);
    QCOMPARE(rows.size(), 5);
    for (qsizetype i = 0; i < rows.size(); ++i) {
        QCOMPARE(rows[i].folder, paths[2 * i + 1]);
        QCOMPARE(rows[i].Path(), paths[2 * i]);
        QCOMPARE(rows[i].excessFragments, -1);
    }
}

void TestBlockFiles::buildingInBatchesAndStopping()
{
    TRig rig;
    const int batch = CBlockFilesModelBuilder::kBatchRows;
    rig.engine.SetBlockFiles(kVolume, 42, Files(2 * batch + 17));
    rig.engine.SetBlockFiles(kVolume, 5, Files(5 * batch));
    CBlockFilesModel model(rig.fixture.app->Engine());
    QSignalSpy progress(&model, &CBlockFilesModel::Progress);
    QSignalSpy finished(&model, &CBlockFilesModel::Finished);
    QSignalSpy stopped(&model.Builder(), &CBlockFilesModelBuilder::Stopped);
    QList<int> rows; // at each progress report
    connect(&model, &CBlockFilesModel::Progress, this, [&] { rows << model.rowCount(); });
    model.Build(kVolumeId, 42);
    QVERIFY(finished.wait());
    QCOMPARE(model.Result(), S_OK);
    // Rows come in three batches, and progress never runs ahead of them.
    QVERIFY(std::is_sorted(rows.begin(), rows.end()));
    QCOMPARE(QSet<int>(rows.begin(), rows.end()), (QSet<int>{0, batch, 2 * batch, 2 * batch + 17}));
    QCOMPARE(progress.last().at(0).toInt(), 100);
    // Unknown values read "N/A".
    QCOMPARE(model.index(0, CBlockFilesModel::kSpaceColumn).data().toString(), u"N/A"_s);
    QCOMPARE(model.index(3, 0).data(CBlockFilesModel::kPathRole).toString(), u"/data/d3/file3"_s);

    // A block outside the map fails at once.
    model.Build(kVolumeId, 3600);
    QCOMPARE(model.Result(), E_INVALIDARG);
    QCOMPARE(model.rowCount(), 0);

    // Stopped after its first batch: that batch stays, nothing more arrives.
    finished.clear();
    connect(&model.Builder(), &CBlockFilesModelBuilder::RowsReady, &model, &CBlockFilesModel::Stop);
    model.Build(kVolumeId, 5);
    QTRY_COMPARE(CBlockFilesModelBuilder::RunningJobs(), 0);
    QCoreApplication::processEvents();
    QCOMPARE(model.rowCount(), batch);
    QCOMPARE(stopped.size(), 1);
    QCOMPARE(finished.size(), 1); // and nothing after

    // A dialog closed while the engine still works on its block ends the build, without a word;
    // the late answer is dropped.
    rig.engine.HoldBlockFiles(true);
    auto dialog = rig.Dialog(5);
    QTRY_COMPARE(rig.engine.HeldBlockFiles(), 1);
    dialog->reject();
    QVERIFY(!dialog->IsBuilding());
    rig.engine.HoldBlockFiles(false);
    QVERIFY(Finished(*dialog));
    QCOMPARE(dialog->Model().rowCount(), 0);
    QVERIFY(rig.fixture.presenter.messages.isEmpty());
}

void TestBlockFiles::browsingBlocksSortingAndFailures()
{
    TRig rig;
    // Without analysis data the dialog does not open.
    CBlockFilesDialog::Launch(rig.Feed(), kVolumeId, 3, nullptr);
    QVERIFY(rig.fixture.presenter.dialogTitles.isEmpty());
    CTestEngine::TVolumeData data;
    data.analysed = true;
    rig.engine.SetVolumeData(kVolume, data);
    CBlockFilesDialog::Launch(rig.Feed(), kVolumeId, 3, nullptr);
    QCOMPARE(rig.fixture.presenter.dialogTitles, QStringList{u"BlockViewer - Files In Block 4"_s});
    QCOMPARE(rig.Titles(), QStringList{kAnalyze});

    CTestEngine::TBlockFiles files{{u"/x/Zeta/b"_s, u"/x/Y/c10"_s, u"/x/alpha/c9"_s, u"/x/zz/A"_s},
                                   {-1, 9, 2, 10},
                                   {30000000000LL, 0, 4000000000LL, 9}};
    for (const uint block : {2, 3})
        rig.engine.SetBlockFiles(kVolume, block, files);
    rig.engine.SetBlockFiles(kVolume, 1, Files(3));
    auto dialog = rig.Dialog(0);
    QVERIFY(Finished(*dialog));
    QPushButton* next = Button(*dialog, u"Next Block"_s);
    QPushButton* previous = Button(*dialog, u"Previous Block"_s);
    QVERIFY(!previous->isEnabled());

    // Moving on while a block is still listed: only the new block's files show.
    rig.engine.HoldBlockFiles(true);
    next->click();
    QTRY_COMPARE(rig.engine.HeldBlockFiles(), 1);
    next->click();
    previous->click();
    QCOMPARE(dialog->windowTitle(), u"BlockViewer - Files In Block 2"_s);
    rig.engine.HoldBlockFiles(false);
    QVERIFY(Finished(*dialog));
    QCOMPARE(Column(dialog->Model(), 0), (QStringList{u"file0"_s, u"file1"_s, u"file2"_s}));

    // Names and folders sort as text ignoring case first, the numbers by value.
    next->click();
    QVERIFY(Finished(*dialog));
    const QList<QStringList> orders = {{u"A"_s, u"b"_s, u"c10"_s, u"c9"_s},
                                       {u"c9"_s, u"c10"_s, u"b"_s, u"A"_s},
                                       {u"b"_s, u"c9"_s, u"c10"_s, u"A"_s},
                                       {u"c10"_s, u"A"_s, u"c9"_s, u"b"_s}};
    for (int column = 0; column < orders.size(); ++column) {
        dialog->View()->sortByColumn(column, Qt::AscendingOrder);
        QCOMPARE(Column(dialog->SortModel(), 0), orders[column]);
    }
    // The order chosen holds for the next block, whose rows arrive unsorted.
    next->click();
    QVERIFY(Finished(*dialog));
    QCOMPARE(Column(dialog->SortModel(), 0), orders.last());

    dialog = rig.Dialog(3599);
    QVERIFY(Finished(*dialog));
    QVERIFY(!Button(*dialog, u"Next Block"_s)->isEnabled());

    // After a listed block: an answer that does not hold together, a volume unknown to the
    // engine, an engine failure. Each empties the list and asks for an analysis.
    rig.engine.SetBlockFiles(kVolume, 8, files);
    files.bytesUsed.removeLast();
    rig.engine.SetBlockFiles(kVolume, 9, files);
    rig.engine.SetOperationAnswer(u"GetBlockFiles:%1:10"_s.arg(kVolume),
                                  int(HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND)));
    dialog = rig.Dialog(8);
    QVERIFY(Finished(*dialog));
    QCOMPARE(dialog->Model().rowCount(), 4);
    for (int block = 9; block <= 11; ++block) {
        if (block == 11)
            rig.engine.SetOperationAnswer(u"GetBlockFiles"_s, int(E_FAIL));
        dialog->OnNext();
        QVERIFY(Finished(*dialog));
        QCOMPARE(dialog->Model().rowCount(), 0);
        QVERIFY(FAILED(dialog->Model().Result()));
        QCOMPARE(rig.Titles(), QStringList(block - 7, kAnalyze));
    }

    // The volume vanishes while a block is listed.
    rig.engine.SetOperationAnswer(u"GetBlockFiles"_s, int(S_OK));
    rig.engine.HoldBlockFiles(true);
    dialog->OnNext();
    QTRY_COMPARE(rig.engine.HeldBlockFiles(), 1);
    rig.Drives().RemoveVolume(kVolumeId);
    emit rig.Feed().DefragModelUpdated();
    QVERIFY(!dialog->IsBuilding());
    QCOMPARE(rig.Titles(), QStringList(5, kAnalyze));
    for (const QString& text : {u"Previous Block"_s, u"Next Block"_s, u"Defragment"_s})
        QVERIFY2(!Button(*dialog, text)->isEnabled(), qPrintable(text));
}

void TestBlockFiles::actingOnTheSelectedFiles()
{
    TRig rig;
    const int max = CBlockFilesDialog::kMaxFiles;
    CTestEngine::TBlockFiles files = Files(max + 1);
    files.excessFragments.fill(0);
    files.excessFragments[max] = 4;
    rig.engine.SetBlockFiles(kVolume, 6, files);
    auto dialog = rig.Dialog(6);
    QVERIFY(Finished(*dialog));
    QPushButton* defragment = Button(*dialog, u"Defragment"_s);
    QPushButton* show = Button(*dialog, u"Show On Drive"_s);
    QVERIFY(!defragment->isEnabled());

    // Too many files, or none fragmented, are refused; one fragmented takes the others along.
    SelectRows(*dialog, 0, max);
    defragment->click();
    QVERIFY(!show->isEnabled() && !Button(*dialog, u"Open"_s)->isEnabled());
    SelectRows(*dialog, 0, 1);
    defragment->click();
    SelectRows(*dialog, max - 1, max);
    defragment->click();
    QCOMPARE(rig.Titles(),
             (QStringList{u"Maximum Allowed Files Selected"_s, u"No Fragmented Files"_s}));

    // One file: every entry applies, and its blocks show on the map.
    SelectRows(*dialog, 1, 1);
    for (QAction* entry : dialog->ContextMenu()->actions())
        QVERIFY2(entry->isEnabled(), qPrintable(entry->text()));
    rig.controller.extents = {8, 9, 1200};
    show->click();
    QCOMPARE(rig.controller.selected, rig.controller.extents);
    // A file the engine cannot place, or one without blocks of its own, changes no selection.
    rig.controller.extentsAnswer = E_FAIL;
    show->click();
    rig.controller.extentsAnswer = S_OK;
    rig.controller.extents.clear();
    show->click();
    QCOMPARE(rig.Titles().size(), 4);
    QCOMPARE(rig.fixture.presenter.messages.last().text,
             u"File is resident inside the Master File Table (MFT)."_s);
    QCOMPARE(rig.log,
             (QStringList{u"Defrag.defragment /data/d1/file99"_s,
                          u"Defrag.defragment /data/d2/file100"_s,
                          u"Defrag.extents /data/d1/file1"_s, u"Defrag.select /data/d1/file1"_s,
                          u"Defrag.extents /data/d1/file1"_s, u"Defrag.extents /data/d1/file1"_s}));

    Button(*dialog, u"Open"_s)->click();
    Button(*dialog, u"Open Folder"_s)->click();
    QCOMPARE(rig.fixture.shell.opened, (QList<QUrl>{QUrl::fromLocalFile(u"/data/d1/file1"_s),
                                                    QUrl::fromLocalFile(u"/data/d1"_s)}));
    QTest::keyClick(dialog->View(), Qt::Key_F1);
    QVERIFY(rig.fixture.shell.opened.last().path().endsWith(
        u"/How_Do_I_View_the_Files_in_a_Block_of_the_Drive_Map.htm"_s));

    // A volume at work takes no more files.
    rig.Drives().SetStatus(kVolumeId, CDefrager::kDefragmenting);
    QVERIFY(!defragment->isEnabled());
}

QTEST_MAIN(TestBlockFiles)
#include "tst_BlockFiles.moc"
