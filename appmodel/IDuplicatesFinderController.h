#pragma once

#include "core/Types.h"

// The duplicates finder sub-pane of the "Space Management" tab.
// Implemented by the feature's tab, which registers itself with the application controller
// when it is built and unregisters when it is destroyed.
class IDuplicatesFinderController {
public:
    virtual ~IDuplicatesFinderController() = default;

    // Searches the given directories, leaving out the excluded ones (the recursively excluded
    // ones together with everything below them).
    virtual void Start(TStringList target_dirs, TStringList avoid_dirs,
                       TStringList avoid_recursive_dirs) = 0;
    // Searches the selected volumes.
    virtual void Start() = 0;
    // Stops the running search or deletion.
    virtual void Stop() = 0;
    virtual void SelectVolume(TName volume) = 0;
    virtual void DeSelectVolume(TName volume) = 0;
};
