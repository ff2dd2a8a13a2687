#pragma once

#include "app/ribbon/CRibbonFeatureBar.h"

// The part of the Active Directory bar shown with the "Manage Using GPMC" sub-pane. The wizard
// carries its own buttons, so this part holds no groups of its own yet.
class CRibbonADGPMCWidget : public CRibbonFeatureBar {
    Q_OBJECT

public:
    explicit CRibbonADGPMCWidget(QWidget* parent = nullptr);
};
