#include "schedule/CScheduleWidget.h"

#include "appmodel/IAppController.h"
#include "appmodel/IMessagePresenter.h"
#include "core/COleDate.h"
#include "core/CTextFormat.h"
#include "platform/registry/CSettings.h"
#include "schedule/CAgentSchedules.h"
#include "schedule/CCadenceFeed.h"
#include "schedule/CCadenceWidget.h"
#include "schedule/CScheduleTitleContainerWidget.h"
#include "schedule/CTimeline.h"

#include <QGridLayout>
#include <QLabel>
#include <QScrollArea>
#include <QSplitter>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

const QString CScheduleWidget::kExclusionsSplitterKey = u"Splitters/Exclusions Splitter"_s;

namespace {

// The rows' headings; the targets' heading is the kind's.
constexpr std::array<const char*, CScheduleWidget::kRowCount> kHeadings = {
    "<b>Status</b>",
    "<b>Starts</b>",
    "<b>Last Run</b>",
    "<b>Next Run</b>",
    nullptr,
    "<b>Defragment</b>",
    "<b>Reclaim Free Space</b>",
    "<b>Period</b>",
    "<b>Activity Timeout</b>",
    "<b>Important Processes</b>",
};

// By weekday bit, Monday first.
constexpr std::array<const char*, 7> kDayNames = {
    "Mondays", "Tuesdays", "Wednesdays", "Thursdays", "Fridays", "Saturdays", "Sundays",
};

constexpr quint32 kWorkdays = CCadence::kMonday | CCadence::kTuesday | CCadence::kWednesday |
                              CCadence::kThursday | CCadence::kFriday;
constexpr quint32 kWeekend = CCadence::kSaturday | CCadence::kSunday;
constexpr quint32 kHoursPerDay = 24;
constexpr quint32 kHoursPerWeek = 168;
constexpr double kSecondsPerHour = 3600.0;
// How the splitter shares the pane between the details and the exclusions at first.
constexpr int kDetailsShare = 45;
constexpr int kExclusionsShare = 55;

QString ScheduleWidgetNumber(double value)
{
    return CTextFormat::NumberText(value, 2);
}

QString ScheduleWidgetLines(const TStringList& entries)
{
    QStringList lines;
    for (const TString& entry : entries)
        lines.append(QString::fromStdWString(entry));
    return lines.join(u'\n');
}

} // namespace

CScheduleWidget::CScheduleWidget(CCadenceFeed& feed, QWidget* parent)
    : CScheduleWidgetBase(parent)
    , CTranslatable("CScheduleWidget")
    , m_feed(feed)
    , m_cadence(feed.Cadence())
    , m_splitter(new QSplitter(Qt::Vertical, this))
    , m_detailsArea(new QScrollArea(m_splitter))
    , m_grid(new QGridLayout)
    , m_exclusionsHost(new QWidget(m_splitter))
    , m_timeline(new CTimeline(m_exclusionsHost))
{
    auto* details = new QWidget;
    details->setLayout(m_grid);
    m_grid->setContentsMargins(10, 8, 10, 8);
    m_grid->setHorizontalSpacing(12);
    m_grid->setVerticalSpacing(6);
    for (int row = 0; row < kRowCount; ++row) {
        auto* heading = new QLabel(details);
        heading->setTextFormat(Qt::RichText);
        auto* value = new QLabel(details);
        // The values hold names from the agent: never read as markup.
        value->setTextFormat(Qt::PlainText);
        value->setWordWrap(true);
        value->setTextInteractionFlags(Qt::TextSelectableByMouse);
        m_grid->addWidget(heading, row, 0, Qt::AlignLeft | Qt::AlignTop);
        m_grid->addWidget(value, row, 1, Qt::AlignTop);
        m_headings[std::size_t(row)] = heading;
        m_values[std::size_t(row)] = value;
    }
    m_grid->setColumnStretch(1, 1);
    m_grid->setRowStretch(kRowCount, 1);

    m_detailsArea->setWidget(details);
    // The pane's own background shows through; the scroll area would fill it in.
    details->setAutoFillBackground(false);
    m_detailsArea->setWidgetResizable(true);
    m_detailsArea->setFrameShape(QFrame::NoFrame);
    m_detailsArea->viewport()->setAutoFillBackground(false);

    auto* hostLayout = new QVBoxLayout(m_exclusionsHost);
    hostLayout->setContentsMargins(0, 0, 0, 0);
    hostLayout->addWidget(m_timeline);
    connect(this, &CScheduleWidget::ExclusionWindowsShown, m_timeline,
            [this](const CScheduleSettings::TExclusionWindows& windows) {
                m_timeline->SetWindows(windows);
            });
    connect(m_timeline, &CTimeline::Updated, this, &CScheduleWidget::OnTimelineUpdated);
    m_windowsSource = [this] { return m_timeline->Windows(); };
    m_splitter->addWidget(m_detailsArea);
    m_splitter->addWidget(m_exclusionsHost);
    m_splitter->setChildrenCollapsible(false);
    m_splitter->setStretchFactor(0, 1);
    m_splitter->setStretchFactor(1, 2);
    BodyLayout()->addWidget(m_splitter);

    Clear();
}

void CScheduleWidget::Follow(CCadenceWidget& controller)
{
    connect(&controller, &CCadenceWidget::ScheduleSelected, this,
            &CScheduleWidget::OnScheduleSelected);
    connect(&controller, &CCadenceWidget::ScheduleChanged, this,
            &CScheduleWidget::OnScheduleChanged);
    connect(&controller, &CCadenceWidget::ScheduleChangedEX, this,
            &CScheduleWidget::OnScheduleChangedEX);
    connect(&controller, &CCadenceWidget::ScheduleChangedVM, this,
            &CScheduleWidget::OnScheduleChangedVM);
    connect(&controller, &CCadenceWidget::ScheduleEnabled, this,
            &CScheduleWidget::OnScheduleEnabled);
    connect(&controller, &CCadenceWidget::ModelUpdated, this, &CScheduleWidget::OnModelUpdated);
}

QString CScheduleWidget::Title() const
{
    return TitleBar()->Title();
}

QString CScheduleWidget::Heading(TRow row) const
{
    const QLabel* label = m_headings.at(std::size_t(row));
    return label->isHidden() ? QString() : label->text();
}

QString CScheduleWidget::Value(TRow row) const
{
    const QLabel* label = m_values.at(std::size_t(row));
    return label->isHidden() ? QString() : label->text();
}

void CScheduleWidget::SetDriveNamer(TDriveNamer namer)
{
    m_driveNamer = std::move(namer);
    if (m_shown)
        ShowSchedule(*m_shown);
}

void CScheduleWidget::SetExclusionsSource(TWindowsSource source)
{
    m_windowsSource = std::move(source);
}

CScheduleWidget::~CScheduleWidget()
{
    SaveSettings();
}

void CScheduleWidget::SkinChanged()
{
    CScheduleWidgetBase::SkinChanged();
    m_timeline->SkinChanged();
}

// --- following the controller

void CScheduleWidget::OnScheduleSelected(const TName& name)
{
    ShowSchedule(name);
}

void CScheduleWidget::OnScheduleChanged(const TName& name)
{
    Refresh(name);
}

void CScheduleWidget::OnScheduleChangedEX(const TName& name)
{
    Refresh(name);
}

void CScheduleWidget::OnScheduleChangedVM(const TName& name)
{
    Refresh(name);
}

void CScheduleWidget::OnScheduleEnabled(const TName& name, bool enabled)
{
    Q_UNUSED(enabled);
    Refresh(name);
}

void CScheduleWidget::OnModelUpdated()
{
    UpdateFromModel();
}

void CScheduleWidget::UpdateFromModel()
{
    const std::optional<TName>& current = m_cadence.CurrentSchedule();
    if (current)
        ShowSchedule(*current);
    else
        Clear();
}

void CScheduleWidget::Refresh(const TName& name)
{
    // A changed schedule may have been given a new name: the model's current one is shown.
    if (m_shown == name)
        ShowSchedule(name);
    else
        UpdateFromModel();
}

// --- showing a schedule

void CScheduleWidget::ShowSchedule(const TName& name)
{
    bool quietWatch = false;
    if (const auto drive = m_cadence.Schedules().find(name); drive != m_cadence.Schedules().end()) {
        const CCadence::CScheduleData& schedule = drive->second;
        ShowTitle(schedule.DisplayName(), schedule.IconName());
        ShowRows(DriveValues(schedule), "<b>Drives</b>");
        quietWatch = schedule.IsQuietWatch();
    } else if (const auto exchange = m_cadence.ExSchedules().find(name);
               exchange != m_cadence.ExSchedules().end()) {
        ShowTitle(exchange->second.DisplayName(), exchange->second.IconName());
        ShowRows(ExchangeValues(exchange->second), "<b>Data stores</b>");
    } else if (const auto guest = m_cadence.VmSchedules().find(name);
               guest != m_cadence.VmSchedules().end()) {
        ShowTitle(guest->second.DisplayName(), guest->second.IconName());
        ShowRows(GuestValues(guest->second), "<b>Virtual Guests</b>");
    } else {
        Clear();
        return;
    }
    m_shown = name;
    m_exclusionsHost->setVisible(quietWatch);
    if (quietWatch && !m_splitterPlaced) {
        // The first time without a saved place: the editor below takes a little more room.
        m_splitter->setSizes({kDetailsShare, kExclusionsShare});
        m_splitterPlaced = true;
    }
    if (quietWatch)
        emit ExclusionWindowsShown(m_cadence.Schedules().at(name).settings.exclusionWindows);
}

void CScheduleWidget::Clear()
{
    m_shown.reset();
    ShowTitle(QString(), QString());
    ShowRows(TValues{}, nullptr);
    m_exclusionsHost->hide();
}

void CScheduleWidget::ShowTitle(const QString& displayName, const QString& iconPath)
{
    TitleBar()->SetTitle(displayName.isEmpty()
                             ? QString()
                             : Translate("<b>%1</b>").Arg(displayName.toHtmlEscaped()).Text());
    TitleBar()->SetIcon(iconPath);
}

void CScheduleWidget::ShowRows(const TValues& values, const char* targetsHeading)
{
    for (std::size_t row = 0; row < values.size(); ++row) {
        const char* heading = row == kTargets ? targetsHeading : kHeadings[row];
        const bool shown = heading && !values[row].isEmpty();
        m_headings[row]->setText(shown ? Translate(heading).Text() : QString());
        m_values[row]->setText(shown ? values[row] : QString());
        m_headings[row]->setVisible(shown);
        m_values[row]->setVisible(shown);
    }
}

// --- the rows of each kind

void CScheduleWidget::CommonValues(const CScheduleSettings& settings, TValues* values) const
{
    TValues& rows = *values;
    if (settings.disabled)
        rows[kStatus] = Translate("Disabled");
    rows[kLastRun] = CTextFormat::LocaleDateTimeText(settings.lastRun);
    // A disabled schedule does not run; the special ones run when the computer lets them.
    if (!settings.disabled && !IsSpecialSchedule(settings.type))
        rows[kNextRun] = CTextFormat::LocaleDateTimeText(settings.nextRun);
}

CScheduleWidget::TValues CScheduleWidget::DriveValues(const CCadence::CScheduleData& schedule) const
{
    const CScheduleSettings& settings = schedule.settings;
    TValues rows;
    CommonValues(settings, &rows);
    rows[kTargets] = DrivesText(schedule);
    rows[kDefragment] = DefragmentText(settings);
    rows[kReclaimFreeSpace] = ReclaimText(settings);
    if (!schedule.IsSpecial()) {
        rows[kStarts] = StartsText(settings, settings.type == CCadence::kWeekly);
        return rows;
    }
    rows[kPeriod] = PeriodText(settings.interval);
    if (schedule.IsQuietWatch()) {
        rows[kActivityTimeout] = Translate("%1 minute(s)").Arg(settings.idleMinutes);
        rows[kImportantProcesses] = ScheduleWidgetLines(settings.excludedPrograms);
    }
    return rows;
}

CScheduleWidget::TValues
CScheduleWidget::ExchangeValues(const CCadence::CExScheduleData& schedule) const
{
    TValues rows;
    CommonValues(schedule.settings, &rows);
    // Exchange schedules are one-time or weekly by their interval.
    rows[kStarts] = StartsText(schedule.settings, schedule.settings.interval != 0);
    if (schedule.allDataStores) {
        rows[kTargets] = Translate("All datastores");
    } else {
        QStringList lines;
        for (const CCadence::CExScheduleData::TDataStore& store : schedule.dataStores)
            lines.append(QString::fromStdWString(store.storageGroup) + u" / "_s +
                         QString::fromStdWString(store.dataStore));
        rows[kTargets] = lines.join(u'\n');
    }
    return rows;
}

CScheduleWidget::TValues
CScheduleWidget::GuestValues(const CCadence::CVmScheduleData& schedule) const
{
    TValues rows;
    CommonValues(schedule.settings, &rows);
    rows[kStarts] = StartsText(schedule.settings, schedule.settings.type == CCadence::kWeekly);
    QStringList lines;
    for (const CCadence::CVmScheduleData::TGuest& guest : schedule.guests)
        lines.append(QString::fromStdWString(guest.name));
    rows[kTargets] = lines.join(u'\n');
    return rows;
}

QString CScheduleWidget::StartsText(const CScheduleSettings& settings, bool weekly) const
{
    QStringList lines;
    const QString start = CTextFormat::LocaleDateTimeText(settings.start);
    if (!start.isEmpty())
        lines.append(start);
    if (weekly) {
        const QString every =
            Translate(", every %1 week(s)")
                .Arg(ScheduleWidgetNumber(double(settings.interval) / kHoursPerWeek));
        const QString days = WeekdaysText(settings.weekdays);
        // Without days the repetition stands alone, without its leading comma.
        lines.append(days.isEmpty() ? every.mid(every.indexOf(u',') + 1).trimmed() : days + every);
    } else if (settings.type == CCadence::kDaily) {
        if (settings.weekdays == kWorkdays)
            lines.append(Translate("Weekdays only"));
        else if (settings.weekdays == kWeekend)
            lines.append(Translate("Weekends only"));
        else if (settings.weekdays != 0)
            lines.append(WeekdaysText(settings.weekdays));
        else
            lines.append(Translate("every %1 day")
                             .Arg(ScheduleWidgetNumber(double(settings.interval) / kHoursPerDay)));
    }
    return lines.join(u'\n');
}

QString CScheduleWidget::WeekdaysText(quint32 weekdays) const
{
    QStringList days;
    for (std::size_t day = 0; day < kDayNames.size(); ++day) {
        if (weekdays & (1u << day))
            days.append(Translate(kDayNames[day]));
    }
    return days.join(u", "_s);
}

QString CScheduleWidget::DrivesText(const CCadence::CScheduleData& schedule) const
{
    QStringList lines;
    if (schedule.allDrives) {
        lines.append(Translate("All drives"));
    } else {
        for (const TName& drive : schedule.drives)
            lines.append(m_driveNamer ? m_driveNamer(drive) : QString::fromStdWString(drive));
    }
    if (lines.isEmpty())
        return {};
    switch (schedule.settings.option) {
    case 0:
        lines.append(Translate("in series"));
        break;
    case 1:
        lines.append(Translate("in parallel"));
        break;
    case 2:
        lines.append(Translate("Auto"));
        break;
    default:
        break;
    }
    return lines.join(u'\n');
}

QString CScheduleWidget::DefragmentText(const CScheduleSettings& settings) const
{
    QStringList lines;
    const QString method = CCadence::MethodText(settings.method);
    if ((settings.passes & CCadence::kOnlinePass) && !method.isEmpty())
        lines.append(Translate("Using ") + method);
    if (settings.passes & CCadence::kOfflinePass)
        lines.append(CCadence::PassText(CCadence::kOfflinePass));
    if (settings.maxDuration > 0)
        lines.append(Translate("no longer than %1 hour(s)")
                         .Arg(ScheduleWidgetNumber(settings.maxDuration / kSecondsPerHour)));
    if (settings.shutdownWhenComplete)
        lines.append(Translate("shutdown when completed"));
    return lines.join(u'\n');
}

QString CScheduleWidget::ReclaimText(const CScheduleSettings& settings) const
{
    QStringList lines;
    if (settings.freeSpaceOptions & 1u)
        lines.append(Translate("Empty Recycle Bin"));
    if (settings.freeSpaceOptions & 2u)
        lines.append(Translate("Clean Temporary Files"));
    return lines.join(u'\n');
}

QString CScheduleWidget::PeriodText(quint32 hours) const
{
    if (hours != 0 && hours % kHoursPerDay == 0)
        return Translate("%1 day").Arg(hours / kHoursPerDay);
    return Translate("%1 hour").Arg(hours);
}

// --- the exclusion windows

void CScheduleWidget::OnTimelineUpdated()
{
    if (m_windowsSource)
        StoreExclusionWindows(m_windowsSource());
}

HRESULT
CScheduleWidget::StoreExclusionWindows(const CScheduleSettings::TExclusionWindows& windows)
{
    const TName name = m_cadence.QuietWatchScheduleName();
    if (name.empty()) {
        qWarning("There is no QuietWatch schedule to store exclusion windows in");
        return E_UNEXPECTED;
    }
    for (const CScheduleSettings::TExclusionWindow& window : windows) {
        if (!COleDate::IsSet(window.start) || window.lengthHours == 0) {
            qWarning("An exclusion window without a start or hours is not stored");
            return E_INVALIDARG;
        }
    }
    const CCadence::CScheduleData& before = m_cadence.Schedules().at(name);
    if (before.settings.exclusionWindows == windows)
        return S_FALSE;

    CCadence::CScheduleData changed = before;
    changed.settings.exclusionWindows = windows;
    const CAgentSchedules schedules(m_feed.Agent());
    HRESULT result = schedules.Save(changed);
    CCadence::CScheduleData stored;
    if (SUCCEEDED(result)) {
        const HRESULT read = schedules.Read(name, &stored);
        // S_FALSE: the agent keeps it as another kind of schedule now.
        result = read == S_OK ? S_OK : FAILED(read) ? read : E_UNEXPECTED;
    }
    if (FAILED(result)) {
        IMessagePresenter::Show(QMessageBox::Warning, Translate("Unable to Edit Schedule"),
                                Translate("Unable to edit schedule due to error %1")
                                    .Arg(QString::asprintf("0x%08X", unsigned(result))),
                                QMessageBox::Ok, window());
        // The editor goes back to what the schedule has.
        if (m_shown == name)
            emit ExclusionWindowsShown(before.settings.exclusionWindows);
        return result;
    }
    m_cadence.Schedules()[name] = stored;
    if (m_shown == name)
        ShowSchedule(name);
    return S_OK;
}

// --- view state

void CScheduleWidget::LoadSettings()
{
    IAppController* app = IAppController::Current();
    if (!app)
        return;
    const QByteArray state = app->Settings().value(kExclusionsSplitterKey).toByteArray();
    if (!state.isEmpty() && m_splitter->restoreState(state))
        m_splitterPlaced = true;
}

void CScheduleWidget::SaveSettings()
{
    if (IAppController* app = IAppController::Current())
        app->Settings().setValue(kExclusionsSplitterKey, m_splitter->saveState());
}
