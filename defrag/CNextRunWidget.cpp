#include "defrag/CNextRunWidget.h"

#include "appmodel/IAppController.h"
#include "core/COleDate.h"
#include "schedule/CCadence.h"

#include <algorithm>

namespace {

const QByteArray kContext = QByteArrayLiteral("CNextRunWidget");

// A one-time schedule whose run is not ahead any more will not run again.
bool IsExpired(const CScheduleSettings& settings, double now)
{
    if (settings.type != CCadence::kOneTime)
        return false;
    const double runTime = COleDate::IsSet(settings.nextRun) ? settings.nextRun : settings.start;
    return runTime <= now;
}

} // namespace

CNextRunWidget::CNextRunWidget(const CCadence& cadence, QWidget* parent)
    : QComboBox(parent)
    , CTranslatable(kContext)
    , m_cadence(cadence)
{
    addItem(Translate("Manual").Text());
    addItem(Translate("Change").Text());
    setCurrentIndex(kScheduleItem);
    connect(this, &QComboBox::activated, this, &CNextRunWidget::CheckForDateChange);
}

std::optional<QString> CNextRunWidget::ScheduleText(const CCadence& cadence, const TName& schedule,
                                                    const TId& volume)
{
    if (schedule.empty())
        return std::nullopt;
    const double now = COleDate::Now();
    const auto drive = cadence.Schedules().find(schedule);
    if (drive != cadence.Schedules().end()) {
        const CCadence::CScheduleData& record = drive->second;
        const bool covers =
            record.allDrives ||
            std::find(record.drives.begin(), record.drives.end(), volume) != record.drives.end();
        if (covers && !IsExpired(record.settings, now) && !record.settings.disabled)
            return record.NextRunText();
    }
    const auto exchange = cadence.ExSchedules().find(schedule);
    if (exchange != cadence.ExSchedules().end()) {
        const CCadence::CExScheduleData& record = exchange->second;
        if (!IsExpired(record.settings, now) && !record.settings.disabled)
            return record.NextRunText();
    }
    return std::nullopt;
}

QString CNextRunWidget::CellText(const CCadence& cadence, const TName& schedule, const TId& volume)
{
    if (std::optional<QString> text = ScheduleText(cadence, schedule, volume))
        return *text;
    return Translate("Manual", kContext).Text();
}

void CNextRunWidget::SetCurrentSchedule(std::wstring schedule_name, std::wstring volume_name)
{
    m_scheduleName = std::move(schedule_name);
    const std::optional<QString> text = ScheduleText(m_cadence, m_scheduleName, volume_name);
    if (!text)
        m_scheduleName.clear();
    setItemText(kScheduleItem, text.value_or(Translate("Manual").Text()));
}

void CNextRunWidget::CheckForDateChange(int item_changed_to)
{
    if (item_changed_to != kChangeItem)
        return;
    if (IAppController* app = IAppController::Current())
        app->SetActivePane(CModelLayout::kScheduling);
}
