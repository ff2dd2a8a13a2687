#pragma once

#include "core/COleDate.h"
#include "engine/CKV100AgentInterface.h"
#include "engine/ServiceContract.h"
#include "refengine/CAgentLogSettingsService.h"
#include "refengine/CAgentService.h"
#include "refengine/CEventLog.h"
#include "refengine/CNoticeSink.h"
#include "tests/support/CTestEngine.h"
#include "tests/support/CTestEnvironment.h"

#include "AgentAdaptor.h"
#include "AgentLogSettingsAdaptor.h"

#include <QDir>

#include <memory>

// The engine's own agent service and log settings over a D-Bus peer connection, with an event log
// in a folder of the environment, and the console's agent wrapper connected to them. Entries are
// added on the day Day(), one second apart.
struct CLogViewTestAgent {
    static QDate Day() { return QDate(2024, 3, 10); }
    static double DayStart() { return COleDate::FromDateTime(QDateTime(Day(), QTime(0, 0))); }

    CLogViewTestAgent()
    {
        environment.Set("PATH", environment.Root()); // no daemon to start
        QDir().mkpath(LogFolder());
        log = std::make_unique<CEventLog>(LogFolder() + QStringLiteral("/log.json"));
        log->SetClock([this] { return DayStart() + (36000.0 + m_added) / 86400.0; });
        const QString agentPath = DBusContract::ClassObjectPath(
            QString::fromLatin1(ServiceContract::Agent.classIds[0].data(),
                                qsizetype(ServiceContract::Agent.classIds[0].size())));
        engine.Serve(ServiceContract::Agent, 0, [this, agentPath](QObject* owner) {
            auto* agent = new CAgentService(sink, *log, agentPath, owner);
            new CAgentAdaptor(agent);
            return agent;
        });
        engine.ServeAt(
            CAgentService::SubObjectPath(agentPath, CAgentService::TSubObject::LogSettings),
            [this](QObject* owner) {
                auto* service = new CAgentLogSettingsService(
                    *log, environment.Root() + QStringLiteral("/logsettings.json"), owner);
                new CAgentLogSettingsAdaptor(service);
                return service;
            });
    }

    bool Connect() { return engine.Start() && agent.Connect(L"", L"", L"", L"") == S_OK; }

    QString LogFolder() const { return environment.Root() + QStringLiteral("/log"); }

    // Empties the log and adds count entries "entry N" (N from 1), errors every tenth.
    void Fill(int count)
    {
        log->Clear();
        for (int i = 1; i <= count; ++i)
            Add(i % 10 == 0 ? CEventLog::kError : CEventLog::kInformation, i,
                QStringLiteral("entry %1").arg(i));
    }
    void Add(qint32 type, qint32 id, const QString& message)
    {
        log->Append(QStringLiteral("KVEngine"), type, id, message);
        ++m_added;
    }

    CTestEnvironment environment;
    CNoticeSink sink;
    std::unique_ptr<CEventLog> log;
    CTestEngine engine{0, -1};
    CKV100AgentInterface agent;

private:
    int m_added = 0;
};
