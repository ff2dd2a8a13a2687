#pragma once

#include "core/HResult.h"

#include <QList>
#include <QMap>
#include <QMutex>
#include <QString>
#include <QStringList>

// The agent's schedules as it keeps them: per schedule its source, code, parameter string,
// disabled flag, last run and timed items (in the order added), and the automatic update item.
// Names are compared exactly, as the console compares them, and listed in code-unit order. Kept
// in one JSON file, rewritten whole (atomically) on every change; a change that cannot be written
// is undone and answered kNotSaved. A missing file is an empty store, and so is a damaged one
// (moved aside to "<file>.damaged" first): every value is checked when the file is read. Every
// member may be called from any thread.
class CScheduleStore {
public:
    static constexpr HRESULT kNotFound = HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND);
    static constexpr HRESULT kAlreadyExists = HRESULT_FROM_WIN32(ERROR_ALREADY_EXISTS);
    static constexpr HRESULT kNotSaved = HRESULT_FROM_WIN32(ERROR_WRITE_FAULT);

    static constexpr uint kSourceLocal = 1;
    static constexpr uint kSourcePolicy = 2;
    static constexpr uint kSourceEnterprise = 4;

    // The kind bits of Names.
    static constexpr uint kKindDriveLocal = 1;
    static constexpr uint kKindDriveManaged = 2;
    static constexpr uint kKindExchange = 4;
    static constexpr uint kKindGuest = 8;

    // An item's flags.
    static constexpr uint kItemOfflinePass = 1;
    static constexpr uint kItemShutdown = 4;

    static constexpr qsizetype kMaxNameLength = 256;
    static constexpr qsizetype kMaxParametersLength = 64 * 1024;
    static constexpr int kMaxSchedules = 1000;
    static constexpr int kMaxItems = 256;

    struct TItem {
        QString name;
        double firstRun = 0.0; // OLE date
        uint intervalSeconds = 0;
        uint maxDurationSeconds = 0;
        uint flags = 0;
        // The runs due at or before this OLE date have been taken care of (0: none).
        double handledThrough = 0.0;

        bool operator==(const TItem&) const = default;
    };

    struct TSchedule {
        QString name;
        uint source = kSourceLocal;
        uint code = 0;
        QString parameters;
        bool disabled = false;
        double lastRun = 0.0; // OLE date; 0 never
        QList<TItem> items;

        bool operator==(const TSchedule&) const = default;
    };

    // Updates are checked every intervalWeeks (1 to 52) weeks on dayOfWeek (0 Sunday to 6
    // Saturday); the defaults are every week on Sunday.
    struct TAutoUpdate {
        uint intervalWeeks = 1;
        uint dayOfWeek = 0;

        bool operator==(const TAutoUpdate&) const = default;
    };

    explicit CScheduleStore(QString filePath);
    CScheduleStore(const CScheduleStore&) = delete;
    CScheduleStore& operator=(const CScheduleStore&) = delete;

    // Creates the schedule, or replaces the one of that name: the replacement starts enabled and
    // without items, as the console adds them afresh; only the last run is kept. E_INVALIDARG for
    // an empty or overlong name (or one with control characters), a source other than 1, 2 and
    // 4, a code other than 101 to 106, 201 to 203 and 401 to 403, an overlong parameter string,
    // and a new schedule beyond kMaxSchedules.
    HRESULT Create(const QString& name, uint source, uint code, const QString& parameters);
    // Adds a timed item; its runs due at or before handledThrough (an OLE date, 0 none) are taken
    // as past. kNotFound for an unknown schedule, kAlreadyExists for an item name the schedule
    // has; E_INVALIDARG for a bad item name, a first run that is not a date, flags other than
    // kItemOfflinePass and kItemShutdown, or a schedule of kMaxItems items.
    HRESULT AddItem(const QString& schedule, const QString& item, double firstRun,
                    uint intervalSeconds, uint maxDurationSeconds, uint flags,
                    double handledThrough = 0.0);
    HRESULT Delete(const QString& name);
    // kNotFound for an unknown old name, kAlreadyExists for a new name taken by another schedule,
    // E_INVALIDARG for a bad new name.
    HRESULT Rename(const QString& oldName, const QString& newName);
    // The names of the schedules of the kind bits, in order. E_INVALIDARG for unknown bits.
    HRESULT Names(uint kind, QStringList* names) const;
    HRESULT Get(const QString& name, TSchedule* schedule) const;
    QList<TSchedule> Schedules() const;
    HRESULT SetDisabled(const QString& name, bool disabled);
    // The runner's record of an item's runs: handled through that date, and (when set) the
    // schedule's last run. An empty item name records only the last run.
    HRESULT MarkHandled(const QString& schedule, const QString& item, double handledThrough,
                        double lastRun);

    TAutoUpdate AutoUpdate() const;
    // E_INVALIDARG for values out of their ranges.
    HRESULT SetAutoUpdate(uint intervalWeeks, uint dayOfWeek);

    static bool IsScheduleCode(uint code);
    // The kind bit a schedule is listed under.
    static uint KindOf(uint source, uint code);
    static bool IsValidName(const QString& name);

    const QString& FilePath() const { return m_filePath; }

private:
    void Load();
    // Under m_mutex: writes the store, or puts back what was there before and answers kNotSaved.
    HRESULT Commit(const QMap<QString, TSchedule>& before, const TAutoUpdate& autoUpdateBefore);
    bool Save() const;

    const QString m_filePath;
    mutable QMutex m_mutex;
    QMap<QString, TSchedule> m_schedules;
    TAutoUpdate m_autoUpdate;
};
