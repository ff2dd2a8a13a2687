#include "app/CRibbonWidget.h"

#include "app/CComputerSelectDialog.h"
#include "app/ribbon/CAboutDialog.h"
#include "app/ribbon/CRibbonADWidget.h"
#include "app/ribbon/CRibbonCadenceWidget.h"
#include "app/ribbon/CRibbonDefragWidget.h"
#include "app/ribbon/CRibbonExchangeWidget.h"
#include "app/ribbon/CRibbonFreeSpaceWidget.h"
#include "app/ribbon/CRibbonGenericWidget.h"
#include "app/ribbon/CRibbonProductResourcesWidget.h"
#include "app/ribbon/CRibbonVirtualPCWidget.h"
#include "appmodel/IADController.h"
#include "appmodel/IAppController.h"
#include "appmodel/IMessagePresenter.h"
#include "resources/CSkinResources.h"
#include "schedule/CCadence.h"

#include <QHBoxLayout>
#include <QMenu>
#include <QShortcut>
#include <QTabBar>
#include <QToolButton>

using namespace Qt::StringLiterals;

CRibbonWidget::CRibbonWidget(QWidget* parent)
    : QTabWidget(parent)
    , CTranslatable(QByteArrayLiteral("CRibbonWidget"))
    , m_cornerButton(new QToolButton(this))
    , m_cornerMenu(new QMenu(this))
{
    setDocumentMode(true);
    tabBar()->setDrawBase(false);
    tabBar()->setExpanding(false);

    m_cornerButton->setObjectName(u"RibbonCornerButton"_s);
    m_cornerButton->setAutoRaise(true);
    m_cornerButton->setPopupMode(QToolButton::InstantPopup);
    m_cornerButton->setMenu(m_cornerMenu);
    m_cornerMenu->addAction(Translate("Connect to Another Computer"), this,
                            &CRibbonWidget::OnConnect);
    m_cornerMenu->addAction(Translate("About Korvane"), this, &CRibbonWidget::OnAbout);
    setCornerWidget(m_cornerButton, Qt::TopRightCorner);

    AddShortcut(QKeySequence(Qt::ALT | Qt::Key_D), &CRibbonWidget::OnDefragShortcut);
    AddShortcut(QKeySequence(Qt::ALT | Qt::Key_A), &CRibbonWidget::OnCadenceShortcut);
    AddShortcut(QKeySequence(Qt::ALT | Qt::Key_S), &CRibbonWidget::OnFreeSpaceShortcut);
    AddShortcut(QKeySequence(Qt::ALT | Qt::Key_P), &CRibbonWidget::OnProductResourcesShortcut);
    AddShortcut(QKeySequence(Qt::ALT | Qt::Key_T), &CRibbonWidget::OnADShortcut);
    AddShortcut(QKeySequence(Qt::ALT | Qt::Key_E), &CRibbonWidget::OnExchangeShortcut);
    AddShortcut(QKeySequence(Qt::ALT | Qt::Key_V), &CRibbonWidget::OnVirtualGuestShortcut);
    AddShortcut(QKeySequence(Qt::Key_F1), &CRibbonWidget::OnHelp);

    connect(this, &QTabWidget::currentChanged, this, &CRibbonWidget::OnCurrentChanged);
    // The controller's signals are those of its object; the ribbon knows it only by its face.
    if (IAppController* controller = IAppController::Current()) {
        QObject* source = controller->Object();
        connect(source, SIGNAL(ComputerConnected()), this, SLOT(OnConnectComputer()));
        connect(source, SIGNAL(PaneActivated(CModelLayout::TPaneType)), this,
                SLOT(ActivatePane(CModelLayout::TPaneType)));
        connect(source, SIGNAL(SkinChanged()), this, SLOT(OnSkinChanged()));
    }
    OnSkinChanged();
    OnConnectComputer();
}

QString CRibbonWidget::HelpTopic(CModelLayout::TPaneType pane)
{
    switch (pane) {
    case CModelLayout::kDefragmentation:
        return u"Defragmentation_Tab_Main_Screen.htm"_s;
    case CModelLayout::kScheduling:
        return u"Cadence_Scheduling_Main_Screen.htm"_s;
    case CModelLayout::kFreeSpace:
        return u"Space_Management_Main_Screen.htm"_s;
    case CModelLayout::kProductResources:
        return u"Product_Resources_Main_Screen.htm"_s;
    case CModelLayout::kExchange:
        return u"Korvane_Exchange_Tab.htm"_s;
    case CModelLayout::kVirtualGuests:
        return u"Virtual_Computer_Tab_Main_Screen.htm"_s;
    case CModelLayout::kActiveDirectory:
        return u"Active_Directory_Tab_Main_Screen.htm"_s;
    case CModelLayout::kNoPane:
        break;
    }
    return QString();
}

QString CRibbonWidget::TabLabel(CModelLayout::TPaneType pane) const
{
    switch (pane) {
    case CModelLayout::kDefragmentation:
        return Translate("Defragmentation");
    case CModelLayout::kScheduling:
        return Translate("Cadence Scheduling");
    case CModelLayout::kFreeSpace:
        return Translate("Space Management");
    case CModelLayout::kProductResources:
        return Translate("Product Resources");
    case CModelLayout::kExchange:
        return Translate("Exchange");
    case CModelLayout::kVirtualGuests:
        return CCadence::IsHyperVProduct() ? Translate("Hyper-V Guest")
                                           : Translate("Virtual Guest");
    case CModelLayout::kActiveDirectory:
        return Translate("Active Directory");
    case CModelLayout::kNoPane:
        break;
    }
    return QString();
}

QWidget* CRibbonWidget::PageOf(CModelLayout::TPaneType pane) const
{
    const int index = static_cast<int>(m_panes.indexOf(pane));
    return index < 0 ? nullptr : widget(index);
}

CModelLayout::TPaneType CRibbonWidget::CurrentPane() const
{
    const int index = currentIndex();
    return index < 0 || index >= m_panes.size() ? CModelLayout::kNoPane : m_panes.at(index);
}

void CRibbonWidget::OnCurrentChanged(int index)
{
    if (m_rebuilding || index < 0)
        return;
    IAppController* controller = IAppController::Current();
    if (!controller)
        return;
    const CModelLayout::TPaneType pane = controller->Layout().PaneAt(index);
    if (pane != controller->GetActivePane())
        controller->SetActivePane(pane);
}

void CRibbonWidget::OnConnect()
{
    IAppController* controller = IAppController::Current();
    if (!controller)
        return;
    CComputerSelectDialog dialog(window(), true);
    if (IMessagePresenter::Instance().RunDialog(dialog) != QDialog::Accepted)
        return;
    TName computer = dialog.Computer();
    TName user = dialog.User();
    TString password = dialog.Password();
    TName domain = dialog.Domain();
    controller->ConnectToComputerWithRetry(computer, user, password, domain);
}

void CRibbonWidget::OnAbout()
{
    CAboutDialog::Show(window());
}

void CRibbonWidget::OnConnectComputer()
{
    IAppController* controller = IAppController::Current();
    const QList<CModelLayout::TPaneType> panes =
        controller ? controller->Layout().Panes() : QList<CModelLayout::TPaneType>();
    m_rebuilding = true;
    while (count() > 0) {
        QWidget* page = widget(0);
        removeTab(0);
        delete page;
    }
    m_panes = panes;
    for (CModelLayout::TPaneType pane : panes)
        addTab(MakePage(pane), TabLabel(pane));
    m_rebuilding = false;
    if (!controller || panes.isEmpty())
        return;
    // Stay on the pane the user was on when the new computer has it.
    const CModelLayout::TPaneType active = controller->GetActivePane();
    const CModelLayout::TPaneType pane =
        panes.contains(active) ? active : controller->Layout().PaneAt(0);
    controller->SetActivePane(pane);
    ActivatePane(pane);
}

void CRibbonWidget::ActivatePane(CModelLayout::TPaneType pane)
{
    const int index = static_cast<int>(m_panes.indexOf(pane));
    if (index < 0 || index == currentIndex())
        return;
    m_rebuilding = true;
    setCurrentIndex(index);
    m_rebuilding = false;
}

void CRibbonWidget::ActivateIfPresent(CModelLayout::TPaneType pane)
{
    IAppController* controller = IAppController::Current();
    if (!controller || !m_panes.contains(pane))
        return;
    controller->SetActivePane(pane);
}

void CRibbonWidget::OnDefragShortcut()
{
    ActivateIfPresent(CModelLayout::kDefragmentation);
}

void CRibbonWidget::OnCadenceShortcut()
{
    ActivateIfPresent(CModelLayout::kScheduling);
}

void CRibbonWidget::OnFreeSpaceShortcut()
{
    ActivateIfPresent(CModelLayout::kFreeSpace);
}

void CRibbonWidget::OnProductResourcesShortcut()
{
    ActivateIfPresent(CModelLayout::kProductResources);
}

void CRibbonWidget::OnADShortcut()
{
    ActivateIfPresent(CModelLayout::kActiveDirectory);
}

void CRibbonWidget::OnExchangeShortcut()
{
    ActivateIfPresent(CModelLayout::kExchange);
}

void CRibbonWidget::OnVirtualGuestShortcut()
{
    ActivateIfPresent(CModelLayout::kVirtualGuests);
}

void CRibbonWidget::OnHelp()
{
    IAppController* controller = IAppController::Current();
    const QString topic = HelpTopic(CurrentPane());
    if (controller && !topic.isEmpty())
        controller->ContextHelp(topic);
}

void CRibbonWidget::OnSkinChanged()
{
    IAppController* controller = IAppController::Current();
    const QString folder = controller ? controller->Model().Skin().imageFolder
                                      : CSkinResources::ImageFolder(CSkinResources::kBlue);
    m_cornerButton->setIcon(QIcon(CSkinResources::SkinImagePath(folder, u"small_help.png"_s)));
    update();
}

QWidget* CRibbonWidget::MakePage(CModelLayout::TPaneType pane)
{
    auto* page = new QWidget;
    auto* layout = new QHBoxLayout(page);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    QWidget* bar = nullptr;
    bool commonOptions = true;
    bool virtualSettings = false;
    switch (pane) {
    case CModelLayout::kDefragmentation:
        bar = new CRibbonDefragWidget(page);
        break;
    case CModelLayout::kScheduling:
        bar = new CRibbonCadenceWidget(page);
        break;
    case CModelLayout::kFreeSpace:
        bar = new CRibbonFreeSpaceWidget(page);
        break;
    case CModelLayout::kExchange:
        bar = new CRibbonExchangeWidget(page);
        break;
    case CModelLayout::kVirtualGuests:
        bar = new CRibbonVirtualPCWidget(page);
        virtualSettings = true;
        break;
    case CModelLayout::kActiveDirectory: {
        const IAppController* controller = IAppController::Current();
        const IADController* ad = controller ? controller->ADController() : nullptr;
        bar = new CRibbonADWidget(ad && ad->GroupPolicyManagementAvailable(), page);
        break;
    }
    case CModelLayout::kProductResources:
        bar = new CRibbonProductResourcesWidget(page);
        commonOptions = false;
        break;
    case CModelLayout::kNoPane:
        break;
    }
    if (bar)
        layout->addWidget(bar, 1);
    if (commonOptions) {
        auto* options = new CRibbonGenericWidget(virtualSettings, page);
        connect(options, &CRibbonGenericWidget::HelpRequested, this, &CRibbonWidget::OnHelp);
        layout->addWidget(options);
    }
    return page;
}

void CRibbonWidget::AddShortcut(const QKeySequence& keys, void (CRibbonWidget::*slot)())
{
    auto* shortcut = new QShortcut(keys, this);
    shortcut->setContext(Qt::WindowShortcut);
    connect(shortcut, &QShortcut::activated, this, slot);
}
