#pragma once

#include "core/CMessageTemplate.h"
#include "core/HResult.h"
#include "core/Types.h"
#include "engine/CDefragStatisticsData.h"
#include "schedule/CCadence.h"

#include <QByteArray>
#include <QList>
#include <QMetaType>
#include <QObject>
#include <QString>

#include <cstdint>
#include <functional>
#include <list>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <vector>

// The drives of the connected computer as the console shows them: one record per volume, the
// current volume, the selected volumes, the busy state of the whole set, and what the engine
// reports per volume (progress, fragmentation, drive-map blocks, statistics). Only the GUI
// thread uses it; engine notices reach it through queued signals.
class CDefrager : public QObject {
    Q_OBJECT

public:
    // Placement method of an online pass.
    enum TOptimizeAlgorithm : qint32 {
        kTierLayout = 0,
        kDefragOnly = 1,
        kConsolidateFreeSpace = 2,
        // Whatever the engine keeps for the volume; also the answer when it cannot say.
        kDriveDefaultAlgorithm = 3,
    };
    Q_ENUM(TOptimizeAlgorithm)

    // Boot-time defragmentation of system files: every positive value means scheduled.
    enum TAtBootStatus : qint32 {
        kAtBootOff = 0,
        kAtBootNextRestart = 1,
    };
    Q_ENUM(TAtBootStatus)

    // Operation kinds of a pass, and which kind of results the statistics view shows next.
    enum TOptimizeMode : quint32 {
        kEntireDrive = 1,
        kSelectedFiles = 2,
        kSystemFiles = 3,
        kAnalysis = 4,
        // Statistics kinds: the results of a completed pass, a pass skipped because the
        // fragmentation threshold was not exceeded, a pass that lacked free space.
        kPassResults = 1,
        kThresholdNotExceeded = 5,
        kInsufficientFreeSpace = 6,
    };
    // Where a volume's statistics keep the results of its last pass over selected files, beside
    // the engine's block kinds (0, 2, 3) and the skipped passes (5, 6).
    static constexpr quint32 kSelectedFilesRecord = 7;
    Q_ENUM(TOptimizeMode)

    // Drive type codes of a record.
    enum TDriveType : quint32 {
        kHardDisk = 1,
        kExternalDisk = 2,
        kFlashDrive = 3,
        kSolidStateDrive = 4,
    };

    // Engine operation status codes of a record.
    enum TVolumeStatus : quint32 {
        kIdle = 0,
        kAnalysing = 1,
        kDefragmenting = 2,
        kPaused = 3,
        kResumed = 4,
        kVerifying = 5,
    };

    static constexpr std::size_t kMapBlockCount = 3600;
    // Not analysed yet: every block of a new record.
    static constexpr quint32 kUnknownBlockType = 13;

    // Last results per statistics kind; shared immutable records, so a copied drive record is
    // a snapshot.
    using TStatistics = std::map<quint32, std::shared_ptr<const CDefragStatisticsData::CBase>>;

    struct TSelectedFile {
        TString path;
        quint32 fragmentsBefore = 0;
        bool operator==(const TSelectedFile&) const = default;
    };

    struct TVolumeInfo {
        TId volumeId;
        // The mount point, or the \\?\ device path of a volume without one.
        TName mountName;
        TName label;
        // "NTFS", "FAT", "FAT32", "exFAT" or whatever else the engine reports.
        TString fileSystem;
        quint32 driveType = 0;
        quint32 status = kIdle;
        // OLE date of the last completed pass; 0 means never.
        double lastDefragmented = 0.0;
        // Carried from the engine as it reports them (bit 0 of the first: read the status from
        // the engine when an operation starts).
        quint32 extraWord1 = 0;
        quint32 extraWord2 = 0;
        // The schedule that will next process the volume: its type (CCadence::TScheduleType)
        // and name.
        quint32 nextRunKind = CCadence::kNotSet;
        TName nextRunName;
        TAtBootStatus atBootStatus = kAtBootOff;
        double sizeMegabytes = 0.0;
        // Bytes of a cluster, as the engine gave it with the statistics; 0 when not known.
        quint32 clusterBytes = 0;
        std::vector<quint32> blocks = std::vector<quint32>(kMapBlockCount, kUnknownBlockType);
        // OLE date of the shown results; 0 while a pass runs or when there are none.
        double dataDate = 0.0;
        // The blocks of the file picked in the map's file search, and its path.
        std::set<quint32> selectedBlocks;
        TString selectedFileName;
        // Before and after values of the last passes, oldest first.
        QList<double> performanceBefore;
        QList<double> performanceAfter;
        QList<double> fragmentationBefore;
        QList<double> fragmentationAfter;
        QList<double> freeSpaceFragmentationBefore;
        QList<double> freeSpaceFragmentationAfter;
        // OLE date of each pass of the series above, oldest first; 0 where the date is unknown.
        // Empty when no date could be read.
        QList<double> historyDates;
        // The volume takes no command.
        bool blocked = false;
        // An entire-drive pass was started from this console (cleared by a stop).
        bool startedHere = false;
        // Shut the computer down when the pass ends.
        bool shutDownWhenDone = false;
        // Mount name, two blanks and the status word of the running operation.
        std::optional<TString> statusLine;
        // OLE date at which the running operation is expected to end.
        std::optional<double> estimatedEnd;
        std::optional<TString> statusText;
        std::optional<double> completionPercent;
        // Carried from the engine for the statistics views.
        std::optional<TString> extraText1;
        std::optional<TString> extraText2;
        std::optional<double> extraValue;
        std::optional<double> workingPercent;
        std::optional<TString> workingMessage;
        // In percent; absent until the volume has been analysed.
        std::optional<double> fragmentation;
        std::optional<double> freeSpaceFragmentation;
        TStatistics statistics;
        // The files of the last selected-files pass.
        std::vector<TSelectedFile> selectedFiles;
    };

    using TVolumeMap = std::map<TId, TVolumeInfo>;

    // A schedule as the schedule model offers it to a volume it covers.
    struct TScheduleOffer {
        quint32 type = CCadence::kNotSet;
        TName name;
        // OLE dates; a next run below 1.0 is unknown.
        double lastRun = 0.0;
        double nextRun = 0.0;
        bool disabled = false;
        // The schedule model says the schedule does not apply.
        bool notApplying = false;
    };
    // The next run of the schedule a next-run entry names (0 when unknown), or nothing when
    // that schedule no longer exists.
    using TScheduleLookup = std::function<std::optional<double>(quint32 type, const TName& name)>;
    // Now, as an OLE date.
    using TClock = std::function<double()>;

    explicit CDefrager(QObject* parent = nullptr);

    // Registers by name the types that the signals carry, for queued connections made by
    // name. Safe to call more than once.
    static void RegisterMetaTypes();

    static bool IsRunningStatus(quint32 status);
    static bool IsPausedStatus(quint32 status);

    // Display texts, translated in the given context: "HDD", "External", "Flash", "SSD" (empty
    // for other codes); the drive table's status texts with %1 for the percent.
    static const QByteArray kTranslationContext;
    static QString DriveTypeText(quint32 driveType,
                                 const QByteArray& context = kTranslationContext);
    static CMessageTemplate StatusTemplate(quint32 status,
                                           const QByteArray& context = kTranslationContext);
    // The status text with the percent in fixed notation without decimals.
    static QString StatusText(quint32 status, double percent,
                              const QByteArray& context = kTranslationContext);

    // Volume set. Inserting keys the record by its volume id and gives it exactly
    // kMapBlockCount blocks.
    void SetVolume(const TVolumeInfo& volume);
    void RemoveVolume(const TId& id);
    // Every volume, the selection and the current volume.
    void Clear();
    bool Contains(const TId& id) const { return m_volumes.count(id) != 0; }
    // A copy; an empty record when the volume is unknown.
    TVolumeInfo Volume(const TId& id) const;
    // Read access without a copy; nullptr when unknown. Valid until the volume is removed.
    const TVolumeInfo* FindVolume(const TId& id) const;
    // E_FAIL, leaving volume untouched, when there is no current volume or it is unknown.
    HRESULT CurrentVolumeInfo(TVolumeInfo& volume) const;
    const TVolumeMap& Volumes() const { return m_volumes; }
    TVolumeMap::const_iterator begin() const { return m_volumes.begin(); }
    TVolumeMap::const_iterator end() const { return m_volumes.end(); }
    std::size_t Count() const { return m_volumes.size(); }

    // Lookups.
    TName MountName(const TId& id) const;
    // The first volume in map order with that mount name; empty when none.
    TId VolumeIdOfMountName(const TName& mountName) const;
    bool IsNtfs(const TId& id) const;
    // Whether the engine can list the files in the volume's drive-map blocks: NTFS, and the
    // file systems that tell where a file's extents lie.
    bool ListsBlockFiles(const TId& id) const;
    // Only NTFS volumes allow it.
    bool CanDefragmentSystemFiles(const TId& id) const;

    // Current volume: an empty id clears it; an unknown one is ignored.
    void SetCurrentVolume(const TId& id);
    const TId& CurrentVolume() const { return m_currentVolume; }
    TName CurrentMountName() const;

    // Selection, kept sorted and free of duplicates; unknown volumes are not added.
    void SelectVolumes(const std::list<TId>& ids);
    void DeselectVolumes(const std::list<TId>& ids);
    bool IsSelectionEmpty() const { return m_selection.empty(); }
    std::list<TId> Selection() const;
    bool AnySelectedRunning() const;
    bool AnySelectedPaused() const;
    bool AnySelectedBlocked() const;
    // True for an empty selection.
    bool AnySelectedNtfs() const;

    // Busy queries.
    bool AnyRunning() const;
    bool AnyPaused() const;
    bool AnyNotIdle() const;
    bool IsRunning(const TId& id) const;
    bool IsPaused(const TId& id) const;
    bool IsRunningOrPaused(const TId& id) const;
    bool IsCurrentRunningOrPaused() const;
    TBusyStatus BusyState() const;

    // Status. Setting the code emits the recomputed busy state, even when it stays the same.
    void SetStatus(const TId& id, quint32 status);
    void SetStatusText(const TId& id, const TString& statusText, double completionPercent);
    void SetStatusLine(const TId& id, const TString& statusLine, double estimatedEnd);
    // A running operation's progress at once: the status code, its word with the completion
    // percent, and the status line with the estimated end; one busy state, one StatusChanged.
    void SetProgress(const TId& id, quint32 status, const TString& statusText,
                     double completionPercent, const TString& statusLine, double estimatedEnd);
    void SetExtraStatusDetails(const TId& id, const TString& text1, const TString& text2,
                               double value);
    // Status line, estimated end, status text, completion percent and the extra details.
    void ClearStatusDetails(const TId& id);

    // Progress details.
    void SetWorkingMessage(const TId& id, double percent, const TString& message);
    void ClearWorkingMessage(const TId& id);
    void SetCompletionPercent(const TId& id, double percent);
    void ClearCompletionPercent(const TId& id);
    void SetDataDate(const TId& id, double dataDate);
    void ResetDataDate(const TId& id);

    // Fragmentation in percent.
    void SetFragmentation(const TId& id, double percent);
    void ClearFragmentation(const TId& id);
    void SetFreeSpaceFragmentation(const TId& id, double percent);
    void ClearFreeSpaceFragmentation(const TId& id);

    // Drive map: blocks start to start + length - 1 take the type; blocks past the map are
    // ignored. Emits BitmapUpdated with the given values for every known volume.
    void SetBlockRun(const TId& id, uint blockType, uint blockStart, uint blockLength);
    void SetSelectedBlocks(const TId& id, const std::set<quint32>& blocks, const TString& fileName);

    // Drive attributes.
    void SetDriveType(const TId& id, quint32 driveType);
    void SetAtBootStatus(const TId& id, TAtBootStatus status);
    void SetClusterBytes(const TId& id, quint32 clusterBytes);
    void SetLastDefragmented(const TId& id, double date);
    void SetHistory(const TId& id, const QList<double>& performanceBefore,
                    const QList<double>& performanceAfter, const QList<double>& fragmentationBefore,
                    const QList<double>& fragmentationAfter,
                    const QList<double>& freeSpaceFragmentationBefore,
                    const QList<double>& freeSpaceFragmentationAfter,
                    const QList<double>& historyDates = {});
    // A null record removes that kind.
    void SetStatistics(const TId& id, quint32 kind,
                       std::shared_ptr<const CDefragStatisticsData::CBase> statistics);
    std::shared_ptr<const CDefragStatisticsData::CBase> Statistics(const TId& id,
                                                                   quint32 kind) const;
    void SetBlocked(const TId& id, bool blocked);
    void SetStartedHere(const TId& id, bool startedHere);
    // On every selected volume.
    void SetShutDownWhenDone(bool shutDown);
    void SetSelectedFiles(const TId& id, const std::vector<TSelectedFile>& files);

    // Next run: forgets the entry and the last-defragmented date.
    void ResetNextRun(const TId& id);
    // Whether the volume's next-run entry is, or stays, the offered schedule. Disabled, not
    // applying and "Not Set" schedules are never taken, nor timed ones whose next run has passed;
    // a timed schedule wins over an event-driven one, the earlier next run between timed ones,
    // and a schedule of another type between event-driven ones.
    bool OfferSchedule(const TId& id, const TScheduleOffer& offer, const TScheduleLookup& lookup);
    // The clock the offers compare next runs with; an empty one restores the system clock.
    void SetClock(TClock clock);

    // Which kind of results the statistics view shows next.
    void SetStatisticsKind(TOptimizeMode kind) { m_statisticsKind = kind; }
    TOptimizeMode StatisticsKind() const { return m_statisticsKind; }

signals:
    // A drive type or default method was changed by the user.
    void Refresh();
    void BusyStateChanged(TBusyStatus status);
    void HDTypeChanged(const TId& id);
    void VolumesSelected(const std::list<TId>& id);
    // Declared for removals from the selection, which emit nothing so far.
    void VolumesDeselected(const std::list<TId>& id);
    void CurrentVolumeChanged(const TId& id);
    void WorkingMessageChanged(const TId& id, double percent, const TString& message);
    // Status code, status text or completion percent.
    void StatusChanged(const TId& id);
    void FragmentationChanged(const TId& id, double fragmentation_percent);
    void FreeSpaceFragmentationChanged(const TId& id, double fragmentation_percent);
    void BitmapUpdated(const TId& id, uint block_type, uint block_start, uint block_length);

private:
    TVolumeInfo* Find(const TId& id);
    template <typename TPredicate>
    bool AnyVolume(TPredicate predicate) const;
    template <typename TPredicate>
    bool AnySelected(TPredicate predicate) const;
    double Now() const;

    TVolumeMap m_volumes;
    TId m_currentVolume;
    std::vector<TId> m_selection;
    TOptimizeMode m_statisticsKind = kPassResults;
    TClock m_clock;
    // The volume of the last block run: the engine sends long bursts for one volume.
    TVolumeInfo* m_blockRunVolume = nullptr;
};
