#pragma once

// The Exchange data stores tab.
// Implemented by the feature's tab, which registers itself with the application controller
// when it is built and unregisters when it is destroyed.
class IExchangeController {
public:
    virtual ~IExchangeController() = default;

    // Compacts the selected data store, after the user confirms.
    virtual void Defragment() = 0;
    // Stops the running compaction.
    virtual void Stop() = 0;
    // The configuration dialog of the selected data store.
    virtual void Properties() = 0;
};
