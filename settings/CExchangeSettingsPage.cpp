#include "settings/CExchangeSettingsPage.h"

#include "appmodel/IMessagePresenter.h"
#include "core/CSystemMessage.h"
#include "engine/CKV100ConfigurationInterface.h"

#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHostInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace {

QLineEdit* CExchangeSettingsField(QWidget* parent, bool secret = false)
{
    auto* field = new QLineEdit(parent);
    if (secret)
        field->setEchoMode(QLineEdit::Password);
    return field;
}

bool CExchangeSettingsBlank(const QLineEdit* field)
{
    return field->text().trimmed().isEmpty();
}

} // namespace

CExchangeSettingsPage::CExchangeSettingsPage(const TSettingsContext& context, QWidget* parent)
    : CSettingsPage("CExchangeSettingsPage", "Exchange Settings",
                    u"Korvane_Settings_-_Exchange.htm"_s, context, parent)
    , m_userName(CExchangeSettingsField(this))
    , m_password(CExchangeSettingsField(this, true))
    , m_confirm(CExchangeSettingsField(this, true))
    , m_server(CExchangeSettingsField(this))
    , m_smtp(CExchangeSettingsField(this))
    , m_from(CExchangeSettingsField(this))
    , m_to(CExchangeSettingsField(this))
    , m_testServer(new QPushButton(Translate("Test Exchange Server Name"), this))
    , m_testEmail(new QPushButton(Translate("Send Test Email"), this))
{
    auto* account = new QGroupBox(Translate("Exchange Authentication"), this);
    auto* accountForm = new QFormLayout(account);
    accountForm->addRow(Translate("User Name:"), m_userName);
    accountForm->addRow(Translate("Password:"), m_password);
    accountForm->addRow(Translate("Confirm Password:"), m_confirm);

    auto* server = new QGroupBox(Translate("Exchange Server Name"), this);
    auto* serverText = new QLabel(
        Translate("The Exchange Server Name is populated based on the Computer Name. Change it "
                  "when the Exchange server answers under another name, such as the network "
                  "name of a cluster."),
        server);
    serverText->setWordWrap(true);
    auto* serverRow = new QHBoxLayout;
    serverRow->addWidget(m_server, 1);
    serverRow->addWidget(m_testServer);
    auto* serverLayout = new QVBoxLayout(server);
    serverLayout->addWidget(serverText);
    serverLayout->addLayout(serverRow);

    auto* mail = new QGroupBox(Translate("Notify email"), this);
    auto* mailForm = new QFormLayout;
    mailForm->addRow(Translate("SMTP Server"), m_smtp);
    mailForm->addRow(Translate("From"), m_from);
    mailForm->addRow(Translate("To"), m_to);
    auto* mailButton = new QHBoxLayout;
    mailButton->addStretch(1);
    mailButton->addWidget(m_testEmail);
    auto* mailLayout = new QVBoxLayout(mail);
    mailLayout->addLayout(mailForm);
    mailLayout->addLayout(mailButton);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(account);
    layout->addWidget(server);
    layout->addWidget(mail);
    layout->addStretch(1);

    connect(m_server, &QLineEdit::textChanged, this, &CExchangeSettingsPage::UpdateServerButton);
    for (QLineEdit* field : {m_smtp, m_from, m_to})
        connect(field, &QLineEdit::textChanged, this, &CExchangeSettingsPage::UpdateEmailButton);
    connect(m_testServer, &QPushButton::clicked, this, &CExchangeSettingsPage::TestServerName);
    connect(m_testEmail, &QPushButton::clicked, this, &CExchangeSettingsPage::SendTestEmail);
    UpdateServerButton();
    UpdateEmailButton();
}

HRESULT CExchangeSettingsPage::Load()
{
    CKV100ConfigurationInterface configuration(Context().agent);
    TString userName;
    TString password;
    TString serverName;
    TString smtp;
    TString from;
    TString to;
    HRESULT result = configuration.GetExchangeUserName(&userName);
    if (SUCCEEDED(result))
        m_userName->setText(QString::fromStdWString(userName));
    HRESULT step = configuration.GetExchangePassword(&password);
    if (SUCCEEDED(step)) {
        m_password->setText(QString::fromStdWString(password));
        m_confirm->setText(m_password->text());
    }
    result = FAILED(result) ? result : step;
    step = configuration.GetExchangeServerName(&serverName);
    if (SUCCEEDED(step))
        m_server->setText(QString::fromStdWString(serverName));
    result = FAILED(result) ? result : step;
    // No name kept yet: the Exchange server is taken to be the connected computer.
    if (CExchangeSettingsBlank(m_server))
        m_server->setText(Context().computer.isEmpty() ? QHostInfo::localHostName()
                                                       : Context().computer);
    step = configuration.GetExchangeNotifyEmail(&smtp, &from, &to);
    if (SUCCEEDED(step)) {
        m_smtp->setText(QString::fromStdWString(smtp));
        m_from->setText(QString::fromStdWString(from));
        m_to->setText(QString::fromStdWString(to));
    }
    return FAILED(result) ? result : step;
}

bool CExchangeSettingsPage::Verify()
{
    if (m_password->text() != m_confirm->text())
        return RefuseValue(Translate("Password Mismatch"),
                           Translate("The passwords do not match."));
    return true;
}

HRESULT CExchangeSettingsPage::Save()
{
    CKV100ConfigurationInterface configuration(Context().agent);
    HRESULT result = configuration.SetExchangeUserName(m_userName->text().toStdWString());
    if (SUCCEEDED(result))
        result = configuration.SetExchangePassword(m_password->text().toStdWString());
    if (SUCCEEDED(result))
        result = configuration.SetExchangeServerName(m_server->text().trimmed().toStdWString());
    if (SUCCEEDED(result))
        result = configuration.SetExchangeNotifyEmail(m_smtp->text().trimmed().toStdWString(),
                                                      m_from->text().trimmed().toStdWString(),
                                                      m_to->text().trimmed().toStdWString());
    if (FAILED(result))
        ReportSaveFailure(result);
    return result;
}

void CExchangeSettingsPage::UpdateServerButton()
{
    m_testServer->setEnabled(!CExchangeSettingsBlank(m_server));
}

void CExchangeSettingsPage::UpdateEmailButton()
{
    m_testEmail->setEnabled(!CExchangeSettingsBlank(m_smtp) && !CExchangeSettingsBlank(m_from) &&
                            !CExchangeSettingsBlank(m_to));
}

void CExchangeSettingsPage::TestServerName()
{
    const QString name = m_server->text().trimmed();
    bool valid = false;
    const HRESULT result = CKV100ConfigurationInterface(Context().agent)
                               .TestExchangeServerName(name.toStdWString(), &valid);
    if (SUCCEEDED(result) && valid)
        IMessagePresenter::Show(QMessageBox::Information, Translate("Success"),
                                Translate("Exchange Server Name %1 is Valid.").Arg(name),
                                QMessageBox::Ok, this);
    else
        IMessagePresenter::Show(QMessageBox::Warning, Translate("Failure"),
                                Translate("Exchange Server Name %1 is not Valid.").Arg(name),
                                QMessageBox::Ok, this);
}

void CExchangeSettingsPage::SendTestEmail()
{
    const HRESULT result =
        CKV100ConfigurationInterface(Context().agent)
            .SendTestEmail(m_smtp->text().trimmed().toStdWString(),
                           m_from->text().trimmed().toStdWString(),
                           m_to->text().trimmed().toStdWString(),
                           QString(Translate("Test Message")).toStdWString(),
                           QString(Translate("Test email message from Korvane")).toStdWString());
    if (SUCCEEDED(result))
        IMessagePresenter::Show(
            QMessageBox::Information, Translate("SendTest Email Succeeded"),
            Translate("SendTest Email Succeeded, you should receive the email shortly"),
            QMessageBox::Ok, this);
    else
        IMessagePresenter::Show(QMessageBox::Warning, Translate("SendTest Email Failed"),
                                Translate("SendTest Email Failed with error %1(%2)")
                                    .Arg(CSystemMessage::CodeText(result))
                                    .Arg(CSystemMessage::Text(result)),
                                QMessageBox::Ok, this);
}
