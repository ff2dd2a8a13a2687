#include "settings/COptionsVirtualMachinePage.h"

#include "appmodel/IMessagePresenter.h"
#include "core/CSystemMessage.h"
#include "engine/CKV100ComputerInterface.h"

#include <QButtonGroup>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHostAddress>
#include <QHostInfo>
#include <QLabel>
#include <QLineEdit>
#include <QNetworkInterface>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

COptionsVirtualMachinePage::COptionsVirtualMachinePage(const TSettingsContext& context,
                                                       QWidget* parent)
    : CSettingsPage("COptionsVirtualMachinePage", "Virtual Environment",
                    u"Virtual_Environment_Settings.htm"_s, context, parent)
    , m_host(new QLineEdit(this))
    , m_user(new QLineEdit(this))
    , m_password(new QLineEdit(this))
    , m_confirm(new QLineEdit(this))
    , m_test(new QPushButton(Translate("Test Connection"), this))
{
    m_password->setEchoMode(QLineEdit::Password);
    m_confirm->setEchoMode(QLineEdit::Password);
    auto* intro =
        new QLabel(Translate("Specify the host for this virtual guest so that Quiet Watch can "
                             "dynamically adjust defragmentation activity based on host resource "
                             "usage."),
                   this);
    intro->setWordWrap(true);

    auto* kindGroup =
        new QGroupBox(Translate("Select what kind of computer (physical or virtual):"), this);
    auto* kindLayout = new QVBoxLayout(kindGroup);
    const char* const kinds[kKindCount] = {
        "Korvane is running on a physical computer",
        "A virtual guest on a Hyper-V server or Virtual Server or other Windows based host",
        "A virtual guest on an ESX server",
        "A virtual guest on an ESX server, monitor using vSphere",
        "A virtual guest on a Hyper-V server",
        "A virtual guest inside a VMware Workstation Instance"};
    auto* exclusive = new QButtonGroup(this);
    for (int i = 0; i < kKindCount; ++i) {
        m_kinds[i] = new QRadioButton(Translate(kinds[i]), kindGroup);
        exclusive->addButton(m_kinds[i], i);
        kindLayout->addWidget(m_kinds[i]);
    }
    m_kinds[kPhysical]->setChecked(true);

    auto* form = new QFormLayout;
    form->setRowWrapPolicy(QFormLayout::WrapLongRows);
    form->addRow(Translate("Host to connect(DNS name or IP address of the host server)"), m_host);
    form->addRow(Translate("User name"), m_user);
    form->addRow(Translate("Password"), m_password);
    form->addRow(Translate("Confirm the password"), m_confirm);
    auto* testRow = new QHBoxLayout;
    testRow->addStretch(1);
    testRow->addWidget(m_test);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(intro);
    layout->addWidget(kindGroup);
    layout->addLayout(form);
    layout->addLayout(testRow);
    layout->addStretch(1);

    connect(exclusive, &QButtonGroup::idToggled, this,
            &COptionsVirtualMachinePage::EnabledBasedOnOptions);
    connect(m_test, &QPushButton::clicked, this, &COptionsVirtualMachinePage::TestConnection);
    EnabledBasedOnOptions();
}

COptionsVirtualMachinePage::TKind COptionsVirtualMachinePage::Kind() const
{
    for (int i = 0; i < kKindCount; ++i)
        if (m_kinds[i]->isChecked())
            return TKind(i);
    return kPhysical;
}

void COptionsVirtualMachinePage::EnabledBasedOnOptions()
{
    const TKind kind = Kind();
    m_host->setEnabled(NeedsHost(kind));
    for (QLineEdit* field : {m_user, m_password, m_confirm})
        field->setEnabled(NeedsAccount(kind));
    m_test->setEnabled(NeedsHost(kind));
}

HRESULT COptionsVirtualMachinePage::Load()
{
    uint kind = kPhysical;
    TString host;
    TString user;
    TString password;
    const HRESULT result = CKV100ComputerInterface(Context().agent)
                               .GetVirtualEnvironment(&kind, &host, &user, &password);
    if (SUCCEEDED(result)) {
        m_kinds[kind < uint(kKindCount) ? kind : uint(kPhysical)]->setChecked(true);
        m_host->setText(QString::fromStdWString(host));
        m_user->setText(QString::fromStdWString(user));
        m_password->setText(QString::fromStdWString(password));
        m_confirm->setText(m_password->text());
    }
    EnabledBasedOnOptions();
    return result;
}

bool COptionsVirtualMachinePage::Verify()
{
    const TKind kind = Kind();
    if (NeedsAccount(kind) && m_password->text() != m_confirm->text())
        return RefuseValue(Translate("Passwords don't match"),
                           Translate("Passwords don't match.  Unable to save information."));
    if (NeedsHost(kind) && m_host->text().trimmed().isEmpty())
        return RefuseValue(Translate("Sensing without hostname"),
                           Translate("You have set a sensing option that requires a valid "
                                     "hostname.  Unable to save information."));
    if (NeedsAccount(kind) && m_user->text().trimmed().isEmpty())
        return RefuseValue(Translate("Sensing without username"),
                           Translate("You have set a sensing option that requires a valid user "
                                     "name.  Unable to save information."));
    return true;
}

HRESULT COptionsVirtualMachinePage::Save()
{
    const TKind kind = Kind();
    // Fields the kind does not use are not kept: a physical computer has no host account.
    const QString host = NeedsHost(kind) ? m_host->text().trimmed() : QString();
    const QString user = NeedsAccount(kind) ? m_user->text().trimmed() : QString();
    const QString password = NeedsAccount(kind) ? m_password->text() : QString();
    const HRESULT result = CKV100ComputerInterface(Context().agent)
                               .SetVirtualEnvironment(uint(kind), host.toStdWString(),
                                                      user.toStdWString(), password.toStdWString());
    if (FAILED(result))
        ReportSaveFailure(result);
    return result;
}

bool COptionsVirtualMachinePage::IsLocalName(const QString& host) const
{
    // The managed computer by its own name (the connection's, or this machine's when the
    // connection named none), or the names every computer has for itself.
    const QString self =
        Context().computer.isEmpty() ? QHostInfo::localHostName() : Context().computer;
    for (const QString& name : {self, u"localhost"_s, u"."_s})
        if (!name.isEmpty() && host.compare(name, Qt::CaseInsensitive) == 0)
            return true;
    return false;
}

bool COptionsVirtualMachinePage::IsLocalAddress(const QString& host) const
{
    const QHostAddress address(host);
    if (address.isNull())
        return false;
    if (address.isLoopback())
        return true;
    // Another computer's addresses are not known here.
    return !Context().remote && QNetworkInterface::allAddresses().contains(address);
}

void COptionsVirtualMachinePage::TestConnection()
{
    const QString host = m_host->text().trimmed();
    const QString user = m_user->text().trimmed();
    const bool account = NeedsAccount(Kind());
    if (account && m_password->text() != m_confirm->text()) {
        RefuseValue(Translate("Password doesn't match"),
                    Translate("Password and confirm password don't match."));
        return;
    }
    if (IsLocalName(host)) {
        const QString text = Translate("Cannot select local computer as foreign vm host.");
        RefuseValue(text, text);
        return;
    }
    const HRESULT result =
        CKV100ComputerInterface(Context().agent)
            .TestVirtualHost(host.toStdWString(), account ? user.toStdWString() : TString(),
                             account ? m_password->text().toStdWString() : TString());
    if (SUCCEEDED(result)) {
        IMessagePresenter::Show(QMessageBox::Information, Translate("Connection Succeeded"),
                                Translate("Connected to machine %1.").Arg(host), QMessageBox::Ok,
                                this);
        return;
    }
    const QString text =
        IsLocalAddress(host)
            ? QString(Translate("Attempt to connect to the specified local machine as it's virtual "
                                "host fails."))
            : QString(Translate("Attempt to connect to machine %1 with username %2  failed with "
                                "error %3(%4)")
                          .Arg(host)
                          .Arg(user)
                          .Arg(CSystemMessage::CodeText(result))
                          .Arg(CSystemMessage::Text(result)));
    IMessagePresenter::Show(QMessageBox::Warning, Translate("Connection Failed"), text,
                            QMessageBox::Ok, this);
}
