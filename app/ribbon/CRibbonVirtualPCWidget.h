#pragma once

#include "app/ribbon/CRibbonFeatureBar.h"

class IVMController;
class QLabel;

// The bar of the virtual-guest tab: optimisation of the selected guests, and the host they run
// on.
class CRibbonVirtualPCWidget : public CRibbonFeatureBar {
    Q_OBJECT

public:
    // What an optimisation does to each selected guest; the tab's option panel sets them.
    struct TDefragmentOptions {
        bool shrink = true;
        bool defragVfs = true;
        bool defragVmwareInternal = true;
        bool defragVsOffline = false;
    };

    explicit CRibbonVirtualPCWidget(QWidget* parent = nullptr);

    QLabel* HostLabel() const { return m_host; }
    const TDefragmentOptions& DefragmentOptions() const { return m_defragmentOptions; }

public slots:
    void OnDefragment();
    void OnStop();
    void OnProperties();
    void SetDefragmentOptions(bool shrink, bool defrag_vfs, bool defrag_vmware_internal,
                              bool defrag_vs_offline);
    // The connected computer, which hosts the guests.
    void UpdateHostName();

private:
    static IVMController* Controller();

    QLabel* m_host;
    TDefragmentOptions m_defragmentOptions;
};
