#include "app/CShutdown.h"

#include "app/CSystemShutdown.h"
#include "appmodel/IMessagePresenter.h"
#include "core/CSystemMessage.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

CShutdown::CShutdown(bool reboot, QWidget* parent)
    : QDialog(parent)
    , CTranslatable(QByteArrayLiteral("Korvane"))
    , m_reboot(reboot)
    , m_label(new QLabel(this))
    , m_timer(new QTimer(this))
    , m_stopButton(new QPushButton(Translate(reboot ? "Stop Reboot" : "Stop Shutdown"), this))
    , m_nowButton(new QPushButton(Translate(reboot ? "Reboot Now" : "Shutdown Now"), this))
{
    setWindowTitle(Translate("Korvane requires your permission"));
    setWindowFlags(windowFlags() | Qt::WindowStaysOnTopHint);

    m_label->setWordWrap(true);
    m_label->setMinimumWidth(320);
    m_label->setTextFormat(Qt::RichText);
    UpdateLabel();

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(m_stopButton);
    buttons->addWidget(m_nowButton);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_label);
    layout->addLayout(buttons);
    m_stopButton->setDefault(true);

    connect(m_stopButton, &QPushButton::clicked, this, &CShutdown::StopShutdown);
    connect(m_nowButton, &QPushButton::clicked, this, &CShutdown::ShutdownNow);
    connect(m_timer, &QTimer::timeout, this, &CShutdown::UpdateLabel);
    m_timer->start(1000);
}

QString CShutdown::LabelText() const
{
    return m_label->text();
}

void CShutdown::StopShutdown()
{
    m_timer->stop();
    done(0);
}

void CShutdown::ShutdownNow()
{
    m_timer->stop();
    HRESULT result = S_OK;
    if (m_reboot) {
        result = CSystemShutdown::Reboot();
    } else {
        result = CSystemShutdown::EnablePowerOff();
        if (SUCCEEDED(result))
            result = CSystemShutdown::PowerOff(Translate("Korvane has been set to shutdown this "
                                                         "computer following the completion of a "
                                                         "schedule. "));
    }
    if (FAILED(result)) {
        // Nothing was done: the countdown stays, for the user to try again or to stop it.
        IMessagePresenter::Show(QMessageBox::Warning, Translate("Korvane"),
                                Translate(m_reboot
                                              ? "Korvane could not reboot this computer: %1"
                                              : "Korvane could not shut down this computer: %1")
                                    .Arg(CSystemMessage::Text(result)),
                                QMessageBox::Ok, this);
        return;
    }
    done(1);
}

void CShutdown::UpdateLabel()
{
    --m_secondsLeft;
    if (m_secondsLeft < 1)
        ShutdownNow();
    m_label->setText(Translate(m_reboot ? "To complete a scheduled operation, Korvane will "
                                          "<b>reboot</b> your computer in <b>%1 min %2 "
                                          "seconds</b>."
                                        : "To complete a scheduled operation, Korvane will "
                                          "<b>shutdown</b> your computer in <b>%1 min %2 "
                                          "seconds</b>.")
                         .Arg(m_secondsLeft / 60)
                         .Arg(m_secondsLeft % 60));
}
