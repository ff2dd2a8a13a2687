#include "schedule/CCadenceWidget.h"

#include "appmodel/CModelLayout.h"
#include "appmodel/IAppController.h"
#include "appmodel/IMessagePresenter.h"
#include "core/CSystemMessage.h"
#include "engine/CKV100AgentInterface.h"
#include "platform/registry/CSettings.h"
#include "policy/CClientGP.h"
#include "schedule/CAgentSchedules.h"
#include "schedule/CCadenceFeed.h"
#include "schedule/CCadenceTableModel.h"
#include "schedule/CCadenceTableSortFilterModel.h"
#include "schedule/CDisplayPowerOff.h"
#include "schedule/CDriveWizardFactory.h"
#include "schedule/CRenameWizard.h"

#include <QHeaderView>
#include <QItemSelectionModel>
#include <QSplitter>
#include <QVBoxLayout>

#include <iterator>
#include <set>

using namespace Qt::StringLiterals;

const QString CCadenceWidget::kSplitterKey = u"Splitters/Cadence Splitter"_s;
const QString CCadenceWidget::kTableStateKey = u"Tabs/Cadence Schedule Table"_s;

CCadenceWidget::CCadenceWidget(CCadenceFeed& feed, QWidget* parent)
    : QWidget(parent)
    , CTranslatable("CCadenceWidget")
    , m_feed(feed)
    , m_cadence(feed.Cadence())
    , m_model(new CCadenceTableModel(feed.Cadence(), this))
    , m_sortModel(new CCadenceTableSortFilterModel(this))
    , m_splitter(new QSplitter(Qt::Horizontal, this))
    , m_table(new CScheduleTable(*this, m_splitter))
    , m_display(std::make_unique<CXsetDisplayPowerOff>())
{
    m_sortModel->setSourceModel(m_model);
    m_table->setModel(m_sortModel);
    m_table->SetContextSource([this] { return MenuContext(); });
    // Until the user's own widths are restored: room for names and dates on one line.
    static constexpr int kColumnWidths[] = {160, 100, 140, 140};
    for (int column = 0; column < int(std::size(kColumnWidths)); ++column)
        m_table->setColumnWidth(column, kColumnWidths[column]);
    m_splitter->addWidget(m_table);
    m_splitter->setChildrenCollapsible(false);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_splitter);

    connect(m_table->selectionModel(), &QItemSelectionModel::currentChanged, m_table,
            &CScheduleTable::OnCurrentChanged);
    connect(m_table->selectionModel(), &QItemSelectionModel::currentChanged, this,
            &CCadenceWidget::OnCurrentChanged);
    connect(m_table, &QAbstractItemView::doubleClicked, this, &CCadenceWidget::OnEditSchedule);
    connect(m_table, &QAbstractItemView::activated, this, &CCadenceWidget::OnEditSchedule);
    connect(m_sortModel, &QAbstractItemModel::modelReset, this, &CCadenceWidget::ReselectRows);
    connect(&m_feed, &CCadenceFeed::RunningChanged, m_model, &CCadenceTableModel::Reset);

    if (IAppController* app = App()) {
        app->RegisterCadenceController(this);
        m_registered = true;
    }
    LoadSettings();
}

CCadenceWidget::~CCadenceWidget()
{
    SaveSettings();
    if (m_registered) {
        if (IAppController* app = App())
            app->UnregisterCadenceController(this);
    }
}

IAppController* CCadenceWidget::App() const
{
    return IAppController::Current();
}

void CCadenceWidget::SetDetailPane(QWidget* pane)
{
    m_splitter->addWidget(pane);
    if (!m_splitterState.isEmpty())
        m_splitter->restoreState(m_splitterState);
    else // the pane holds the timeline of the QuietWatch schedule: give it room
        m_splitter->setSizes({600, 420});
}

void CCadenceWidget::SetDisplayPowerOff(std::unique_ptr<IDisplayPowerOff> display)
{
    m_display = std::move(display);
}

QMessageBox::StandardButton CCadenceWidget::Ask(QMessageBox::Icon icon, const QString& title,
                                                const QString& text,
                                                QMessageBox::StandardButtons buttons)
{
    return IMessagePresenter::Show(icon, title, text, buttons, window());
}

void CCadenceWidget::ShowFailure(const char* title, const char* text, const TName& name,
                                 HRESULT result)
{
    Ask(QMessageBox::Warning, Translate(title),
        Translate(text).Arg(name).Arg(CSystemMessage::CodeText(result)));
}

void CCadenceWidget::ShowCodeFailure(const char* title, const char* text, HRESULT result)
{
    Ask(QMessageBox::Warning, Translate(title),
        Translate(text).Arg(CSystemMessage::CodeText(result)));
}

void CCadenceWidget::ShowReloadFailures(const CCadenceFeed::TReloadFailures& failures)
{
    using TPart = CCadenceFeed::TFailedPart;
    // A broken connection fails every read alike: one box per part says it.
    std::set<TPart> shown;
    for (const CCadenceFeed::TReloadFailure& failure : failures) {
        if (!shown.insert(failure.part).second)
            continue;
        const char* title = nullptr;
        const char* text = nullptr;
        switch (failure.part) {
        case TPart::kDriveNames:
            title = m_feed.IsRemote()
                        ? "Unable to get model data - Remote Connection - GetScheduleNames()"
                        : "Unable to get model data - GetScheduleNames()";
            text = "Unable to get Model Data due to error: %1(%2)";
            break;
        case TPart::kDriveSchedule:
            title = "Unable to get Schedule data - GetSchedule()";
            text = "Unable to get Schedule Data for schedule (%3) due to error: %1(%2)";
            break;
        case TPart::kExchange:
            title = "Unable to get Exchange model data - Remote Connection - GetExSchedule()";
            text = "Unable to get Exchange Model Data due to error: %1(%2)";
            break;
        case TPart::kGuest:
            title = "Unable to get Virtual Guest model data - Remote Connection - GetVmSchedule()";
            text = "Unable to get Virtual Guest Model Data due to error: %1(%2)";
            break;
        }
        Ask(QMessageBox::Warning, Translate(title),
            Translate(text)
                .Arg(CSystemMessage::CodeText(failure.result))
                .Arg(CSystemMessage::Text(failure.result))
                .Arg(failure.name));
    }
}

std::optional<CCadenceWidget::TKind> CCadenceWidget::KindOf(const TName& name) const
{
    if (m_cadence.Schedules().contains(name))
        return TKind::kDrive;
    if (m_cadence.ExSchedules().contains(name))
        return TKind::kExchange;
    if (m_cadence.VmSchedules().contains(name))
        return TKind::kGuest;
    return std::nullopt;
}

namespace {

// The name the agent keeps a drive schedule by: the special schedules have fixed names.
TName CadenceStoredName(const CCadence::CScheduleData& schedule)
{
    if (schedule.IsScreenSaver())
        return CAgentSchedules::kScreenSaverName;
    if (schedule.IsQuietWatch())
        return CAgentSchedules::kQuietWatchName;
    return schedule.name;
}

// Reads the schedule into the map of its kind; the map changes only when it is read.
template <typename TMap>
HRESULT CadenceReadInto(const CAgentSchedules& schedules, const TName& name, TMap* map)
{
    typename TMap::mapped_type record;
    const HRESULT result = schedules.Read(name, &record);
    if (result == S_OK)
        (*map)[name] = record;
    return result;
}

} // namespace

HRESULT CCadenceWidget::ReadBack(const TName& name, TKind kind)
{
    const CAgentSchedules schedules(m_feed.Agent());
    switch (kind) {
    case TKind::kDrive:
        return CadenceReadInto(schedules, name, &m_cadence.Schedules());
    case TKind::kExchange:
        return CadenceReadInto(schedules, name, &m_cadence.ExSchedules());
    case TKind::kGuest:
        return CadenceReadInto(schedules, name, &m_cadence.VmSchedules());
    }
    return E_UNEXPECTED;
}

void CCadenceWidget::ResetTable()
{
    m_model->Reset();
}

// --- view state

CScheduleTable::TMenuContext CCadenceWidget::MenuContext() const
{
    CScheduleTable::TMenuContext context;
    const std::optional<TName>& current = m_cadence.CurrentSchedule();
    const std::optional<TKind> kind = current ? KindOf(*current) : std::nullopt;
    if (!kind)
        return context;
    context.hasCurrent = true;
    if (*kind == TKind::kDrive)
        context.local = m_cadence.Schedules().at(*current).IsLocal();
    bool disabled = false;
    if (SUCCEEDED(m_feed.Agent().GetDisabled(*current, &disabled)))
        context.disabled = disabled;
    if (IAppController* app = App())
        CScheduleTable::ApplyPolicy(app->Policy(), &context);
    return context;
}

void CCadenceWidget::ReselectRows()
{
    const std::optional<TName>& current = m_cadence.CurrentSchedule();
    const int row = current ? m_model->RowOf(*current) : -1;
    const QModelIndex index =
        row < 0 ? QModelIndex() : m_sortModel->mapFromSource(m_model->index(row, 0));
    m_table->updateCurrent(index);
}

void CCadenceWidget::SelectSchedule(const TName& name)
{
    if (!KindOf(name))
        return;
    const bool changed = m_cadence.CurrentSchedule() != name;
    m_cadence.SetCurrentSchedule(name);
    ReselectRows();
    // The table's own change of row is not told when the model already had it as current.
    if (changed)
        emit ScheduleSelected(name);
}

void CCadenceWidget::OnCurrentChanged(const QModelIndex& current, const QModelIndex& previous)
{
    Q_UNUSED(previous);
    const std::optional<TName> name =
        current.isValid() ? m_model->NameAt(m_sortModel->mapToSource(current).row()) : std::nullopt;
    if (!name) {
        m_cadence.ClearCurrentSchedule();
        return;
    }
    if (m_cadence.CurrentSchedule() == name)
        return;
    m_cadence.SetCurrentSchedule(*name);
    emit ScheduleSelected(*name);
}

void CCadenceWidget::LoadSettings()
{
    IAppController* app = App();
    if (!app)
        return;
    m_splitterState = app->Settings().value(kSplitterKey).toByteArray();
    if (!m_splitterState.isEmpty())
        m_splitter->restoreState(m_splitterState);
    const QByteArray table = app->Settings().value(kTableStateKey).toByteArray();
    if (!table.isEmpty())
        m_table->horizontalHeader()->restoreState(table);
}

void CCadenceWidget::SaveSettings()
{
    IAppController* app = App();
    if (!app)
        return;
    app->Settings().setValue(kSplitterKey, m_splitter->saveState());
    app->Settings().setValue(kTableStateKey, m_table->horizontalHeader()->saveState());
}

void CCadenceWidget::OnConnectComputer()
{
    // The connection's refresh has reloaded the model through UpdateModel(); the view only
    // starts again on the new computer's schedules.
    ResetTable();
}

void CCadenceWidget::OnEditSchedule()
{
    Edit();
}

// --- operations

void CCadenceWidget::UpdateModel()
{
    const CCadenceFeed::TReloadFailures failures = m_feed.Reload();
    // The table takes the new rows before a box can let it paint.
    ResetTable();
    ShowReloadFailures(failures);
    emit ModelUpdated();
    m_feed.UpdateNextRuns();
}

void CCadenceWidget::RunNow()
{
    const std::optional<TName> current = m_cadence.CurrentSchedule();
    const std::optional<TKind> kind = current ? KindOf(*current) : std::nullopt;
    if (!kind)
        return;
    const HRESULT result = CAgentSchedules(m_feed.Agent()).RunNow(*current);
    if (FAILED(result)) {
        ShowFailure("Unable to Run Schedule", "Unable to Run Schedule %1 due to error %2", *current,
                    result);
        return;
    }
    IAppController* app = App();
    if (!app)
        return;
    switch (*kind) {
    case TKind::kExchange:
        app->SetActivePane(CModelLayout::kExchange);
        break;
    case TKind::kGuest:
        app->SetActivePane(CModelLayout::kVirtualGuests);
        break;
    case TKind::kDrive:
        app->SetActivePane(CModelLayout::kDefragmentation);
        break;
    }
}

void CCadenceWidget::Delete()
{
    const std::optional<TName> current = m_cadence.CurrentSchedule();
    if (!current || !KindOf(*current))
        return;
    QString shown = QString::fromStdWString(*current);
    if (*current == CAgentSchedules::kScreenSaverName)
        shown = Translate("Screen Saver Schedule");
    else if (*current == CAgentSchedules::kQuietWatchName)
        shown = Translate("Full Auto Schedule");
    const QMessageBox::StandardButton answer =
        Ask(QMessageBox::Question, Translate("Confirm Schedule Delete"),
            Translate("Are you sure you want to delete schedule %1?").Arg(shown),
            QMessageBox::Yes | QMessageBox::No);
    if (answer != QMessageBox::Yes)
        return;
    const HRESULT result = CAgentSchedules(m_feed.Agent()).Remove(*current);
    if (FAILED(result)) {
        ShowFailure("Unable to Delete Schedule", "Unable to Delete Schedule %1 due to error %2",
                    *current, result);
        return;
    }
    m_cadence.RemoveSchedule(*current);
    ResetTable();
    emit ScheduleDeleted();
    emit ModelUpdated();
    if (IAppController* app = App())
        app->UpdateNextRuns();
}

void CCadenceWidget::Disable()
{
    const std::optional<TName> current = m_cadence.CurrentSchedule();
    const std::optional<TKind> kind = current ? KindOf(*current) : std::nullopt;
    if (!kind)
        return;
    CKV100AgentInterface& agent = m_feed.Agent();
    bool disabled = false;
    HRESULT result = agent.GetDisabled(*current, &disabled);
    if (SUCCEEDED(result))
        result = CAgentSchedules(agent).SetDisabled(*current, !disabled);
    if (SUCCEEDED(result))
        result = ReadBack(*current, *kind);
    if (FAILED(result)) {
        ShowFailure("Unable to Toggle Disabled status of Schedule",
                    "Unable to Toggle Disabled status of  Schedule %1 due to error %2", *current,
                    result);
        return;
    }
    ResetTable();
    // The flag read before the toggle is the new enabled state.
    const bool enabled = disabled;
    emit ScheduleEnabled(*current, enabled);
    emit ModelUpdated();
    if (IAppController* app = App())
        app->UpdateNextRuns();
}

void CCadenceWidget::Edit()
{
    const std::optional<TName> current = m_cadence.CurrentSchedule();
    const std::optional<TKind> kind = current ? KindOf(*current) : std::nullopt;
    if (!kind) {
        Ask(QMessageBox::Information, Translate("Cannot edit schedule"),
            Translate("Cannot edit schedule, please select a schedule to edit"));
        return;
    }
    if (*kind != TKind::kDrive) {
        WizardMissing();
        return;
    }
    const CCadence::CScheduleData before = m_cadence.Schedules().at(*current);
    // Schedules of a policy or of the enterprise console are changed where they come from.
    if (!before.IsLocal())
        return;
    std::unique_ptr<CDriveWizardBase> wizard =
        CDriveWizardFactory::Create(m_cadence, Drives(), before, true, window());
    if (!wizard || IMessagePresenter::Instance().RunDialog(*wizard) != QDialog::Accepted)
        return;
    CCadence::CScheduleData after = wizard->Schedule();
    after.source = before.source;
    wizard.reset();
    const HRESULT result = WriteEdit(before.name, std::move(after));
    if (FAILED(result))
        ShowCodeFailure("Unable to Edit Schedule", "Unable to edit schedule due to error %1",
                        result);
}

HRESULT CCadenceWidget::WriteEdit(const TName& oldName, CCadence::CScheduleData schedule)
{
    const CAgentSchedules agent(m_feed.Agent());
    const TName name = schedule.name;
    if (name != oldName) {
        const HRESULT renamed = agent.Rename(oldName, name);
        if (FAILED(renamed))
            return renamed;
        m_cadence.RemoveSchedule(oldName);
    }
    HRESULT result = agent.Save(schedule);
    if (SUCCEEDED(result))
        result = ReadBack(name, TKind::kDrive);
    if (result == S_FALSE)
        result = E_UNEXPECTED; // the agent keeps it as another kind's
    // A renamed schedule is in the table under its new name even when the write failed.
    ResetTable();
    SelectSchedule(name);
    if (FAILED(result))
        return result;
    emit ScheduleChanged(name);
    if (IAppController* app = App())
        app->UpdateNextRuns();
    return result;
}

void CCadenceWidget::Rename()
{
    const std::optional<TName> current = m_cadence.CurrentSchedule();
    const std::optional<TKind> kind = current ? KindOf(*current) : std::nullopt;
    if (!kind) {
        Ask(QMessageBox::Information, Translate("Cannot rename schedule"),
            Translate("Cannot rename schedule, please select a schedule to rename"));
        return;
    }
    // Only drive schedules are renamed here; the special ones keep their fixed names.
    if (*kind != TKind::kDrive || m_cadence.Schedules().at(*current).IsSpecial())
        return;
    CRenameWizard wizard(m_cadence, TWireRecord(m_cadence.Schedules().at(*current)), window());
    if (IMessagePresenter::Instance().RunDialog(wizard) != QDialog::Accepted)
        return;
    const TName name = wizard.NewName();
    const HRESULT result = CAgentSchedules(m_feed.Agent()).Rename(*current, name);
    if (FAILED(result)) {
        ShowCodeFailure("Unable to Rename Schedule", "Unable to rename schedule due to error %1",
                        result);
        return;
    }
    m_cadence.RemoveSchedule(*current);
    // The renamed schedule stays the current one.
    m_cadence.SetCurrentSchedule(name);
    UpdateModel();
}

HRESULT CCadenceWidget::CreateSchedule(CCadence::CScheduleData schedule_data)
{
    schedule_data.name = CadenceStoredName(schedule_data);
    const TName name = schedule_data.name;
    HRESULT result = CAgentSchedules(m_feed.Agent()).Save(schedule_data);
    if (SUCCEEDED(result))
        result = ReadBack(name, TKind::kDrive);
    if (FAILED(result) || result == S_FALSE) {
        if (result == S_FALSE)
            result = E_UNEXPECTED; // the agent keeps it as another kind's
        ShowCodeFailure("Unable to Create Schedule", "Unable to create schedule due to error %1",
                        result);
        return result;
    }
    ResetTable();
    emit ScheduleCreated(name);
    return result;
}

// --- the wizards

void CCadenceWidget::WizardMissing()
{
    Ask(QMessageBox::Information, Translate("Schedule Wizard"),
        Translate("The schedule wizard is not available in this version of the console."));
}

bool CCadenceWidget::CallWizard(CCadence::TScheduleType type)
{
    std::unique_ptr<CDriveWizardBase> wizard = CDriveWizardFactory::Create(
        m_cadence, Drives(), CDriveWizardFactory::FreshRecord(type), false, window());
    if (!wizard)
        return false;
    if (IMessagePresenter::Instance().RunDialog(*wizard) == QDialog::Accepted) {
        CCadence::CScheduleData schedule = wizard->Schedule();
        wizard.reset();
        // The new schedule becomes the current one, under the name the agent keeps it by.
        const TName name = CadenceStoredName(schedule);
        if (SUCCEEDED(CreateSchedule(std::move(schedule))))
            SelectSchedule(name);
    }
    return true;
}

CSelectDrivesPage::TDrives CCadenceWidget::Drives() const
{
    return m_driveLister ? m_driveLister() : CSelectDrivesPage::TDrives();
}

void CCadenceWidget::SetDriveLister(TDriveLister lister)
{
    m_driveLister = std::move(lister);
}

void CCadenceWidget::OneTime()
{
    CallWizard(CCadence::kOneTime);
}

void CCadenceWidget::Daily()
{
    CallWizard(CCadence::kDaily);
}

void CCadenceWidget::Weekly()
{
    CallWizard(CCadence::kWeekly);
}

void CCadenceWidget::ScreenSaver()
{
    const TName existing = m_cadence.ScreenSaverScheduleName();
    if (!existing.empty()) {
        SelectSchedule(existing);
        Edit();
        return;
    }
    if (const std::optional<int> minutes = m_display ? m_display->PowerOffMinutes() : std::nullopt)
        Ask(QMessageBox::Information,
            Translate("Screen Saver Schedule only runs when monitor is powered on."),
            Translate("The Screen Saver Schedule only runs when the monitor is powered on. Your "
                      "system is configured to turn your monitor off after %1 minutes of being "
                      "idle. This may result in the Screen Saver schedule not running as "
                      "expected. You may want to instead consider using QuietWatch or creating "
                      "a defined schedule.")
                .Arg(*minutes));
    CallWizard(CCadence::kScreenSaver);
}

void CCadenceWidget::Automatic()
{
    const TName existing = m_cadence.QuietWatchScheduleName();
    if (!existing.empty()) {
        SelectSchedule(existing);
        Edit();
        return;
    }
    CallWizard(CCadence::kQuietWatch);
}

void CCadenceWidget::OneTimeEx()
{
    WizardMissing();
}

void CCadenceWidget::WeeklyEx()
{
    WizardMissing();
}

void CCadenceWidget::OneTimeVm()
{
    WizardMissing();
}

void CCadenceWidget::DailyVm()
{
    WizardMissing();
}

void CCadenceWidget::WeeklyVm()
{
    WizardMissing();
}
