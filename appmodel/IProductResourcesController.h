#pragma once

// The product resources tab.
// Implemented by the feature's tab, which registers itself with the application controller
// when it is built and unregisters when it is destroyed.
class IProductResourcesController {
public:
    virtual ~IProductResourcesController() = default;
};
