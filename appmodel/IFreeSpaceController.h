#pragma once

// The "Space Management" tab as the ribbon and the controller reach it.
// Implemented by the feature's tab, which registers itself with the application controller
// when it is built and unregisters when it is destroyed.
class IFreeSpaceController {
public:
    virtual ~IFreeSpaceController() = default;

    // Rebuilds the drive table from the connected computer's drives.
    virtual void UpdateModel() = 0;
    // Refreshes the rows.
    virtual void RefreshModel() = 0;
};
