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

    // Creates the engine on the computer (empty: this one), starts the listener and subscribes
    // it with this computer's name. On failure nothing stays connected.
    HRESULT Connect(const TString& computer, const TString& user, const TString& password,
                    const TString& domain);
    // Unsubscribes, stops the listener and lets the engine go. Safe when not connected.
    void Disconnect();
    bool IsConnected() const { return m_connection.IsConnected(); }
    bool IsRemote() const { return m_connection.IsRemote(); }
    const QString& ListenerName() const { return m_listenerName; }

    // The identifiers of the engine's volumes.
    HRESULT GetVolumes(TStringList* volumes);

    // The engine's interface generation, read when connecting (9 when the engine does not say);
    // from generation 10 on, analysis and stop use the newer methods.
    uint Generation() const { return m_generation; }
    static constexpr uint kNewerGeneration = 10;
    HRESULT Analyse(const TId& volume);
    HRESULT Stop(const TId& volume);
    HRESULT Pause(const TId& volume);
    HRESULT Resume(const TId& volume);

    // Decodes one notice and emits its signal; unknown types and short bodies emit nothing.
    void Dispatch(quint32 type, const QByteArray& body);

    // The drive status of the engine's own status code.
    static uint MapEngineStatus(quint32 engineStatus);

    // After the per-drive object could not be had even after a reconnection: builds the error
    // text ("<system text> (<code in signed decimal>)") and emits DriveNotAccessible when it
    // names access denied (-2147024891), else LostDrive.
    void ReportDriveFailure(const TId& volume_guid, HRESULT hr);
    static TString DriveErrorText(HRESULT hr);

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
    CServiceConnection m_connection{ServiceContract::Engine};
    CListenerBase<CKV100EngineInterface> m_listener;
    QString m_listenerName;
    uint m_generation = 9;
};
