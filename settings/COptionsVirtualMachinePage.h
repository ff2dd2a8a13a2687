#pragma once

#include "settings/CSettingsPage.h"

class QLineEdit;
class QPushButton;
class QRadioButton;

// What kind of computer the console manages (physical, or a virtual guest of one of five kinds
// of host), and the host whose load QuietWatch follows with the account it is reached with.
class COptionsVirtualMachinePage : public CSettingsPage {
    Q_OBJECT

public:
    enum TKind {
        kPhysical,
        kWindowsHost,
        kEsx,
        kEsxVSphere,
        kHyperV,
        kVMwareWorkstation,
        kKindCount
    };

    explicit COptionsVirtualMachinePage(const TSettingsContext& context, QWidget* parent = nullptr);

    bool Verify() override;
    HRESULT Save() override;

    TKind Kind() const;
    // Guests sense their host through its name; all but a workstation guest also log on to it.
    static bool NeedsHost(TKind kind) { return kind != kPhysical; }
    static bool NeedsAccount(TKind kind) { return kind != kPhysical && kind != kVMwareWorkstation; }

    QRadioButton& KindButton(TKind kind) const { return *m_kinds[kind]; }
    QLineEdit& HostField() const { return *m_host; }
    QLineEdit& UserField() const { return *m_user; }
    QLineEdit& PasswordField() const { return *m_password; }
    QLineEdit& ConfirmField() const { return *m_confirm; }
    QPushButton& TestButton() const { return *m_test; }

public slots:
    void EnabledBasedOnOptions();
    void TestConnection();

protected:
    HRESULT Load() override;

private:
    // The host names the managed computer itself, by name or by one of its addresses.
    bool IsLocalName(const QString& host) const;
    bool IsLocalAddress(const QString& host) const;

    QRadioButton* m_kinds[kKindCount];
    QLineEdit* m_host;
    QLineEdit* m_user;
    QLineEdit* m_password;
    QLineEdit* m_confirm;
    QPushButton* m_test;
};
