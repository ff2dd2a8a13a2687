#pragma once

#include "EngineServiceBase.h"
#include "refengine/CAgentSettingsStore.h"
#include "refengine/CNoticeSink.h"
#include "refengine/CVolumePass.h"
#include "refengine/CVolumeWalker.h"
#include "refengine/TVolumeDescription.h"

#include <QHash>
#include <QPointer>
#include <QSet>

#include <atomic>
#include <functional>
#include <memory>

class CVolumeSettingsStore;
class IPowerState;

// The defragmentation engine: the volumes this engine serves, their settings and results, and
// the passes that run on them (one at a time per volume). Lives on the daemon's main thread;
// passes run on threads of their own and store their results themselves. The product settings
// decide which drives may be defragmented, whether passes start or go on on battery, and the
// priorities passes run at; every refusal is logged.
class CEngineService : public CEngineServiceBase {
public:
    static constexpr uint kGeneration = 11;

    using TVolumeSource = std::function<QList<TVolumeDescription>()>;
    using TSeries = std::function<void(const QString& volume, QList<QList<double>>* series)>;

    struct TOptions {
        uint edition = 1;
        QStringList agentClassIds;
        TVolumeSource volumes;
        CVolumePass::TLog log;
        CVolumePass::THistory history;
        TSeries historySeries; // the six series, oldest first
        // The product settings, read as each pass starts; none: every pass starts, at the
        // priorities of the engine's thread.
        std::function<CAgentSettingsStore::TSettings()> settings;
        // Whether the computer runs on battery, and when that changes; none: mains power. Must
        // outlive the service.
        IPowerState* power = nullptr;
        // Whether passes on ext4 and btrfs volumes really move files; off, every pass is
        // played out on the drive map only.
        bool moveData = false;
    };

    CEngineService(CVolumeSettingsStore* store, TOptions options, QObject* parent = nullptr);
    ~CEngineService() override;

    // Starts a pass on a volume as a schedule asks it: method as in StartPass, analyse = an
    // analysis only. Answers as StartPassEx does.
    HRESULT StartScheduled(const QString& volume, bool analyse, int method,
                           std::function<void()> finished);
    // The ids of the volumes served now.
    QStringList VolumeIds();

    int Subscribe(const QString& computer, const QString& listener) override;
    int Unsubscribe(const QString& computer, const QString& listener) override;
    int GetProductEdition(uint& edition) override;
    int GetProductDisplayName(QString& name) override;
    int GetVersion(uint& generation, QString& version) override;
    int GetAgentClassIds(QStringList& classIds) override;
    int GetVolumes(QStringList& volumes) override;
    int GetVolumeInfo(const QString& volume, QString& mountName, QString& label,
                      QString& fileSystem, uint& driveType, uint& status, double& lastDefragmented,
                      uint& extraWord1, uint& extraWord2, int& bootTimeStatus,
                      double& sizeMegabytes, double& dataDate) override;
    int GetLastDefragmented(const QString& volume, double& date) override;
    int GetStatus(const QString& volume, uint& status, double& completionPercent,
                  double& estimatedEnd, QString& statusText) override;
    int GetFragmentation(const QString& volume, bool& analysed, double& fileFragmentation,
                         double& freeSpaceFragmentation) override;
    int GetDriveMap(const QString& volume, QList<uint>& blocks) override;
    int GetHistorySeries(const QString& volume, QList<double>& performanceBefore,
                         QList<double>& performanceAfter, QList<double>& fragmentationBefore,
                         QList<double>& fragmentationAfter, QList<double>& freeSpaceBefore,
                         QList<double>& freeSpaceAfter) override;
    int GetVolumeNumber(const QString& volume, uint& number) override;
    int GetDriveType(const QString& volume, uint& driveType) override;
    int GetDriveGeometry(const QString& volume, uint& serialHigh, uint& serialLow,
                         uint& bytesPerCluster, qulonglong& totalClusters, qulonglong& freeClusters,
                         qulonglong& usedClusters) override;
    int Analyze(const QString& volume) override;
    int AnalyzeEx(const QString& volume) override;
    int StartPass(const QString& volume, uint mode, int method) override;
    int StartPassEx(const QString& volume, uint mode, int method) override;
    int DefragmentFiles(const QString& volume, const QStringList& files) override;
    int DefragSystemFilesOffline(const QString& volume, bool force) override;
    int Stop(const QString& volume) override;
    int StopEx(const QString& volume) override;
    int Pause(const QString& volume) override;
    int Resume(const QString& volume) override;
    int GetLastErrorText(QString& text) override;
    int GetBootTime(const QString& volume, int& status) override;
    int SetBootTime(const QString& volume, int status) override;
    int IsChkdskScheduled(const QString& volume, bool& scheduled) override;
    int GetDefaultAlgorithm(const QString& volume, int& algorithm) override;
    int SetDefaultAlgorithm(const QString& volume, int algorithm) override;
    int GetOverrideDriveType(const QString& volume, int& overrideType) override;
    int SetOverrideDriveType(const QString& volume, int overrideType) override;
    int GetStatisticsBlock(const QString& volume, uint kind, QByteArray& block) override;
    int GetFTNotExceeded(const QString& volume, double& value, uint& count) override;
    int GetInsufficientFreeSpace(const QString& volume, double& value) override;
    int HasAnalysisData(const QString& volume, bool& available) override;
    int GetFileExtents(const QString& volume, const QString& file, QList<uint>& blocks) override;
    int GetFileFragmentCount(const QString& volume, const QString& file, uint& fragments) override;
    int GetDirectoryFragments(const QString& volume, const QString& directory, QStringList& names,
                              QList<uint>& fragments) override;
    int GetBlockFiles(const QString& volume, uint block, QStringList& files,
                      QList<int>& excessFragments, QList<qlonglong>& bytesUsed) override;
    int GetFragmentationThreshold(const QString& volume, uint& percent) override;
    int SetFragmentationThreshold(const QString& volume, uint percent) override;
    int GetOptiwise(const QString& volume, bool& enabled) override;
    int SetOptiwise(const QString& volume, bool enabled) override;
    int GetTierLayout(const QString& volume, QList<uint>& zoneOrder,
                      QList<qulonglong>& freeSpaceGapsKb, uint& rareAgeDays, uint& recentAgeDays,
                      bool& aggressive, bool& ignoreLargeFragments, uint& largeFragmentMb) override;
    int SetTierLayout(const QString& volume, const QList<uint>& zoneOrder,
                      const QList<qulonglong>& freeSpaceGapsKb, uint rareAgeDays,
                      uint recentAgeDays, bool aggressive, bool ignoreLargeFragments,
                      uint largeFragmentMb) override;
    int GetBootTimeSettings(const QString& volume, uint& fileKinds, bool& everyReboot) override;
    int SetBootTimeSettings(const QString& volume, uint fileKinds, bool everyReboot) override;
    int GetExcludedFiles(const QString& volume, QStringList& files) override;
    int SetExcludedFiles(const QString& volume, const QStringList& files) override;
    int GetZoneLegend(const QString& volume, QList<uint>& zones, QList<uint>& firstBlocks,
                      QList<uint>& blockCounts) override;

    // Limits of the drive settings.
    static constexpr qulonglong kMostFreeSpaceGapKb = qulonglong(1) << 30; // 1 TB
    static constexpr uint kMostAgeDays = 36500;
    static constexpr uint kMostLargeFragmentMb = 1u << 20;
    // Bit set of the system file kinds of the boot-time pass: 0x1 the file system's tables,
    // 0x2 its metadata, 0x4 the hibernation file, 0x8 the swap file.
    static constexpr uint kAllBootTimeFileKinds = 0xF;
    static constexpr qsizetype kMostExcludedFiles = 10000;

    // Codes of the per-volume answers.
    static const HRESULT kUnknownVolume; // 0x8007000F
    static const HRESULT kDeviceGone;    // 0x80070037
    static const HRESULT kBusy;          // 0x800700AA
    static const HRESULT kNotRunning;    // 0x8007139F
    static const HRESULT kNotSupported;  // 0x80070032
    // A pass refused on battery (Windows' ERROR_NOT_READY, which the console words so).
    static const HRESULT kOnBattery; // 0x80070015
    // A pass on a drive whose type the settings keep from being defragmented.
    static const HRESULT kDriveNotAllowed; // 0x80070032

    // The engine's events in the log, beside those of its passes.
    static constexpr qint32 kEventPriorityKept = 107;
    static constexpr qint32 kEventRefused = 108;
    static constexpr qint32 kEventStoppedOnBattery = 109;
    static constexpr qint32 kEventPowerChanged = 110;

private:
    // The volume's description, the list read again when it is not among the known ones.
    HRESULT Find(const QString& volume, TVolumeDescription* description);
    // The stored settings of a known volume.
    HRESULT Settings(const QString& volume, TVolumeSettings* settings);
    // Hands a known volume's stored settings to read.
    HRESULT Read(const QString& volume, const std::function<void(const TVolumeSettings&)>& read);
    // Changes a known volume's stored settings; a change that fails leaves them as they were.
    HRESULT Change(const QString& volume, const std::function<HRESULT(TVolumeSettings&)>& change);
    HRESULT StartPassOf(const QString& volume, const CVolumePass::TRequest& request,
                        std::function<void()> finished = {});
    CVolumePass* RunningPass(const QString& volume) const;
    // The type the drive is taken for: the one set for it, else the one it has.
    quint32 DriveTypeOf(const TVolumeDescription& description) const;
    // The computer has gone on battery or back to mains power.
    void OnPowerChanged(bool onBattery);
    void Log(qint32 eventType, qint32 eventId, const QString& message) const;
    // Whether a path lies on the volume (not on another file system mounted inside it).
    static bool OnVolume(const TVolumeDescription& description, const QString& path);
    void OnPassFinished(const QString& volume);
    void Remember(HRESULT result, const QString& text);
    // Remembers TEXT as the last error and answers RESULT.
    HRESULT Fail(HRESULT result, const QString& text);
    HRESULT NothingRunning(const TVolumeDescription& description);
    // The blocks and fragments of a file on the volume; a failure is remembered.
    HRESULT FileBlocks(const TVolumeDescription& description, const QString& file,
                       CVolumeWalker::TFileBlocks* found);

    CVolumeSettingsStore* const m_store;
    const TOptions m_options;
    CNoticeSink m_sink;
    QList<TVolumeDescription> m_volumes;
    QHash<QString, CVolumePass*> m_passes; // running or just finished
    QSet<const CVolumePass*> m_settled;    // finished passes whose end has been dealt with
    QHash<QString, std::function<void()>> m_whenFinished;         // by volume
    QHash<QString, std::shared_ptr<const CVolumeWalker>> m_walks; // the last walk of each volume
    QString m_lastError;
    // Whether priorities a pass could not have have been logged (once for all passes).
    std::atomic<bool> m_priorityRefusalLogged{false};
};
