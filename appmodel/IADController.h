#pragma once

// The Active Directory deployment tab.
// Implemented by the feature's tab, which registers itself with the application controller
// when it is built and unregisters when it is destroyed.
class IADController {
public:
    virtual ~IADController() = default;
};
