#pragma once

#include "core/CTranslatable.h"

#include <QDialog>

class QLabel;
class QPushButton;
class QTimer;

// The five-minute countdown before a forced reboot or shutdown that a scheduled operation asked
// for. It closes with 0 when the user stops it and with 1 when it was carried out; when the
// system refuses, the user is told why and the dialog stays open.
class CShutdown : public QDialog, public CTranslatable {
    Q_OBJECT

public:
    static constexpr int kInitialSeconds = 301;

    CShutdown(bool reboot, QWidget* parent = nullptr);

    int SecondsLeft() const { return m_secondsLeft; }
    QString LabelText() const;
    QPushButton* StopButton() const { return m_stopButton; }
    QPushButton* NowButton() const { return m_nowButton; }

public slots:
    void StopShutdown();
    void ShutdownNow();
    void UpdateLabel();

private:
    bool m_reboot;
    int m_secondsLeft = kInitialSeconds;
    QLabel* m_label;
    QTimer* m_timer;
    QPushButton* m_stopButton;
    QPushButton* m_nowButton;
};
