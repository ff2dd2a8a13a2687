#include "app/CActiveKv.h"

#include "app/CActiveKvStartup.h"
#include "app/CApp.h"
#include "platform/activex/CObjectSafety.h"

#include <QVBoxLayout>

CActiveKv::CActiveKv(QWidget* parent)
    : QWidget(parent)
{
    setMinimumSize(kMinimumWidth, kMinimumHeight);
}

// The start-up holder goes first, and with it the controller and its main window.
CActiveKv::~CActiveKv() = default;

QSize CActiveKv::minimumSizeHint() const
{
    return QSize(kMinimumWidth, kMinimumHeight);
}

CAxAggregated* CActiveKv::createAggregate()
{
    return new CObjectSafety();
}

CApp* CActiveKv::Controller() const
{
    return m_startup ? m_startup->Controller() : nullptr;
}

bool CActiveKv::HoldsConsole() const
{
    return m_startup && SUCCEEDED(m_startup->Result());
}

void CActiveKv::showHelp()
{
    if (CApp* controller = Controller())
        controller->OnHelp();
}

void CActiveKv::EnsureStarted()
{
    if (m_startup)
        return;
    m_startup = std::make_unique<CActiveKvStartup>();
    auto* layout = new QVBoxLayout;
    if (m_startup->Run(nullptr) == S_OK) {
        CMainWindow* window = m_startup->Controller()->GetMainWindow();
        layout->addWidget(window, 0);
        // The host's window carries the console's title.
        if (QWidget* top = this->window(); top != window) {
            top->setWindowTitle(window->windowTitle());
            top->setWindowIcon(window->windowIcon());
            connect(window, &QWidget::windowTitleChanged, top, &QWidget::setWindowTitle);
        }
    }
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    setLayout(layout);
}

void CActiveKv::DeliverMessage(const QString& message)
{
    EnsureStarted();
    if (CApp* controller = Controller())
        controller->OnMessageReceived(message);
}

void CActiveKv::showEvent(QShowEvent* event)
{
    EnsureStarted();
    QWidget::showEvent(event);
}
