#pragma once

#include "app/ribbon/CRibbonFeatureBar.h"

// The "Options" group that the ribbon shows beside the bars of the feature tabs: the settings
// notebook and the log.
class CRibbonGenericWidget : public CRibbonFeatureBar {
    Q_OBJECT

public:
    // The bar of the virtual-guest tab calls the settings button "Virtual\nSettings".
    explicit CRibbonGenericWidget(bool virtualGuest = false, QWidget* parent = nullptr);

    CRibbonButton* SettingsButton() const { return m_settings; }
    CRibbonButton* ViewLogButton() const { return m_viewLog; }

signals:
    void HelpRequested();

public slots:
    void OnAdvanced();
    void OnViewLog();
    // Asks whoever shows the bar for the help of the current tab.
    void OnHelp();

private:
    CRibbonButton* m_settings;
    CRibbonButton* m_viewLog;
};
