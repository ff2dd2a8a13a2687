#include "defrag/CDefragTreeView.h"
#include "defrag/CFragDirModel.h"
#include "defrag/CFragmentedFilesProxy.h"
#include "defrag/CMultiFileSelectViewer.h"
#include "engine/CKV100EngineInterface.h"
#include "engine/CKV100FileBrowserInterface.h"
#include "tests/support/CAppFixture.h"

#include <QDBusConnection>
#include <QLabel>
#include <QListWidget>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QSemaphore>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QThreadPool>
#include <QtTest>

#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

using TEntry = CFragDirModel::TEntry;
using TListing = CFragDirModel::TListing;

// Directories a test makes up, and gates that hold a directory's read until released.
struct TFakeTree {
    QHash<QString, TListing> listings;
    QHash<QString, std::shared_ptr<QSemaphore>> gates;

    CFragDirModel::TReader Reader() const
    {
        return [listings = listings, gates = gates](const QString& directory) {
            if (const auto gate = gates.value(directory))
                gate->acquire();
            return listings.value(directory, {HRESULT_FROM_WIN32(ERROR_PATH_NOT_FOUND), {}});
        };
    }
};

TListing Listing(QList<TEntry> entries)
{
    return {S_OK, std::move(entries)};
}

TEntry File(const QString& name, int fragments)
{
    return {name, false, fragments};
}

TEntry Folder(const QString& name)
{
    return {name, true, -1};
}

// The rows of a parent as "name|fragments text".
QStringList Rows(const QAbstractItemModel& model, const QModelIndex& parent = {})
{
    QStringList rows;
    for (int row = 0; row < model.rowCount(parent); ++row)
        rows.append(model.index(row, CFragDirModel::kNameColumn, parent).data().toString() + u'|' +
                    model.index(row, CFragDirModel::kFragmentsColumn, parent).data().toString());
    return rows;
}

QPushButton* Button(QWidget& dialog, const QString& text)
{
    for (QPushButton* button : dialog.findChildren<QPushButton*>())
        if (button->text() == text)
            return button;
    return nullptr;
}

QRadioButton* Radio(QWidget& dialog, const QString& text)
{
    for (QRadioButton* button : dialog.findChildren<QRadioButton*>())
        if (button->text() == text)
            return button;
    return nullptr;
}

QString LabelText(QWidget& dialog, const QString& name)
{
    const auto* label = dialog.findChild<QLabel*>(name);
    return label ? label->text() : QString();
}

} // namespace

class TestSelectedFiles : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();

    void noVolumeSaysSoAndOffersNothing();
    void theFilterShowsFragmentedOrAllFiles();
    void addRemoveClearAndTheCaption();
    void atMostAHundredFiles();
    void settingsAndHelp();
    void lateRepliesAreHarmless();
    void overTheEngineDaemon();

private:
    // A dialog over a made-up tree below "/vol", showing every file when showAll.
    std::unique_ptr<CMultiFileSelectViewer> Dialog(const TFakeTree& tree, bool showAll);

    std::unique_ptr<CAppFixture> m_fixture;
    CKV100EngineInterface m_engine;
    CKV100FileBrowserInterface m_browser;
};

void TestSelectedFiles::initTestCase()
{
    m_fixture = std::make_unique<CAppFixture>();
    // Reads run on worker threads: straight to D-Bus, without the fixture's scripted activator.
    IComActivator::SetInstance(&m_fixture->dbus);
    // A read held at its gate must never keep another from running, however few cores.
    QThreadPool::globalInstance()->setMaxThreadCount(
        std::max(4, QThreadPool::globalInstance()->maxThreadCount()));
}

void TestSelectedFiles::cleanupTestCase()
{
    QThreadPool::globalInstance()->waitForDone();
    m_browser.Disconnect();
    m_engine.Disconnect();
    m_fixture.reset();
}

std::unique_ptr<CMultiFileSelectViewer> TestSelectedFiles::Dialog(const TFakeTree& tree,
                                                                  bool showAll)
{
    auto dialog = std::make_unique<CMultiFileSelectViewer>(m_engine, m_browser);
    dialog->SetReaderFactory([&tree](const TId&) { return tree.Reader(); });
    dialog->UpdateFileFilter(showAll);
    dialog->SetVolume(L"{volume}", L"/vol");
    return dialog;
}

void TestSelectedFiles::noVolumeSaysSoAndOffersNothing()
{
    CMultiFileSelectViewer dialog(m_engine, m_browser);
    dialog.SetVolume({}, {});
    QCOMPARE(LabelText(dialog, u"driveLabel"_s), u"ERROR: NO DRIVES FOUND."_s);
    auto* view = dialog.findChild<CDefragTreeView*>();
    QCOMPARE(view->model()->rowCount(), 0);
    QVERIFY(!view->isEnabled());
    QVERIFY(!Button(dialog, u"Add ->"_s)->isEnabled());
    QVERIFY(!Button(dialog, u"Defragment"_s)->isEnabled());
    QVERIFY(dialog.Files().empty());
}

void TestSelectedFiles::theFilterShowsFragmentedOrAllFiles()
{
    TFakeTree tree;
    tree.listings[u"/vol"_s] =
        Listing({File(u"small.txt"_s, 1), File(u"big.db"_s, 7), Folder(u"docs"_s),
                 File(u"empty"_s, 0), File(u"unknown"_s, -1)});
    tree.listings[u"/vol/docs"_s] = Listing({File(u"a.doc"_s, 2), File(u"b.doc"_s, 1)});
    const auto dialog = Dialog(tree, true);
    const QAbstractItemModel& model = *dialog->findChild<CDefragTreeView*>()->model();
    QTRY_COMPARE(model.rowCount(), 5);
    // Folders first; every file with its count, unknown counts left blank.
    QCOMPARE(Rows(model),
             (QStringList{u"docs|"_s, u"big.db|7 fragments"_s, u"empty|Not Fragmented"_s,
                          u"small.txt|Not Fragmented"_s, u"unknown|"_s}));

    Radio(*dialog, u"Show Only Fragmented Files"_s)->click();
    QCOMPARE(Rows(model), (QStringList{u"docs|"_s, u"big.db|7 fragments"_s}));
    QCOMPARE(LabelText(*dialog, u"driveLabel"_s), u"Fragmented Files On /vol"_s);
    // A folder read later is filtered the same way.
    const QModelIndex docs = model.index(0, 0);
    const_cast<QAbstractItemModel&>(model).fetchMore(docs);
    QTRY_COMPARE(Rows(model, docs), QStringList{u"a.doc|2 fragments"_s});

    dialog->UpdateFileFilter(true);
    QVERIFY(Radio(*dialog, u"Show All Files"_s)->isChecked());
    QCOMPARE(model.rowCount(docs), 2);
    QCOMPARE(model.index(1, CFragDirModel::kPathColumn, docs).data().toString(),
             u"/vol/docs/b.doc"_s);
}

void TestSelectedFiles::addRemoveClearAndTheCaption()
{
    TFakeTree tree;
    tree.listings[u"/vol"_s] =
        Listing({File(u"a"_s, 3), File(u"b"_s, 3), File(u"c"_s, 3), Folder(u"dir"_s)});
    const auto dialog = Dialog(tree, true);
    auto* view = dialog->findChild<CDefragTreeView*>();
    QTRY_COMPARE(view->model()->rowCount(), 4);
    auto* list = dialog->findChild<QListWidget*>(u"fileList"_s);

    // Double-clicking a file adds it; a folder is not a file to add.
    emit view->doubleClicked(view->model()->index(3, 0)); // c
    emit view->doubleClicked(view->model()->index(0, 0)); // dir
    QCOMPARE(dialog->Files(), TStringList{L"/vol/c"});
    // Adding the selection keeps the list's order and never adds a file twice.
    view->selectAll();
    Button(*dialog, u"Add ->"_s)->click();
    QCOMPARE(dialog->Files(), (TStringList{L"/vol/c", L"/vol/a", L"/vol/b"}));
    QCOMPARE(LabelText(*dialog, u"listCaption"_s), u"3 Files To Be Defragmented"_s);
    QVERIFY(Button(*dialog, u"Defragment"_s)->isEnabled());

    list->item(1)->setSelected(true);
    Button(*dialog, u"<- Remove"_s)->click();
    QCOMPARE(dialog->Files(), (TStringList{L"/vol/c", L"/vol/b"}));
    emit list->itemDoubleClicked(list->item(0));
    QCOMPARE(dialog->Files(), TStringList{L"/vol/b"});

    Button(*dialog, u"Clear All"_s)->click();
    QVERIFY(dialog->Files().empty());
    QCOMPARE(LabelText(*dialog, u"listCaption"_s), u"Files To Be Defragmented"_s);
    QVERIFY(!Button(*dialog, u"Defragment"_s)->isEnabled());

    // Another volume starts with an empty list.
    emit view->doubleClicked(view->model()->index(1, 0));
    dialog->SetVolume(L"{other}", L"/other");
    QVERIFY(dialog->Files().empty());
}

void TestSelectedFiles::atMostAHundredFiles()
{
    TFakeTree tree;
    QList<TEntry> files;
    for (int i = 0; i < CMultiFileSelectViewer::kMaxFiles + 2; ++i)
        files.append(File(u"f%1"_s.arg(i, 3, 10, QChar(u'0')), 2));
    tree.listings[u"/vol"_s] = Listing(files);
    const auto dialog = Dialog(tree, false);
    auto* view = dialog->findChild<CDefragTreeView*>();
    QTRY_COMPARE(view->model()->rowCount(), int(files.size()));
    m_fixture->presenter.messages.clear();

    view->selectAll();
    Button(*dialog, u"Add ->"_s)->click();
    QCOMPARE(int(dialog->Files().size()), 100);
    QCOMPARE(dialog->Files().back(), TString(L"/vol/f099"));
    QCOMPARE(m_fixture->presenter.messages.size(), 1);
    QCOMPARE(m_fixture->presenter.messages.first().title, u"Maximum Files Allowed Reached"_s);
    // A file already in a full list is no new file; a new one is refused again.
    emit view->doubleClicked(view->model()->index(0, 0));
    QCOMPARE(m_fixture->presenter.messages.size(), 1);
    emit view->doubleClicked(view->model()->index(101, 0));
    QCOMPARE(m_fixture->presenter.messages.size(), 2);
    QCOMPARE(int(dialog->Files().size()), 100);
}

void TestSelectedFiles::settingsAndHelp()
{
    TFakeTree tree;
    tree.listings[u"/vol"_s] = Listing({File(u"a"_s, 1)});
    {
        const auto dialog = Dialog(tree, true);
        QTRY_COMPARE(dialog->findChild<CDefragTreeView*>()->model()->rowCount(), 1);
        dialog->findChild<CDefragTreeView*>()->setColumnWidth(CFragDirModel::kFragmentsColumn, 123);
        dialog->SaveSettings();
        m_fixture->shell.opened.clear();
        QTest::keyClick(dialog.get(), Qt::Key_F1);
        QCOMPARE(m_fixture->shell.opened.size(), 1);
        QVERIFY(
            m_fixture->shell.opened.first().path().endsWith(u"/Defragment_Selected_Files.htm"_s));
    }
    CMultiFileSelectViewer dialog(m_engine, m_browser);
    QVERIFY(Radio(dialog, u"Show Only Fragmented Files"_s)->isChecked());
    dialog.LoadSettings();
    QVERIFY(Radio(dialog, u"Show All Files"_s)->isChecked());
    QCOMPARE(dialog.findChild<CDefragTreeView*>()->columnWidth(CFragDirModel::kFragmentsColumn),
             123);
    dialog.UpdateFileFilter(false);
    dialog.SaveSettings();
    CMultiFileSelectViewer again(m_engine, m_browser);
    again.UpdateFileFilter(true);
    again.LoadSettings();
    QVERIFY(Radio(again, u"Show Only Fragmented Files"_s)->isChecked());
}

void TestSelectedFiles::lateRepliesAreHarmless()
{
    TFakeTree tree;
    auto gate = std::make_shared<QSemaphore>();
    tree.listings[u"/slow"_s] = Listing({File(u"late"_s, 9)});
    tree.gates[u"/slow"_s] = gate;
    tree.listings[u"/fast"_s] = Listing({Folder(u"sub"_s), File(u"now"_s, 2)});
    tree.listings[u"/fast/sub"_s] = Listing({File(u"deep"_s, 4)});
    tree.gates[u"/fast/sub"_s] = gate;

    // A root whose reply comes after the user has moved to another.
    CFragDirModel model;
    QSignalSpy loading(&model, &CFragDirModel::LoadingChanged);
    model.SetRoot(u"/slow"_s, tree.Reader());
    QCOMPARE(model.PendingReads(), 1);
    model.SetRoot(u"/fast"_s, tree.Reader());
    QTRY_COMPARE(Rows(model), (QStringList{u"sub|"_s, u"now|2 fragments"_s}));
    gate->release();
    QThreadPool::globalInstance()->waitForDone();
    QCoreApplication::processEvents();
    QCOMPARE(Rows(model), (QStringList{u"sub|"_s, u"now|2 fragments"_s}));
    QCOMPARE(model.PendingReads(), 0);
    QCOMPARE(loading.last().first().toBool(), false);

    // A folder whose reply comes after the dialog has gone; meanwhile the wait is shown.
    auto dialog = std::make_unique<CMultiFileSelectViewer>(m_engine, m_browser);
    dialog->SetReaderFactory([&tree](const TId&) { return tree.Reader(); });
    dialog->UpdateFileFilter(true);
    dialog->SetVolume(L"{fast}", L"/fast");
    auto* view = dialog->findChild<CDefragTreeView*>();
    QTRY_COMPARE(view->model()->rowCount(), 2);
    QVERIFY(!dialog->findChild<QLabel*>(u"waitLabel"_s)->isVisibleTo(dialog.get()));
    view->model()->fetchMore(view->model()->index(0, 0));
    QVERIFY(dialog->findChild<QLabel*>(u"waitLabel"_s)->isVisibleTo(dialog.get()));
    dialog.reset();
    gate->release();
    QThreadPool::globalInstance()->waitForDone();
    QCoreApplication::processEvents();

    // The same folder read while the tree stays: its rows arrive and the wait ends.
    model.fetchMore(model.index(0, 0));
    gate->release();
    QTRY_COMPARE(Rows(model, model.index(0, 0)), QStringList{u"deep|4 fragments"_s});
    QCOMPARE(model.IndexOfPath(u"/fast/sub/deep"_s).data(CFragDirModel::kFragmentsRole).toInt(), 4);
    QCOMPARE(loading.last().first().toBool(), false);
}

void TestSelectedFiles::overTheEngineDaemon()
{
    QTemporaryDir volumeDir;
    QVERIFY(volumeDir.isValid());
    const QString root = QFileInfo(volumeDir.path()).canonicalFilePath();
    const auto write = [](const QString& path, int size) {
        QDir().mkpath(QFileInfo(path).absolutePath());
        QFile file(path);
        return file.open(QIODevice::WriteOnly) && file.write(QByteArray(size, 'k')) == size &&
               file.flush() && ::fsync(file.handle()) == 0;
    };
    QVERIFY(write(root + u"/top.bin"_s, 70000));
    QVERIFY(write(root + u"/folder/inner.txt"_s, 5000));
    QVERIFY(write(root + u"/folder/empty.txt"_s, 0));
    QVERIFY(QFile::link(m_fixture->environment.Root(), root + u"/away"_s));

    QProcess daemon;
    daemon.setProcessEnvironment(QProcessEnvironment::systemEnvironment());
    daemon.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    daemon.start(
        QStringLiteral(KORVANE_ENGINE_PROGRAM),
        {u"--volume"_s, root, u"--state"_s, m_fixture->environment.Root() + u"/engine-state"_s});
    QVERIFY(daemon.waitForStarted());
    const auto stop = qScopeGuard([&daemon] {
        daemon.terminate();
        daemon.waitForFinished(10000);
    });
    const QString address = u"unix:path="_s + CDBusActivator::LocalSocketPaths().constFirst();
    const auto answers = [&address] {
        const bool up = QDBusConnection::connectToPeer(address, u"probe"_s).isConnected();
        QDBusConnection::disconnectFromPeer(u"probe"_s);
        return up;
    };
    QTRY_VERIFY_WITH_TIMEOUT(answers(), 10000);
    QCOMPARE(m_engine.Connect({}, {}, {}, {}), S_OK);
    QCOMPARE(m_browser.Connect({}, {}, {}, {}), S_OK);

    TStringList volumes;
    QCOMPARE(m_engine.GetVolumes(&volumes), S_OK);
    QCOMPARE(int(volumes.size()), 1);
    const TId volume = volumes.front();

    CMultiFileSelectViewer dialog(m_engine, m_browser);
    dialog.UpdateFileFilter(true);
    dialog.SetVolume(volume, root.toStdWString());
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    auto* view = dialog.findChild<CDefragTreeView*>();
    const QAbstractItemModel& model = *view->model();
    // The link is no folder of the volume.
    QTRY_COMPARE(Rows(model).size(), 2);
    const QModelIndex folder = model.index(0, 0);
    QCOMPARE(folder.data().toString(), u"folder"_s);
    view->expand(folder);
    QTRY_COMPARE(model.rowCount(folder), 2);

    // Every file shows the count the engine gives for it alone.
    for (const QModelIndex& file :
         {model.index(1, 0), model.index(0, 0, folder), model.index(1, 0, folder)}) {
        const QString path = file.data(CFragDirModel::kPathRole).toString();
        uint fragments = 0;
        QCOMPARE(m_engine.GetFileFragmentCount(volume, path.toStdWString(), &fragments), S_OK);
        QCOMPARE(file.data(CFragDirModel::kFragmentsRole).toInt(), int(fragments));
    }
    view->selectAll();
    Button(dialog, u"Add ->"_s)->click();
    QCOMPARE(dialog.Files(), (TStringList{(root + u"/folder/empty.txt"_s).toStdWString(),
                                          (root + u"/folder/inner.txt"_s).toStdWString(),
                                          (root + u"/top.bin"_s).toStdWString()}));
    dialog.close();
    m_browser.Disconnect();
    m_engine.Disconnect();
}

QTEST_MAIN(TestSelectedFiles)
#include "tst_SelectedFiles.moc"
