#pragma once

#include "core/CTranslatable.h"
#include "core/CUtf16Less.h"
#include "core/Types.h"
#include "schedule/CScheduleSettings.h"

#include <QByteArray>
#include <QObject>
#include <QString>

#include <array>
#include <map>
#include <optional>
#include <vector>

// The screen-saver and QuietWatch types: at most one schedule of each on a computer, with fixed
// names.
bool IsSpecialSchedule(quint32 type);
// The one-time, daily and weekly types: they run at set times.
bool IsTimedSchedule(quint32 type);

// The schedules of the connected computer as the scheduling views show them: drive, Exchange
// and guest schedules, each kind in its own map by name, the schedule selected in the
// scheduling tab, and whether any drive schedule is running. The views fill it from the agent;
// the records' display texts and icons are here too. The maps order names by their UTF-16 code
// units, as the agent lists them.
class CCadence : public QObject {
    Q_OBJECT

public:
    enum TScheduleType : quint32 {
        kNotSet = 0,
        kOneTime = 1,
        kDaily = 2,
        kWeekly = 3,
        // The special schedules, at most one of each on a computer.
        kScreenSaver = 4,
        kQuietWatch = 5,
    };

    // Who created a schedule; reported by the agent.
    enum TScheduleSource : quint32 {
        kSourceLocal = 1,
        kSourceGroupPolicy = 2,
        kSourceEnterpriseConsole = 4,
    };

    // What the online pass does.
    enum TScheduleMethod : quint32 {
        kMethodTierLayout = 0,
        kMethodDefragOnly = 1,
        kMethodConsolidateFreeSpace = 2,
        kMethodAnalyzeOnly = 3,
        kMethodDriveDefault = 4,
    };

    // Bits of CScheduleSettings::passes.
    enum TPassMask : quint32 {
        kOnlinePass = 1,
        kOfflinePass = 2,
    };

    // Bits of CScheduleSettings::weekdays: Monday is the lowest, Sunday the highest.
    enum TWeekdayMask : quint32 {
        kMonday = 1,
        kTuesday = 2,
        kWednesday = 4,
        kThursday = 8,
        kFriday = 16,
        kSaturday = 32,
        kSunday = 64,
    };

    // The translation context of the schedule texts: the product name.
    static QByteArray ProductContext() { return QByteArrayLiteral("Korvane"); }

    // Display texts of the numeric values; unknown values give the fallback texts ("Not Set",
    // "Not set" or an empty text) and never fail.
    static QString TypeText(quint32 type, const QByteArray& context = ProductContext());
    // Exchange schedules are told apart by their interval, not by their type.
    static QString ExTypeText(quint32 interval, const QByteArray& context = ProductContext());
    static QString VmTypeText(quint32 type, bool hyperV,
                              const QByteArray& context = ProductContext());
    static QString SourceText(quint32 source, const QByteArray& context = ProductContext());
    static QString MethodText(quint32 method, const QByteArray& context = ProductContext());
    static QString PassText(quint32 passes, const QByteArray& context = ProductContext());
    // The resource path (":/images/…") of a type's icon; empty for types without one.
    static QString IconName(quint32 type, bool disabled);
    // Whether the engine was installed with Hyper-V rather than VMware Workstation: the
    // machine's "VirtualProductType" value is 1. Read on every call.
    static bool IsHyperVProduct();

    // What the settings of every kind of schedule record tell about it.
    template <typename TRecord>
    class TSettingsTests {
    public:
        bool IsSpecial() const { return IsSpecialSchedule(Settings().type); }
        bool IsAnalyseOnly() const { return Settings().method == kMethodAnalyzeOnly; }
        bool HasOnlinePass() const { return (Settings().passes & kOnlinePass) != 0; }
        bool HasOfflinePass() const { return (Settings().passes & kOfflinePass) != 0; }
        bool IsQuietWatch() const { return Settings().type == kQuietWatch; }
        bool IsScreenSaver() const { return Settings().type == kScreenSaver; }

    private:
        const CScheduleSettings& Settings() const
        {
            return static_cast<const TRecord*>(this)->settings;
        }
    };

    // A drive schedule.
    class CScheduleData : public CTranslatable, public TSettingsTests<CScheduleData> {
    public:
        CScheduleData();
        CScheduleData(const CScheduleData& other) = default;
        // Takes over everything but the translation context.
        CScheduleData& operator=(const CScheduleData& other);

        QString TypeText() const;
        QString SourceText() const;
        QString MethodText() const;
        QString PassText() const;
        // "Screen Saver Schedule" and "Full Auto Schedule" for the special schedules, else the
        // name.
        QString DisplayName() const;
        // "Screen Saver" and "QuietWatch" for the special schedules, else the next run.
        QString NextRunText() const;
        QString IconName() const;

        bool IsLocal() const { return source == kSourceLocal; }

        // The key of the schedule on the agent.
        TName name;
        // A record made here is local until the agent says otherwise.
        quint32 source = kSourceLocal;
        CScheduleSettings settings;
        bool allDrives = false;
        // The engine's volume identifiers, used when allDrives is false.
        TStringList drives;
        // Set while the agent reports the schedule as running.
        bool running = false;
    };

    // An Exchange data-store schedule.
    class CExScheduleData : public CTranslatable, public TSettingsTests<CExScheduleData> {
    public:
        struct TDataStore {
            TName storageGroup;
            TName dataStore;
            bool operator==(const TDataStore& other) const = default;
        };
        using TDataStores = std::vector<TDataStore>;

        CExScheduleData();

        // "One Time Exchange " for interval 0, else "Weekly Exchange ".
        QString TypeText() const;
        // Always "Local".
        QString SourceText() const;
        QString MethodText() const;
        QString PassText() const;
        QString DisplayName() const;
        // "Unexpected schedule type" for the special types, else the next run.
        QString NextRunText() const;
        QString IconName() const;

        bool IsLocal() const { return true; }

        TName name;
        CScheduleSettings settings;
        bool allDataStores = false;
        TDataStores dataStores;
    };

    // A virtual-machine guest schedule.
    class CVmScheduleData : public CTranslatable, public TSettingsTests<CVmScheduleData> {
    public:
        struct TGuest {
            // What each option byte asks for.
            enum TOption : int {
                kDefragmentOnline = 0,
                kDefragmentOffline = 1,
                kDefragmentInternalStructures = 2,
                kShrink = 3,
            };

            // The four option bytes read as one little-endian number: the guest value the
            // agent takes.
            quint32 GuestValue() const;
            void SetGuestValue(quint32 value);

            TName name;
            std::array<quint8, 4> options{};
            quint8 shutdownToDefragment = 0;

            bool operator==(const TGuest& other) const = default;
        };
        using TGuests = std::vector<TGuest>;

        CVmScheduleData();

        // By the virtual-machine product installed with the engine (IsHyperVProduct()).
        QString TypeText() const;
        // Always "Local".
        QString SourceText() const;
        QString MethodText() const;
        QString PassText() const;
        QString DisplayName() const;
        // "Unexpected schedule type" for the special types, else the next run.
        QString NextRunText() const;
        QString IconName() const;

        bool IsLocal() const { return true; }

        TName name;
        CScheduleSettings settings;
        TGuests guests;
    };

    using TScheduleMap = std::map<TName, CScheduleData, CUtf16Less>;
    using TExScheduleMap = std::map<TName, CExScheduleData, CUtf16Less>;
    using TVmScheduleMap = std::map<TName, CVmScheduleData, CUtf16Less>;

    explicit CCadence(QObject* parent = nullptr);

    // The maps, to read and to fill.
    const TScheduleMap& Schedules() const { return m_schedules; }
    TScheduleMap& Schedules() { return m_schedules; }
    const TExScheduleMap& ExSchedules() const { return m_exSchedules; }
    TExScheduleMap& ExSchedules() { return m_exSchedules; }
    const TVmScheduleMap& VmSchedules() const { return m_vmSchedules; }
    TVmScheduleMap& VmSchedules() { return m_vmSchedules; }
    std::size_t ScheduleCount() const { return m_schedules.size(); }
    std::size_t ExScheduleCount() const { return m_exSchedules.size(); }
    std::size_t VmScheduleCount() const { return m_vmSchedules.size(); }
    // Empties the three maps before they are filled again; the current schedule stays, so that
    // the tab can select it again. The running flags go with the records, so a busy model
    // becomes idle and says so.
    void ClearSchedules();

    // The schedule selected in the scheduling tab.
    const std::optional<TName>& CurrentSchedule() const { return m_currentSchedule; }
    void SetCurrentSchedule(const TName& name) { m_currentSchedule = name; }
    void ClearCurrentSchedule() { m_currentSchedule.reset(); }

    // Marks a drive schedule running or stopped and emits the busy state of all of them
    // (Busy or Idle). An unknown name changes nothing and emits nothing.
    void SetRunning(const TName& name, bool running);
    bool AnyRunning() const;
    // Whether a drive schedule in the model is marked running, as BusyStateChanged last told.
    bool IsBusy() const { return m_busy; }

    // Erases the name from all three maps, and clears the current schedule when it was that
    // name; the busy state follows (and is emitted when it changes). True when anything was
    // erased.
    bool RemoveSchedule(const TName& name);

    // The name of the first drive schedule of that kind; empty when there is none.
    TName ScreenSaverScheduleName() const;
    TName QuietWatchScheduleName() const;

    // The next run of the drive schedule of that name and type: 0 when it is unknown (below
    // 1.0), nothing when there is no such schedule. The drive model asks this about the
    // schedule a volume's next-run entry names.
    std::optional<double> NextRun(quint32 type, const TName& name) const;

signals:
    void BusyStateChanged(TBusyStatus status);

private:
    TName FirstScheduleOfType(quint32 type) const;
    // Takes the busy state from the running flags, emitting it when it changed.
    void UpdateBusy();

    TScheduleMap m_schedules;
    std::optional<TName> m_currentSchedule;
    bool m_busy = false;
    TExScheduleMap m_exSchedules;
    TVmScheduleMap m_vmSchedules;
};
