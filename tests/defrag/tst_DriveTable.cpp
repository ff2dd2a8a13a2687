#include "appmodel/IDefragController.h"
#include "core/COleDate.h"
#include "defrag/CDefragFeed.h"
#include "defrag/CEditorTableView.h"
#include "defrag/CNextRunWidget.h"
#include "defrag/COptimizeSettingsWidget.h"
#include "defrag/COptimizeTableModel.h"
#include "defrag/COptimizeTableSortFilterModel.h"
#include "tests/ribbon/fakes/CFakeFeatureControllers.h"
#include "tests/support/CAppFixture.h"

#include <QAction>
#include <QHeaderView>
#include <QScrollBar>
#include <QSignalSpy>
#include <QtTest>

#include <optional>

using namespace Qt::StringLiterals;

Q_DECLARE_METATYPE(CDefrager::TVolumeInfo)
Q_DECLARE_METATYPE(CEditorTableView::TMenuContext)

namespace {

using TColumn = COptimizeTableModel::TColumn;
using TCommand = CEditorTableView::TCommand;

const TId kVolumeA = L"{aaaa}";
const TId kVolumeB = L"{bbbb}";
const TId kVolumeC = L"{cccc}";
const QString kPolicyKey = u"Software\\Policies\\Tellmar\\Korvane\\11.0"_s;

// The ribbon tests' fake, keeping the drive model's selection, current volume and boot-time
// status as the page does.
class CTableController : public CFakeDefragController {
public:
    CTableController(QStringList& log, CDefrager& model)
        : CFakeDefragController(log)
        , m_model(model)
    {}
    void SetBootTime(const TId& volume, qint32 atBoot) override
    {
        Log(u"SetBootTime:%1:%2"_s.arg(QString::fromStdWString(volume)).arg(atBoot));
        m_model.SetAtBootStatus(volume, static_cast<CDefrager::TAtBootStatus>(atBoot));
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
    static QString Names(const std::list<TId>& volumes)
    {
        QStringList names;
        for (const TId& volume : volumes)
            names << QString::fromStdWString(volume);
        return names.join(u',');
    }

    CDefrager& m_model;
};

CDefrager::TVolumeInfo Volume(const TId& id, const TName& mountName, const TString& fileSystem,
                              double sizeMegabytes = 1024)
{
    CDefrager::TVolumeInfo volume;
    volume.volumeId = id;
    volume.mountName = mountName;
    volume.label = L"Data";
    volume.fileSystem = fileSystem;
    volume.driveType = CDefrager::kHardDisk;
    volume.sizeMegabytes = sizeMegabytes;
    return volume;
}

// An application controller with the fake registered, and a drive model of three volumes:
// A (C:\, NTFS), B (D:\, FAT32), C (E:\, NTFS).
struct TRig {
    TRig()
    {
        app().RegisterDefragController(&controller);
        model().SetVolume(Volume(kVolumeA, L"C:\\", L"NTFS", 512));
        model().SetVolume(Volume(kVolumeB, L"D:\\", L"FAT32", 1536));
        model().SetVolume(Volume(kVolumeC, L"E:\\", L"NTFS", 100));
    }
    ~TRig() { app().UnregisterDefragController(&controller); }

    CApp& app() { return *fixture.app; }
    CDefragFeed& feed() { return app().DefragFeed(); }
    CDefrager& model() { return app().Defrager(); }
    void Deny(const QString& permission)
    {
        CAppFixture::SetDword(kPolicyKey, permission, 0);
        app().Policy().ReloadPolicy(false);
    }

    QStringList log;
    CAppFixture fixture;
    CTableController controller{log, fixture.app->Defrager()};
};

QStringList Column(const QAbstractItemModel& model, int column, int role = Qt::DisplayRole)
{
    QStringList texts;
    for (int row = 0; row < model.rowCount(); ++row)
        texts << model.index(row, column).data(role).toString();
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
    void cellTextsAtTheirEdges_data();
    void cellTextsAtTheirEdges();
    void sortingByKeys();
    void bootTimeCheckBox_data();
    void bootTimeCheckBox();
    void contextMenuRules_data();
    void contextMenuRules();
    void contextMenuOfTheView();
    void selectionFollowsBothWays();
    void selectionThroughAReset();
    void noticesRefreshOnlyTheirRow();
    void vanishedVolumeRow();
    void nextRunCell();
    void headerStateAndPolicy();
};

void TestDriveTable::cellTextsAtTheirEdges_data()
{
    QTest::addColumn<int>("column");
    QTest::addColumn<CDefrager::TVolumeInfo>("volume");
    QTest::addColumn<QString>("text");

    auto volume = [](auto change) {
        CDefrager::TVolumeInfo record = Volume(kVolumeA, L"C:\\", L"NTFS");
        change(record);
        return record;
    };
    const int name = COptimizeTableModel::kNameColumn;
    const int status = COptimizeTableModel::kStatusColumn;
    const int size = COptimizeTableModel::kSizeColumn;
    const int fragmented = COptimizeTableModel::kFragmentedColumn;
    QTest::newRow("mounted") << name << volume([](auto&) {}) << u"(C:\\) Data"_s;
    QTest::newRow("unmounted") << name
                               << volume([](auto& v) { v.mountName = L"\\\\?\\Volume{12}\\"; })
                               << u"(Unmounted volume) Data"_s;
    QTest::newRow("status percent rounds down") << status << volume([](auto& v) {
        v.status = CDefrager::kDefragmenting;
        v.completionPercent = 7.25;
    }) << u"Defragmenting 7%"_s;
    QTest::newRow("status percent rounds up") << status << volume([](auto& v) {
        v.status = CDefrager::kAnalysing;
        v.completionPercent = 42.6;
    }) << u"Analyzing 43%"_s;
    QTest::newRow("status without percent")
        << status << volume([](auto& v) { v.status = CDefrager::kVerifying; }) << u"Verifying 0%"_s;
    QTest::newRow("unknown status")
        << status << volume([](auto& v) { v.status = 9; }) << u"Invalid Status"_s;
    QTest::newRow("just below a GB")
        << size << volume([](auto& v) { v.sizeMegabytes = 1023.999; }) << u"1024 MB"_s;
    QTest::newRow("one GB") << size << volume([](auto& v) { v.sizeMegabytes = 1024; }) << u"1 GB"_s;
    QTest::newRow("1536 MB") << size << volume([](auto& v) { v.sizeMegabytes = 1536; })
                             << u"1.5 GB"_s;
    QTest::newRow("2 TB") << size << volume([](auto& v) { v.sizeMegabytes = 2.0 * 1024 * 1024; })
                          << u"2 TB"_s;
    QTest::newRow("unanalysed") << fragmented << volume([](auto&) {}) << QString();
    QTest::newRow("no fragmentation")
        << fragmented << volume([](auto& v) { v.fragmentation = 0.0; }) << u"0 %"_s;
    QTest::newRow("fragmentation rounded")
        << fragmented << volume([](auto& v) { v.fragmentation = 12.349; }) << u"12.3 %"_s;
    QTest::newRow("never defragmented")
        << int(COptimizeTableModel::kLastDefragmentedColumn) << volume([](auto&) {}) << QString();
}

void TestDriveTable::cellTextsAtTheirEdges()
{
    QFETCH(int, column);
    QFETCH(CDefrager::TVolumeInfo, volume);
    QFETCH(QString, text);
    TRig rig;
    rig.model().Clear();
    rig.model().SetVolume(volume);
    COptimizeTableModel table(rig.feed());
    QCOMPARE(table.rowCount(), 1);
    QCOMPARE(table.index(0, column).data().toString(), text);
}

void TestDriveTable::sortingByKeys()
{
    TRig rig;
    rig.model().SetFragmentation(kVolumeA, 40.0);
    rig.model().SetFragmentation(kVolumeC, 5.0);
    COptimizeTableModel table(rig.feed());
    COptimizeTableSortFilterModel proxy;
    proxy.setSourceModel(&table);

    // The unanalysed volume B goes last going up, first going down.
    proxy.sort(COptimizeTableModel::kFragmentedColumn, Qt::AscendingOrder);
    QCOMPARE(Column(proxy, COptimizeTableModel::kFragmentedColumn),
             (QStringList{u"5 %"_s, u"40 %"_s, QString()}));
    proxy.sort(COptimizeTableModel::kFragmentedColumn, Qt::DescendingOrder);
    QCOMPARE(Column(proxy, COptimizeTableModel::kFragmentedColumn).first(), QString());

    // Sizes sort by megabytes, not by their texts.
    proxy.sort(COptimizeTableModel::kSizeColumn, Qt::AscendingOrder);
    QCOMPARE(Column(proxy, COptimizeTableModel::kSizeColumn),
             (QStringList{u"100 MB"_s, u"512 MB"_s, u"1.5 GB"_s}));

    // A refreshed row moves to its new place.
    rig.model().SetFragmentation(kVolumeB, 1.0);
    proxy.sort(COptimizeTableModel::kFragmentedColumn, Qt::AscendingOrder);
    QCOMPARE(Column(proxy, COptimizeTableModel::kFragmentedColumn),
             (QStringList{u"1 %"_s, u"5 %"_s, u"40 %"_s}));
}

void TestDriveTable::bootTimeCheckBox_data()
{
    QTest::addColumn<QString>("volume");
    QTest::addColumn<int>("atBoot");
    QTest::addColumn<bool>("allowed");
    QTest::addColumn<int>("diskCheckAnswer"); // HRESULT of the question to the engine
    QTest::addColumn<bool>("diskCheckScheduled");
    QTest::addColumn<int>("userAnswer");
    QTest::addColumn<int>("questions");
    QTest::addColumn<QString>("call"); // empty: refused

    const QString a = QString::fromStdWString(kVolumeA);
    const int yes = QMessageBox::Yes;
    const int no = QMessageBox::No;
    QTest::newRow("off turns on") << a << 0 << true << int(S_OK) << false << yes << 0
                                  << u"Defrag.SetBootTime:{aaaa}:1"_s;
    QTest::newRow("on turns off, without the question")
        << a << 1 << true << int(S_OK) << true << no << 0 << u"Defrag.SetBootTime:{aaaa}:0"_s;
    QTest::newRow("another positive status turns on")
        << a << 2 << true << int(S_OK) << false << yes << 0 << u"Defrag.SetBootTime:{aaaa}:1"_s;
    QTest::newRow("policy refuses")
        << a << 0 << false << int(S_OK) << false << yes << 0 << QString();
    QTest::newRow("disk check, user says no")
        << a << 0 << true << int(S_OK) << true << no << 1 << QString();
    QTest::newRow("disk check, user says yes")
        << a << 0 << true << int(S_OK) << true << yes << 1 << u"Defrag.SetBootTime:{aaaa}:1"_s;
    QTest::newRow("engine cannot say") << a << 0 << true << int(E_UNEXPECTED) << true << no << 0
                                       << u"Defrag.SetBootTime:{aaaa}:1"_s;
    QTest::newRow("FAT32 has no check box") << QString::fromStdWString(kVolumeB) << 0 << true
                                            << int(S_OK) << false << yes << 0 << QString();
}

void TestDriveTable::bootTimeCheckBox()
{
    QFETCH(QString, volume);
    QFETCH(int, atBoot);
    QFETCH(bool, allowed);
    QFETCH(int, diskCheckAnswer);
    QFETCH(bool, diskCheckScheduled);
    QFETCH(int, userAnswer);
    QFETCH(int, questions);
    QFETCH(QString, call);
    TRig rig;
    if (!allowed)
        rig.Deny(u"AllowOfflineDefrag"_s);
    const TId id = volume.toStdWString();
    rig.model().SetAtBootStatus(id, static_cast<CDefrager::TAtBootStatus>(atBoot));
    COptimizeTableModel table(rig.feed());
    QStringList asked;
    table.SetDiskCheckQuery([&](const TId& checked, bool* scheduled) {
        asked << QString::fromStdWString(checked);
        *scheduled = diskCheckScheduled;
        return HRESULT(diskCheckAnswer);
    });
    rig.fixture.presenter.messageAnswers
        << CScriptedPresenter::Answer(static_cast<QMessageBox::StandardButton>(userAnswer));
    QSignalSpy changed(&table, &QAbstractItemModel::dataChanged);

    const QModelIndex cell = table.index(table.RowOf(id), COptimizeTableModel::kBootTimeColumn);
    const bool accepted = table.setData(cell, Qt::Checked, Qt::CheckStateRole);

    QCOMPARE(accepted, !call.isEmpty());
    QCOMPARE(rig.log, call.isEmpty() ? QStringList() : QStringList{call});
    QCOMPARE(rig.fixture.presenter.messages.size(), questions);
    QCOMPARE(changed.size(), accepted ? 1 : 0);
    if (questions) {
        const IMessagePresenter::TMessage& question = rig.fixture.presenter.messages.first();
        QCOMPARE(question.buttons, QMessageBox::Yes | QMessageBox::No);
        QCOMPARE(question.defaultButton, QMessageBox::No);
        QCOMPARE(asked, QStringList{volume});
    }
    if (accepted)
        QCOMPARE(cell.data(Qt::CheckStateRole).value<Qt::CheckState>(),
                 rig.model().Volume(id).atBootStatus > 0 ? Qt::Checked : Qt::Unchecked);
}

void TestDriveTable::contextMenuRules_data()
{
    QTest::addColumn<CEditorTableView::TMenuContext>("context");
    QTest::addColumn<QList<TCommand>>("commands");

    using View = CEditorTableView;
    View::TMenuContext idle;
    idle.ntfs = true;
    idle.selectedCount = 1;
    const QList<TCommand> idleAll{
        View::kDefragNow,        View::kSeparator,      View::kSelectedFilesCommand,
        View::kBootTimeCommand,  View::kAnalyzeCommand, View::kSeparator,
        View::kPropertiesCommand};
    auto with = [](View::TMenuContext context, auto change) {
        change(context);
        return context;
    };
    QTest::newRow("idle, local") << idle << idleAll;
    QTest::newRow("idle, remote older engine")
        << with(idle, [](auto& c) { c.remote = true; })
        << QList<TCommand>{View::kDefragNow, View::kBootTimeCommand, View::kAnalyzeCommand,
                           View::kSeparator, View::kPropertiesCommand};
    QTest::newRow("idle, remote newer engine")
        << with(idle, [](auto& c) { c.remote = c.newerGeneration = true; }) << idleAll;
    QTest::newRow("idle FAT32, two selected")
        << with(idle,
                [](auto& c) {
                    c.ntfs = false;
                    c.selectedCount = 2;
                })
        << QList<TCommand>{View::kDefragNow, View::kSeparator, View::kSelectedFilesCommand,
                           View::kAnalyzeCommand};
    QTest::newRow("idle, only analysis allowed") << with(idle, [](auto& c) {
        c.allowOnlineDefrag = c.allowOfflineDefrag = c.allowModifyDriveProps = false;
    }) << QList<TCommand>{View::kAnalyzeCommand};
    QTest::newRow("busy, newer engine")
        << with(idle, [](auto& c) { c.busy = c.newerGeneration = true; })
        << QList<TCommand>{View::kStopCommand, View::kPauseCommand, View::kSeparator,
                           View::kPropertiesCommand};
    QTest::newRow("paused, newer engine")
        << with(idle, [](auto& c) { c.busy = c.paused = c.newerGeneration = true; })
        << QList<TCommand>{View::kStopCommand, View::kResumeCommand, View::kSeparator,
                           View::kPropertiesCommand};
    QTest::newRow("busy, older engine, two selected") << with(idle, [](auto& c) {
        c.busy = true;
        c.selectedCount = 2;
    }) << QList<TCommand>{View::kStopCommand};
    QTest::newRow("busy, stop denied")
        << with(idle, [](auto& c) { c.busy = true, c.allowStop = false; })
        << QList<TCommand>{View::kPropertiesCommand};
    QTest::newRow("blocked") << with(idle, [](auto& c) { c.blocked = true; }) << QList<TCommand>{};
    QTest::newRow("blocked while busy")
        << with(idle, [](auto& c) { c.blocked = c.busy = c.newerGeneration = true; })
        << QList<TCommand>{};
}

void TestDriveTable::contextMenuRules()
{
    QFETCH(CEditorTableView::TMenuContext, context);
    QFETCH(QList<TCommand>, commands);
    QCOMPARE(CEditorTableView::MenuCommands(context), commands);
}

void TestDriveTable::contextMenuOfTheView()
{
    TRig rig;
    rig.Deny(u"AllowAnalyze"_s);
    CEditorTableView view(rig.feed());
    QVERIFY(view.MenuActions().isEmpty()); // no current volume

    auto texts = [&view] {
        QStringList names;
        for (const QAction* action : view.MenuActions())
            names << (action ? action->text() : u"-"_s);
        return names;
    };
    // The console is on this computer, its engine of the older generation.
    rig.model().SetCurrentVolume(kVolumeB);
    rig.model().SelectVolumes({kVolumeB});
    QCOMPARE(texts(), (QStringList{u"Defrag Now"_s, u"-"_s, u"Selected Files"_s, u"-"_s,
                                   u"Drive Properties"_s}));
    rig.model().SetCurrentVolume(kVolumeA);
    rig.model().SelectVolumes({kVolumeA});
    QCOMPARE(texts(), (QStringList{u"Defrag Now"_s, u"-"_s, u"Selected Files"_s, u"Boot Time"_s}));
    rig.model().SetStatus(kVolumeA, CDefrager::kPaused);
    QCOMPARE(texts(), QStringList{u"Stop"_s});

    const QList<QAction*> first = view.MenuActions();
    QCOMPARE(view.MenuActions(), first);
    first.first()->trigger();
    rig.model().SetStatus(kVolumeA, CDefrager::kIdle);
    for (QAction* action : view.MenuActions())
        if (action)
            action->trigger();
    QCOMPARE(rig.log, (QStringList{u"Defrag.Stop"_s, u"Defrag.EntireDrive"_s,
                                   u"Defrag.SelectedFiles"_s, u"Defrag.SystemFiles"_s}));
}

void TestDriveTable::selectionFollowsBothWays()
{
    TRig rig;
    COptimizeSettingsWidget widget(rig.feed());
    QItemSelectionModel* selection = widget.View()->selectionModel();
    const QAbstractItemModel* rows = widget.View()->model();

    selection->select(rows->index(1, 0),
                      QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    QCOMPARE(rig.log, (QStringList{u"Defrag.Select:{bbbb}"_s, u"Defrag.Current:{bbbb}"_s}));
    rig.log.clear();
    selection->select(rows->index(2, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);
    QCOMPARE(rig.log, QStringList{u"Defrag.Select:{cccc}"_s});
    QCOMPARE(rig.model().Selection(), (std::list<TId>{kVolumeB, kVolumeC}));
    rig.log.clear();
    selection->select(rows->index(1, 0), QItemSelectionModel::Deselect | QItemSelectionModel::Rows);
    QCOMPARE(rig.log, (QStringList{u"Defrag.Deselect:{bbbb}"_s, u"Defrag.Current:{cccc}"_s}));

    // The drive model's selection shows in the view, without going back to the controller.
    rig.log.clear();
    rig.model().SelectVolumes({kVolumeA});
    QCOMPARE(SelectedNames(widget), (QStringList{u"{aaaa}"_s, u"{cccc}"_s}));
    QVERIFY(rig.log.isEmpty());

    // Activating a row makes it current; a new current volume selects its row.
    emit widget.View()->activated(rows->index(0, 3));
    QCOMPARE(rig.model().CurrentVolume(), kVolumeA);
    QCOMPARE(SelectedNames(widget), (QStringList{u"{aaaa}"_s, u"{cccc}"_s}));
    rig.model().SetCurrentVolume(kVolumeB);
    QCOMPARE(SelectedNames(widget), QStringList{u"{bbbb}"_s});
    QCOMPARE(rig.model().Selection(), std::list<TId>{kVolumeB});
}

void TestDriveTable::selectionThroughAReset()
{
    TRig rig;
    COptimizeSettingsWidget widget(rig.feed());
    widget.View()->selectAll();
    QCOMPARE(rig.model().Selection().size(), 3u);

    // The engine's volume list loses B: the reset sends nothing to the controller, and the
    // view shows what the drive model kept.
    rig.log.clear();
    rig.model().RemoveVolume(kVolumeB);
    emit rig.feed().DefragModelUpdated();
    QVERIFY2(rig.log.isEmpty(), qPrintable(rig.log.join(u' ')));
    QCOMPARE(widget.View()->model()->rowCount(), 2);
    QCOMPARE(SelectedNames(widget), (QStringList{u"{aaaa}"_s, u"{cccc}"_s}));

    widget.View()->clearSelection();
    QCOMPARE(rig.log, QStringList{u"Defrag.Deselect:{aaaa},{cccc}"_s});
}

void TestDriveTable::noticesRefreshOnlyTheirRow()
{
    TRig rig;
    COptimizeSettingsWidget widget(rig.feed());
    COptimizeTableModel& table = *widget.TableModel();
    QSignalSpy changed(&table, &QAbstractItemModel::dataChanged);
    QSignalSpy reset(&table, &QAbstractItemModel::modelReset);

    const TId unknown = L"{none}";
    rig.feed().OnStatusChanged(unknown, CDefrager::kAnalysing, 10.0, 0.0);
    rig.feed().OnFragmentationChanged(unknown, 3.0);
    emit rig.model().StatusChanged(unknown);
    QCOMPARE(changed.size(), 0);

    rig.model().SetFragmentation(kVolumeC, 3.0);
    QCOMPARE(changed.size(), 1);
    QCOMPARE(changed.first().at(0).value<QModelIndex>().row(), table.RowOf(kVolumeC));
    QCOMPARE(changed.first().at(1).value<QModelIndex>().row(), table.RowOf(kVolumeC));
    QCOMPARE(reset.size(), 0);
}

void TestDriveTable::vanishedVolumeRow()
{
    TRig rig;
    COptimizeTableModel table(rig.feed());
    const int row = table.RowOf(kVolumeA);
    rig.model().RemoveVolume(kVolumeA);

    for (int column = 0; column < COptimizeTableModel::kColumnCount; ++column) {
        const QModelIndex cell = table.index(row, column);
        QCOMPARE(cell.flags(), Qt::ItemIsSelectable);
        for (const int role :
             {Qt::DisplayRole, Qt::UserRole, Qt::EditRole, Qt::CheckStateRole, Qt::DecorationRole})
            QVERIFY(!cell.data(role).isValid());
        QVERIFY(!table.setData(cell, Qt::Checked, Qt::CheckStateRole));
    }
    QVERIFY(!table.index(table.rowCount(), 0).data().isValid());
    QVERIFY(rig.log.isEmpty());

    // A blocked volume is selectable only too.
    rig.model().SetBlocked(kVolumeC, true);
    QCOMPARE(table.index(table.RowOf(kVolumeC), 2).flags(), Qt::ItemIsSelectable);
}

void TestDriveTable::nextRunCell()
{
    TRig rig;
    CCadence& cadence = rig.app().Cadence();
    const double now = COleDate::Now();
    auto addDrive = [&](const TName& name, quint32 type, double nextRun, bool disabled,
                        bool allDrives) {
        CCadence::CScheduleData& record = cadence.Schedules()[name];
        record.name = name;
        record.settings.type = type;
        record.settings.nextRun = nextRun;
        record.settings.disabled = disabled;
        record.allDrives = allDrives;
        record.drives = {kVolumeA};
        return record.NextRunText();
    };
    const QString daily = addDrive(L"Daily", CCadence::kDaily, now - 2, false, false);
    addDrive(L"Disabled", CCadence::kWeekly, now + 2, true, true);
    addDrive(L"Once", CCadence::kOneTime, now - 1, false, true);
    CCadence::CExScheduleData& store = cadence.ExSchedules()[L"Store"];
    store.name = L"Store";
    store.settings.type = CCadence::kOneTime;
    store.settings.nextRun = now + 30;

    CNextRunWidget combo(cadence);
    combo.SetCurrentSchedule(L"Daily", kVolumeA);
    QCOMPARE(combo.itemText(0), daily);
    QCOMPARE(combo.ScheduleName(), TName(L"Daily"));
    combo.SetCurrentSchedule(L"Store", kVolumeA);
    QCOMPARE(combo.itemText(0), store.NextRunText());
    for (const wchar_t* name : {L"Daily", L"Disabled", L"Once", L"Gone"}) {
        combo.SetCurrentSchedule(name, kVolumeB); // Daily does not cover B
        QCOMPARE(combo.itemText(0), u"Manual"_s);
        QVERIFY(combo.ScheduleName().empty());
    }

    combo.CheckForDateChange(CNextRunWidget::kScheduleItem);
    QCOMPARE(rig.app().GetActivePane(), CModelLayout::kNoPane);
    QSignalSpy panes(&rig.app(), &CApp::PaneActivated);
    emit combo.activated(CNextRunWidget::kChangeItem);
    QCOMPARE(panes.size(), 1);
    QCOMPARE(rig.app().GetActivePane(), CModelLayout::kScheduling);
}

void TestDriveTable::headerStateAndPolicy()
{
    TRig rig;
    {
        COptimizeSettingsWidget widget(rig.feed());
        widget.LoadSettings(); // nothing stored yet
        widget.resize(950, 300);
        widget.show();
        QVERIFY(QTest::qWaitForWindowExposed(&widget));
        QHeaderView* header = widget.View()->horizontalHeader();
        // The shares keep their proportions (Name 60, Status 75) and leave the last column room
        // for its header: no column hides behind a scroll bar.
        const int name = header->sectionSize(COptimizeTableModel::kNameColumn);
        QVERIFY(name > 90);
        QVERIFY(qAbs(header->sectionSize(COptimizeTableModel::kStatusColumn) * 60 - name * 75) <
                75);
        QTRY_VERIFY(!widget.View()->horizontalScrollBar()->isVisible());
        header->resizeSection(COptimizeTableModel::kNameColumn, 77);
        header->moveSection(COptimizeTableModel::kSizeColumn, 0);
        widget.SaveSettings();
    }
    // Restored state wins over the shares; a denied offline pass hides two columns whatever
    // was stored.
    rig.Deny(u"AllowOfflineDefrag"_s);
    COptimizeSettingsWidget widget(rig.feed());
    widget.LoadSettings();
    widget.resize(950, 300);
    widget.show();
    QVERIFY(QTest::qWaitForWindowExposed(&widget));
    QHeaderView* header = widget.View()->horizontalHeader();
    QCOMPARE(header->sectionSize(COptimizeTableModel::kNameColumn), 77);
    QCOMPARE(header->visualIndex(COptimizeTableModel::kSizeColumn), 0);
    QVERIFY(header->isSectionHidden(COptimizeTableModel::kStatusColumn));
    QVERIFY(header->isSectionHidden(COptimizeTableModel::kBootTimeColumn));
    QVERIFY(!header->isSectionHidden(COptimizeTableModel::kNextRunColumn));
}

QTEST_MAIN(TestDriveTable)
#include "tst_DriveTable.moc"
