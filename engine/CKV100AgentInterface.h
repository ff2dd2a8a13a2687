#pragma once

#include "core/Types.h"
#include "engine/CListenerBase.h"
#include "engine/CServiceConnection.h"

#include <QObject>

#include <string>

// The agent service's wrapper (the scheduling agent): schedules started and stopped, and the
// product's resource use.
class CKV100AgentInterface : public QObject {
    Q_OBJECT

public:
    explicit CKV100AgentInterface(QObject* parent = nullptr);
    ~CKV100AgentInterface() override;

    CListenerBase<CKV100AgentInterface>& Listener() { return m_listener; }

    // Creates the agent on the computer (empty: this one). Only the newest generation (the
    // first class ID) reports by notices: its listener is started and subscribed.
    HRESULT Connect(const TString& computer, const TString& user, const TString& password,
                    const TString& domain);
    void Disconnect();
    bool IsConnected() const { return m_connection.IsConnected(); }
    bool IsRemote() const { return m_connection.IsRemote(); }
    // The first class ID answered.
    bool IsNewest() const { return m_newest; }
    // The first or the second answered.
    bool IsNewer() const { return m_newer; }
    const QString& ListenerName() const { return m_listenerName; }

    void Dispatch(quint32 type, const QByteArray& body);

signals:
    void ScheduleStarted(const std::wstring& schedule_name, const std::wstring& item_name);
    void ScheduleStopped(const std::wstring& schedule_name, const std::wstring& item_name);
    void ResourcesUpdated(double cpu_value, double io_value);

private:
    CServiceConnection m_connection{ServiceContract::Agent};
    CListenerBase<CKV100AgentInterface> m_listener;
    QString m_listenerName;
    bool m_newest = false;
    bool m_newer = false;
};
