#pragma once

#include "app/ribbon/CRibbonFeatureBar.h"

// The bar of the product resources tab: updates, help, the about dialog and support.
class CRibbonProductResourcesWidget : public CRibbonFeatureBar {
    Q_OBJECT

public:
    explicit CRibbonProductResourcesWidget(QWidget* parent = nullptr);

    CRibbonButton* UpdateButton() const { return m_update; }
    CRibbonButton* AboutButton() const { return m_about; }

public slots:
    void OnCheckForUpdates();
    void OnHelp();
    void OnAbout();
    void OnSupport();

private:
    CRibbonButton* m_update;
    CRibbonButton* m_about;
};
