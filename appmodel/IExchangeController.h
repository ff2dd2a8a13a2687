#pragma once

// The Exchange data stores tab.
// Implemented by the feature's tab, which registers itself with the application controller
// when it is built and unregisters when it is destroyed.
class IExchangeController {
public:
    virtual ~IExchangeController() = default;
};
