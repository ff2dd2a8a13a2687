#pragma once

#include "appmodel/CModelLayout.h"

// The application model as the views see it: which pane is active.
class IAppModel {
public:
    virtual ~IAppModel() = default;
    virtual void SetActivePane(CModelLayout::TPaneType pane) = 0;
    virtual CModelLayout::TPaneType GetActivePane() const = 0;
};
