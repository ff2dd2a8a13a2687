#pragma once

#include "settings/CSettingsPage.h"

#include <optional>

class QButtonGroup;
class QComboBox;
class QLineEdit;
class QPushButton;

// Auto Update: what is done with updates, when they are looked for, where from, and the proxy
// account (edited in its own dialog, written with the page).
class CAutoUpdatePage : public CSettingsPage {
    Q_OBJECT

public:
    // The frequency list offers every 1 to kListedWeeks weeks; a longer interval the agent holds
    // is listed as well, so that saving keeps it.
    static constexpr uint kListedWeeks = 8;

    explicit CAutoUpdatePage(const TSettingsContext& context, QWidget* parent = nullptr);

    HRESULT Save() override;

public slots:
    void OpenProxySettings();

protected:
    HRESULT Load() override;

private:
    void SelectWeeks(uint weeks);
    // The schedule means nothing while updates are never looked for.
    void EnableSchedule();

    QButtonGroup* m_install;
    QComboBox* m_weeks;
    QComboBox* m_day;
    QLineEdit* m_server;
    QLineEdit* m_urlPath;
    QPushButton* m_proxy;
    QString m_proxyUserName;
    QString m_proxyPassword;

    // What was read, to put back when a later write of the page fails.
    struct TLoaded {
        std::optional<uint> install;
        std::optional<std::pair<TString, TString>> server;
        std::optional<TString> proxyUserName;
        std::optional<TString> proxyPassword;
        std::optional<std::pair<uint, uint>> schedule;
    };
    TLoaded m_loaded;
};
