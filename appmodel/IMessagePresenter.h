#pragma once

#include <QMessageBox>
#include <QString>

class QDialog;
class QWidget;

// Shows the console's modal message boxes and dialogs. Everything modal goes through the one
// process-wide presenter, so that tests can answer without a modal loop.
class IMessagePresenter {
public:
    struct TMessage {
        QMessageBox::Icon icon = QMessageBox::NoIcon;
        QString title;
        QString text;
        QMessageBox::StandardButtons buttons = QMessageBox::Ok;
        QWidget* parent = nullptr;
        // The button that Enter presses; none: the box chooses.
        QMessageBox::StandardButton defaultButton = QMessageBox::NoButton;
    };

    virtual ~IMessagePresenter() = default;

    // Shows a modal message box; answers the button chosen.
    virtual QMessageBox::StandardButton ShowMessage(const TMessage& message) = 0;
    // Runs a dialog modally; answers its result.
    virtual int RunDialog(QDialog& dialog) = 0;

    // The process-wide presenter: real message boxes unless a replacement was installed.
    static IMessagePresenter& Instance();
    // Installs a replacement (not owned); null goes back to real message boxes.
    static void SetInstance(IMessagePresenter* presenter);
};
