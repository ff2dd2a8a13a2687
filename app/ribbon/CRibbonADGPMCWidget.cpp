#include "app/ribbon/CRibbonADGPMCWidget.h"

CRibbonADGPMCWidget::CRibbonADGPMCWidget(QWidget* parent)
    : CRibbonFeatureBar("CRibbonADGPMCWidget", parent)
{}
