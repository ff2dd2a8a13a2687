#include "core/COleDate.h"
#include "defrag/CDefragFeed.h"
#include "defrag/CEditorTableView.h"
#include "defrag/CNextRunWidget.h"
#include "defrag/COptimizeSettingsWidget.h"
#include "defrag/COptimizeTableModel.h"
#include "defrag/COptimizeTableSortFilterModel.h"
#include "tests/ribbon/fakes/CFakeFeatureControllers.h"
#include "tests/support/CAppFixture.h"

#include <QHeaderView>
#include <QScrollBar>
#include <QSignalSpy>
#include <QtTest>

using namespace Qt::StringLiterals;

namespace {

using TModel = COptimizeTableModel;

const TId kVolumeA = L"{aaaa}";
const TId kVolumeB = L"{bbbb}";
const TId kVolumeC = L"{cccc}";

QString Names(const std::list<TId>& volumes)
{
    QStringList names;
    for (const TId& volume : volumes)
        names << QString::fromStdWString(volume);
    return names.join(u',');
}

// The ribbon tests' fake, keeping the drive model's selection and current volume as the page does.
class CTableController : public CFakeDefragController {
public:
    CTableController(QStringList& log, CDefrager& model)
        : CFakeDefragController(log)
        , m_model(model)
    {}
    void SetBootTime(const TId& volume, qint32 atBoot) override
    {
        Log(u"SetBootTime:%1:%2"_s.arg(QString::fromStdWString(volume)).arg(atBoot));
    }
    void SelectVolumes(const std::list<TId>& volumes) override
    {
        Log(u"Select:"_s + Names(volumes));
        m_model.SelectVolumes(volumes);
    }
    void DeselectVolumes(const std::list<TId>& volumes) override
    {
        Log(u"Deselect:"_s + Names(volumes));
        m_model.DeselectVolumes(volumes);
    }
    void SetCurrentVolume(const TId& volume) override
    {
        Log(u"Current:"_s + QString::fromStdWString(volume));
        m_model.SetCurrentVolume(volume);
    }

private:
    CDefrager& m_model;
};

// An application controller with the fake registered, and a drive model of three volumes:
// A (C:\, NTFS), B (D:\, FAT32), C (E:\, NTFS).
struct TRig {
    TRig()
    {
        app().RegisterDefragController(&controller);
        Add(kVolumeA, L"C:\\", L"NTFS", 512);
        Add(kVolumeB, L"D:\\", L"FAT32", 1536);
        Add(kVolumeC, L"E:\\", L"NTFS", 100);
    }
    ~TRig() { app().UnregisterDefragController(&controller); }

    CApp& app() { return *fixture.app; }
    CDefragFeed& feed() { return app().DefragFeed(); }
    CDefrager& model() { return app().Defrager(); }
    void Add(const TId& id, const TName& mount, const TString& fileSystem, double megabytes,
             quint32 status = CDefrager::kIdle, double percent = 0)
    {
        CDefrager::TVolumeInfo volume;
        volume.volumeId = id;
        volume.mountName = mount;
        volume.label = L"Data";
        volume.fileSystem = fileSystem;
        volume.driveType = CDefrager::kHardDisk;
        volume.sizeMegabytes = megabytes;
        volume.status = status;
        volume.completionPercent = percent;
        model().SetVolume(volume);
    }
    void Deny(const QString& permission)
    {
        CAppFixture::SetDword(u"Software\\Policies\\Tellmar\\Korvane\\11.0"_s, permission, 0);
        app().Policy().ReloadPolicy(false);
    }

    QStringList log;
    CAppFixture fixture;
    CTableController controller{log, fixture.app->Defrager()};
};

QStringList Column(const QAbstractItemModel& model, int column)
{
    QStringList texts;
    for (int row = 0; row < model.rowCount(); ++row)
        texts << model.index(row, column).data().toString();
    return texts;
}

QStringList SelectedNames(const COptimizeSettingsWidget& widget)
{
    QStringList names;
    for (const QModelIndex& row : widget.View()->selectionModel()->selectedRows())
        names << row.data(Qt::EditRole).toString();
    names.sort();
    return names;
}

} // namespace

class TestDriveTable : public QObject {
    Q_OBJECT

private slots:
    // The context menu by the current volume's state, the policy and the connection.
    void contextMenuByStateAndPolicy()
    {
        using V = CEditorTableView;
        using L = QList<V::TCommand>;
        const auto menu = [](auto change) {
            V::TMenuContext context;
            context.ntfs = true;
            context.selectedCount = 1;
            change(context);
            return V::MenuCommands(context);
        };
        QCOMPARE(menu([](auto&) {}),
                 (L{V::kDefragNow, V::kSeparator, V::kSelectedFilesCommand, V::kBootTimeCommand,
                    V::kAnalyzeCommand, V::kSeparator, V::kPropertiesCommand}));
        // An older remote engine has no selected files, FAT32 no boot time, two drives no
        // properties.
        QCOMPARE(menu([](auto& c) {
                     c.remote = true;
                     c.ntfs = false;
                     c.selectedCount = 2;
                 }),
                 (L{V::kDefragNow, V::kAnalyzeCommand}));
        QCOMPARE(menu([](auto& c) {
                     c.allowOnlineDefrag = c.allowOfflineDefrag = c.allowModifyDriveProps = false;
                 }),
                 L{V::kAnalyzeCommand});
        QCOMPARE(menu([](auto& c) { c.busy = c.paused = c.newerGeneration = true; }),
                 (L{V::kStopCommand, V::kResumeCommand, V::kSeparator, V::kPropertiesCommand}));
        QCOMPARE(menu([](auto& c) { c.busy = true; }),
                 (L{V::kStopCommand, V::kSeparator, V::kPropertiesCommand}));
        QCOMPARE(menu([](auto& c) { c.busy = true, c.allowStop = false; }),
                 L{V::kPropertiesCommand});
        QCOMPARE(menu([](auto& c) { c.blocked = c.busy = true; }), L{});
    }

    void cellTextsAtTheirEdgesAndTheirOrder()
    {
        TRig rig;
        rig.Add(kVolumeA, L"\\\\?\\Volume{12}\\", L"NTFS", 1023.999, CDefrager::kAnalysing, 42.6);
        rig.Add(kVolumeB, L"C:\\", L"NTFS", 1536, 9);
        rig.Add(kVolumeC, L"D:\\", L"NTFS", 2.0 * 1024 * 1024, CDefrager::kDefragmenting, 7.25);
        rig.model().SetFragmentation(kVolumeB, 0.0);
        rig.model().SetFragmentation(kVolumeC, 12.349);
        TModel table(rig.feed());
        QCOMPARE(Column(table, TModel::kNameColumn),
                 (QStringList{u"(Unmounted volume) Data"_s, u"(C:\\) Data"_s, u"(D:\\) Data"_s}));
        QCOMPARE(Column(table, TModel::kStatusColumn),
                 (QStringList{u"Analyzing 43%"_s, u"Invalid Status"_s, u"Defragmenting 7%"_s}));
        QCOMPARE(Column(table, TModel::kSizeColumn),
                 (QStringList{u"1024 MB"_s, u"1.5 GB"_s, u"2 TB"_s}));
        QCOMPARE(Column(table, TModel::kFragmentedColumn),
                 (QStringList{QString(), u"0 %"_s, u"12.3 %"_s}));
        // The unanalysed volume goes last going up, first going down; sizes sort by megabytes.
        COptimizeTableSortFilterModel proxy;
        proxy.setSourceModel(&table);
        proxy.sort(TModel::kFragmentedColumn, Qt::AscendingOrder);
        QCOMPARE(Column(proxy, TModel::kFragmentedColumn),
                 (QStringList{u"0 %"_s, u"12.3 %"_s, QString()}));
        proxy.sort(TModel::kFragmentedColumn, Qt::DescendingOrder);
        QCOMPARE(Column(proxy, TModel::kFragmentedColumn).first(), QString());
        proxy.sort(TModel::kSizeColumn, Qt::DescendingOrder);
        QCOMPARE(Column(proxy, TModel::kSizeColumn),
                 (QStringList{u"2 TB"_s, u"1.5 GB"_s, u"1024 MB"_s}));
    }

    void bootTimeCheckBox_data()
    {
        QTest::addColumn<TId>("volume");
        QTest::addColumn<int>("atBoot");
        QTest::addColumn<bool>("allowed");
        QTest::addColumn<int>("diskCheck"); // the engine: 0 none scheduled, 1 scheduled, -1 fails
        QTest::addColumn<int>("answer");    // the user's, 0 when no question may come
        QTest::addColumn<QString>("call");  // empty: refused
        const QString on = u"Defrag.SetBootTime:{aaaa}:1"_s;
        QTest::newRow("off turns on") << kVolumeA << 0 << true << 0 << 0 << on;
        QTest::newRow("on turns off, without the question")
            << kVolumeA << 1 << true << 1 << 0 << u"Defrag.SetBootTime:{aaaa}:0"_s;
        QTest::newRow("policy refuses") << kVolumeA << 0 << false << 0 << 0 << QString();
        QTest::newRow("disk check, user says no")
            << kVolumeA << 0 << true << 1 << int(QMessageBox::No) << QString();
        QTest::newRow("disk check, user says yes")
            << kVolumeA << 0 << true << 1 << int(QMessageBox::Yes) << on;
        QTest::newRow("engine cannot say") << kVolumeA << 0 << true << -1 << 0 << on;
        QTest::newRow("FAT32 has no check box") << kVolumeB << 0 << true << 0 << 0 << QString();
    }

    void bootTimeCheckBox()
    {
        QFETCH(TId, volume);
        QFETCH(int, atBoot);
        QFETCH(bool, allowed);
        QFETCH(int, diskCheck);
        QFETCH(int, answer);
        QFETCH(QString, call);
        TRig rig;
        if (!allowed)
            rig.Deny(u"AllowOfflineDefrag"_s);
        rig.model().SetAtBootStatus(volume, static_cast<CDefrager::TAtBootStatus>(atBoot));
        TModel table(rig.feed());
        table.SetDiskCheckQuery([&](const TId&, bool* scheduled) {
            *scheduled = diskCheck > 0;
            return diskCheck < 0 ? E_UNEXPECTED : S_OK;
        });
        if (answer)
            rig.fixture.presenter.messageAnswers
                << CScriptedPresenter::Answer(static_cast<QMessageBox::StandardButton>(answer));
        QSignalSpy changed(&table, &QAbstractItemModel::dataChanged);
        const QModelIndex cell = table.index(table.RowOf(volume), TModel::kBootTimeColumn);
        const bool accepted = table.setData(cell, Qt::Checked, Qt::CheckStateRole);
        QCOMPARE(accepted, !call.isEmpty());
        QCOMPARE(rig.log, call.isEmpty() ? QStringList() : QStringList{call});
        QCOMPARE(changed.size(), accepted ? 1 : 0);
        QCOMPARE(rig.fixture.presenter.messages.size(), answer ? 1 : 0);
        if (answer) // a yes must be chosen, not a default
            QCOMPARE(rig.fixture.presenter.messages.first().defaultButton, QMessageBox::No);
    }

    void selectionFollowsBothWaysAndSurvivesAReset()
    {
        TRig rig;
        COptimizeSettingsWidget widget(rig.feed());
        QItemSelectionModel* selection = widget.View()->selectionModel();
        const QAbstractItemModel* rows = widget.View()->model();
        const auto select = [&](int row, QItemSelectionModel::SelectionFlags how) {
            rig.log.clear();
            selection->select(rows->index(row, 0), how | QItemSelectionModel::Rows);
        };
        select(1, QItemSelectionModel::ClearAndSelect);
        QCOMPARE(rig.log, (QStringList{u"Defrag.Select:{bbbb}"_s, u"Defrag.Current:{bbbb}"_s}));
        select(2, QItemSelectionModel::Select);
        QCOMPARE(rig.log, QStringList{u"Defrag.Select:{cccc}"_s});
        QCOMPARE(rig.model().Selection(), (std::list<TId>{kVolumeB, kVolumeC}));
        select(1, QItemSelectionModel::Deselect);
        QCOMPARE(rig.log, (QStringList{u"Defrag.Deselect:{bbbb}"_s, u"Defrag.Current:{cccc}"_s}));

        // The drive model's selection shows in the view, without going back to the controller.
        rig.log.clear();
        rig.model().SelectVolumes({kVolumeA, kVolumeB});
        QCOMPARE(SelectedNames(widget), (QStringList{u"{aaaa}"_s, u"{bbbb}"_s, u"{cccc}"_s}));
        // The engine's volume list loses B: the reset sends nothing to the controller either, and
        // the view shows what the drive model kept.
        rig.model().RemoveVolume(kVolumeB);
        emit rig.feed().DefragModelUpdated();
        QVERIFY2(rig.log.isEmpty(), qPrintable(rig.log.join(u' ')));
        QCOMPARE(rows->rowCount(), 2);
        QCOMPARE(SelectedNames(widget), (QStringList{u"{aaaa}"_s, u"{cccc}"_s}));
        widget.View()->clearSelection();
        QCOMPARE(rig.log, QStringList{u"Defrag.Deselect:{aaaa},{cccc}"_s});
        // Activating a row makes it current; a new current volume selects its row.
        emit widget.View()->activated(rows->index(0, 3));
        QCOMPARE(rig.model().CurrentVolume(), kVolumeA);
        rig.model().SetCurrentVolume(kVolumeC);
        QCOMPARE(SelectedNames(widget), QStringList{u"{cccc}"_s});
    }

    void unknownAndVanishedVolumes()
    {
        TRig rig;
        TModel table(rig.feed());
        QSignalSpy changed(&table, &QAbstractItemModel::dataChanged);
        // Notices of a volume not in the table change nothing; a known one refreshes its row.
        const TId unknown = L"{none}";
        rig.feed().OnStatusChanged(unknown, CDefrager::kAnalysing, 10.0, 0.0);
        rig.feed().OnFragmentationChanged(unknown, 3.0);
        emit rig.model().StatusChanged(unknown);
        QCOMPARE(changed.size(), 0);
        rig.model().SetFragmentation(kVolumeC, 3.0);
        QCOMPARE(changed.size(), 1);
        QCOMPARE(changed.first().at(0).value<QModelIndex>().row(), table.RowOf(kVolumeC));

        // A row whose volume left the drive model shows nothing and takes nothing.
        const int row = table.RowOf(kVolumeA);
        rig.model().RemoveVolume(kVolumeA);
        for (int column = 0; column < TModel::kColumnCount; ++column) {
            const QModelIndex cell = table.index(row, column);
            QCOMPARE(cell.flags(), Qt::ItemIsSelectable);
            for (const int role : {Qt::DisplayRole, Qt::EditRole, Qt::CheckStateRole})
                QVERIFY(!cell.data(role).isValid());
            QVERIFY(!table.setData(cell, Qt::Checked, Qt::CheckStateRole));
        }
        QVERIFY(!table.index(table.rowCount(), 0).data().isValid());
        QVERIFY(rig.log.isEmpty());
        rig.model().SetBlocked(kVolumeC, true); // a blocked volume is selectable only too
        QCOMPARE(table.index(table.RowOf(kVolumeC), 2).flags(), Qt::ItemIsSelectable);
    }

    void nextRunCell()
    {
        TRig rig;
        CCadence& cadence = rig.app().Cadence();
        const double now = COleDate::Now();
        auto add = [&](const TName& name, quint32 type, double nextRun, bool disabled, bool all) {
            CCadence::CScheduleData& record = cadence.Schedules()[name];
            record.name = name;
            record.settings.type = type;
            record.settings.nextRun = nextRun;
            record.settings.disabled = disabled;
            record.allDrives = all;
            record.drives = {kVolumeA};
            return record.NextRunText();
        };
        const QString daily = add(L"Daily", CCadence::kDaily, now - 2, false, false);
        add(L"Disabled", CCadence::kWeekly, now + 2, true, true);
        add(L"Once", CCadence::kOneTime, now - 1, false, true);
        CNextRunWidget combo(cadence);
        combo.SetCurrentSchedule(L"Daily", kVolumeA);
        QCOMPARE(combo.itemText(0), daily);
        for (const wchar_t* name : {L"Daily", L"Disabled", L"Once", L"Gone"}) {
            combo.SetCurrentSchedule(name, kVolumeB); // Daily does not cover B
            QCOMPARE(combo.itemText(0), u"Manual"_s);
            QVERIFY(combo.ScheduleName().empty());
        }
        emit combo.activated(CNextRunWidget::kChangeItem);
        QCOMPARE(rig.app().GetActivePane(), CModelLayout::kScheduling);
    }

    void headerStateAndPolicy()
    {
        TRig rig;
        auto show = [](COptimizeSettingsWidget& widget) {
            widget.LoadSettings();
            widget.resize(950, 300);
            widget.show();
            return QTest::qWaitForWindowExposed(&widget);
        };
        {
            COptimizeSettingsWidget widget(rig.feed());
            QVERIFY(show(widget)); // nothing stored yet
            QHeaderView* header = widget.View()->horizontalHeader();
            // The shares keep their proportions (Name 60, Status 75) and leave the last column room
            // for its header: no column hides behind a scroll bar.
            const int name = header->sectionSize(TModel::kNameColumn);
            QVERIFY(name > 90);
            QVERIFY(qAbs(header->sectionSize(TModel::kStatusColumn) * 60 - name * 75) < 75);
            QTRY_VERIFY(!widget.View()->horizontalScrollBar()->isVisible());
            header->resizeSection(TModel::kNameColumn, 77);
            header->moveSection(TModel::kSizeColumn, 0);
            widget.SaveSettings();
        }
        // Restored state wins over the shares; a denied offline pass hides two columns whatever
        // was stored.
        rig.Deny(u"AllowOfflineDefrag"_s);
        COptimizeSettingsWidget widget(rig.feed());
        QVERIFY(show(widget));
        QHeaderView* header = widget.View()->horizontalHeader();
        QCOMPARE(header->sectionSize(TModel::kNameColumn), 77);
        QCOMPARE(header->visualIndex(TModel::kSizeColumn), 0);
        QVERIFY(header->isSectionHidden(TModel::kStatusColumn));
        QVERIFY(header->isSectionHidden(TModel::kBootTimeColumn));
        QVERIFY(!header->isSectionHidden(TModel::kNextRunColumn));
    }
};

QTEST_MAIN(TestDriveTable)
#include "tst_DriveTable.moc"
