#pragma once

#include "appmodel/CModelLayout.h"

// The Active Directory deployment tab.
// Implemented by the feature's tab, which registers itself with the application controller
// when it is built and unregisters when it is destroyed.
class IADController {
public:
    virtual ~IADController() = default;

    // Shows one sub-pane of the tab.
    virtual void ActivateSubPane(CModelLayout::TADPaneType pane) = 0;
    // Whether this computer has the Group Policy Management Console, whose wizard the tab offers.
    virtual bool GroupPolicyManagementAvailable() const = 0;
};
