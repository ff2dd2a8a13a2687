#pragma once

// The virtual guests tab as the ribbon and the controller reach it.
// Implemented by the feature's tab, which registers itself with the application controller
// when it is built and unregisters when it is destroyed.
class IVMController {
public:
    virtual ~IVMController() = default;

    // Refreshes the guests' rows.
    virtual void RefreshModel() = 0;
    // Rebuilds the guest list.
    virtual void UpdateModel() = 0;
};
