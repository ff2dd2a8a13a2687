#pragma once

// The virtual guests tab as the ribbon and the controller reach it.
// Implemented by the feature's tab, which registers itself with the application controller
// when it is built and unregisters when it is destroyed.
class IVMController {
public:
    virtual ~IVMController() = default;

    // The properties dialog of the current guest.
    virtual void Properties() = 0;
    // Optimises the selected guests' virtual drives with the given choices.
    virtual void Defragment(bool shrink, bool defrag_vfs, bool defrag_vmware_internal,
                            bool defrag_vs_offline) = 0;
    // Stops the running optimisation.
    virtual void Stop() = 0;
    // Refreshes the guests' rows.
    virtual void RefreshModel() = 0;
    // Rebuilds the guest list.
    virtual void UpdateModel() = 0;
};
