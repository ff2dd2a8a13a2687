#pragma once

#include "app/ribbon/CRibbonFeatureBar.h"
#include "appmodel/CModelLayout.h"

#include <QList>

class CRibbonFreeSpaceItemWidget;
class IFreeSpaceController;

// The bar of the "Space Management" tab: chooses the sub-pane (cleaner, duplicates finder,
// space explorer, space reports) and shows that sub-pane's own part of the bar beside it.
class CRibbonFreeSpaceWidget : public CRibbonFeatureBar {
    Q_OBJECT

public:
    explicit CRibbonFreeSpaceWidget(QWidget* parent = nullptr);

    CModelLayout::TFreeSpacePaneType CurrentSubPane() const { return m_subPane; }
    CRibbonFreeSpaceItemWidget* ItemBar(CModelLayout::TFreeSpacePaneType pane) const;
    CRibbonFreeSpaceItemWidget* CurrentItemBar() const { return ItemBar(m_subPane); }

public slots:
    void OnRecycler();
    void OnDuplicates();
    void OnSpaceExplorer();
    void OnSpaceReport();
    // Shows the part of the bar of a sub-pane; the free-space controller's SubPaneActivated
    // leads here too.
    void ActivateSubPane(CModelLayout::TFreeSpacePaneType pane);

private:
    static IFreeSpaceController* Controller();
    void FollowControllers() override;

    QList<CRibbonFreeSpaceItemWidget*> m_itemBars;
    CModelLayout::TFreeSpacePaneType m_subPane = CModelLayout::kRecycler;
    QPointer<QObject> m_followed;
};
