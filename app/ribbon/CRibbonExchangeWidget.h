#pragma once

#include "app/ribbon/CRibbonFeatureBar.h"
#include "core/Types.h"

class IExchangeController;
class QLabel;

// The bar of the Exchange tab: compaction of the selected data store, and which server and
// Exchange version the console manages.
class CRibbonExchangeWidget : public CRibbonFeatureBar {
    Q_OBJECT

public:
    explicit CRibbonExchangeWidget(QWidget* parent = nullptr);

    QLabel* VersionLabel() const { return m_version; }
    QLabel* ServerLabel() const { return m_server; }

public slots:
    void OnDefragment();
    void OnStop();
    void OnProperties();
    // The version as the Exchange model writes it ("2003", "2010", ...).
    void SetExchangeVersion(const QString& version);
    void SetServerName(const TName& name);

private:
    static IExchangeController* Controller();

    QLabel* m_version;
    QLabel* m_server;
};
