#pragma once

// The defragmentation tab as the ribbon, the drive views and the controller reach it.
// Implemented by the feature's tab, which registers itself with the application controller
// when it is built and unregisters when it is destroyed.
class IDefragController {
public:
    virtual ~IDefragController() = default;
};
