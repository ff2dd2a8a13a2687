#include "schedule/CWireWizardBase.h"

#include "appmodel/IMessagePresenter.h"
#include "schedule/CWirePageBase.h"
#include "schedule/CWireProgress.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QStackedWidget>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

CWireWizardBase::CWireWizardBase(TWizardType type, TWireRecord record, QByteArray context,
                                 QWidget* parent)
    : QDialog(parent)
    , CTranslatable(std::move(context))
    , m_type(type)
    , m_record(std::move(record))
    , m_progress(new CWireProgress(this))
    , m_header(new QLabel(this))
    , m_title(new QLabel(this))
    , m_stack(new QStackedWidget(this))
    , m_back(new QPushButton(Translate("< Back"), this))
    , m_next(new QPushButton(Translate("Next >"), this))
    , m_finish(new QPushButton(Translate("Finish"), this))
    , m_close(new QPushButton(Translate("Close"), this))
{
    setModal(true);
    m_header->setObjectName(u"wizardHeader"_s);
    m_title->setObjectName(u"wizardPageTitle"_s);
    m_stack->setObjectName(u"wizardPages"_s);
    m_back->setObjectName(u"wizardBack"_s);
    m_next->setObjectName(u"wizardNext"_s);
    m_finish->setObjectName(u"wizardFinish"_s);
    m_close->setObjectName(u"wizardClose"_s);
    // The kind of schedule above, the page's title below it.
    QFont headerFont = m_header->font();
    headerFont.setBold(true);
    headerFont.setPointSizeF(headerFont.pointSizeF() * 1.35);
    m_header->setFont(headerFont);
    QFont titleFont = m_title->font();
    titleFont.setBold(true);
    m_title->setFont(titleFont);
    // Enter is the wizard's own key: no button takes it as the default.
    for (QPushButton* button : {m_back, m_next, m_finish, m_close}) {
        button->setAutoDefault(false);
        button->setDefault(false);
    }

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(m_back);
    buttons->addWidget(m_next);
    buttons->addWidget(m_finish);
    buttons->addWidget(m_close);
    auto* right = new QVBoxLayout;
    right->addWidget(m_header);
    right->addWidget(m_title);
    right->addWidget(m_stack, 1);
    right->addLayout(buttons);
    auto* layout = new QHBoxLayout(this);
    layout->addWidget(m_progress);
    layout->addLayout(right, 1);

    connect(m_back, &QPushButton::clicked, this, &CWireWizardBase::Back);
    connect(m_next, &QPushButton::clicked, this, &CWireWizardBase::Forward);
    connect(m_finish, &QPushButton::clicked, this, &CWireWizardBase::TestFinish);
    connect(m_close, &QPushButton::clicked, this, &CWireWizardBase::Reject);
    UpdateWizardButtons();
}

void CWireWizardBase::AddPage(CWirePageBase* page)
{
    if (!page || m_pages.contains(page))
        return;
    page->SetEditing(m_editing);
    m_pages.append(page);
    m_hidden.append(false);
    m_stack->addWidget(page);
    page->Load(m_record);
    QStringList titles;
    for (const CWirePageBase* each : std::as_const(m_pages))
        titles.append(each->Title());
    m_progress->SetPages(titles);
    for (int i = 0; i < m_pages.size(); ++i) {
        m_progress->SetHidden(i, m_hidden[i]);
        m_progress->SetSummary(i, m_pages[i]->Summary());
    }
    connect(page, &CWirePageBase::Changed, this, qOverload<>(&CWireWizardBase::PageChanged));
    if (m_current < 0)
        SetIndex(int(m_pages.size()) - 1);
    else
        UpdateWizardButtons();
}

CWirePageBase* CWireWizardBase::Page(int index) const
{
    return index >= 0 && index < m_pages.size() ? m_pages[index] : nullptr;
}

bool CWireWizardBase::IsHidden(const CWirePageBase* page) const
{
    const auto index = m_pages.indexOf(const_cast<CWirePageBase*>(page));
    return index >= 0 && m_hidden[index];
}

void CWireWizardBase::SetRecord(const TWireRecord& record)
{
    m_record = record;
    LoadSettings();
}

void CWireWizardBase::SetHeader(const QString& header)
{
    m_header->setText(header);
}

QString CWireWizardBase::Header() const
{
    return m_header->text();
}

void CWireWizardBase::HidePage(CWirePageBase* page)
{
    const int index = int(m_pages.indexOf(page));
    if (index < 0 || m_hidden[index])
        return;
    m_hidden[index] = true;
    m_progress->SetHidden(index, true);
    if (index == m_current) {
        int other = NextVisible(index, 1);
        if (other < 0)
            other = NextVisible(index, -1);
        m_current = -1;
        if (other >= 0)
            SetIndex(other);
    }
    UpdateWizardButtons();
}

void CWireWizardBase::ShowPage(CWirePageBase* page)
{
    const int index = int(m_pages.indexOf(page));
    if (index < 0 || !m_hidden[index])
        return;
    m_hidden[index] = false;
    m_progress->SetHidden(index, false);
    if (m_current < 0)
        SetIndex(index);
    UpdateWizardButtons();
}

void CWireWizardBase::UpdateWizardButtons()
{
    if (m_current < 0) {
        m_back->setEnabled(false);
        m_next->setEnabled(false);
        m_finish->setEnabled(false);
        return;
    }
    SetPosition(NextVisible(m_current, -1) < 0, NextVisible(m_current, 1) < 0);
}

void CWireWizardBase::PageChanged(int index)
{
    if (CWirePageBase* page = Page(index))
        m_progress->SetSummary(index, page->Summary());
}

void CWireWizardBase::PageChanged()
{
    auto* page = qobject_cast<CWirePageBase*>(sender());
    const int index = page ? int(m_pages.indexOf(page)) : m_current;
    PageChanged(index);
    UpdateWizardButtons();
}

void CWireWizardBase::Forward()
{
    CWirePageBase* page = CurrentPage();
    const int next = NextVisible(m_current, 1);
    if (!page || next < 0 || !ValidatePage(page))
        return;
    page->Store(&m_record);
    PageChanged(m_current);
    emit Next();
    SetIndex(next);
}

void CWireWizardBase::EnterKey()
{
    if (m_current < 0)
        return;
    if (NextVisible(m_current, 1) < 0)
        TestFinish();
    else
        Forward();
}

void CWireWizardBase::Back()
{
    CWirePageBase* page = CurrentPage();
    const int previous = NextVisible(m_current, -1);
    if (!page || previous < 0)
        return;
    page->Store(&m_record);
    PageChanged(m_current);
    SetIndex(previous);
}

void CWireWizardBase::TestFinish()
{
    CWirePageBase* page = CurrentPage();
    if (!page || !ValidatePage(page))
        return;
    SaveSettings();
    // The other pages too: a template loaded on the last page, or an edit finished early, must
    // not carry a choice a page would refuse (a name taken by another schedule) to the agent.
    for (int i = 0; i < m_pages.size(); ++i) {
        if (m_hidden[i] || m_pages[i] == page || m_pages[i]->Validate().isEmpty())
            continue;
        SetIndex(i);
        ValidatePage(m_pages[i]);
        return;
    }
    emit Finish();
    Accept();
}

void CWireWizardBase::SetEdit()
{
    m_editing = true;
    for (CWirePageBase* page : std::as_const(m_pages))
        page->SetEditing(true);
    UpdateWizardButtons();
}

void CWireWizardBase::SetPosition(bool first, bool last)
{
    m_back->setEnabled(!first);
    m_next->setEnabled(!last);
    // An edited schedule may be finished from any page.
    m_finish->setEnabled(last || m_editing);
}

void CWireWizardBase::SetIndex(int index)
{
    CWirePageBase* page = Page(index);
    if (!page || m_hidden[index])
        return;
    m_current = index;
    page->Load(m_record);
    m_stack->setCurrentWidget(page);
    m_title->setText(page->Title());
    m_progress->SetCurrent(index);
    PageChanged(index);
    UpdateWizardButtons();
    FocusFirstField(page);
}

void CWireWizardBase::Accept()
{
    accept();
}

void CWireWizardBase::Reject()
{
    reject();
}

void CWireWizardBase::SaveSettings()
{
    for (CWirePageBase* page : std::as_const(m_pages))
        page->Store(&m_record);
}

void CWireWizardBase::LoadSettings()
{
    for (int i = 0; i < m_pages.size(); ++i) {
        m_pages[i]->Load(m_record);
        PageChanged(i);
    }
}

void CWireWizardBase::keyPressEvent(QKeyEvent* event)
{
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        if (event->modifiers() == Qt::NoModifier || event->modifiers() == Qt::KeypadModifier) {
            EnterKey();
            return;
        }
        break;
    case Qt::Key_Escape:
        Reject();
        return;
    default:
        break;
    }
    QDialog::keyPressEvent(event);
}

int CWireWizardBase::NextVisible(int from, int step) const
{
    for (int i = from + step; i >= 0 && i < m_pages.size(); i += step)
        if (!m_hidden[i])
            return i;
    return -1;
}

bool CWireWizardBase::ValidatePage(CWirePageBase* page)
{
    const QString message = page->Validate();
    if (message.isEmpty())
        return true;
    IMessagePresenter::Show(QMessageBox::Warning, windowTitle(), message, QMessageBox::Ok, this);
    FocusFirstField(page);
    return false;
}

void CWireWizardBase::FocusFirstField(CWirePageBase* page)
{
    QWidget* field = page->FirstField();
    if (!field) {
        // The first child in the page's tab order that takes the focus.
        for (QWidget* each = page->nextInFocusChain(); each && each != page;
             each = each->nextInFocusChain()) {
            if (!page->isAncestorOf(each))
                break;
            if (each->isEnabled() && !each->isHidden() && (each->focusPolicy() & Qt::TabFocus)) {
                field = each;
                break;
            }
        }
    }
    if (field)
        field->setFocus(Qt::OtherFocusReason);
}
