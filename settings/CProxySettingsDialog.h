#pragma once

#include "core/CTranslatable.h"

#include <QDialog>

class QLineEdit;
class QPushButton;

// The account through which updates pass the proxy. A password without a user name cannot be
// used, so OK is offered only for a user name, or for no account at all.
class CProxySettingsDialog : public QDialog, public CTranslatable {
    Q_OBJECT

public:
    CProxySettingsDialog(const QString& userName, const QString& password,
                         QWidget* parent = nullptr);

    QString UserName() const;
    QString Password() const;

public slots:
    void UpdateOKButton();

private:
    QLineEdit* m_userName;
    QLineEdit* m_password;
    QPushButton* m_ok;
};
