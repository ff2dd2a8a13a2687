#include "settings/CSettingsPage.h"

#include "appmodel/IMessagePresenter.h"
#include "core/CSystemMessage.h"

#include <QShowEvent>

using namespace Qt::StringLiterals;

CSettingsPage::CSettingsPage(QByteArray context, const char* title, QString helpTopic,
                             const TSettingsContext& settings, QWidget* parent)
    : CBaseStyleWidget(parent)
    , CTranslatable(std::move(context))
    , m_title(title)
    , m_helpTopic(std::move(helpTopic))
    , m_context(settings)
{}

QString CSettingsPage::Title() const
{
    return Translate(m_title);
}

void CSettingsPage::EnsureLoaded()
{
    if (m_loaded)
        return;
    m_loaded = true;
    Load();
}

void CSettingsPage::showEvent(QShowEvent* event)
{
    EnsureLoaded();
    CBaseStyleWidget::showEvent(event);
}

void CSettingsPage::ReportSaveFailure(HRESULT result)
{
    IMessagePresenter::Show(QMessageBox::Warning, Translate("Settings Not Saved"),
                            Translate("The settings of the page \"%1\" could not be saved: %2 (%3)")
                                .Arg(Title())
                                .Arg(CSystemMessage::Text(result))
                                .Arg(CSystemMessage::CodeText(result)),
                            QMessageBox::Ok, this);
}

bool CSettingsPage::RefuseValue(const QString& title, const QString& text)
{
    IMessagePresenter::Show(QMessageBox::Warning, title, text, QMessageBox::Ok, this);
    return false;
}
