#pragma once

#include "platform/activex/CAxBindable.h"

#include <QWidget>

#include <memory>

class CActiveKvStartup;
class CApp;

// The console as one control. Nothing happens until it is first shown (or a host starts it
// without showing it): then it starts the console and embeds the main window.
class CActiveKv : public QWidget, public CAxBindable {
    Q_OBJECT

public:
    static constexpr int kMinimumWidth = 900;
    static constexpr int kMinimumHeight = 500;

    explicit CActiveKv(QWidget* parent = nullptr);
    ~CActiveKv() override;

    QSize minimumSizeHint() const override;
    CAxAggregated* createAggregate() override;

    // Starts the console now, as the first show does; for a host that starts hidden.
    void EnsureStarted();
    // A command message from the host: starts the console when needed, then hands the message
    // to the controller, which acts on it in a later turn of the event loop. An empty message
    // only shows the window.
    void DeliverMessage(const QString& message);

    bool IsStarted() const { return m_startup != nullptr; }
    // Started with the console embedded; false while not started, and for good when the start-up
    // failed (the policy denies launching): the control stays empty.
    bool HoldsConsole() const;
    const CActiveKvStartup* Startup() const { return m_startup.get(); }
    CApp* Controller() const;

public slots:
    void showHelp();

protected:
    void showEvent(QShowEvent* event) override;

private:
    std::unique_ptr<CActiveKvStartup> m_startup;
};
