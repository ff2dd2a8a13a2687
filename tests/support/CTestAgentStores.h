#pragma once

#include "refengine/CAgentSettingsStore.h"
#include "refengine/CEventLog.h"
#include "refengine/CHistoryStore.h"
#include "refengine/CNoticeSink.h"
#include "refengine/CScheduleRunner.h"
#include "refengine/CScheduleStore.h"

#include <QString>

// The agent's stores and schedule runner as the engine daemon keeps them, with their files in
// one folder, for tests that serve the agent's sub-objects themselves.
struct CTestAgentStores {
    explicit CTestAgentStores(const QString& root)
        : log(root + QStringLiteral("/log.json"))
        , history(root + QStringLiteral("/history.json"))
        , schedules(root + QStringLiteral("/schedules.json"))
        , settings(root + QStringLiteral("/settings.json"))
        , runner(schedules, sink, log)
    {}

    CEventLog log;
    CHistoryStore history;
    CScheduleStore schedules;
    CAgentSettingsStore settings;
    CNoticeSink sink;
    CScheduleRunner runner;
};
