#pragma once

#include "engine/CExchangeStatisticsMsg.h"
#include "engine/CListenerBase.h"

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

signals:
    void OpStarted(const std::wstring& group_name, const std::wstring& store_name,
                   bool from_listener);
    void StatusChanged(const std::wstring& group_name, const std::wstring& store_name,
                       unsigned int status, double completion_percent);
    void OpCompleted(const std::wstring& group_name, const std::wstring& store_name);
    void OnOutput(const std::wstring& output);
    void OnStatistics(const CExchangeStatisticsMsg& stats);

private:
    CListenerBase<CKV100ExchangeInterface> m_listener;
};
