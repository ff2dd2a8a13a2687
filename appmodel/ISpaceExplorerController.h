#pragma once

// The space explorer sub-pane of the "Space Management" tab.
// Implemented by the feature's tab, which registers itself with the application controller
// when it is built and unregisters when it is destroyed.
class ISpaceExplorerController {
public:
    virtual ~ISpaceExplorerController() = default;
};
