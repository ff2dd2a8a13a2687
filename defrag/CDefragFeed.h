#pragma once

#include "core/CTranslatable.h"
#include "core/Types.h"
#include "defrag/CDefrager.h"

#include <QObject>

class CCadence;
class CKV100AgentInterface;
class CKV100EngineInterface;

// Keeps the drive model in step with the engine: it fills the model from the engine's volume
// list, applies the engine's notices (status, progress, drive-map runs, fragmentation, results)
// as they arrive, and offers the schedules to the drives for their next runs. The drive views
// listen to the model and to the feed's own signals; nothing passes through the application
// controller. GUI thread only.
class CDefragFeed : public QObject, public CTranslatable {
    Q_OBJECT

public:
    CDefragFeed(CKV100EngineInterface& engine, CDefrager& model, CCadence& cadence,
                QObject* parent = nullptr);

    CKV100EngineInterface& Engine() const { return m_engine; }
    CDefrager& Model() const { return m_model; }
    CCadence& Cadence() const { return m_cadence; }
    // The agent that keeps the dated history of past passes; the dates of the engine's history
    // series are read from it (none without an agent, or while it is not connected).
    void SetAgent(CKV100AgentInterface* agent) { m_agent = agent; }

    // Rebuilds the model from the engine's volume list; the current volume stays when the
    // computer still has it, else the first volume becomes current.
    void Rebuild();
    // Reads every volume's last-defragmented date again and offers the schedules.
    void Refresh();
    // Rebuilds when the engine's volume list differs from the model's, else refreshes.
    void ConditionalRefresh();
    // Offers every schedule to the drives it covers.
    void UpdateNextRuns();
    // Reads the volume's status from the engine again (clearing the details when it is idle),
    // then its results.
    void RefreshVolume(const TId& volume);
    // Reads the results of a finished pass: dates, history series and statistics.
    void ReadResults(const TId& volume);
    // After a pass over listed files: each file's fragments before (kept when the pass was asked
    // for) and after, as the selected-files results show them; the list is used once.
    void RecordSelectedFiles(const TId& volume);
    // A volume's record as the engine reports it, with the dates of its history from the agent;
    // false when the engine could not say.
    bool ReadVolume(const TId& volume, CDefrager::TVolumeInfo& record) const;

    // The status word of an engine status code, as the status line shows it.
    QString StatusWord(quint32 status) const;

public slots:
    void OnStatusChanged(const TId& volume_guid, uint status, double completion_percent,
                         double estimation);
    void OnWorkingMessageChanged(const TId& volume_guid, double working_percent,
                                 const TString& working_message);
    void OnBitmapUpdated(const TId& volume_guid, uint block_type, uint block_start,
                         uint block_length);
    void OnFragmentationChanged(const TId& volume_guid, double fragmentation_percent);
    void OnFreeSpaceFragmentationChanged(const TId& volume_guid, double fragmentation_percent);
    void OnStarted(const TId& volume_guid);
    void OnCompleted(const TId& volume_guid);
    void FTNotExceeded(const TId& volume_guid);
    void InsufficientFreeSpace(const TId& volume_guid);
    void StatisticsUpdated(const TId& volume_guid);

signals:
    // The set of drives was rebuilt or refreshed: views reset.
    void DefragModelUpdated();
    void NextRunsUpdated();
    // An operation started or completed on a known volume.
    void Started(const TId& kv_volume_guid);
    void Completed(const TId& kv_volume_guid);
    // New results of the kind the model's statistics kind names.
    void StatisticsChanged(const TId& kv_volume_guid);

private:
    void StoreEngineStatus(const TId& volume);
    void ReadStatistics(const TId& volume);
    void ShowStatistics(const TId& volume, CDefrager::TOptimizeMode kind);

    CKV100EngineInterface& m_engine;
    CDefrager& m_model;
    CCadence& m_cadence;
    CKV100AgentInterface* m_agent = nullptr;
};
