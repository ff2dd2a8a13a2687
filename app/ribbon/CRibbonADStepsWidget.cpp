#include "app/ribbon/CRibbonADStepsWidget.h"

CRibbonADStepsWidget::CRibbonADStepsWidget(QWidget* parent)
    : CRibbonFeatureBar("CRibbonADStepsWidget", parent)
{}
