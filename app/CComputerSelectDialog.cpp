#include "app/CComputerSelectDialog.h"
#include "core/CWideText.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

CComputerSelectDialog::CComputerSelectDialog(QWidget* parent, bool mainWindowShown)
    : QDialog(parent)
    , CTranslatable(QByteArrayLiteral("Korvane"))
    , m_computer(new QLineEdit(this))
    , m_user(new QLineEdit(this))
    , m_password(new QLineEdit(this))
    , m_domain(new QLineEdit(this))
{
    setWindowTitle(Translate("Connect to Computer"));
    if (!mainWindowShown)
        setWindowFlags(windowFlags() | Qt::WindowStaysOnTopHint);

    auto* intro =
        new QLabel(Translate("Choose the computer whose drives Korvane manages. Leave the "
                             "user name and password empty to connect as yourself."),
                   this);
    intro->setWordWrap(true);
    m_computer->setPlaceholderText(Translate("This computer"));
    m_password->setEchoMode(QLineEdit::Password);

    auto* form = new QFormLayout;
    form->addRow(Translate("&Computer:"), m_computer);
    form->addRow(Translate("&User name:"), m_user);
    form->addRow(Translate("&Password:"), m_password);
    form->addRow(Translate("&Domain:"), m_domain);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(intro);
    layout->addLayout(form);
    layout->addWidget(buttons);
    setMinimumWidth(380);
}

void CComputerSelectDialog::SetValues(const TName& computer, const TName& user,
                                      const TString& password, const TName& domain)
{
    m_computer->setText(CWideText::ToQString(computer));
    m_user->setText(CWideText::ToQString(user));
    m_password->setText(CWideText::ToQString(password));
    m_domain->setText(CWideText::ToQString(domain));
}

TName CComputerSelectDialog::Computer() const
{
    return m_computer->text().trimmed().toStdWString();
}

TName CComputerSelectDialog::User() const
{
    return m_user->text().trimmed().toStdWString();
}

TString CComputerSelectDialog::Password() const
{
    return m_password->text().toStdWString();
}

TName CComputerSelectDialog::Domain() const
{
    return m_domain->text().trimmed().toStdWString();
}
