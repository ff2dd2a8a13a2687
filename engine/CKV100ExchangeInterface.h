#pragma once

#include "core/Types.h"
#include "engine/CExchangeStatisticsMsg.h"
#include "engine/CListenerBase.h"
#include "engine/CServiceConnection.h"

#include <QList>
#include <QObject>

#include <string>

// The Exchange engine's wrapper: a compaction's start, phases and end, the engine's text output
// and the statistics at the end.
class CKV100ExchangeInterface : public QObject {
    Q_OBJECT

public:
    explicit CKV100ExchangeInterface(QObject* parent = nullptr);
    ~CKV100ExchangeInterface() override;

    CListenerBase<CKV100ExchangeInterface>& Listener() { return m_listener; }

    void Dispatch(quint32 type, const QByteArray& body);

    // Creates the Exchange engine and its in-process part on this computer (an Exchange
    // engine is a local server) and subscribes the listener. On failure the previous connection
    // stays as it was.
    HRESULT Connect(const TString& computer, const TString& user, const TString& password,
                    const TString& domain);
    // Unsubscribes, stops the listener and lets the service go. Safe when not connected.
    void Disconnect();
    bool IsConnected() const { return m_connection.IsConnected(); }
    QString ListenerName() const { return m_connection.ListenerName(); }

    // Exchange version: 0 5.5, 1 2000, 2 2003, 3 2007, 4 2010.
    HRESULT GetVersion(uint* version);
    HRESULT GetServerName(TString* serverName);
    // The server the next calls talk to.
    HRESULT SetServerName(const TString& serverName);
    // Whether an Exchange server answers under the name.
    HRESULT TestServerName(const TString& serverName, bool* valid);
    HRESULT GetDataStoreCount(uint* count);
    // storeType: 0 mailbox, 1 public folder. backupMethod: 0 overwrite, 1 new file. state: 0 idle,
    // 1 verifying, 2 dismounting, 3 compacting, 4 restoring, 5 mounting. lastRun 0: never.
    HRESULT GetDataStore(uint index, TString* group, uint* storeType, TString* store,
                         TString* storePath, TString* backupPath, uint* backupMethod,
                         TString* workingDirectory, uint* state, double* size,
                         bool* hasRecoverableSpace, double* recoverableSpace, double* lastRun);
    // Backup copy (empty path: none) and working directory (empty: the temporary folder). Empty
    // group and store apply to every store.
    HRESULT ConfigureDataStore(const TString& group, const TString& store,
                               const TString& backupPath, uint backupMethod,
                               const TString& workingDirectory);
    // Starts compacting the store.
    HRESULT StartDefrag(const TString& group, const TString& store);
    // Stops the running compaction.
    HRESULT StopDefrag();

    // The in-process part: checks made on this computer before a store is configured.

    // Whether the account the Exchange engine runs under can use the directory and create files in
    // it.
    HRESULT CheckServiceAccess(const TString& directory, bool* canAccess, bool* canCreateFiles);
    HRESULT IsMappedNetworkDrive(const TString& path, bool* mapped);
    // Network names of the failover cluster's resources; empty when not clustered.
    HRESULT GetClusterNetworkNames(TStringList* names);

signals:
    void OpStarted(const std::wstring& group_name, const std::wstring& store_name,
                   bool from_listener);
    void StatusChanged(const std::wstring& group_name, const std::wstring& store_name,
                       unsigned int status, double completion_percent);
    void OpCompleted(const std::wstring& group_name, const std::wstring& store_name);
    void OnOutput(const std::wstring& output);
    void OnStatistics(const CExchangeStatisticsMsg& stats);

private:
    CServiceConnection m_connection{ServiceContract::ExchangeEngine};
    CServiceConnection m_inProcess{ServiceContract::ExchangeInProcess};
    CListenerBase<CKV100ExchangeInterface> m_listener;
};
