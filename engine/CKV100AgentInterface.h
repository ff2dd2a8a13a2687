#pragma once

#include "engine/CListenerBase.h"

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

    void Dispatch(quint32 type, const QByteArray& body);

signals:
    void ScheduleStarted(const std::wstring& schedule_name, const std::wstring& item_name);
    void ScheduleStopped(const std::wstring& schedule_name, const std::wstring& item_name);
    void ResourcesUpdated(double cpu_value, double io_value);

private:
    CListenerBase<CKV100AgentInterface> m_listener;
};
