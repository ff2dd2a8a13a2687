#pragma once

#include "core/CTranslatable.h"
#include "core/HResult.h"
#include "core/Types.h"
#include "schedule/CCadence.h"
#include "schedule/CScheduleWidgetBase.h"

#include <array>
#include <functional>
#include <optional>

class CCadenceFeed;
class CCadenceWidget;
class CTimeline;
class QGridLayout;
class QLabel;
class QScrollArea;
class QSplitter;

// The detail pane of the scheduling tab: what the schedule selected in the table is and does,
// read from the scheduling model, under a title bar with the schedule's icon and name. For the
// QuietWatch schedule a lower part under a splitter holds the editor of its exclusion windows,
// which are written through the agent from here.
class CScheduleWidget : public CScheduleWidgetBase, public CTranslatable {
    Q_OBJECT

public:
    // The settings key of the splitter above the exclusions.
    static const QString kExclusionsSplitterKey;

    // The pane's rows, in the order it shows them. A row without a value is hidden.
    enum TRow {
        kStatus,
        kStarts,
        kLastRun,
        kNextRun,
        // Drives, data stores or virtual guests, by the kind of schedule.
        kTargets,
        kDefragment,
        kReclaimFreeSpace,
        kPeriod,
        kActivityTimeout,
        kImportantProcesses,
        kRowCount,
    };

    // A volume identifier's name for people; the identifier itself when none is set.
    using TDriveNamer = std::function<QString(const TName& volume)>;
    // What the exclusions editor holds now.
    using TWindowsSource = std::function<CScheduleSettings::TExclusionWindows()>;

    // The feed must outlive the pane.
    explicit CScheduleWidget(CCadenceFeed& feed, QWidget* parent = nullptr);
    // Keeps the splitter's place for the next time.
    ~CScheduleWidget() override;

    // Connects the pane to the controller's signals.
    void Follow(CCadenceWidget& controller);

    // The schedule shown; none when the pane is empty.
    const std::optional<TName>& ShownSchedule() const { return m_shown; }
    // The title's rich text and the rows' headings and values as shown (the values as plain
    // text, one line per entry; empty for a hidden row).
    QString Title() const;
    QString Heading(TRow row) const;
    QString Value(TRow row) const;

    // Where the exclusions editor goes: an empty container with a layout, visible only while
    // the QuietWatch schedule is shown.
    QWidget* ExclusionsHost() const { return m_exclusionsHost; }
    QSplitter* ExclusionsSplitter() const { return m_splitter; }
    // The editor of the exclusion windows, in the host.
    CTimeline* Timeline() const { return m_timeline; }

    void SetDriveNamer(TDriveNamer namer);
    // OnTimelineUpdated() stores what this source answers (the timeline's windows by default).
    void SetExclusionsSource(TWindowsSource source);

    // Writes the QuietWatch schedule through the agent with these exclusion windows and takes
    // it back into the model. E_UNEXPECTED without a QuietWatch schedule and E_INVALIDARG for
    // a window without a start or hours, both before any call; S_FALSE when the windows are
    // those the schedule has. A failing call is shown to the user, and the model keeps the
    // schedule as it was (ExclusionWindowsShown() gives its windows back to the editor).
    HRESULT StoreExclusionWindows(const CScheduleSettings::TExclusionWindows& windows);

public slots:
    // Shows the schedule of that name, whatever its kind; an unknown name empties the pane.
    void ShowSchedule(const TName& name);
    void OnScheduleSelected(const TName& name);
    void OnScheduleChanged(const TName& name);
    void OnScheduleChangedEX(const TName& name);
    void OnScheduleChangedVM(const TName& name);
    void OnScheduleEnabled(const TName& name, bool enabled);
    void OnModelUpdated();
    // Shows the model's current schedule, or nothing.
    void UpdateFromModel();
    // The exclusions editor changed: its windows are stored.
    void OnTimelineUpdated();
    void SaveSettings();
    void LoadSettings();
    void SkinChanged() override;

signals:
    // The exclusion windows of the QuietWatch schedule, each time the pane shows it: what the
    // exclusions editor should hold.
    void ExclusionWindowsShown(const CScheduleSettings::TExclusionWindows& windows);

private:
    using TValues = std::array<QString, kRowCount>;

    void Clear();
    // Shows the record of a name that was changed, when the pane shows that name.
    void Refresh(const TName& name);
    void ShowRows(const TValues& values, const char* targetsHeading);
    void ShowTitle(const QString& displayName, const QString& iconPath);

    // The rows of each kind of schedule.
    TValues DriveValues(const CCadence::CScheduleData& schedule) const;
    TValues ExchangeValues(const CCadence::CExScheduleData& schedule) const;
    TValues GuestValues(const CCadence::CVmScheduleData& schedule) const;
    // The rows every kind has: status, runs.
    void CommonValues(const CScheduleSettings& settings, TValues* values) const;
    // The start with how the schedule repeats; a weekly repetition lists its days.
    QString StartsText(const CScheduleSettings& settings, bool weekly) const;
    QString WeekdaysText(quint32 weekdays) const;
    QString DrivesText(const CCadence::CScheduleData& schedule) const;
    QString DefragmentText(const CScheduleSettings& settings) const;
    QString ReclaimText(const CScheduleSettings& settings) const;
    QString PeriodText(quint32 hours) const;

    CCadenceFeed& m_feed;
    CCadence& m_cadence;
    QSplitter* m_splitter;
    QScrollArea* m_detailsArea;
    QGridLayout* m_grid;
    std::array<QLabel*, kRowCount> m_headings{};
    std::array<QLabel*, kRowCount> m_values{};
    QWidget* m_exclusionsHost;
    CTimeline* m_timeline;
    std::optional<TName> m_shown;
    // The splitter has been given its place: from the settings or by the first QuietWatch shown.
    bool m_splitterPlaced = false;
    TDriveNamer m_driveNamer;
    TWindowsSource m_windowsSource;
};
