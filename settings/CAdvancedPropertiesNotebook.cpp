#include "settings/CAdvancedPropertiesNotebook.h"

#include "appmodel/CModel.h"
#include "appmodel/CModelLayout.h"
#include "appmodel/IAppController.h"
#include "appmodel/IMessagePresenter.h"
#include "engine/CKV100AgentInterface.h"
#include "engine/CKV100ComputerInterface.h"
#include "engine/CKV100EngineInterface.h"
#include "policy/CClientGP.h"
#include "settings/CAutoUpdatePage.h"
#include "settings/CCadencePage.h"
#include "settings/CExchangeSettingsPage.h"
#include "settings/CFileTypePage.h"
#include "settings/CGeneralPage.h"
#include "settings/CLogPage.h"
#include "settings/CLogViewDlg.h"
#include "settings/COptionsDuplicatePage.h"
#include "settings/COptionsVirtualMachinePage.h"
#include "settings/CPowerPage.h"
#include "settings/CRemovableStoragePage.h"
#include "settings/CSettingsPage.h"
#include "settings/CSystemResourcePage.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QKeySequence>
#include <QListWidget>
#include <QPushButton>
#include <QShortcut>
#include <QStackedWidget>
#include <QVBoxLayout>

#include <algorithm>
#include <iterator>

using namespace Qt::StringLiterals;

namespace {

// The wait cursor for as long as it lives.
struct CAdvancedPropertiesNotebookWaitCursor {
    CAdvancedPropertiesNotebookWaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~CAdvancedPropertiesNotebookWaitCursor() { QApplication::restoreOverrideCursor(); }
    CAdvancedPropertiesNotebookWaitCursor(const CAdvancedPropertiesNotebookWaitCursor&) = delete;
    CAdvancedPropertiesNotebookWaitCursor&
    operator=(const CAdvancedPropertiesNotebookWaitCursor&) = delete;
};

// Pages are known by their help topic, which names each page once.
constexpr const char* CAdvancedPropertiesNotebookShownOrder[] = {
    "Korvane_Settings.htm",
    "Korvane_Settings_-_Log_Settings.htm",
    "Korvane_Settings_-_Auto_Update.htm",
    "Korvane_Settings_-_Power_Options.htm",
    "Korvane_Settings_-_Cadence_Schedule.htm",
    "Korvane_Settings_-_Removable_Storage.htm",
    "Korvane_Settings_-_System_Resource_Priority.htm",
    "Korvane_Settings_-_File_Types.htm",
    "Korvane_Settings_-_Duplicate_Search_Settings.htm",
    "Korvane_Settings_-_Exchange.htm",
    "Virtual_Environment_Settings.htm",
};

// The pages that not every computer has are saved last, duplicate search after the others.
constexpr const char* CAdvancedPropertiesNotebookSavedOrder[] = {
    "Korvane_Settings.htm",
    "Korvane_Settings_-_Log_Settings.htm",
    "Korvane_Settings_-_Auto_Update.htm",
    "Korvane_Settings_-_Power_Options.htm",
    "Korvane_Settings_-_Cadence_Schedule.htm",
    "Korvane_Settings_-_Removable_Storage.htm",
    "Korvane_Settings_-_System_Resource_Priority.htm",
    "Korvane_Settings_-_File_Types.htm",
    "Korvane_Settings_-_Exchange.htm",
    "Virtual_Environment_Settings.htm",
    "Korvane_Settings_-_Duplicate_Search_Settings.htm",
};

template <std::size_t N>
int CAdvancedPropertiesNotebookRank(const char* const (&order)[N], const QString& topic)
{
    const auto found =
        std::find_if(std::begin(order), std::end(order),
                     [&topic](const char* known) { return topic == QLatin1StringView(known); });
    return int(std::distance(std::begin(order), found));
}

} // namespace

CAdvancedPropertiesNotebook::CAdvancedPropertiesNotebook(const TSettingsContext& context,
                                                         QWidget* parent)
    : QDialog(parent)
    , CTranslatable("CAdvancedPropertiesNotebook")
    , m_context(context)
    , m_list(new QListWidget(this))
    , m_stack(new QStackedWidget(this))
    , m_ok(new QPushButton(Translate("OK"), this))
    , m_cancel(new QPushButton(Translate("Cancel"), this))
    , m_help(new QPushButton(Translate("Help"), this))
{
    setWindowTitle(Translate("Korvane Settings"));
    m_list->setObjectName(u"pageList"_s);
    m_list->setMinimumWidth(180);
    m_ok->setObjectName(u"okButton"_s);
    m_cancel->setObjectName(u"cancelButton"_s);
    m_help->setObjectName(u"helpButton"_s);
    m_ok->setDefault(true);

    auto* pages = new QHBoxLayout;
    pages->addWidget(m_list);
    pages->addWidget(m_stack, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(m_help);
    buttons->addStretch(1);
    buttons->addWidget(m_ok);
    buttons->addWidget(m_cancel);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(pages, 1);
    layout->addLayout(buttons);

    connect(m_list, &QListWidget::currentRowChanged, this,
            &CAdvancedPropertiesNotebook::CurrentChanged);
    connect(m_ok, &QPushButton::clicked, this, &CAdvancedPropertiesNotebook::SaveChanges);
    connect(m_cancel, &QPushButton::clicked, this, &CAdvancedPropertiesNotebook::Cancel);
    connect(m_help, &QPushButton::clicked, this, &CAdvancedPropertiesNotebook::OnHelp);
    auto* helpKey = new QShortcut(QKeySequence::HelpContents, this);
    connect(helpKey, &QShortcut::activated, this, &CAdvancedPropertiesNotebook::OnHelp);
    resize(760, 540);
}

TSettingsContext CAdvancedPropertiesNotebook::ContextOf(IAppController& app)
{
    TSettingsContext context;
    context.agent = &app.Agent();
    context.policy = &app.Policy();
    context.preferences = &app.Settings();
    context.computer = app.Engine().Computer();
    context.remote = app.Model().IsRemote();
    context.edition = app.Model().Edition();
    bool guest = false;
    TString host;
    if (SUCCEEDED(CKV100ComputerInterface(context.agent).GetVirtualGuest(&guest, &host)))
        context.virtualGuest = guest;
    return context;
}

CAdvancedPropertiesNotebook::TOptionalPages
CAdvancedPropertiesNotebook::OptionalPagesFor(const TSettingsContext& context)
{
    TOptionalPages optional;
    // The duplicate finder is one of the free-space tools; whether their tab is shown is only a
    // preference of the console, and its settings stay reachable while it is hidden.
    const bool agentCurrent = context.agent && context.agent->IsNewest();
    const bool freeSpaceAllowed = !context.policy || context.policy->AllowFreeSpace();
    optional.duplicateSearch = CModelLayout::ShowsFreeSpace(context.edition, context.remote,
                                                            agentCurrent, freeSpaceAllowed, true);
    // The Exchange engine is reached on this computer only, as its tab is.
    optional.exchange = context.edition == CModel::kEditionExchange && !context.remote;
    optional.virtualEnvironment =
        context.edition == CModel::kEditionVirtualMachines || context.virtualGuest;
    return optional;
}

int CAdvancedPropertiesNotebook::Open(IAppController& app, QWidget* parent)
{
    CAdvancedPropertiesNotebook notebook(ContextOf(app), parent);
    notebook.AddPages(OptionalPagesFor(notebook.Context()));
    CKV100AgentInterface* agent = notebook.Context().agent;
    connect(&notebook, &CAdvancedPropertiesNotebook::ViewLogRequested, &notebook,
            [agent, &notebook] {
                if (agent)
                    CLogViewDlg::Open(*agent, &notebook);
            });
    return IMessagePresenter::Instance().RunDialog(notebook);
}

void CAdvancedPropertiesNotebook::AddPages(const TOptionalPages& optional)
{
    AddPage(new CGeneralPage(m_context));
    AddPage(new CLogPage(m_context));
    AddPage(new CAutoUpdatePage(m_context));
    AddPage(new CPowerPage(m_context));
    AddPage(new CCadencePage(m_context));
    AddPage(new CRemovableStoragePage(m_context));
    AddPage(new CSystemResourcePage(m_context));
    AddPage(new CFileTypePage(m_context));
    if (optional.duplicateSearch)
        AddPage(new COptionsDuplicatePage(m_context));
    if (optional.exchange)
        AddPage(new CExchangeSettingsPage(m_context));
    if (optional.virtualEnvironment)
        AddPage(new COptionsVirtualMachinePage(m_context));
}

void CAdvancedPropertiesNotebook::AddPage(CSettingsPage* page)
{
    const int rank =
        CAdvancedPropertiesNotebookRank(CAdvancedPropertiesNotebookShownOrder, page->HelpTopic());
    int index = 0;
    while (index < PageCount() &&
           CAdvancedPropertiesNotebookRank(CAdvancedPropertiesNotebookShownOrder,
                                           m_pages[index]->HelpTopic()) <= rank)
        ++index;
    m_pages.insert(index, page);
    m_stack->insertWidget(index, page);
    m_list->insertItem(index, page->Title());
    if (auto* logPage = qobject_cast<CLogPage*>(page))
        connect(logPage, &CLogPage::ViewLogRequested, this,
                &CAdvancedPropertiesNotebook::ViewLogRequested);
    // The notebook opens on its first page.
    m_list->setCurrentRow(0);
}

int CAdvancedPropertiesNotebook::CurrentIndex() const
{
    return m_stack->currentIndex();
}

void CAdvancedPropertiesNotebook::SetCurrentPage(CSettingsPage* page)
{
    const int index = int(m_pages.indexOf(page));
    if (index >= 0)
        m_list->setCurrentRow(index);
}

QList<CSettingsPage*> CAdvancedPropertiesNotebook::SaveOrder() const
{
    QList<CSettingsPage*> order = m_pages;
    std::stable_sort(order.begin(), order.end(), [](CSettingsPage* left, CSettingsPage* right) {
        return CAdvancedPropertiesNotebookRank(CAdvancedPropertiesNotebookSavedOrder,
                                               left->HelpTopic()) <
               CAdvancedPropertiesNotebookRank(CAdvancedPropertiesNotebookSavedOrder,
                                               right->HelpTopic());
    });
    return order;
}

void CAdvancedPropertiesNotebook::CurrentChanged(int index)
{
    if (index < 0 || index >= PageCount())
        return;
    m_stack->setCurrentIndex(index);
    // Called directly, the list follows as well (it then calls back with the same index).
    m_list->setCurrentRow(index);
}

void CAdvancedPropertiesNotebook::SaveChanges()
{
    {
        CAdvancedPropertiesNotebookWaitCursor wait;
        // Nothing is written while any page still refuses a value.
        for (CSettingsPage* page : std::as_const(m_pages)) {
            if (page->IsLoaded() && !page->Verify()) {
                SetCurrentPage(page);
                return;
            }
        }
        for (CSettingsPage* page : SaveOrder()) {
            if (page->IsLoaded() && FAILED(page->Save())) {
                SetCurrentPage(page);
                return;
            }
        }
    }
    accept();
}

void CAdvancedPropertiesNotebook::Cancel()
{
    reject();
}

void CAdvancedPropertiesNotebook::OnHelp()
{
    const CSettingsPage* page = CurrentPage();
    if (IAppController* app = IAppController::Current(); app && page)
        app->ContextHelp(page->HelpTopic());
}
