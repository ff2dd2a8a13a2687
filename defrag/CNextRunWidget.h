#pragma once

#include "core/CTranslatable.h"
#include "core/Types.h"

#include <QComboBox>

#include <optional>
#include <string>

class CCadence;

// The editor of a drive's "Next Run" cell: item 0 names when the drive's schedule next runs
// ("Manual" when none does), item 1 "Change" opens the scheduling tab.
class CNextRunWidget : public QComboBox, public CTranslatable {
    Q_OBJECT

public:
    enum TItem : int {
        kScheduleItem = 0,
        kChangeItem = 1,
    };

    explicit CNextRunWidget(const CCadence& cadence, QWidget* parent = nullptr);

    // The next-run text of the schedule when it still processes the volume: a drive schedule
    // that covers it, or else an Exchange schedule of that name; neither disabled nor a one-time
    // schedule whose run has passed. Nothing otherwise.
    static std::optional<QString> ScheduleText(const CCadence& cadence, const TName& schedule,
                                               const TId& volume);
    // What item 0 shows for the volume's schedule.
    static QString CellText(const CCadence& cadence, const TName& schedule, const TId& volume);

    // The schedule item 0 stands for; empty when "Manual".
    const TName& ScheduleName() const { return m_scheduleName; }

public slots:
    // Item 1 opens the scheduling tab; any other item does nothing.
    void CheckForDateChange(int item_changed_to);
    // The volume is named by its identifier, as the schedules' drive lists name it.
    void SetCurrentSchedule(std::wstring schedule_name, std::wstring volume_name);

private:
    const CCadence& m_cadence;
    TName m_scheduleName;
};
