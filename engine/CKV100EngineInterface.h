#pragma once

#include "core/Types.h"
#include "engine/CListenerBase.h"
#include "engine/CServiceConnection.h"

#include <QObject>

// The engine service's wrapper: its notices become these signals, emitted on the listener's
// thread.
class CKV100EngineInterface : public QObject {
    Q_OBJECT

public:
    explicit CKV100EngineInterface(QObject* parent = nullptr);
    ~CKV100EngineInterface() override;

    CListenerBase<CKV100EngineInterface>& Listener() { return m_listener; }

    // Creates the engine on the computer (empty: this one) and subscribes the listener with it
    // under this computer's name. On failure the previous connection stays as it was.
    HRESULT Connect(const TString& computer, const TString& user, const TString& password,
                    const TString& domain);
    // Whether the engine can be created on the computer with these credentials; connects nothing.
    HRESULT TestConnection(const TString& computer, const TString& user, const TString& password,
                           const TString& domain) const;
    // Unsubscribes, stops the listener and lets the engine go. Safe when not connected.
    void Disconnect();
    bool IsConnected() const { return m_connection.IsConnected(); }
    bool IsRemote() const { return m_connection.IsRemote(); }
    // The computer of the last connection, as it was given.
    QString Computer() const { return m_connection.Computer(); }
    QString ListenerName() const { return m_connection.ListenerName(); }

    // The identifiers of the engine's volumes.
    HRESULT GetVolumes(TStringList* volumes);

    // The engine's interface generation, read when connecting (9 when the engine does not say);
    // from generation 10 on, analysis, the start of a pass and stop use the newer methods.
    uint Generation() const { return m_generation; }
    static constexpr uint kNewerGeneration = 10;

    // Operation modes of StartPass, and the method that stands for the drive's default.
    static constexpr uint kEntireDrive = 1;
    static constexpr uint kSelectedFiles = 2;
    static constexpr uint kSystemFiles = 3;
    static constexpr uint kAnalysis = 4;
    static constexpr int kDriveDefaultMethod = 3;

    // The per-volume operations below emit LostDrive or DriveNotAccessible when the engine could
    // not reach the volume, or could not be reached itself even after a reconnection.

    HRESULT Analyse(const TId& volume);
    // Starts an entire-drive (1) or system-files (3) pass with a method (0 TierLayout, 1 Defrag
    // Only, 2 Consolidate Free Space); the drive's default method (3) is read from the engine
    // first. Mode 4 is an analysis; mode 2 needs its files (DefragmentFilesList).
    HRESULT StartPass(const TId& volume, uint mode, int method = kDriveDefaultMethod);
    HRESULT DefragmentFilesList(const TId& volume, const TStringList& files);
    HRESULT Stop(const TId& volume);
    HRESULT Pause(const TId& volume);
    HRESULT Resume(const TId& volume);
    // Writes the override (-1 none, 1 internal disk, 2 external disk, 4 SSD), then reads the
    // drive type that results into driveType.
    HRESULT SetOverrideDriveType(const TId& volume, int overrideType, uint* driveType);

    // Product edition code: 3 Exchange data stores, 4 virtual machines, 6 no free-space tools.
    HRESULT GetProductEdition(uint* edition);
    // The product name shown for this computer; empty when the default one applies.
    HRESULT GetProductDisplayName(TString* name);
    // The agent class IDs that fit this engine, in the order to try them.
    HRESULT GetAgentClassIds(TStringList* classIds);
    // The volume's drive record. driveType: 1 hard disk, 2 external, 3 flash, 4 SSD. status: the
    // engine's status code, as in the status notice. extraWord1 bit 0: read the status from the
    // engine when an operation starts; extraWord2 is carried as is. bootTimeStatus: 0 off, positive
    // scheduled. sizeMegabytes: capacity. dataDate: when the shown results were produced, 0 while a
    // pass runs.
    HRESULT GetVolumeInfo(const TId& volume, TString* mountName, TString* label,
                          TString* fileSystem, uint* driveType, uint* status,
                          double* lastDefragmented, uint* extraWord1, uint* extraWord2,
                          int* bootTimeStatus, double* sizeMegabytes, double* dataDate);
    // Date of the last completed pass.
    HRESULT GetLastDefragmented(const TId& volume, double* date);
    // The running operation: engine status code, completion in percent, estimated end (date) and
    // status text.
    HRESULT GetStatus(const TId& volume, uint* status, double* completionPercent,
                      double* estimatedEnd, TString* statusText);
    // Fragmentation in percent; analysed is false (and both 0) before the first analysis.
    HRESULT GetFragmentation(const TId& volume, bool* analysed, double* fileFragmentation,
                             double* freeSpaceFragmentation);
    // The 3600 drive-map block codes (low four bits category, 0xF0 fragmented).
    HRESULT GetDriveMap(const TId& volume, QList<uint>* blocks);
    // Before and after values of the last passes, oldest first: performance, file fragmentation and
    // free-space fragmentation.
    HRESULT GetHistorySeries(const TId& volume, QList<double>* performanceBefore,
                             QList<double>* performanceAfter, QList<double>* fragmentationBefore,
                             QList<double>* fragmentationAfter, QList<double>* freeSpaceBefore,
                             QList<double>* freeSpaceAfter);
    // The volume's number as the drive table shows it.
    HRESULT GetVolumeNumber(const TId& volume, uint* number);
    // Detected drive type after any override: 1 hard disk, 2 external, 3 flash, 4 SSD.
    HRESULT GetDriveType(const TId& volume, uint* driveType);
    // For the drive info page: serial number halves, cluster size in bytes, cluster counts.
    HRESULT GetDriveGeometry(const TId& volume, uint* serialHigh, uint* serialLow,
                             uint* bytesPerCluster, quint64* totalClusters, quint64* freeClusters,
                             quint64* usedClusters);
    // Takes the volume offline and defragments its system files now. While another process holds
    // the volume it answers 0x80070020 (sharing violation) unless force closes the open handles.
    HRESULT DefragSystemFilesOffline(const TId& volume, bool force);
    // Text of the engine's last failure.
    HRESULT GetLastErrorText(TString* text);
    // Boot-time defragmentation: 0 off, positive scheduled (1 next restart).
    HRESULT GetBootTime(const TId& volume, int* status);
    HRESULT SetBootTime(const TId& volume, int status);
    // Whether a disk check is scheduled for the next restart.
    HRESULT IsChkdskScheduled(const TId& volume, bool* scheduled);
    // Default method: 0 TierLayout, 1 Defrag Only, 2 Consolidate Free Space.
    HRESULT GetDefaultAlgorithm(const TId& volume, int* algorithm);
    HRESULT SetDefaultAlgorithm(const TId& volume, int algorithm);
    // Drive type override: -1 none, 1 internal disk, 2 external disk, 4 SSD.
    HRESULT GetOverrideDriveType(const TId& volume, int* overrideType);
    // The serialized statistics record of the last pass of a kind (0 analysis, 2 online, 3
    // offline). Fails when the volume has none of that kind.
    HRESULT GetStatisticsBlock(const TId& volume, uint kind, QByteArray* block);
    // Values of the skipped pass whose fragmentation threshold was not exceeded.
    HRESULT GetFTNotExceeded(const TId& volume, double* value, uint* count);
    // Value of the pass that could not run for lack of free space.
    HRESULT GetInsufficientFreeSpace(const TId& volume, double* value);
    // Whether the volume's analysis data is at hand (files in a block need it).
    HRESULT HasAnalysisData(const TId& volume, bool* available);
    // Drive-map blocks that hold the file; empty for an empty or MFT-resident file.
    HRESULT GetFileExtents(const TId& volume, const TString& file, QList<uint>* blocks);
    HRESULT GetFileFragmentCount(const TId& volume, const TString& file, uint* fragments);
    // Names and fragment counts of the files directly in a directory.
    HRESULT GetDirectoryFragments(const TId& volume, const TString& directory, TStringList* names,
                                  QList<uint>* fragments);
    // Files in a drive-map block: full paths, excess fragments (negative: unknown) and bytes used
    // (not positive: unknown).
    HRESULT GetBlockFiles(const TId& volume, uint block, TStringList* files,
                          QList<int>* excessFragments, QList<qlonglong>* bytesUsed);
    // Minimum fragmentation in percent before a pass runs; 0 always runs.
    HRESULT GetFragmentationThreshold(const TId& volume, uint* percent);
    HRESULT SetFragmentationThreshold(const TId& volume, uint percent);
    // Whether the engine picks the method itself.
    HRESULT GetOptiwise(const TId& volume, bool* enabled);
    HRESULT SetOptiwise(const TId& volume, bool enabled);
    // Placement strategy. zoneOrder: five zones first to last (0 boot, 1 directory, 2 rarely, 3
    // occasionally, 4 recently modified); freeSpaceGapsKb: the four gaps between them in KB; ages
    // in days; largeFragmentMb applies while ignoreLargeFragments is set.
    HRESULT GetTierLayout(const TId& volume, QList<uint>* zoneOrder,
                          QList<qulonglong>* freeSpaceGapsKb, uint* rareAgeDays,
                          uint* recentAgeDays, bool* aggressive, bool* ignoreLargeFragments,
                          uint* largeFragmentMb);
    HRESULT SetTierLayout(const TId& volume, const QList<uint>& zoneOrder,
                          const QList<qulonglong>& freeSpaceGapsKb, uint rareAgeDays,
                          uint recentAgeDays, bool aggressive, bool ignoreLargeFragments,
                          uint largeFragmentMb);
    // System files of the boot-time pass: bits 0x1 MFT, 0x2 metadata, 0x4 hibernate file, 0x8
    // paging file; everyReboot repeats the pass at every restart.
    HRESULT GetBootTimeSettings(const TId& volume, uint* fileKinds, bool* everyReboot);
    HRESULT SetBootTimeSettings(const TId& volume, uint fileKinds, bool everyReboot);
    // Paths the online pass leaves in place.
    HRESULT GetExcludedFiles(const TId& volume, TStringList* files);
    HRESULT SetExcludedFiles(const TId& volume, const TStringList& files);
    // The TierLayout zones as laid out on the drive map: zone, first block, block count.
    HRESULT GetZoneLegend(const TId& volume, QList<uint>* zones, QList<uint>* firstBlocks,
                          QList<uint>* blockCounts);

    // Decodes one notice and emits its signal; unknown types and short bodies emit nothing.
    void Dispatch(quint32 type, const QByteArray& body);

    // The drive status of the engine's own status code.
    static uint MapEngineStatus(quint32 engineStatus);

    // After the per-drive object could not be had even after a reconnection: builds the error
    // text ("<system text> (<code in signed decimal>)") and emits DriveNotAccessible when it
    // names access denied (-2147024891), else LostDrive.
    void ReportDriveFailure(const TId& volume_guid, HRESULT hr);
    static TString DriveErrorText(HRESULT hr);
    // Answers of a per-volume call that say the volume itself could not be reached.
    static bool IsDriveFailure(HRESULT hr);

signals:
    void OpStarted(const TId& volume_guid);
    void StatusChanged(const TId& volume_guid, unsigned int status, double completion_percent,
                       double estimated_completion);
    void FragmentationChanged(const TId& volume_guid, double fragmentation_percent);
    void WorkingMessageChanged(const TId& volume_guid, double working_percent,
                               const TString& working_message);
    void BitmapUpdated(const TId& volume_guid, unsigned int block_type, unsigned int block_start,
                       unsigned int block_length);
    void FTNotExceeded(const TId& volume_guid);
    void InsufficientFreeSpace(const TId& volume_guid);
    void StatisticsUpdated(const TId& volume_guid);
    void OpCompleted(const TId& volume_guid);
    void FreeSpaceFragmentationChanged(const TId& volume_guid, double fragmentation_percent);
    // From failed calls, not from notices.
    void LostDrive(const TId& volume_guid, const TString& error_msg);
    void DriveNotAccessible(const TId& volume_guid, const TString& error_msg);

private:
    // Reports a drive failure of a per-volume call and hands its answer on.
    HRESULT OnVolume(const TId& volume, HRESULT result);

    CServiceConnection m_connection{ServiceContract::Engine};
    CListenerBase<CKV100EngineInterface> m_listener;
    uint m_generation = 9;
};
