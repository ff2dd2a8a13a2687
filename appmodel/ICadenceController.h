#pragma once

// The scheduling tab as the ribbon and the controller reach it.
// Implemented by the feature's tab, which registers itself with the application controller
// when it is built and unregisters when it is destroyed.
class ICadenceController {
public:
    virtual ~ICadenceController() = default;

    // Reloads every schedule from the agent.
    virtual void UpdateModel() = 0;
};
