#include "defrag/CDiskPropertiesNotebook.h"
#include "defrag/CDriveInfoPage.h"
#include "defrag/CExcludedFilesPage.h"
#include "defrag/CExcludedTreeModel.h"
#include "defrag/COfflineDefragPage.h"
#include "defrag/COnlineDefragPage.h"
#include "defrag/CTierlayoutPage.h"
#include "engine/CKV100EngineInterface.h"
#include "tests/ribbon/fakes/CFakeFeatureControllers.h"
#include "tests/support/CAppFixture.h"
#include "tests/support/CTestEngine.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QtTest>

using namespace Qt::StringLiterals;

namespace {

const QString kVolume = u"{drive-properties}"_s;
const TId kVolumeId = kVolume.toStdWString();

// A page that logs what the notebook asks of it and answers as told.
class CScriptedPage : public CDiskNoteBookPage {
public:
    CScriptedPage(QString name, QStringList& log, bool refuses, HRESULT saved)
        : CDiskNoteBookPage({}, "CScriptedPage")
        , m_name(std::move(name))
        , m_log(log)
        , m_refuses(refuses)
        , m_saved(saved)
    {}
    QString Label() const override { return m_name; }
    QString HelpTopic() const override { return m_name + u".htm"_s; }
    HRESULT Load(std::wstring) override { return Log(u"load"_s, S_OK); }
    HRESULT Save(std::wstring) override { return Log(u"save"_s, m_saved); }
    bool Verify() override
    {
        Log(u"verify"_s, S_OK);
        return m_refuses;
    }

private:
    HRESULT Log(const QString& what, HRESULT answer)
    {
        m_log << m_name + u' ' + what;
        return answer;
    }
    QString m_name;
    QStringList& m_log;
    bool m_refuses;
    HRESULT m_saved;
};

// The controller's drive calls, passed to the engine as the defragmentation tab passes them.
struct CDriveController : CFakeDefragController {
    CDriveController(QStringList& log, CKV100EngineInterface& engine)
        : CFakeDefragController(log)
        , engine(engine)
    {}
    HRESULT GetDefaultAlgorithm(const TId& volume, qint32& algorithm) override
    {
        int stored = 3;
        const HRESULT result = engine.GetDefaultAlgorithm(volume, &stored);
        algorithm = stored;
        return result;
    }
    void SetDefaultAlgorithm(const TId&, qint32 algorithm) override
    {
        Log(u"method %1"_s.arg(algorithm));
    }
    void SetOverrideDriveType(const TId&, int type) override { Log(u"override %1"_s.arg(type)); }
    CKV100EngineInterface& engine;
};

// The console connected to a test engine that knows one selected hard disk.
struct TRig {
    TRig()
    {
        engine.volumes = {kVolume};
        engine.defaultAlgorithm = 1;
        CTestEngine::TVolumeData data;
        data.mountName = u"/srv"_s;
        data.threshold = 25;
        data.optiwise = true;
        data.bootFileKinds = 0x3;
        data.serialHigh = 0x1a2b;
        data.serialLow = 0x3c;
        data.totalClusters = 1000;
        data.freeClusters = 400;
        data.usedClusters = 600;
        engine.SetVolumeData(kVolume, data);
        if (!engine.Start() || FAILED(fixture.app->Engine().Connect(L"", L"", L"", L"")))
            qFatal("no test engine");
        CDefrager::TVolumeInfo record;
        record.volumeId = kVolumeId;
        record.mountName = L"/srv";
        record.fileSystem = L"ext4";
        record.driveType = 1;
        Feed().Model().SetVolume(record);
        Feed().Model().SelectVolumes({kVolumeId});
    }
    ~TRig()
    {
        fixture.app.reset();
        engine.Stop();
    }
    CDefragFeed& Feed() { return fixture.app->DefragFeed(); }
    TDrivePropertiesContext Context() { return {&Feed(), &controller, true, 2, {}}; }
    CTestEngine::TVolumeData Stored() const { return engine.VolumeData(kVolume); }
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
    CDriveController controller{log, fixture.app->Engine()};
};

} // namespace

class TestDriveProperties : public QObject {
    Q_OBJECT

private slots:
    void savingFollowsThePageOrder_data();
    void savingFollowsThePageOrder();
    void notebookOfTheVolume();
    void onlinePage();
    void offlinePage();
    void driveInfoPage();
    void tierAgesAreVerified_data();
    void tierAgesAreVerified();
    void tierPresetsAndCustomStrategy();
    void tierSimplerLayouts();
    void excludedFilesPage();
};

void TestDriveProperties::savingFollowsThePageOrder_data()
{
    QTest::addColumn<bool>("refuses");
    QTest::addColumn<int>("saved");
    QTest::addColumn<QStringList>("expected");
    QTest::addColumn<int>("result");
    QTest::addColumn<int>("messages");

    const QStringList first{u"one verify"_s, u"one save"_s, u"two verify"_s};
    QTest::newRow("all save") << false << int(S_OK)
                              << first +
                                     QStringList{u"two save"_s, u"three verify"_s, u"three save"_s}
                              << int(QDialog::Accepted) << 0;
    QTest::newRow("second refuses") << true << int(S_OK) << first << -1 << 0;
    QTest::newRow("second asks to stay")
        << false << int(S_FALSE) << first + QStringList{u"two save"_s} << -1 << 0;
    QTest::newRow("second fails") << false << int(E_ACCESSDENIED)
                                  << first + QStringList{u"two save"_s} << -1 << 1;
}

void TestDriveProperties::savingFollowsThePageOrder()
{
    QFETCH(bool, refuses);
    QFETCH(int, saved);
    QFETCH(QStringList, expected);
    QFETCH(int, result);
    QFETCH(int, messages);

    CScriptedPresenter presenter;
    QStringList log;
    CDiskPropertiesNotebook notebook({}, kVolumeId);
    notebook.AddPage(new CScriptedPage(u"one"_s, log, false, S_OK));
    notebook.AddPage(new CScriptedPage(u"two"_s, log, refuses, HRESULT(saved)));
    notebook.AddPage(new CScriptedPage(u"three"_s, log, false, S_OK));
    notebook.LoadPages();
    QCOMPARE(log, (QStringList{u"one load"_s, u"two load"_s, u"three load"_s}));
    notebook.SetCurrentPage(2);
    QCOMPARE(notebook.HelpTopic(), u"three.htm"_s);

    QSignalSpy finished(&notebook, &QDialog::finished);
    log.clear();
    notebook.SaveChanges();
    QCOMPARE(log, expected);
    QCOMPARE(presenter.messages.size(), messages);
    if (result == QDialog::Accepted) {
        QCOMPARE(finished.size(), 1);
        QCOMPARE(notebook.result(), result);
        return;
    }
    // The page that stopped saving is shown, and the notebook stays open.
    QCOMPARE(finished.size(), 0);
    QCOMPARE(notebook.CurrentPage(), 1);
    QCOMPARE(notebook.HelpTopic(), u"two.htm"_s);
    if (messages > 0)
        QVERIFY(presenter.messages[0].text.contains(u"two"_s));
}

void TestDriveProperties::notebookOfTheVolume()
{
    TRig rig;
    rig.fixture.app->RegisterDefragController(&rig.controller);
    // Saved as opened, the notebook writes what it read and closes.
    rig.fixture.presenter.dialogScripts << [](QDialog& dialog) {
        auto& notebook = static_cast<CDiskPropertiesNotebook&>(dialog);
        QStringList labels;
        for (int index = 0; index < notebook.PageCount(); ++index)
            labels << notebook.Page(index)->Label();
        if (labels != QStringList{u"Online Defragmentation"_s, u"TierLayout"_s,
                                  u"Offline Defragmentation"_s, u"Excluded Files"_s,
                                  u"Drive Info"_s})
            return -1;
        notebook.SetCurrentPage(3);
        if (notebook.HelpTopic() != u"Drive_Properties_-_Excluded_Files.htm"_s)
            return -2;
        notebook.SaveChanges();
        return notebook.result();
    };
    QCOMPARE(CDiskPropertiesNotebook::Launch(rig.Feed(), kVolumeId, nullptr),
             int(QDialog::Accepted));
    QCOMPARE(rig.fixture.presenter.dialogTitles, QStringList{u"/srv Properties"_s});
    QCOMPARE(rig.Stored().threshold, 25u);
    QCOMPARE(rig.Stored().bootFileKinds, 0x3u);
    QVERIFY(rig.engine.Operations().join(u' ').contains(u"SetTierLayout"_s));
    rig.fixture.app->UnregisterDefragController(&rig.controller);
}

void TestDriveProperties::onlinePage()
{
    TRig rig;
    {
        COnlineDefragPage page(rig.Context());
        QCOMPARE(page.Load(kVolumeId), S_OK);
        QCOMPARE(page.Threshold()->value(), 25);
        QCOMPARE(page.Method()->currentData().toInt(), 1);
        // The engine chooses the method itself: the method box is off.
        QVERIFY(page.Optiwise()->isChecked());
        QVERIFY(!page.Method()->isEnabled());
        page.Threshold()->setValue(0);
        page.Method()->setCurrentIndex(page.Method()->findData(2));
        page.Optiwise()->setChecked(false);
        QVERIFY(page.Method()->isEnabled());
        QVERIFY(!page.Verify());
        QSignalSpy refreshed(&rig.Feed().Model(), &CDefrager::Refresh);
        QCOMPARE(page.Save(kVolumeId), S_OK);
        QCOMPARE(refreshed.size(), 1);
        QCOMPARE(rig.Stored().threshold, 0u);
        QVERIFY(!rig.Stored().optiwise);
        QCOMPARE(rig.log, QStringList{u"Defrag.method 2"_s});
    }
    {
        // A cleared threshold is left as the engine has it; without the newest agent the
        // automatic choice is neither read nor written.
        TDrivePropertiesContext older = rig.Context();
        older.newestAgent = false;
        COnlineDefragPage page(older);
        QCOMPARE(page.Load(kVolumeId), S_OK);
        page.Threshold()->findChild<QLineEdit*>()->clear();
        rig.engine.SetOperationAnswer(u"SetOptiwise"_s, E_FAIL);
        QCOMPARE(page.Save(kVolumeId), S_OK);
        QCOMPARE(rig.Stored().threshold, 0u);
    }
    {
        // A threshold the engine cannot read shows nothing; stepping from there starts at 10.
        // A failed write is the page's failure.
        rig.engine.SetOperationAnswer(u"GetFragmentationThreshold"_s, E_FAIL);
        rig.engine.SetOperationAnswer(u"SetFragmentationThreshold"_s, E_ACCESSDENIED);
        COnlineDefragPage page(rig.Context());
        QCOMPARE(page.Load(kVolumeId), E_FAIL);
        QCOMPARE(page.Threshold()->text().trimmed(), QString());
        page.Threshold()->stepUp();
        QCOMPARE(page.Threshold()->value(), 10);
        QCOMPARE(page.Save(kVolumeId), E_ACCESSDENIED);
    }
}

void TestDriveProperties::offlinePage()
{
    TRig rig;
    using TState = Qt::CheckState;
    struct TCase {
        uint stored;
        TState metadata, paging;
        uint saved;
    };
    // Partly checked boxes keep the engine's kinds of the moment of saving.
    const TCase cases[] = {
        {0x3, Qt::PartiallyChecked, Qt::Checked, 0xB},
        {0x7, Qt::Unchecked, Qt::Unchecked, 0x0},
        {0x10, Qt::Checked, Qt::Unchecked, 0x17},
        {0x5, Qt::PartiallyChecked, Qt::PartiallyChecked, 0x5},
    };
    for (const TCase& c : cases)
        QCOMPARE(COfflineDefragPage::Merge(c.stored, c.metadata, c.paging), c.saved);

    COfflineDefragPage page(rig.Context());
    QCOMPARE(page.Load(kVolumeId), S_OK);
    QCOMPARE(page.Metadata()->checkState(), Qt::PartiallyChecked);
    QCOMPARE(page.PagingFile()->checkState(), Qt::Unchecked);
    page.PagingFile()->click();
    page.EveryReboot()->setChecked(true);
    QCOMPARE(page.Save(kVolumeId), S_OK);
    QCOMPARE(rig.Stored().bootFileKinds, 0xBu);
    QVERIFY(rig.Stored().everyReboot);

    // Every reboot with no file kind: the warning, and nothing is written.
    page.Metadata()->click(); // partly checked becomes checked ...
    page.Metadata()->click(); // ... then unchecked
    page.PagingFile()->click();
    QCOMPARE(page.Metadata()->checkState(), Qt::Unchecked);
    QCOMPARE(page.Save(kVolumeId), S_FALSE);
    QCOMPARE(rig.Titles(), QStringList{u"Offline defragmentation settings"_s});
    QCOMPARE(rig.Stored().bootFileKinds, 0xBu);
}

void TestDriveProperties::driveInfoPage()
{
    TRig rig;
    CDriveInfoPage page(rig.Context());
    QSignalSpy titles(&page, &CDiskNoteBookPage::SetWindowTitle);
    QCOMPARE(page.Load(kVolumeId), S_OK);
    QCOMPARE(titles.value(0).value(0).toString(), u"/srv Properties"_s);
    QCOMPARE(page.Field(u"Serial Number:"_s), u"00001A2B-0000003C"_s);
    QCOMPARE(page.Field(u"GUID:"_s), kVolume);
    QCOMPARE(page.Field(u"Clusters In Use:"_s), u"600"_s);
    // A hard disk is offered as anything but itself.
    QComboBox* types = page.OverrideType();
    QCOMPARE(types->count(), 3);
    QCOMPARE(types->currentData().toInt(), -1);
    QVERIFY(types->findData(1) < 0);
    types->setCurrentIndex(types->findData(4));
    QCOMPARE(page.Save(kVolumeId), S_OK);
    QCOMPARE(rig.log, QStringList{u"Defrag.override 4"_s});
}

void TestDriveProperties::tierAgesAreVerified_data()
{
    QTest::addColumn<int>("rare");
    QTest::addColumn<int>("recent");
    QTest::addColumn<bool>("refused");
    QTest::newRow("equal") << 30 << 30 << true;
    QTest::newRow("one more") << 31 << 30 << false;
    QTest::newRow("less") << 5 << 30 << true;
    QTest::newRow("rare unset") << 0 << 1 << true;
}

void TestDriveProperties::tierAgesAreVerified()
{
    QFETCH(int, rare);
    QFETCH(int, recent);
    QFETCH(bool, refused);
    CScriptedPresenter presenter;
    TDrivePropertiesContext context;
    context.edition = 6;
    CTierlayoutPage page(context);
    page.RareAge()->setValue(rare);
    page.RecentAge()->setValue(recent);
    QCOMPARE(page.Verify(), refused);
    QCOMPARE(presenter.messages.size(), refused ? 1 : 0);
    if (refused)
        QCOMPARE(presenter.messages[0].text,
                 u"The Rarely Modified Age has to be greater than the Recently Modified Age."_s);
}

void TestDriveProperties::tierPresetsAndCustomStrategy()
{
    TRig rig;
    // The stored strategy is the performance preset.
    rig.engine.UpdateVolumeData(kVolume, [](CTestEngine::TVolumeData& data) {
        data.zoneOrder = {0, 1, 4, 3, 2};
        data.freeSpaceGapsKb = {32768, 8192, 1048576, 262144};
        data.rareAgeDays = 45;
        data.recentAgeDays = 24;
        data.bytesPerCluster = 4096;
        data.freeClusters = 1024 * 256; // 1 GB
    });
    CTierlayoutPage page(rig.Context());
    QCOMPARE(page.Layout(), CTierlayoutPage::TLayout::Full);
    QCOMPARE(page.Load(kVolumeId), S_OK);
    QCOMPARE(page.Preset(), 2);
    QVERIFY(!page.IsCustom());
    QCOMPARE(page.GapBox(0)->value(), 32);
    // Its gaps ask for more than the free gigabyte.
    QVERIFY(page.FreeSpaceWarningShown());
    auto legend = [&] {
        QStringList texts;
        for (const CTierBlockLegendItem* item : page.LegendItems())
            texts << item->Text();
        return texts;
    };
    QCOMPARE(legend().first(), u"Boot"_s);
    QCOMPARE(legend().size(), 9); // five zones, four gaps

    // Choosing another preset shows its values; saving writes it whole.
    page.PresetBox()->setCurrentIndex(0);
    QVERIFY(!page.FreeSpaceWarningShown());
    page.PresetBox()->setCurrentIndex(4);
    QCOMPARE(page.RareAge()->value(), 90);
    QCOMPARE(page.Save(kVolumeId), S_OK);
    QCOMPARE(rig.Stored().zoneOrder, (QList<uint>{2, 3, 1, 4, 0}));
    QCOMPARE(rig.Stored().largeFragmentMb, 10u);

    // A custom strategy: a zone taken from another place swaps the two; gaps are saved in KB.
    page.CustomRadio()->click();
    QVERIFY(page.ZoneBox(0)->isEnabled());
    page.ZoneBox(0)->setCurrentIndex(0); // boot, which was last
    QCOMPARE(page.ZoneBox(4)->currentIndex(), 2);
    page.GapBox(3)->setValue(0);
    page.GapBox(0)->setValue(3);
    page.RecentAge()->setValue(20);
    QCOMPARE(legend().mid(0, 3), (QStringList{u"Boot"_s, u"3 MB"_s, u"Occasional"_s}));
    QCOMPARE(page.Save(kVolumeId), S_OK);
    const CTestEngine::TVolumeData stored = rig.Stored();
    QCOMPARE(stored.zoneOrder, (QList<uint>{0, 3, 1, 4, 2}));
    QCOMPARE(stored.freeSpaceGapsKb, (QList<qulonglong>{3072, 0, 8192, 0}));
    QCOMPARE(stored.recentAgeDays, 20u);

    // Loaded again it matches no preset; Reset brings back what was loaded.
    CTierlayoutPage again(rig.Context());
    QCOMPARE(again.Load(kVolumeId), S_OK);
    QCOMPARE(again.Preset(), -1);
    QCOMPARE(again.PresetBox()->currentText(), u"Custom"_s);
    QVERIFY(again.IsCustom());
    again.GapBox(2)->setValue(100);
    again.ZoneBox(1)->setCurrentIndex(4);
    again.findChild<QPushButton*>()->click();
    QCOMPARE(again.GapBox(2)->value(), 8);
    QCOMPARE(again.ZoneBox(1)->currentIndex(), 3);

    // A zone order the engine should not have sent is refused and leaves the defaults.
    rig.engine.UpdateVolumeData(kVolume, [](CTestEngine::TVolumeData& data) {
        data.zoneOrder = {0, 0, 1, 2, 3};
        data.rareAgeDays = 99;
    });
    CTierlayoutPage broken(rig.Context());
    QCOMPARE(broken.Load(kVolumeId), E_INVALIDARG);
    QCOMPARE(broken.Preset(), 0);
    QCOMPARE(broken.RareAge()->value(), 60);
    QCOMPARE(broken.Save(kVolumeId), S_OK);
    QCOMPARE(rig.Stored().rareAgeDays, 99u);
}

void TestDriveProperties::tierSimplerLayouts()
{
    TRig rig;
    TDrivePropertiesContext older = rig.Context();
    older.newestAgent = false;
    CTierlayoutPage page(older);
    QCOMPARE(page.Layout(), CTierlayoutPage::TLayout::Older);
    QVERIFY(!page.PresetBox());
    rig.engine.UpdateVolumeData(kVolume, [](CTestEngine::TVolumeData& data) {
        data.ignoreLargeFragments = true;
        data.largeFragmentMb = 64;
    });
    QCOMPARE(page.Load(kVolumeId), S_OK);
    // The older page neither shows nor changes the large-fragment limit.
    page.Aggressive()->setChecked(true);
    page.IgnoreGreater()->setChecked(false);
    QCOMPARE(page.Save(kVolumeId), S_OK);
    QVERIFY(rig.Stored().aggressive);
    QVERIFY(rig.Stored().ignoreLargeFragments);

    TDrivePropertiesContext simple = rig.Context();
    simple.edition = 6;
    CTierlayoutPage simplePage(simple);
    QCOMPARE(simplePage.Layout(), CTierlayoutPage::TLayout::Simple);
    QCOMPARE(simplePage.HelpTopic(), u"Drive_Properties_-_TierLayout.htm"_s);
    QCOMPARE(simplePage.Load(kVolumeId), S_OK);
    QVERIFY(simplePage.LargeFragmentSize()->isEnabled());
    simplePage.IgnoreGreater()->setChecked(false);
    QVERIFY(!simplePage.LargeFragmentSize()->isEnabled());
    // Stepping up from an empty age starts at its usual value.
    simplePage.RareAge()->setValue(0);
    simplePage.RareAge()->stepUp();
    QCOMPARE(simplePage.RareAge()->value(), 60);
}

void TestDriveProperties::excludedFilesPage()
{
    TRig rig;
    rig.engine.UpdateVolumeData(kVolume, [](CTestEngine::TVolumeData& data) {
        data.excludedFiles = {u"/srv/a/x"_s, u"/srv/b"_s};
    });
    // /srv holds the folders a, b and c (unreadable), each of those the files x, y and z.
    TDrivePropertiesContext context = rig.Context();
    context.reader = [](const QString& folder) {
        CDirectoryTreeModelBase::TListing listing;
        listing.result = folder.endsWith(u'c') ? HRESULT(E_ACCESSDENIED) : S_OK;
        const bool top = folder == u"/srv"_s;
        const QStringList names =
            top ? QStringList{u"a"_s, u"b"_s, u"c"_s} : QStringList{u"x"_s, u"y"_s, u"z"_s};
        for (const QString& name : names)
            listing.entries.append({name, top, 1, {}});
        return listing;
    };
    CExcludedFilesPage page(context);
    CExcludedTreeModel& model = page.Model();
    QCOMPARE(page.Load(kVolumeId), S_OK);
    QTRY_COMPARE(model.PendingReads(), 0);
    auto state = [&](const QString& path) {
        return model.IndexOfPath(path).data(Qt::CheckStateRole).value<Qt::CheckState>();
    };
    QCOMPARE(state(u"/srv"_s), Qt::PartiallyChecked);
    QCOMPARE(state(u"/srv/a"_s), Qt::PartiallyChecked);
    QCOMPARE(state(u"/srv/b"_s), Qt::Checked);

    // Nothing changed: nothing is written.
    QCOMPARE(page.Save(kVolumeId), S_OK);
    QVERIFY(!rig.engine.Operations().join(u' ').contains(u"SetExcludedFiles"_s));

    // Unchecking a file of a checked folder leaves its brothers checked; checking a folder
    // takes in what was checked inside it.
    model.fetchMore(model.IndexOfPath(u"/srv/b"_s));
    QTRY_COMPARE(model.PendingReads(), 0);
    QCOMPARE(state(u"/srv/b/y"_s), Qt::Checked);
    QVERIFY(model.setData(model.IndexOfPath(u"/srv/b/y"_s), Qt::Unchecked, Qt::CheckStateRole));
    QCOMPARE(state(u"/srv/b"_s), Qt::PartiallyChecked);
    QVERIFY(model.setData(model.IndexOfPath(u"/srv/a"_s), Qt::Checked, Qt::CheckStateRole));
    QVERIFY(page.IsChanged());
    QCOMPARE(page.Save(kVolumeId), S_OK);
    QCOMPARE(rig.Stored().excludedFiles, (QStringList{u"/srv/a"_s, u"/srv/b/x"_s, u"/srv/b/z"_s}));

    // A folder that cannot be read says so, with its code.
    model.fetchMore(model.IndexOfPath(u"/srv/c"_s));
    QTRY_COMPARE(rig.Titles(), QStringList{u"Failure browsing excluded files"_s});
    QVERIFY(rig.fixture.presenter.messages[0].text.startsWith(
        u"Unable to view filesystem of /srv/c . Error -2147024891 ("_s));
}

QTEST_MAIN(TestDriveProperties)
#include "tst_DriveProperties.moc"
