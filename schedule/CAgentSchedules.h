#pragma once

#include "core/HResult.h"
#include "core/Types.h"
#include "engine/CKV100AgentInterface.h"
#include "schedule/CCadence.h"
#include "schedule/CScheduleCodes.h"

#include <QList>

#include <map>
#include <set>
#include <vector>

class CKV100AgentInterface;

// Schedules on the agent of the connected computer: a record created (or replaced) there as the
// agent's schedule with its parameter text and timed items, and read back from them. Every
// failing agent call ends the operation with its code.
class CAgentSchedules {
public:
    // Names under which the agent keeps the special schedules: fixed, not translated.
    static constexpr wchar_t kScreenSaverName[] = L"Screen Saver Schedule";
    static constexpr wchar_t kQuietWatchName[] = L"Full Auto Schedule";
    // An item's name is kItemPrefix and its number from 1; the online half of a drive run with
    // both passes has kOnlinePartSuffix appended and starts kOnlinePartDelay days later.
    static constexpr wchar_t kItemPrefix[] = L"Item ";
    static constexpr wchar_t kOnlinePartSuffix[] = L".online-part";
    static constexpr double kOnlinePartDelay = 0.006944444444444444; // ten minutes
    // The flag word of a drive item.
    static constexpr uint kItemOfflinePass = 1;
    static constexpr uint kItemShutdown = 4;

    // A timed item as the agent lists it.
    struct TItem {
        TString name;
        double firstRun = 0.0;
        uint intervalSeconds = 0;
        uint maxDurationSeconds = 0;
        uint flags = 0;
    };
    using TItems = std::vector<TItem>;

    // The agent must outlive this object.
    explicit CAgentSchedules(CKV100AgentInterface& agent);

    // Creates or replaces the schedule. A drive schedule is refused with E_UNEXPECTED while the
    // agent is not connected; a type the kind has no code for (drives 1 to 5, Exchange and
    // guests 1 to 3) and a drive option other than 0, 1 and 2 with E_FAIL. The screen-saver and
    // QuietWatch schedules are created under their fixed names without items; their disabled
    // flag is set under the record's name.
    HRESULT Save(const CCadence::CScheduleData& schedule) const;
    HRESULT Save(const CCadence::CExScheduleData& schedule) const;
    HRESULT Save(const CCadence::CVmScheduleData& schedule) const;

    // Reads the schedule of that name into the record (its name included). S_FALSE when the
    // agent keeps it under a code not of the record's kind; E_INVALIDARG when its parameter
    // text cannot be read. The record is changed only when S_OK is answered.
    HRESULT Read(const TName& name, CCadence::CScheduleData* schedule) const;
    HRESULT Read(const TName& name, CCadence::CExScheduleData* schedule) const;
    HRESULT Read(const TName& name, CCadence::CVmScheduleData* schedule) const;

    // A failing agent call of Reload(): the listing of a kind (no name) or the read of a
    // schedule of that kind.
    struct TReloadFailure {
        uint kind = 0;
        TName name;
        HRESULT result = S_OK;
    };
    using TReloadFailures = std::vector<TReloadFailure>;

    // Empties the model and fills it with every schedule the agent lists: the local drive
    // schedules, then unless policySchedules is false those of policy, then the Exchange and the
    // guest schedules. A schedule that cannot be read is listed all the same under its name with
    // no type, with what the agent tells of it besides its parameters (source, disabled flag and
    // run times; only the name when not even that can be read), and why it could not be read goes
    // to the log; so does a kind whose names cannot be listed, which stays empty. The failing
    // agent calls among them are added to failures (when given); a schedule the agent answers
    // for but that cannot be described (a code not of its kind, a parameter text or items that
    // cannot be read) is only logged.
    void Reload(CCadence* cadence, bool policySchedules = true,
                TReloadFailures* failures = nullptr) const;

    // The kind bits of Names().
    static constexpr uint kLocalDriveSchedules = 1;
    static constexpr uint kPolicyDriveSchedules = 2; // from Group Policy or the enterprise console
    static constexpr uint kExchangeSchedules = 4;
    static constexpr uint kGuestSchedules = 8;

    // The agent's own operations on a schedule by name.
    HRESULT Names(uint kind, TStringList* names) const;
    HRESULT Rename(const TName& oldName, const TName& newName) const;
    HRESULT Remove(const TName& name) const;
    HRESULT SetDisabled(const TName& name, bool disabled) const;
    HRESULT RunNow(const TName& name) const;

    // The first run of each item: for a drive schedule of type 1, or of type 2 without
    // weekdays, and for any other kind's type 1 the start alone; otherwise for each weekday of
    // the mask the first day on or after the start falling on it, at the start's time of day.
    static std::set<double> FirstRuns(const CScheduleSettings& settings, bool driveSchedule);

    // Rebuilds the start, interval and weekdays from the agent's items; the ".online-part"
    // items are halves of other runs and are not counted. The start is the earliest first run,
    // the interval the first item's (in whole hours), the weekdays those of the items' first
    // runs, for a weekly schedule (any kind), an Exchange or guest daily schedule, and a drive
    // daily schedule of more than one item (one item is a plain daily run); one-time schedules
    // have none. A drive schedule also takes its maximum duration and shutdown flag from the
    // first item. Nothing changes when there are no items.
    static void ApplyItems(const TItems& items, bool driveSchedule, CScheduleSettings* settings);

    // The weekday bit (CCadence::TWeekdayMask) of an OLE date; 0 for a date that is not one.
    static quint32 WeekdayBit(double date);

private:
    // What the agent answers of a schedule besides its items.
    struct THeader {
        uint source = 0;
        uint code = 0;
        TString parameters;
        bool disabled = false;
        double lastRun = 0.0;
        double nextRun = 0.0;

        void TakeRunState(CScheduleSettings* settings) const;
    };

    HRESULT ReadHeader(const TName& name, THeader* header) const;
    HRESULT CreateWithItems(const TName& name, uint code, const QString& parameters,
                            const CScheduleSettings& settings, bool driveSchedule,
                            bool onlineParts) const;
    HRESULT ReadItems(const TName& name, TItems* items) const;
    // The Exchange and guest reads: the header, the kind's own text (PARSE reads it into the
    // copy of the record), then the items; the record changes only when all of them succeed.
    template <typename TRecord, typename TParse>
    HRESULT ReadWithItems(const TName& name, CScheduleCodes::TKind kind, TRecord* schedule,
                          TParse parse) const;
    // Reads every schedule of the kind bits into the map (Reload).
    template <typename TMap>
    void LoadKind(uint kind, TMap* map, TReloadFailures* failures) const;
    // The record of a schedule that cannot be read: its name and what its header tells; false
    // when not even the header can be read.
    template <typename TRecord>
    bool ListedByName(const TName& name, TRecord* record) const;

    CKV100AgentInterface& m_agent;
    // What a reload has asked the agent for all at once, by name; read instead of asking again.
    mutable std::map<TName, CKV100AgentInterface::TScheduleWithItems> m_readAhead;
};
