#include "settings/CProxySettingsDialog.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

CProxySettingsDialog::CProxySettingsDialog(const QString& userName, const QString& password,
                                           QWidget* parent)
    : QDialog(parent)
    , CTranslatable("CProxySettingsDialog")
    , m_userName(new QLineEdit(userName))
    , m_password(new QLineEdit(password))
{
    setWindowTitle(Translate("Proxy Settings"));
    m_userName->setObjectName(u"userName"_s);
    m_password->setObjectName(u"password"_s);
    m_password->setEchoMode(QLineEdit::Password);

    auto* fields = new QFormLayout;
    fields->addRow(Translate("User Name"), m_userName);
    fields->addRow(Translate("Password"), m_password);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    m_ok = buttons->button(QDialogButtonBox::Ok);
    m_ok->setText(Translate("OK"));
    buttons->button(QDialogButtonBox::Cancel)->setText(Translate("Cancel"));
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(fields);
    layout->addWidget(buttons);

    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(m_userName, &QLineEdit::textChanged, this, &CProxySettingsDialog::UpdateOKButton);
    connect(m_password, &QLineEdit::textChanged, this, &CProxySettingsDialog::UpdateOKButton);
    UpdateOKButton();
}

QString CProxySettingsDialog::UserName() const
{
    return m_userName->text();
}

QString CProxySettingsDialog::Password() const
{
    return m_password->text();
}

void CProxySettingsDialog::UpdateOKButton()
{
    m_ok->setEnabled(!m_userName->text().trimmed().isEmpty() || m_password->text().isEmpty());
}
