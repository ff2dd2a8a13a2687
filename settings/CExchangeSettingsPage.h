#pragma once

#include "settings/CSettingsPage.h"

class QLineEdit;
class QPushButton;

// The account the Exchange engine works with, the Exchange server's name (with a test of it),
// and the mail that notifies of Exchange passes (with a test message).
class CExchangeSettingsPage : public CSettingsPage {
    Q_OBJECT

public:
    explicit CExchangeSettingsPage(const TSettingsContext& context, QWidget* parent = nullptr);

    bool Verify() override;
    HRESULT Save() override;

    QLineEdit& UserNameField() const { return *m_userName; }
    QLineEdit& PasswordField() const { return *m_password; }
    QLineEdit& ConfirmField() const { return *m_confirm; }
    QLineEdit& ServerField() const { return *m_server; }
    QLineEdit& SmtpField() const { return *m_smtp; }
    QLineEdit& FromField() const { return *m_from; }
    QLineEdit& ToField() const { return *m_to; }
    QPushButton& TestServerButton() const { return *m_testServer; }
    QPushButton& TestEmailButton() const { return *m_testEmail; }

public slots:
    void UpdateServerButton();
    void UpdateEmailButton();
    void TestServerName();
    void SendTestEmail();

protected:
    HRESULT Load() override;

private:
    QLineEdit* m_userName;
    QLineEdit* m_password;
    QLineEdit* m_confirm;
    QLineEdit* m_server;
    QLineEdit* m_smtp;
    QLineEdit* m_from;
    QLineEdit* m_to;
    QPushButton* m_testServer;
    QPushButton* m_testEmail;
};
