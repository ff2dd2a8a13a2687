#include "app/ribbon/CRibbonFreeSpaceWidget.h"

#include "app/ribbon/CRibbonFreeSpaceItemWidget.h"
#include "appmodel/IAppController.h"
#include "appmodel/IFreeSpaceController.h"
#include "widgets/CRibbonButton.h"
#include "widgets/CRibbonGroup.h"

using namespace Qt::StringLiterals;

CRibbonFreeSpaceWidget::CRibbonFreeSpaceWidget(QWidget* parent)
    : CRibbonFeatureBar("CRibbonFreeSpaceWidget", parent)
{
    using Bar = CRibbonFreeSpaceWidget;
    CRibbonGroup* reclaim = AddNewGroup("Reclaim Free Space");
    AddNewButton(reclaim, "Recycler",
                 "Reclaim free space by removing temporary files \nand emptying your Recycle Bin.",
                 u"free_space_recycler.png"_s, &Bar::OnRecycler, Qt::CTRL | Qt::Key_R);
    AddNewButton(reclaim, "Duplicates\r\nFinder",
                 "Find instances of duplicate files on your drive(s).",
                 u"free_space_duplicates.png"_s, &Bar::OnDuplicates, Qt::CTRL | Qt::Key_U);
    AddNewButton(reclaim, "Space\r\nExplorer",
                 "View the space distribution between \nfiles and folders inside a directory.",
                 u"free_space_space_explorer.png"_s, &Bar::OnSpaceExplorer, Qt::CTRL | Qt::Key_E);
    AddNewButton(reclaim, "Space\r\nReports",
                 "Graphical and statistical reports of your files' usage and allocation.",
                 u"free_space_space_report.png"_s, &Bar::OnSpaceReport, Qt::CTRL | Qt::Key_P);

    // One part per sub-pane, in the order of the sub-pane kinds; only the current one is shown.
    for (CModelLayout::TFreeSpacePaneType pane :
         {CModelLayout::kRecycler, CModelLayout::kDuplicatesFinder, CModelLayout::kSpaceExplorer,
          CModelLayout::kSpaceReports}) {
        auto* item = new CRibbonFreeSpaceItemWidget(pane, this);
        Embed(item);
        m_itemBars.append(item);
    }

    ActivateSubPane(CModelLayout::kRecycler);
    FollowControllers();
}

IFreeSpaceController* CRibbonFreeSpaceWidget::Controller()
{
    IAppController* app = IAppController::Current();
    return app ? app->FreeSpaceController() : nullptr;
}

void CRibbonFreeSpaceWidget::FollowControllers()
{
    if (StartFollowing(m_followed, dynamic_cast<QObject*>(Controller())))
        FollowSignal(m_followed, "SubPaneActivated",
                     "ActivateSubPane(CModelLayout::TFreeSpacePaneType)");
}

CRibbonFreeSpaceItemWidget*
CRibbonFreeSpaceWidget::ItemBar(CModelLayout::TFreeSpacePaneType pane) const
{
    for (CRibbonFreeSpaceItemWidget* item : m_itemBars) {
        if (item->Pane() == pane)
            return item;
    }
    return nullptr;
}

void CRibbonFreeSpaceWidget::ActivateSubPane(CModelLayout::TFreeSpacePaneType pane)
{
    if (!ItemBar(pane))
        return;
    m_subPane = pane;
    for (CRibbonFreeSpaceItemWidget* item : std::as_const(m_itemBars))
        item->setVisible(item->Pane() == pane);
}

void CRibbonFreeSpaceWidget::OnRecycler()
{
    if (IFreeSpaceController* freeSpace = Controller()) {
        freeSpace->Recycler();
        ActivateSubPane(CModelLayout::kRecycler);
    }
}

void CRibbonFreeSpaceWidget::OnDuplicates()
{
    if (IFreeSpaceController* freeSpace = Controller()) {
        freeSpace->DuplicatesFinder();
        ActivateSubPane(CModelLayout::kDuplicatesFinder);
    }
}

void CRibbonFreeSpaceWidget::OnSpaceExplorer()
{
    if (IFreeSpaceController* freeSpace = Controller()) {
        freeSpace->SpaceExplorer();
        ActivateSubPane(CModelLayout::kSpaceExplorer);
    }
}

void CRibbonFreeSpaceWidget::OnSpaceReport()
{
    if (IFreeSpaceController* freeSpace = Controller()) {
        freeSpace->SpaceReport();
        ActivateSubPane(CModelLayout::kSpaceReports);
    }
}
