#include "defrag/CDiskPropertiesNotebook.h"

#include "appmodel/IAppController.h"
#include "appmodel/IMessagePresenter.h"
#include "core/CSystemMessage.h"
#include "defrag/CDefragFeed.h"
#include "defrag/CDefragHelpKey.h"
#include "defrag/CDriveInfoPage.h"
#include "defrag/CExcludedFilesPage.h"
#include "defrag/COfflineDefragPage.h"
#include "defrag/COnlineDefragPage.h"
#include "defrag/CTierlayoutPage.h"
#include "engine/CKV100AgentInterface.h"
#include "engine/CKV100EngineInterface.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QListWidget>
#include <QPushButton>
#include <QStackedWidget>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace {

// The wait cursor for as long as it lives.
struct TWaitCursor {
    TWaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~TWaitCursor() { QApplication::restoreOverrideCursor(); }
    TWaitCursor(const TWaitCursor&) = delete;
    TWaitCursor& operator=(const TWaitCursor&) = delete;
};

} // namespace

CDiskPropertiesNotebook::CDiskPropertiesNotebook(const TDrivePropertiesContext& context,
                                                 const TId& volume, QWidget* parent)
    : QDialog(parent)
    , CTranslatable("CDiskPropertiesNotebook")
    , m_context(context)
    , m_volume(volume)
    , m_list(new QListWidget(this))
    , m_stack(new QStackedWidget(this))
    , m_save(new QPushButton(Translate("Save"), this))
    , m_cancel(new QPushButton(Translate("Cancel"), this))
{
    m_list->setObjectName(u"pageList"_s);
    m_list->setMaximumWidth(180);
    m_save->setDefault(true);

    auto* pages = new QHBoxLayout;
    pages->addWidget(m_list);
    pages->addWidget(m_stack, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(m_save);
    buttons->addWidget(m_cancel);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(pages, 1);
    layout->addLayout(buttons);

    connect(m_list, &QListWidget::currentRowChanged, this,
            &CDiskPropertiesNotebook::OnCurrentChanged);
    connect(m_save, &QPushButton::clicked, this, &CDiskPropertiesNotebook::SaveChanges);
    connect(m_cancel, &QPushButton::clicked, this, &CDiskPropertiesNotebook::Cancel);
    new CDefragHelpKey(this, [this] { return HelpTopic(); });
}

CDiskPropertiesNotebook::CDiskPropertiesNotebook(CDefragFeed& feed, const TId& volume,
                                                 QWidget* parent)
    : CDiskPropertiesNotebook(ContextOf(feed), volume, parent)
{
    AddPage(new COnlineDefragPage(m_context));
    AddPage(new CTierlayoutPage(m_context));
    AddPage(new COfflineDefragPage(m_context));
    AddPage(new CExcludedFilesPage(m_context));
    AddPage(new CDriveInfoPage(m_context));
    LoadPages();
    resize(720, 520);
}

TDrivePropertiesContext CDiskPropertiesNotebook::ContextOf(CDefragFeed& feed)
{
    TDrivePropertiesContext context;
    context.feed = &feed;
    if (IAppController* app = IAppController::Current()) {
        context.controller = app->DefragController();
        context.newestAgent = app->Agent().IsConnected() && app->Agent().IsNewest();
        context.reader = CDirectoryTreeModelBase::BrowserReader(app->FileBrowser());
    }
    uint edition = 0;
    if (SUCCEEDED(feed.Engine().GetProductEdition(&edition)))
        context.edition = edition;
    return context;
}

int CDiskPropertiesNotebook::Launch(CDefragFeed& feed, const TId& volume, QWidget* parent)
{
    CDiskPropertiesNotebook notebook(feed, volume, parent);
    return IMessagePresenter::Instance().RunDialog(notebook);
}

void CDiskPropertiesNotebook::AddPage(CDiskNoteBookPage* page)
{
    m_pages.append(page);
    m_stack->addWidget(page);
    m_list->addItem(page->Label());
    connect(page, &CDiskNoteBookPage::SetWindowTitle, this, &QWidget::setWindowTitle);
    if (m_list->currentRow() < 0)
        m_list->setCurrentRow(0);
}

void CDiskPropertiesNotebook::LoadPages()
{
    for (CDiskNoteBookPage* page : std::as_const(m_pages))
        page->Load(m_volume);
}

int CDiskPropertiesNotebook::CurrentPage() const
{
    return m_stack->currentIndex();
}

void CDiskPropertiesNotebook::SetCurrentPage(int index)
{
    if (index >= 0 && index < PageCount())
        m_list->setCurrentRow(index);
}

QString CDiskPropertiesNotebook::HelpTopic() const
{
    const CDiskNoteBookPage* page = Page(CurrentPage());
    return page ? page->HelpTopic() : QString();
}

void CDiskPropertiesNotebook::OnHelp()
{
    const QString topic = HelpTopic();
    if (IAppController* app = IAppController::Current(); app && !topic.isEmpty())
        app->ContextHelp(topic);
}

void CDiskPropertiesNotebook::SaveChanges()
{
    HRESULT failure = S_OK;
    int failedPage = -1;
    {
        TWaitCursor wait;
        for (int index = 0; index < PageCount(); ++index) {
            CDiskNoteBookPage* page = m_pages[index];
            const HRESULT result = page->Verify() ? S_FALSE : page->Save(m_volume);
            if (result == S_FALSE) {
                SetCurrentPage(index);
                return;
            }
            if (FAILED(result)) {
                failure = result;
                failedPage = index;
                break;
            }
        }
    }
    if (failedPage < 0) {
        accept();
        return;
    }
    SetCurrentPage(failedPage);
    IMessagePresenter::Show(QMessageBox::Critical, windowTitle(),
                            Translate("The settings of %1 could not be saved. %2")
                                .Arg(m_pages[failedPage]->Label())
                                .Arg(CSystemMessage::Text(failure)),
                            QMessageBox::Ok, this);
}

void CDiskPropertiesNotebook::Cancel()
{
    reject();
}

void CDiskPropertiesNotebook::OnCurrentChanged(int current)
{
    if (current >= 0 && current < PageCount())
        m_stack->setCurrentIndex(current);
}
