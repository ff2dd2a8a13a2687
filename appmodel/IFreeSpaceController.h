#pragma once

#include "core/HResult.h"
#include "core/Types.h"

// The "Space Management" tab as the ribbon and the controller reach it.
// Implemented by the feature's tab, which registers itself with the application controller
// when it is built and unregisters when it is destroyed.
class IFreeSpaceController {
public:
    // Bits of the options word: what the cleaner empties.
    static constexpr DWORD kCleanRecycleBin = 0x100000;
    static constexpr DWORD kCleanTemporaryFiles = 0x200000;

    virtual ~IFreeSpaceController() = default;

    // Rebuilds the drive table from the connected computer's drives.
    virtual void UpdateModel() = 0;
    // Refreshes the rows.
    virtual void RefreshModel() = 0;
    // Adds and removes rows for the drives that came and went.
    virtual void CheckForDrivesGainLoss() = 0;
    // Show one sub-pane of the tab.
    virtual void DuplicatesFinder() = 0;
    virtual void SpaceExplorer() = 0;
    virtual void Recycler() = 0;
    virtual void SpaceReport() = 0;
    // Cleans the selected drives, or analyses them without cleaning; stops the running pass.
    virtual void Start() = 0;
    virtual void Analyse() = 0;
    virtual void Stop() = 0;
    // Stores the options word.
    virtual void UpdateOptions(DWORD options) = 0;
    virtual void SelectVolume(TName volume) = 0;
    virtual void DeSelectVolume(TName volume) = 0;
    // Refreshes the busy indicators.
    virtual void UpdateIndicators() = 0;
    // Once, when the console has started and its window is made.
    virtual void OnStartUp() = 0;
};
