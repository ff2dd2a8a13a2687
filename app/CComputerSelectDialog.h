#pragma once

#include "core/CTranslatable.h"
#include "core/Types.h"

#include <QDialog>

class QLineEdit;

// Asks which computer to connect to and as whom: computer (empty: this one), user name,
// password and domain (empty user name and password: the current user).
class CComputerSelectDialog : public QDialog, public CTranslatable {
    Q_OBJECT

public:
    // mainWindowShown: whether the console's window exists yet; before it does, the dialog
    // stands on its own and stays above the splash screen.
    CComputerSelectDialog(QWidget* parent, bool mainWindowShown);

    void SetValues(const TName& computer, const TName& user, const TString& password,
                   const TName& domain);
    TName Computer() const;
    TName User() const;
    TString Password() const;
    TName Domain() const;

    QLineEdit* ComputerEdit() const { return m_computer; }
    QLineEdit* UserEdit() const { return m_user; }
    QLineEdit* PasswordEdit() const { return m_password; }
    QLineEdit* DomainEdit() const { return m_domain; }

private:
    QLineEdit* m_computer;
    QLineEdit* m_user;
    QLineEdit* m_password;
    QLineEdit* m_domain;
};
