#pragma once

// The duplicates finder sub-pane of the "Space Management" tab.
// Implemented by the feature's tab, which registers itself with the application controller
// when it is built and unregisters when it is destroyed.
class IDuplicatesFinderController {
public:
    virtual ~IDuplicatesFinderController() = default;
};
