#pragma once

#include "settings/CSettingsPage.h"

class QButtonGroup;
class QPushButton;

// Log Settings: where the agent writes its log, and the log's own buttons. Clearing the log is
// done at once, not on save: it cannot be taken back.
class CLogPage : public CSettingsPage {
    Q_OBJECT

public:
    explicit CLogPage(const TSettingsContext& context, QWidget* parent = nullptr);

    HRESULT Save() override;

public slots:
    // Asks first; tells the user when the agent could not clear it.
    void ClearLog();

signals:
    // "View Log" was pressed (offered only when the policy allows viewing the log).
    void ViewLogRequested();

protected:
    HRESULT Load() override;

private:
    QButtonGroup* m_destination;
    QPushButton* m_viewLog;
    QPushButton* m_clearLog;
};
