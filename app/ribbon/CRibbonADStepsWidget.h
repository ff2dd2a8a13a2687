#pragma once

#include "app/ribbon/CRibbonFeatureBar.h"

// The part of the Active Directory bar shown with the "Steps To Manage" sub-pane. The steps
// page carries its own buttons, so this part holds no groups of its own yet.
class CRibbonADStepsWidget : public CRibbonFeatureBar {
    Q_OBJECT

public:
    explicit CRibbonADStepsWidget(QWidget* parent = nullptr);
};
