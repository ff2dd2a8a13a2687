#pragma once

#include "appmodel/CModel.h"
#include "schedule/CCadence.h"
#include "schedule/CCadenceFeed.h"
#include "schedule/CCadenceWidget.h"
#include "tests/support/CScriptedPresenter.h"
#include "tests/support/CTestAgentRig.h"

// The scheduling tab over a connected test agent, with a scripted presenter for its boxes and
// wizards. Made afresh per test; its parts go in the reverse order of their making.
struct CTestCadencePageRig {
    CTestCadencePageRig()
        : connected(agentRig.Connect())
        , feed(agentRig.agent, cadence, &console)
        , page(feed)
    {}

    CTestAgentRig agentRig;
    bool connected;
    CCadence cadence;
    CModel console;
    CCadenceFeed feed;
    CScriptedPresenter presenter;
    CCadenceWidget page;
};
