#pragma once

#include "core/HResult.h"
#include "refengine/CDefragRun.h"
#include "refengine/CThreadPriority.h"
#include "refengine/TAnalysisFigures.h"
#include "refengine/TVolumeDescription.h"
#include "refengine/TVolumeSettings.h"

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>

#include <atomic>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>

class CNoticeSink;
class CVolumeWalker;
class CVolumeSettingsStore;

// One operation on one volume, run on a thread of its own: an analysis (a read-only walk of the
// volume), a defragmentation pass (an analysis, then the files moved into fewer pieces on ext4
// and btrfs, followed on the drive map as they move, and a second walk for the figures after;
// elsewhere, or when asked to move nothing, the pass played out over the drive map), or a pass
// over listed files. It writes the engine's notices at a steady
// rate while it runs, honours pause, resume and stop, and when it ends stores the volume's new
// results before it says so: a console that asks on the completion notice finds them.
class CVolumePass : public QObject {
    Q_OBJECT

public:
    enum class TKind { Analysis, Defragmentation, SelectedFiles };

    struct TRequest {
        TKind kind = TKind::Analysis;
        int method = 0;    // defragmentation: 0 TierLayout, 1 Defrag Only, 2 Consolidate Free Space
        QStringList files; // selected files: paths on the volume
        // The priorities of the pass's threads; none: those of the thread that starts it.
        std::optional<CThreadPriority::TPriority> priority;
        // Set once priorities that could not be had have been logged, so that they are logged
        // once for all passes that share it (which outlives them).
        std::atomic<bool>* priorityRefusalLogged = nullptr;
        // Passes on ext4 and btrfs move files for real; off, or on other file systems, they
        // are played out on the drive map only.
        bool moveData = false;
    };

    // The engine's status codes while a pass runs.
    static constexpr quint32 kIdle = 0;
    static constexpr quint32 kAnalysing = 1;
    static constexpr quint32 kDefragmenting = 2;
    static constexpr quint32 kPaused = 9;
    static constexpr quint32 kResumed = 10;

    // Time between two status notices.
    static constexpr int kTickMs = 250;

    struct TStatus {
        quint32 engineStatus = kIdle;
        double percent = 0;
        double estimatedEnd = 0; // OLE date, 0 unknown
        QString text;
    };

    // What a finished pass leaves for the agent's history: the figures before and after.
    struct THistoryPoint {
        QString volume;
        double date = 0;
        double fileFragmentationBefore = 0, fileFragmentationAfter = 0;
        double freeSpaceFragmentationBefore = 0, freeSpaceFragmentationAfter = 0;
        double performanceBefore = 0, performanceAfter = 0;
        double freeBytesBefore = 0, freeBytesAfter = 0, totalBytes = 0;
    };
    // The method a pass runs with: the requested one, or with Optiwise on the one the figures
    // call for (TierLayout for fragmented files, Consolidate Free Space for scattered free space
    // around whole files, Defrag Only for what little is left).
    static int ChosenMethod(const TAnalysisFigures& before, const TVolumeSettings& settings,
                            int requested);
    // Whether the drive's threshold lets the pass run: file fragmentation against it, free-space
    // fragmentation for Consolidate Free Space; a threshold of 0 always does.
    static bool ThresholdExceeded(const TAnalysisFigures& before, const TVolumeSettings& settings,
                                  int method);
    static constexpr double kOptiwiseFileFragmentation = 10.0;
    static constexpr double kOptiwiseFreeSpaceFragmentation = 20.0;

    // Event types: 1 error, 2 warning, 4 information.
    using TLog = std::function<void(qint32 eventType, qint32 eventId, const QString& message)>;
    using THistory = std::function<void(const THistoryPoint& point)>;

    CVolumePass(TVolumeDescription volume, TRequest request, CNoticeSink* sink,
                CVolumeSettingsStore* store, TLog log, THistory history, QObject* parent = nullptr);
    // Stops a running pass and waits for it.
    ~CVolumePass() override;

    void Start();
    // Only while running; pausing twice, or resuming what runs, answers S_FALSE.
    HRESULT Pause();
    HRESULT Resume();
    void Stop();

    TStatus Status() const;
    // The drive map as the pass knows it so far.
    QByteArray Map() const;
    bool Running() const;
    // The pass's outcome once Finished: S_OK, E_ABORT when stopped, or the failure.
    HRESULT Result() const;
    QString FailureText() const;
    // The walk of the analysis, kept for the engine's block queries; null while running, for a
    // files pass, or after a failed walk.
    std::shared_ptr<const CVolumeWalker> Walker() const;
    const QString& Volume() const { return m_volume.id; }
    const QString& MountPoint() const { return m_volume.mountPoint; }
    TKind Kind() const { return m_request.kind; }

signals:
    // On the pass's thread; connect queued.
    void Finished(const QString& volume);

private:
    void Run();
    void ApplyPriority();
    HRESULT RunAnalysis(TAnalysisFigures* figures, QByteArray* map);
    // A walk of the volume whose progress runs from one percentage to another.
    HRESULT RunWalk(TAnalysisFigures* figures, QByteArray* map, quint32 status, double from,
                    double to, const QString& text);
    HRESULT RunSimulation(int method, QByteArray* map, double* progress);
    // The pass that moves files, from the analysis to the stored results.
    void RunMoves(int method, const TAnalysisFigures& before, TVolumeSettings settings,
                  qint64 startedMs);
    HRESULT RunFiles();
    HRESULT RunFilesMoved();
    bool MovesData() const;
    // The options of a pass that moves files on this volume, with the volume's settings.
    CDefragRun::TOptions MoveOptions(const TVolumeSettings& settings) const;
    // Stores the results of a defragmentation pass, adds them to the history and logs its end.
    void StorePassResults(TVolumeSettings* settings, const TAnalysisFigures& before,
                          const TAnalysisFigures& after, const QByteArray& map, qint64 durationMs,
                          HRESULT result);
    // Stores, says and logs that the free space is too low for the pass to go on.
    void ReportInsufficientFreeSpace(TVolumeSettings* settings, double freePercent);
    void LogMoves(const CDefragRun::TFigures& figures, const QString& what, HRESULT result);
    // Blocks while paused; false once stopped.
    bool Continue();
    // Status, working message and the map's changes since the last tick, when a tick is due.
    void Tick(bool force);
    // Under m_mutex, so that no status overtakes a later one: a pause or resume is told
    // before the pass's thread can say anything newer.
    void SendStatusLocked() const;
    void SendMapChanges(const QByteArray& map);
    void SetStatus(quint32 status, double percent, const QString& text);
    void Finish(HRESULT result, const QString& failure);

    const TVolumeDescription m_volume;
    const TRequest m_request;
    CNoticeSink* const m_sink;
    CVolumeSettingsStore* const m_store;
    const TLog m_log;
    const THistory m_history;

    mutable std::mutex m_mutex;
    std::condition_variable m_wake;
    bool m_running = false;
    bool m_paused = false;
    bool m_stopping = false;
    TStatus m_status;
    QByteArray m_map;     // as the console has been told
    QByteArray m_working; // as the pass knows it
    qint64 m_startedMs = 0;
    qint64 m_lastTickMs = -1;
    HRESULT m_result = S_OK;
    QString m_failure;
    std::shared_ptr<CVolumeWalker> m_walker;
    std::thread m_thread;
};
