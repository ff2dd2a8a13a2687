#include "defrag/CBlockImage.h"
#include "defrag/CColorLegendWidget.h"
#include "defrag/CDefragFeed.h"
#include "defrag/CLegendColorDlg.h"
#include "defrag/CSelectRemoteFileDialog.h"
#include "engine/CKV100FileBrowserInterface.h"
#include "platform/registry/CRegKey.h"
#include "tests/ribbon/fakes/CFakeFeatureControllers.h"
#include "tests/support/CAppFixture.h"

#include <QDBusConnection>
#include <QDialogButtonBox>
#include <QLabel>
#include <QProcess>
#include <QPushButton>
#include <QSemaphore>
#include <QSignalSpy>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QThreadPool>
#include <QTreeView>
#include <QtTest>

using namespace Qt::StringLiterals;

namespace {

using TColors = CBitmapColors;
using TModel = CDirectoryTreeModelBase;

const TId kVolume = L"{vol}";

// A defragmentation controller that finds the blocks it is told to; its calls go to the log.
class CBlocksController : public CFakeDefragController {
public:
    using CFakeDefragController::CFakeDefragController;
    HRESULT EnumFileExtents(const TId& volume, const TString& path,
                            std::set<quint32>& blocks) override
    {
        calls.append(QString::fromStdWString(L"find " + volume + L"|" + path));
        blocks = found;
        return result;
    }
    void SetSelectedBlocks(const std::wstring& volume, const std::set<quint32>& blocks,
                           const std::wstring& name) override
    {
        calls.append(QString::fromStdWString(L"select " + volume + L"|" + name) +
                     (blocks == found ? u""_s : u" with other blocks"_s));
    }

    HRESULT result = S_OK;
    std::set<quint32> found;
    QStringList calls;
};

// The colour at the foot of a plain block's picture, below its lit top.
QColor FootColor(const QPixmap& pixmap)
{
    const QImage image = pixmap.toImage();
    return image.pixelColor(image.width() / 2, image.height() - 2);
}

int RowOf(quint32 code)
{
    return int(std::ranges::find(CLegendColorDlg::kRowCodes, code) -
               CLegendColorDlg::kRowCodes.begin());
}

QString PerBlock(const QDialog& dialog)
{
    return dialog.findChild<QLabel*>(u"megabytesPerBlock"_s)->text().split(u' ').last();
}

QStringList Rows(const QAbstractItemModel& model, const QModelIndex& parent)
{
    QStringList rows;
    for (int row = 0; row < model.rowCount(parent); ++row)
        rows.append(model.index(row, TModel::kNameColumn, parent).data().toString() + u'|' +
                    model.index(row, TModel::kSizeColumn, parent).data().toString());
    return rows;
}

} // namespace

class TestMapLegend : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        // Reads run on worker threads: straight to D-Bus, not through the scripted activator.
        IComActivator::SetInstance(&m_fixture->dbus);
        QThreadPool::globalInstance()->setMaxThreadCount(
            std::max(4, QThreadPool::globalInstance()->maxThreadCount()));
        CDefrager::TVolumeInfo record;
        record.volumeId = kVolume;
        record.mountName = L"/mnt/vol";
        record.sizeMegabytes = 3600;
        Model().SetVolume(record);
        record.volumeId = L"{inner}";
        record.mountName = L"/mnt/vol/inner";
        Model().SetVolume(record);
        Model().SetCurrentVolume(kVolume);
        m_fixture->app->RegisterDefragController(&m_controller);
    }
    void init()
    {
        CRegKey key;
        if (key.Open(HKEY_CURRENT_USER, TColors::kKeyPath) == ERROR_SUCCESS)
            key.DeleteValue(TColors::kValueName);
    }
    void cleanup()
    {
        QThreadPool::globalInstance()->waitForDone();
        m_fixture->presenter.messages.clear();
        m_fixture->presenter.dialogScripts.clear();
        m_fixture->presenter.messageAnswers.clear();
        m_fixture->presenter.dialogTitles.clear();
    }
    void cleanupTestCase() { m_fixture->app->UnregisterDefragController(&m_controller); }

    void storedColors_data();
    void storedColors();
    void dialogChangesOnlyWhatIsSaved();
    void findingAFile_data();
    void findingAFile();
    void treeNamesAndLateReplies();
    void treeOverTheEngineDaemon();

private:
    CDefrager& Model() { return m_fixture->app->DefragFeed().Model(); }

    std::unique_ptr<CAppFixture> m_fixture = std::make_unique<CAppFixture>();
    QStringList m_log;
    CBlocksController m_controller{m_log};
};

void TestMapLegend::storedColors_data()
{
    QTest::addColumn<QStringList>("stored");
    QTest::addColumn<bool>("taken");

    QStringList names = TColors::ToNames(TColors::Defaults());
    names[2] = u"#0a0b0c"_s;
    QStringList bad = names;
    bad[12] = u"#12345"_s;
    QTest::newRow("thirteen names") << names << true;
    QTest::newRow("twelve names") << names.mid(1) << false;
    QTest::newRow("fourteen names") << (names + QStringList{u"#000000"_s}) << false;
    QTest::newRow("an unparsable name") << bad << false;
    QTest::newRow("no value") << QStringList() << false;
}

void TestMapLegend::storedColors()
{
    QFETCH(QStringList, stored);
    QFETCH(bool, taken);
    CRegKey key;
    QVERIFY(key.Create(HKEY_CURRENT_USER, TColors::kKeyPath) == ERROR_SUCCESS);
    if (!stored.isEmpty())
        QVERIFY(key.SetMultiStringValue(TColors::kValueName, stored) == ERROR_SUCCESS);
    // A stored table is taken whole or not at all; the legend shows what was taken.
    QCOMPARE(TColors::Load() == TColors::Defaults(), !taken);
    CColorLegendWidget legend(m_fixture->app->DefragFeed());
    QCOMPARE(FootColor(legend.Swatch(TColors::kRecentlyModified)->pixmap()),
             taken ? QColor(10, 11, 12) : TColors::Defaults()[3]);
}

void TestMapLegend::dialogChangesOnlyWhatIsSaved()
{
    CColorLegendWidget legend(m_fixture->app->DefragFeed());
    QSignalSpy changed(&legend, &CColorLegendWidget::ColorsChanged);
    // Runs the legend's dialog with the script; the script's checks fail the test.
    const auto launch = [&](const std::function<void(CLegendColorDlg&)>& script) {
        m_fixture->presenter.dialogScripts.append([&script](QDialog& dialog) {
            script(static_cast<CLegendColorDlg&>(dialog));
            return dialog.result();
        });
        legend.LaunchColorDialog();
    };
    const auto foot = [](const CLegendColorDlg& colors, int row, int column) {
        return FootColor(
            colors.Table().item(row, column)->data(Qt::DecorationRole).value<QPixmap>());
    };
    const TColors::TTable defaults = TColors::Defaults();
    const QColor plum(120, 20, 90);
    const QColor sand(210, 190, 120);
    const int boot = RowOf(TColors::kBoot);
    const int free = RowOf(TColors::kFreeSpace);
    QList<QColor> offered;

    // Changes, then Cancel: nothing is stored and nobody is told of a change.
    launch([&](CLegendColorDlg& colors) {
        QCOMPARE(PerBlock(colors), u"1.00"_s); // the current volume's 3600 MB
        colors.SetColorChooser([&](const QColor& initial, QWidget*) {
            offered.append(initial);
            return plum;
        });
        emit colors.Table().cellDoubleClicked(boot, CLegendColorDlg::kNameColumn);
        // The row shows the new colour at once, the fragmented picture darker than the plain one.
        QCOMPARE(foot(colors, boot, CLegendColorDlg::kPlainColumn), plum);
        QVERIFY(foot(colors, boot, CLegendColorDlg::kFragmentedColumn).value() < plum.value());
        colors.findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Cancel)->click();
    });
    QCOMPARE(offered, QList<QColor>{defaults[TColors::kBoot]});
    QCOMPARE(changed.count(), 0);
    QCOMPARE(TColors::Load(), defaults);

    // "Change Color" acts on the selected row; a cancelled chooser changes nothing; OK saves.
    launch([&](CLegendColorDlg& colors) {
        colors.SetColorChooser([&](const QColor&, QWidget*) { return sand; });
        colors.Table().selectRow(free);
        for (QPushButton* button : colors.findChildren<QPushButton*>())
            if (button->text() == u"Change Color"_s)
                button->click();
        colors.SetColorChooser([](const QColor&, QWidget*) { return QColor(); });
        colors.ChangeColorRow(boot);
        colors.findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok)->click();
    });
    QCOMPARE(changed.count(), 1);
    TColors::TTable expected = defaults;
    expected[TColors::kFreeSpace] = sand;
    QCOMPARE(TColors::Load(), expected);
    const QImage swatch = legend.Swatch(TColors::kFreeSpace)->pixmap().toImage();
    QCOMPARE(swatch.convertToFormat(QImage::Format_ARGB32_Premultiplied),
             CBlockImage::Draw(CColorLegendWidget::kSwatchSize, sand, false));

    // Restore Defaults, then OK: the defaults are stored; F1 asks for the dialog's topic.
    launch([&](CLegendColorDlg& colors) {
        QCOMPARE(colors.Colors()[TColors::kFreeSpace], sand);
        QTest::keyClick(&colors, Qt::Key_F1);
        colors.RestoreDefaults();
        QCOMPARE(foot(colors, free, CLegendColorDlg::kPlainColumn), defaults[TColors::kFreeSpace]);
        colors.Save();
    });
    QCOMPARE(changed.count(), 2);
    QCOMPARE(TColors::Load(), defaults);
    QVERIFY(m_fixture->shell.opened.last().path().endsWith(u"/Bitmap_Properties.htm"_s));

    // The block size is rounded to two places; a negative size counts as none.
    QCOMPARE(PerBlock(CLegendColorDlg(1000000.0)), u"277.78"_s);
    QCOMPARE(PerBlock(CLegendColorDlg(-3600.0)), u"0.00"_s);
}

void TestMapLegend::findingAFile_data()
{
    QTest::addColumn<QString>("fileSystem");
    // One a chooser run (empty: cancelled); a question is answered Yes while choices remain.
    QTest::addColumn<QStringList>("chosen");
    QTest::addColumn<HRESULT>("result");
    QTest::addColumn<std::set<quint32>>("blocks");
    QTest::addColumn<QStringList>("events"); // the controller's calls and the messages, in order

    const QString other = u"The selected file is not in the current displayed drive|The Selected "
                          u"File /mnt/vol/inner/x is not in the current displayed drive /mnt/vol, "
                          u"would you like to try a different file?"_s;
    const QString ntfs = u"NTFS"_s, inner = u"/mnt/vol/inner/x"_s, a = u"/mnt/vol/a"_s;
    const QString findA = u"find {vol}|/mnt/vol/a"_s, selectA = u"select {vol}|/mnt/vol/a"_s;
    const std::set<quint32> some{4, 3599}, none;
    const auto row = [](const char* name, const QString& fileSystem, const QStringList& chosen,
                        HRESULT result, const std::set<quint32>& blocks,
                        const QStringList& events) {
        QTest::newRow(name) << fileSystem << chosen << result << blocks << events;
    };
    row("cancelled", ntfs, {QString()}, S_OK, some, {});
    row("found", ntfs, {a}, S_OK, some, {findA, selectA});
    row("a name that only begins like another drive", u"ext4"_s, {u"/mnt/vol/innerx/b"_s}, S_OK,
        some, {u"find {vol}|/mnt/vol/innerx/b"_s, u"select {vol}|/mnt/vol/innerx/b"_s});
    row("another drive, then no", ntfs, {inner}, S_OK, some, {other});
    row("another drive, then yes", ntfs, {inner, a}, S_OK, some, {other, findA, selectA});
    row("another drive, then cancelled", ntfs, {inner, QString()}, S_OK, some, {other});
    row("failure", ntfs, {a}, E_FAIL, some, {findA, u"Korvane|Unable to access file."_s});
    row("empty on NTFS", ntfs, {a}, S_OK, none,
        {findA, u"Korvane|File is resident inside the Master File Table (MFT)."_s});
    row("empty elsewhere", u"ext4"_s, {a}, S_OK, none, {findA, u"Korvane|File is empty"_s});
}

void TestMapLegend::findingAFile()
{
    QFETCH(QString, fileSystem);
    QFETCH(QStringList, chosen);
    QFETCH(HRESULT, result);
    QFETCH(std::set<quint32>, blocks);
    QFETCH(QStringList, events);

    CDefrager::TVolumeInfo record = Model().Volume(kVolume);
    record.fileSystem = fileSystem.toStdWString();
    Model().SetVolume(record);
    m_controller.result = result;
    m_controller.found = blocks;
    m_controller.calls.clear();
    CScriptedPresenter& presenter = m_fixture->presenter;
    QStringList shown; // the volume each chooser opened on
    for (const QString& path : chosen)
        presenter.dialogScripts.append([&shown, path](QDialog& dialog) {
            auto& chooser = static_cast<CSelectRemoteFileDialog&>(dialog);
            shown.append(chooser.Model().MountName());
            chooser.SetSelectedFile(path);
            return path.isEmpty() ? int(QDialog::Rejected) : int(QDialog::Accepted);
        });
    // One answer more than there can be questions: an unexpected message is logged too.
    for (qsizetype i = 0; i <= chosen.size(); ++i)
        presenter.messageAnswers.append([this, yes = i + 1 < chosen.size()](const auto& message) {
            m_controller.calls.append(message.title + u'|' + message.text);
            return yes ? QMessageBox::Yes : QMessageBox::No;
        });

    CColorLegendWidget legend(m_fixture->app->DefragFeed());
    legend.EnableInput(false);
    legend.LaunchFindDialog(); // disabled: does nothing
    QVERIFY(presenter.dialogTitles.isEmpty());
    legend.EnableInput(true);
    legend.LaunchFindDialog();
    QCOMPARE(shown, QStringList(chosen.size(), u"/mnt/vol"_s));
    QCOMPARE(m_controller.calls, events);
}

void TestMapLegend::treeNamesAndLateReplies()
{
    // A volume without a mount point, its reply held until after it was replaced.
    auto gate = std::make_shared<QSemaphore>();
    TModel model;
    QSignalSpy loading(&model, &TModel::LoadingChanged);
    model.SetVolume(uR"(\\?\Volume{1234})"_s, [gate](const QString&) {
        gate->acquire();
        return TModel::TListing{S_OK, {{u"stale"_s, false, 1, {}}}};
    });
    QCOMPARE(model.VolumeIndex().data().toString(), u"Unmounted Volume"_s);
    QCOMPARE(model.PendingReads(), 1);
    const auto entry = [](const QString& name, bool directory, qulonglong size) {
        return TModel::TEntry{name, directory, size, {}};
    };
    const TModel::TListing sizes{S_OK,
                                 {entry(u"kilo"_s, false, 1536), entry(u"Zeta"_s, true, 99),
                                  entry(u"tera"_s, false, 3ull << 40),
                                  entry(u"giga"_s, false, 5ull << 30), entry(u"alpha"_s, true, 0),
                                  entry(u"mega"_s, false, 1ull << 20), entry(u"tiny"_s, false, 0)}};
    model.SetVolume(u"/data"_s, [sizes](const QString&) { return sizes; });
    gate->release();
    QTRY_COMPARE(model.rowCount(model.VolumeIndex()), 7);
    QThreadPool::globalInstance()->waitForDone();
    QCoreApplication::processEvents();
    QCOMPARE(model.VolumeIndex().data().toString(), u"Volume Mounted at /data"_s);
    QCOMPARE(Rows(model, model.VolumeIndex()),
             (QStringList{u"alpha|"_s, u"Zeta|"_s, u"giga|5.0 GB"_s, u"kilo|1.5 KB"_s,
                          u"mega|1.0 MB"_s, u"tera|3.0 TB"_s, u"tiny|0.0 KB"_s}));
    QCOMPARE(loading.last().first().toBool(), false);
    QCOMPARE(model.IndexOfPath(u"/data/Zeta"_s), model.index(1, 0, model.VolumeIndex()));
    QVERIFY(!model.IndexOfPath(u"/database"_s).isValid());
}

void TestMapLegend::treeOverTheEngineDaemon()
{
    QTemporaryDir volumeDir;
    const QString root = QFileInfo(volumeDir.path()).canonicalFilePath();
    QDir dir(root);
    QVERIFY(dir.mkpath(u"folder/deeper"_s) && dir.mkdir(u"gone"_s));
    QFile file(root + u"/folder/inner.txt"_s);
    QVERIFY(file.open(QIODevice::WriteOnly) && file.write(QByteArray(3000, 'k')) == 3000);
    file.close();

    QProcess daemon;
    daemon.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    daemon.start(QStringLiteral(KORVANE_ENGINE_PROGRAM),
                 {u"--volume"_s, root, u"--state"_s,
                  m_fixture->environment.Root() + u"/engine-state"_s, u"--simulate"_s});
    QVERIFY(daemon.waitForStarted());
    CKV100FileBrowserInterface browser;
    const auto stop = qScopeGuard([&] {
        QThreadPool::globalInstance()->waitForDone();
        browser.Disconnect();
        daemon.terminate();
        daemon.waitForFinished(10000);
    });
    const QString address = u"unix:path="_s + CDBusActivator::LocalSocketPaths().constFirst();
    QTRY_VERIFY_WITH_TIMEOUT((QDBusConnection::disconnectFromPeer(u"probe"_s),
                              QDBusConnection::connectToPeer(address, u"probe"_s).isConnected()),
                             10000);
    QDBusConnection::disconnectFromPeer(u"probe"_s);
    QCOMPARE(browser.Connect({}, {}, {}, {}), S_OK);

    CSelectRemoteFileDialog dialog(browser);
    dialog.SetVolume(root);
    TModel& model = dialog.Model();
    QSignalSpy failed(&model, &TModel::DirectoryFailed);
    const QModelIndex volume = model.VolumeIndex();
    // The volume's row opens by itself; folders are read when opened.
    QTRY_COMPARE(Rows(model, volume), (QStringList{u"folder|"_s, u"gone|"_s}));
    QVERIFY(dialog.Tree().isExpanded(volume));
    const QModelIndex folder = model.index(0, 0, volume);
    const QModelIndex gone = model.index(1, 0, volume);
    QVERIFY(model.hasChildren(folder) && model.hasChildren(gone) && model.rowCount(folder) == 0);

    // Expanding reads the folder; a folder removed meanwhile cannot be read and shows nothing.
    model.fetchMore(folder);
    QTRY_COMPARE(Rows(model, folder), (QStringList{u"deeper|"_s, u"inner.txt|2.9 KB"_s}));
    QVERIFY(dir.rmdir(u"gone"_s));
    model.fetchMore(gone);
    QTRY_COMPARE(failed.count(), 1);
    QCOMPARE(failed.first().first().toString(), root + u"/gone"_s);
    QVERIFY(!model.hasChildren(gone) && !model.canFetchMore(gone));

    // A folder is no choice; a file is, and double-clicking it closes the dialog.
    auto* ok = dialog.findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok);
    dialog.Tree().setCurrentIndex(model.index(0, 0, folder));
    QVERIFY(dialog.SelectedFile().isEmpty() && !ok->isEnabled());
    const QModelIndex inner = model.index(1, 0, folder);
    dialog.Tree().setCurrentIndex(inner);
    QVERIFY(ok->isEnabled());
    emit dialog.Tree().doubleClicked(inner);
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
    QCOMPARE(dialog.SelectedFile(), root + u"/folder/inner.txt"_s);
}

QTEST_MAIN(TestMapLegend)
#include "tst_MapLegend.moc"
