#include "settings/CLogPage.h"

#include "appmodel/IMessagePresenter.h"
#include "engine/CKV100AgentInterface.h"
#include "policy/CClientGP.h"

#include <QButtonGroup>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

CLogPage::CLogPage(const TSettingsContext& context, QWidget* parent)
    : CSettingsPage("CLogPage", "Log Settings", u"Korvane_Settings_-_Log_Settings.htm"_s, context,
                    parent)
    , m_destination(new QButtonGroup(this))
    , m_viewLog(new QPushButton(Translate("View Log")))
    , m_clearLog(new QPushButton(Translate("Clear Log")))
{
    auto* text = new QLabel(Translate("Detailed information about Korvane operations. Used for "
                                      "diagnostic and troubleshooting purposes."));
    text->setWordWrap(true);

    auto* destination = new QGroupBox(Translate("Log Destination"));
    auto* destinationLayout = new QVBoxLayout(destination);
    // The button ids are the agent's values.
    auto* ownLog = new QRadioButton(Translate("Korvane log"));
    auto* systemLog = new QRadioButton(Translate("Windows Application Event log"));
    ownLog->setObjectName(u"ownLog"_s);
    systemLog->setObjectName(u"systemLog"_s);
    m_destination->addButton(ownLog, 0);
    m_destination->addButton(systemLog, 1);
    ownLog->setChecked(true);
    destinationLayout->addWidget(ownLog);
    destinationLayout->addWidget(systemLog);

    m_viewLog->setObjectName(u"viewLog"_s);
    m_clearLog->setObjectName(u"clearLog"_s);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(m_viewLog);
    buttons->addWidget(m_clearLog);
    buttons->addStretch(1);
    if (Context().policy && !Context().policy->AllowViewLog())
        m_viewLog->hide();

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(text);
    layout->addWidget(destination);
    layout->addLayout(buttons);
    layout->addStretch(1);

    connect(m_viewLog, &QPushButton::clicked, this, &CLogPage::ViewLogRequested);
    connect(m_clearLog, &QPushButton::clicked, this, &CLogPage::ClearLog);
}

HRESULT CLogPage::Load()
{
    uint destination = 0;
    const HRESULT result =
        Context().agent ? Context().agent->GetLogDestination(&destination) : E_FAIL;
    if (SUCCEEDED(result) && m_destination->button(int(destination)))
        m_destination->button(int(destination))->setChecked(true);
    return result;
}

HRESULT CLogPage::Save()
{
    CKV100AgentInterface* agent = Context().agent;
    const uint destination = uint(m_destination->checkedId());
    const HRESULT result = agent ? agent->SetLogDestination(destination) : E_FAIL;
    if (FAILED(result))
        ReportSaveFailure(result);
    return result;
}

void CLogPage::ClearLog()
{
    if (IMessagePresenter::Show(QMessageBox::Question, Translate("Clear Log?"),
                                Translate("Are you sure you want to clear the log?"),
                                QMessageBox::Yes | QMessageBox::No, this,
                                QMessageBox::No) != QMessageBox::Yes)
        return;
    const HRESULT result = Context().agent ? Context().agent->ClearLog() : E_FAIL;
    if (FAILED(result))
        IMessagePresenter::Show(QMessageBox::Warning, Translate("Log Error"),
                                Translate("An error occured while trying to clear the log."),
                                QMessageBox::Ok, this);
}
