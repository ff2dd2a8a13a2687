#pragma once

// The space explorer sub-pane of the "Space Management" tab.
// Implemented by the feature's tab, which registers itself with the application controller
// when it is built and unregisters when it is destroyed.
class ISpaceExplorerController {
public:
    virtual ~ISpaceExplorerController() = default;

    // Analyses how the space of the chosen directory is shared between its files and folders.
    virtual void Analyse() = 0;
    // Stops the running analysis.
    virtual void Stop() = 0;
};
