#pragma once

#include "engine/CKV100AgentInterface.h"
#include "tests/support/CTestEngine.h"
#include "tests/support/CTestEnvironment.h"
#include "tests/support/CTestScheduleStore.h"

// An agent wrapper connected to a test engine whose agent keeps its schedules in a test store,
// in a test environment of its own where no engine daemon can be started.
struct CTestAgentRig {
    CTestAgentRig()
    {
        environment.Set("PATH", environment.Root());
        store.ServeOn(engine);
    }
    // Starts the engine and connects the agent; false when either failed.
    bool Connect() { return engine.Start() && agent.Connect(L"", L"", L"", L"") == S_OK; }

    CTestEnvironment environment;
    CTestScheduleStore store;
    CTestEngine engine;
    CKV100AgentInterface agent;
};
