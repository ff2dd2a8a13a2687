#include "defrag/CBlockImage.h"
#include "defrag/CColorLegendWidget.h"
#include "defrag/CDefragFeed.h"
#include "defrag/CLegendColorDlg.h"
#include "defrag/CSelectRemoteFileDialog.h"
#include "engine/CKV100EngineInterface.h"
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

#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

using TTable = CBitmapColors::TTable;
using TModel = CDirectoryTreeModelBase;

const TId kVolume = L"{vol}";
const TId kInner = L"{inner}";

// A defragmentation controller that finds the blocks it is told to and records the selections.
class CBlocksController : public CFakeDefragController {
public:
    explicit CBlocksController(QStringList& log)
        : CFakeDefragController(log)
    {}
    HRESULT EnumFileExtents(const TId& volume, const TString& path,
                            std::set<quint32>& blocks) override
    {
        asked.append(QString::fromStdWString(volume + L"|" + path));
        blocks = found;
        return result;
    }
    void SetSelectedBlocks(const std::wstring& volume, const std::set<quint32>& blocks,
                           const std::wstring& name) override
    {
        selected.append({QString::fromStdWString(volume + L"|" + name), blocks});
    }

    HRESULT result = S_OK;
    std::set<quint32> found;
    QStringList asked;
    QList<std::pair<QString, std::set<quint32>>> selected;
};

void Store(const QStringList& names)
{
    CRegKey key;
    QVERIFY(key.Create(HKEY_CURRENT_USER, CBitmapColors::kKeyPath) == ERROR_SUCCESS);
    QVERIFY(key.SetMultiStringValue(CBitmapColors::kValueName, names) == ERROR_SUCCESS);
}

// The colour at the foot of a plain block's picture, below its lit top.
QColor FootColor(const QPixmap& pixmap)
{
    const QImage image = pixmap.toImage();
    return image.pixelColor(image.width() / 2, image.height() - 2);
}

QPixmap Decoration(const QTableWidget& table, int row, int column)
{
    return table.item(row, column)->data(Qt::DecorationRole).value<QPixmap>();
}

int RowOf(quint32 code)
{
    const auto& codes = CLegendColorDlg::kRowCodes;
    return int(std::find(codes.begin(), codes.end(), code) - codes.begin());
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
        CDefrager& model = Model();
        CDefrager::TVolumeInfo record;
        record.volumeId = kVolume;
        record.mountName = L"/mnt/vol";
        record.sizeMegabytes = 3600;
        model.SetVolume(record);
        record.volumeId = kInner;
        record.mountName = L"/mnt/vol/inner";
        model.SetVolume(record);
        model.SetCurrentVolume(kVolume);
        m_fixture->app->RegisterDefragController(&m_controller);
    }
    void init()
    {
        CRegKey key;
        if (key.Open(HKEY_CURRENT_USER, CBitmapColors::kKeyPath) == ERROR_SUCCESS)
            key.DeleteValue(CBitmapColors::kValueName);
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
    void blockSizeOfTheVolume_data();
    void blockSizeOfTheVolume();
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

    QStringList names = CBitmapColors::ToNames(CBitmapColors::Defaults());
    names[2] = u"#0a0b0c"_s;
    QTest::newRow("thirteen names") << names << true;
    QTest::newRow("twelve names") << names.mid(1) << false;
    QTest::newRow("fourteen names") << (names + QStringList{u"#000000"_s}) << false;
    QStringList bad = names;
    bad[12] = u"#12345"_s;
    QTest::newRow("an unparsable name") << bad << false;
    QTest::newRow("no value") << QStringList() << false;
}

void TestMapLegend::storedColors()
{
    QFETCH(QStringList, stored);
    QFETCH(bool, taken);
    if (!stored.isEmpty())
        Store(stored);
    const TTable loaded = CBitmapColors::Load();
    QCOMPARE(loaded[CBitmapColors::kRecentlyModified],
             taken ? QColor(10, 11, 12) : CBitmapColors::Defaults()[3]);
    QCOMPARE(loaded == CBitmapColors::Defaults(), !taken);
    // The legend shows what is stored, and saving gives back the same names.
    CColorLegendWidget legend(m_fixture->app->DefragFeed());
    QCOMPARE(FootColor(legend.Swatch(CBitmapColors::kRecentlyModified)->pixmap()),
             loaded[CBitmapColors::kRecentlyModified]);
    QCOMPARE(CBitmapColors::Save(loaded), ERROR_SUCCESS);
    QStringList written;
    CRegKey key;
    QVERIFY(key.Open(HKEY_CURRENT_USER, CBitmapColors::kKeyPath, KEY_READ) == ERROR_SUCCESS);
    QVERIFY(key.QueryMultiStringValue(CBitmapColors::kValueName, &written) == ERROR_SUCCESS);
    QCOMPARE(written, taken ? stored : CBitmapColors::ToNames(CBitmapColors::Defaults()));
}

void TestMapLegend::dialogChangesOnlyWhatIsSaved()
{
    CColorLegendWidget legend(m_fixture->app->DefragFeed());
    QSignalSpy changed(&legend, &CColorLegendWidget::ColorsChanged);
    auto& scripts = m_fixture->presenter.dialogScripts;
    const QColor plum(120, 20, 90);
    const QColor sand(210, 190, 120);
    const int boot = RowOf(CBitmapColors::kBoot);
    const int free = RowOf(CBitmapColors::kFreeSpace);
    QList<QColor> offered;
    QList<QColor> seen; // what a script saw in the dialog

    // Changes, then Cancel: the legend, the hive and the map keep their colours.
    scripts.append([&](QDialog& dialog) {
        auto& colors = static_cast<CLegendColorDlg&>(dialog);
        colors.SetColorChooser([&](const QColor& initial, QWidget*) {
            offered.append(initial);
            return plum;
        });
        emit colors.Table().cellDoubleClicked(boot, CLegendColorDlg::kNameColumn);
        seen.append(FootColor(Decoration(colors.Table(), boot, CLegendColorDlg::kPlainColumn)));
        seen.append(
            FootColor(Decoration(colors.Table(), boot, CLegendColorDlg::kFragmentedColumn)));
        colors.findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Cancel)->click();
        return dialog.result();
    });
    legend.LaunchColorDialog();
    QCOMPARE(offered, QList<QColor>{CBitmapColors::Defaults()[CBitmapColors::kBoot]});
    // The row shows the new colour at once, the fragmented picture darker than the plain one.
    QCOMPARE(seen.value(0), plum);
    QVERIFY(seen.value(1).value() < plum.value());
    QCOMPARE(changed.count(), 0);
    QCOMPARE(CBitmapColors::Load(), CBitmapColors::Defaults());
    QCOMPARE(FootColor(legend.Swatch(CBitmapColors::kBoot)->pixmap()),
             CBitmapColors::Defaults()[CBitmapColors::kBoot]);

    // "Change Color" acts on the selected row; a cancelled chooser changes nothing; OK saves.
    scripts.append([&](QDialog& dialog) {
        auto& colors = static_cast<CLegendColorDlg&>(dialog);
        colors.SetColorChooser([&](const QColor&, QWidget*) { return sand; });
        colors.Table().selectRow(free);
        for (QPushButton* button : colors.findChildren<QPushButton*>())
            if (button->text() == u"Change Color"_s)
                button->click();
        colors.SetColorChooser([](const QColor&, QWidget*) { return QColor(); });
        colors.ChangeColorRow(boot);
        colors.findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok)->click();
        return dialog.result();
    });
    legend.LaunchColorDialog();
    QCOMPARE(changed.count(), 1);
    TTable expected = CBitmapColors::Defaults();
    expected[CBitmapColors::kFreeSpace] = sand;
    QCOMPARE(CBitmapColors::Load(), expected);
    QCOMPARE(FootColor(legend.Swatch(CBitmapColors::kFreeSpace)->pixmap()), sand);
    QCOMPARE(legend.Swatch(CBitmapColors::kFreeSpace)
                 ->pixmap()
                 .toImage()
                 .convertToFormat(QImage::Format_ARGB32_Premultiplied),
             CBlockImage::Draw(CColorLegendWidget::kSwatchSize, sand, false));

    // Restore Defaults, then OK: the defaults are stored; F1 asks for the dialog's topic.
    scripts.append([&](QDialog& dialog) {
        auto& colors = static_cast<CLegendColorDlg&>(dialog);
        seen = {colors.Colors()[CBitmapColors::kFreeSpace]};
        QTest::keyClick(&colors, Qt::Key_F1);
        colors.RestoreDefaults();
        seen.append(FootColor(Decoration(colors.Table(), free, CLegendColorDlg::kPlainColumn)));
        colors.Save();
        return dialog.result();
    });
    legend.LaunchColorDialog();
    QCOMPARE(seen, (QList<QColor>{sand, CBitmapColors::Defaults()[CBitmapColors::kFreeSpace]}));
    QCOMPARE(changed.count(), 2);
    QCOMPARE(CBitmapColors::Load(), CBitmapColors::Defaults());
    QVERIFY(m_fixture->shell.opened.last().path().endsWith(u"/Bitmap_Properties.htm"_s));
}

void TestMapLegend::blockSizeOfTheVolume_data()
{
    QTest::addColumn<double>("megabytes");
    QTest::addColumn<QString>("text");
    QTest::newRow("3600 MB") << 3600.0 << u"      MB per block: 1.00"_s;
    QTest::newRow("rounded") << 1000000.0 << u"      MB per block: 277.78"_s;
    QTest::newRow("no volume") << 0.0 << u"      MB per block: 0.00"_s;
}

void TestMapLegend::blockSizeOfTheVolume()
{
    QFETCH(double, megabytes);
    QFETCH(QString, text);
    CLegendColorDlg dialog(megabytes);
    QCOMPARE(dialog.findChild<QLabel*>(u"megabytesPerBlock"_s)->text(), text);
}

void TestMapLegend::findingAFile_data()
{
    QTest::addColumn<QString>("fileSystem");
    QTest::addColumn<QStringList>("chosen"); // one a chooser run; empty: cancelled
    QTest::addColumn<QList<QMessageBox::StandardButton>>("answers");
    QTest::addColumn<HRESULT>("result");
    QTest::addColumn<std::set<quint32>>("blocks");
    QTest::addColumn<QStringList>("messages"); // "title|text"
    QTest::addColumn<QStringList>("asked");

    const QString other = u"The selected file is not in the current displayed drive|The Selected "
                          u"File /mnt/vol/inner/x is not in the current displayed drive /mnt/vol, "
                          u"would you like to try a different file?"_s;
    using TAnswers = QList<QMessageBox::StandardButton>;
    const std::set<quint32> some{4, 3599};
    QTest::newRow("cancelled") << u"NTFS"_s << QStringList{QString()} << TAnswers{} << S_OK << some
                               << QStringList{} << QStringList{};
    QTest::newRow("found") << u"NTFS"_s << QStringList{u"/mnt/vol/a"_s} << TAnswers{} << S_OK
                           << some << QStringList{} << QStringList{u"{vol}|/mnt/vol/a"_s};
    QTest::newRow("a name that only begins like another drive")
        << u"ext4"_s << QStringList{u"/mnt/vol/innerx/b"_s} << TAnswers{} << S_OK << some
        << QStringList{} << QStringList{u"{vol}|/mnt/vol/innerx/b"_s};
    QTest::newRow("another drive, then no")
        << u"NTFS"_s << QStringList{u"/mnt/vol/inner/x"_s} << TAnswers{QMessageBox::No} << S_OK
        << some << QStringList{other} << QStringList{};
    QTest::newRow("another drive, then yes")
        << u"NTFS"_s << QStringList{u"/mnt/vol/inner/x"_s, u"/mnt/vol/a"_s}
        << TAnswers{QMessageBox::Yes} << S_OK << some << QStringList{other}
        << QStringList{u"{vol}|/mnt/vol/a"_s};
    QTest::newRow("another drive, then cancelled")
        << u"NTFS"_s << QStringList{u"/mnt/vol/inner/x"_s, QString()} << TAnswers{QMessageBox::Yes}
        << S_OK << some << QStringList{other} << QStringList{};
    QTest::newRow("failure") << u"NTFS"_s << QStringList{u"/mnt/vol/a"_s} << TAnswers{} << E_FAIL
                             << some << QStringList{u"Korvane|Unable to access file."_s}
                             << QStringList{u"{vol}|/mnt/vol/a"_s};
    QTest::newRow("empty on NTFS")
        << u"NTFS"_s << QStringList{u"/mnt/vol/a"_s} << TAnswers{} << S_OK << std::set<quint32>{}
        << QStringList{u"Korvane|File is resident inside the Master File Table (MFT)."_s}
        << QStringList{u"{vol}|/mnt/vol/a"_s};
    QTest::newRow("empty elsewhere")
        << u"ext4"_s << QStringList{u"/mnt/vol/a"_s} << TAnswers{} << S_OK << std::set<quint32>{}
        << QStringList{u"Korvane|File is empty"_s} << QStringList{u"{vol}|/mnt/vol/a"_s};
}

void TestMapLegend::findingAFile()
{
    QFETCH(QString, fileSystem);
    QFETCH(QStringList, chosen);
    QFETCH(QList<QMessageBox::StandardButton>, answers);
    QFETCH(HRESULT, result);
    QFETCH(std::set<quint32>, blocks);
    QFETCH(QStringList, messages);
    QFETCH(QStringList, asked);

    CDefrager::TVolumeInfo record = Model().Volume(kVolume);
    record.fileSystem = fileSystem.toStdWString();
    Model().SetVolume(record);
    m_controller.result = result;
    m_controller.found = blocks;
    m_controller.asked.clear();
    m_controller.selected.clear();
    CScriptedPresenter& presenter = m_fixture->presenter;
    QStringList shown; // the volume each chooser opened on
    for (const QString& path : chosen)
        presenter.dialogScripts.append([&shown, path](QDialog& dialog) {
            auto& chooser = static_cast<CSelectRemoteFileDialog&>(dialog);
            shown.append(chooser.Model().MountName());
            chooser.SetSelectedFile(path);
            return path.isEmpty() ? int(QDialog::Rejected) : int(QDialog::Accepted);
        });
    for (const auto answer : answers)
        presenter.messageAnswers.append(CScriptedPresenter::Answer(answer));

    CColorLegendWidget legend(m_fixture->app->DefragFeed());
    // Disabled, the search does nothing.
    legend.EnableInput(false);
    legend.LaunchFindDialog();
    QVERIFY(presenter.dialogTitles.isEmpty());
    legend.EnableInput(true);
    legend.LaunchFindDialog();

    QCOMPARE(shown, QStringList(chosen.size(), u"/mnt/vol"_s));
    QStringList texts;
    for (const auto& message : presenter.messages)
        texts.append(message.title + u'|' + message.text);
    QCOMPARE(texts, messages);
    QCOMPARE(m_controller.asked, asked);
    const bool selects = !asked.isEmpty() && SUCCEEDED(result) && !blocks.empty();
    QCOMPARE(m_controller.selected.size(), qsizetype(selects));
    if (selects)
        QCOMPARE(m_controller.selected.first(), std::pair(u"{vol}|"_s + chosen.last(), blocks));
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
    const auto sizes = [](const QString&) {
        return TModel::TListing{S_OK,
                                {{u"kilo"_s, false, 1536, {}},
                                 {u"Zeta"_s, true, 99, {}},
                                 {u"tera"_s, false, 3ull << 40, {}},
                                 {u"giga"_s, false, 5ull << 30, {}},
                                 {u"alpha"_s, true, 0, {}},
                                 {u"mega"_s, false, 1ull << 20, {}},
                                 {u"tiny"_s, false, 0, {}}}};
    };
    model.SetVolume(u"/data"_s, sizes);
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
    QVERIFY(QFile::link(m_fixture->environment.Root(), root + u"/away"_s));

    QProcess daemon;
    daemon.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    daemon.start(
        QStringLiteral(KORVANE_ENGINE_PROGRAM),
        {u"--volume"_s, root, u"--state"_s, m_fixture->environment.Root() + u"/engine-state"_s});
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
    // The link is left out; the volume's row opens by itself.
    QTRY_COMPARE(Rows(model, volume), (QStringList{u"folder|"_s, u"gone|"_s}));
    QVERIFY(dialog.Tree().isExpanded(volume));
    const QModelIndex folder = model.index(0, 0, volume);
    const QModelIndex gone = model.index(1, 0, volume);
    QVERIFY(model.hasChildren(folder) && model.hasChildren(gone));
    QVERIFY(model.rowCount(folder) == 0);

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
