#include "defrag/CDefragTreeView.h"
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
#include <QTemporaryDir>
#include <QThreadPool>
#include <QtTest>

#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

using TEntry = CFragDirModel::TEntry;
const auto File = [](const QString& name, int fragments) { return TEntry{name, false, fragments}; };
const auto Folder = [](const QString& name) { return TEntry{name, true, -1}; };

// Directories a test makes up, and gates that hold a directory's read until released.
struct TFakeTree {
    QHash<QString, CFragDirModel::TListing> listings;
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

// The rows of a parent as "name|fragments text".
QStringList Rows(const QAbstractItemModel& model, const QModelIndex& parent = {})
{
    QStringList rows;
    for (int row = 0; row < model.rowCount(parent); ++row)
        rows.append(model.index(row, CFragDirModel::kNameColumn, parent).data().toString() + u'|' +
                    model.index(row, CFragDirModel::kFragmentsColumn, parent).data().toString());
    return rows;
}

// The dialog's child of that type with that text or object name.
template <class T>
T* Named(QWidget& dialog, const QString& text)
{
    for (T* child : dialog.findChildren<T*>())
        if (child->text() == text || child->objectName() == text)
            return child;
    return nullptr;
}

} // namespace

class TestSelectedFiles : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        // Reads run on worker threads: straight to D-Bus, not through the scripted activator.
        IComActivator::SetInstance(&m_fixture->dbus);
        // A read held at its gate must never keep another from running, however few cores.
        QThreadPool::globalInstance()->setMaxThreadCount(
            std::max(4, QThreadPool::globalInstance()->maxThreadCount()));
    }

    void theTreeIsFilteredAndLateRepliesAreHarmless();
    void choosingFilesUpToAHundredAndLosingTheVolume();
    void settingsSurviveTheDialogAndBadWidthsAreIgnored();
    void overTheEngineDaemon();

private:
    // A dialog over a made-up tree below "/vol", showing every file.
    std::unique_ptr<CMultiFileSelectViewer> Dialog(const TFakeTree& tree)
    {
        auto dialog = std::make_unique<CMultiFileSelectViewer>(m_engine, m_browser);
        dialog->SetReaderFactory([&tree](const TId&) { return tree.Reader(); });
        dialog->UpdateFileFilter(true);
        dialog->SetVolume(L"{volume}", L"/vol");
        return dialog;
    }

    std::unique_ptr<CAppFixture> m_fixture = std::make_unique<CAppFixture>();
    CKV100EngineInterface m_engine;
    CKV100FileBrowserInterface m_browser;
};

void TestSelectedFiles::theTreeIsFilteredAndLateRepliesAreHarmless()
{
    TFakeTree tree;
    auto gate = std::make_shared<QSemaphore>();
    tree.listings[u"/vol"_s] = {S_OK, {File(u"late"_s, 9)}};
    tree.listings[u"/fast"_s] = {S_OK,
                                 {File(u"small"_s, 1), File(u"big"_s, 7), Folder(u"more"_s),
                                  Folder(u"docs"_s), File(u"empty"_s, 0), File(u"unknown"_s, -1),
                                  Folder(u".."_s), File(u"a/b"_s, 3), File({}, 3)}};
    tree.listings[u"/fast/docs"_s] = {S_OK, {File(u"a.doc"_s, 2), File(u"b.doc"_s, 1)}};
    tree.gates[u"/vol"_s] = tree.gates[u"/fast/more"_s] = gate;
    auto dialog = Dialog(tree);
    QAbstractItemModel& model = *dialog->findChild<CDefragTreeView*>()->model();
    auto* wait = Named<QLabel>(*dialog, u"waitLabel"_s);

    // A volume whose reply comes after the user has moved to another.
    dialog->SetVolume(L"{fast}", L"/fast");
    QTRY_VERIFY(!wait->isVisibleTo(dialog.get()));
    gate->release();
    QThreadPool::globalInstance()->waitForDone();
    QCoreApplication::processEvents();
    // Folders first; every file with its count, unknown counts left blank; no impossible names.
    QCOMPARE(Rows(model),
             (QStringList{u"docs|"_s, u"more|"_s, u"big|7 fragments"_s, u"empty|Not Fragmented"_s,
                          u"small|Not Fragmented"_s, u"unknown|"_s}));
    Named<QRadioButton>(*dialog, u"Show Only Fragmented Files"_s)->click();
    QCOMPARE(Rows(model), (QStringList{u"docs|"_s, u"more|"_s, u"big|7 fragments"_s}));
    QCOMPARE(Named<QLabel>(*dialog, u"driveLabel"_s)->text(), u"Fragmented Files On /fast"_s);
    // A folder read later is filtered the same way.
    model.fetchMore(model.index(0, 0));
    QTRY_COMPARE(Rows(model, model.index(0, 0)), QStringList{u"a.doc|2 fragments"_s});

    // A folder whose reply comes after the dialog has gone; meanwhile the wait is shown.
    model.fetchMore(model.index(1, 0));
    QVERIFY(wait->isVisibleTo(dialog.get()));
    dialog.reset();
    gate->release();
    QThreadPool::globalInstance()->waitForDone();
}

void TestSelectedFiles::choosingFilesUpToAHundredAndLosingTheVolume()
{
    TFakeTree tree;
    QList<TEntry> entries{Folder(u"dir"_s)};
    for (int i = 0; i < CMultiFileSelectViewer::kMaxFiles + 2; ++i)
        entries.append(File(u"f%1"_s.arg(i, 3, 10, QChar(u'0')), 2));
    tree.listings[u"/vol"_s] = {S_OK, entries};
    const auto dialog = Dialog(tree);
    auto* view = dialog->findChild<CDefragTreeView*>();
    QTRY_COMPARE(view->model()->rowCount(), int(entries.size()));
    const auto click = [view](int row) { emit view->doubleClicked(view->model()->index(row, 0)); };
    const auto button = [&](const QString& text) { return Named<QPushButton>(*dialog, text); };
    const auto& messages = m_fixture->presenter.messages;
    // Double-clicking a file adds it; a folder is not a file to add.
    click(3);
    click(0);
    QCOMPARE(dialog->Files(), TStringList{L"/vol/f002"});
    // The selection keeps the list's order, never adds a file twice and stops at the limit, once.
    view->selectAll();
    button(u"Add ->"_s)->click();
    QCOMPARE(int(dialog->Files().size()), 100);
    QCOMPARE(*std::next(dialog->Files().begin()), TString(L"/vol/f000"));
    QCOMPARE(messages.value(0).title, u"Maximum Files Allowed Reached"_s);
    QCOMPARE(Named<QLabel>(*dialog, u"listCaption"_s)->text(), u"100 Files To Be Defragmented"_s);
    // A file already in a full list is no new file.
    click(1);
    QCOMPARE(messages.size(), 1);
    auto* list = dialog->findChild<QListWidget*>(u"fileList"_s);
    list->item(1)->setSelected(true);
    button(u"<- Remove"_s)->click();
    emit list->itemDoubleClicked(list->item(0));
    QCOMPARE(dialog->Files().front(), TString(L"/vol/f001"));
    button(u"Clear All"_s)->click();
    QVERIFY(dialog->Files().empty());
    // Without a volume the list is emptied and nothing is offered.
    click(1);
    dialog->SetVolume({}, {});
    QVERIFY(dialog->Files().empty() && !button(u"Defragment"_s)->isEnabled() &&
            !button(u"Add ->"_s)->isEnabled());
    QCOMPARE(Named<QLabel>(*dialog, u"driveLabel"_s)->text(), u"ERROR: NO DRIVES FOUND."_s);
}

void TestSelectedFiles::settingsSurviveTheDialogAndBadWidthsAreIgnored()
{
    const auto widths = [](CMultiFileSelectViewer& dialog) {
        const auto* view = dialog.findChild<CDefragTreeView*>();
        return QList<int>{view->columnWidth(0), view->columnWidth(1), view->columnWidth(2)};
    };
    // Widths edited by hand into nonsense leave the dialog's own.
    CMultiFileSelectViewer first(m_engine, m_browser);
    const QList<int> initial = widths(first);
    IAppController::Current()->Settings().setValue(u"Selections/Selected Files Defrag Columns"_s,
                                                   QStringList{u"x"_s, u"-4"_s, u"99999"_s});
    first.LoadSettings();
    QCOMPARE(widths(first), initial);
    first.UpdateFileFilter(true);
    first.findChild<CDefragTreeView*>()->setColumnWidth(CFragDirModel::kFragmentsColumn, 123);
    first.SaveSettings();
    CMultiFileSelectViewer second(m_engine, m_browser);
    second.LoadSettings();
    QVERIFY(Named<QRadioButton>(second, u"Show All Files"_s)->isChecked());
    QCOMPARE(widths(second), widths(first));
    QTest::keyClick(&second, Qt::Key_F1);
    QVERIFY(m_fixture->shell.opened.last().path().endsWith(u"/Defragment_Selected_Files.htm"_s));
}

void TestSelectedFiles::overTheEngineDaemon()
{
    QTemporaryDir volumeDir;
    const QString root = QFileInfo(volumeDir.path()).canonicalFilePath();
    QFile file(root + u"/top.bin"_s);
    QVERIFY(QDir(root).mkdir(u"folder"_s) && file.open(QIODevice::WriteOnly));
    QVERIFY(file.write(QByteArray(70000, 'k')) == 70000 && file.flush() && !::fsync(file.handle()));
    QVERIFY(QFile::link(m_fixture->environment.Root(), root + u"/away"_s));

    QProcess daemon;
    daemon.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    daemon.start(QStringLiteral(KORVANE_ENGINE_PROGRAM),
                 {u"--volume"_s, root, u"--state"_s,
                  m_fixture->environment.Root() + u"/engine-state"_s, u"--simulate"_s});
    QVERIFY(daemon.waitForStarted());
    const auto stop = qScopeGuard([&] {
        m_browser.Disconnect();
        m_engine.Disconnect();
        daemon.terminate();
        daemon.waitForFinished(10000);
    });
    const QString address = u"unix:path="_s + CDBusActivator::LocalSocketPaths().constFirst();
    QTRY_VERIFY_WITH_TIMEOUT((QDBusConnection::disconnectFromPeer(u"probe"_s),
                              QDBusConnection::connectToPeer(address, u"probe"_s).isConnected()),
                             10000);
    QDBusConnection::disconnectFromPeer(u"probe"_s);
    TStringList volumes;
    QVERIFY(m_engine.Connect({}, {}, {}, {}) == S_OK && m_browser.Connect({}, {}, {}, {}) == S_OK);
    QVERIFY(m_engine.GetVolumes(&volumes) == S_OK && volumes.size() == 1);

    // The link is no folder of the volume; the file shows the count the engine gives for it alone.
    CMultiFileSelectViewer dialog(m_engine, m_browser);
    dialog.UpdateFileFilter(true);
    dialog.SetVolume(volumes.front(), root.toStdWString());
    const QAbstractItemModel& model = *dialog.findChild<CDefragTreeView*>()->model();
    uint fragments = 0;
    const TString path = file.fileName().toStdWString();
    QCOMPARE(m_engine.GetFileFragmentCount(volumes.front(), path, &fragments), S_OK);
    QTRY_COMPARE(model.rowCount(), 2);
    QCOMPARE(model.index(0, 0).data().toString(), u"folder"_s);
    QCOMPARE(model.index(1, 0).data(CFragDirModel::kPathRole).toString(), file.fileName());
    QCOMPARE(model.index(1, 0).data(CFragDirModel::kFragmentsRole).toInt(), int(fragments));
}

QTEST_MAIN(TestSelectedFiles)
#include "tst_SelectedFiles.moc"
