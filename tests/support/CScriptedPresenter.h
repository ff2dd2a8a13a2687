#pragma once

#include "appmodel/IMessagePresenter.h"

#include <QDialog>
#include <QList>

#include <functional>

// A presenter for tests: installs itself for its lifetime, records every message box and dialog,
// and answers them from scripts instead of a modal loop.
class CScriptedPresenter : public IMessagePresenter {
public:
    using TDialogScript = std::function<int(QDialog& dialog)>;
    using TMessageScript = std::function<QMessageBox::StandardButton(const TMessage& message)>;

    CScriptedPresenter() { IMessagePresenter::SetInstance(this); }
    ~CScriptedPresenter() override { IMessagePresenter::SetInstance(nullptr); }
    CScriptedPresenter(const CScriptedPresenter&) = delete;
    CScriptedPresenter& operator=(const CScriptedPresenter&) = delete;

    // The next answer of the script; once it runs out, the first button the box offers among
    // OK, Retry and Close, in that order.
    QMessageBox::StandardButton ShowMessage(const TMessage& message) override
    {
        messages.append(message);
        if (!messageAnswers.isEmpty())
            return messageAnswers.takeFirst()(message);
        for (const auto button : {QMessageBox::Ok, QMessageBox::Retry, QMessageBox::Close})
            if (message.buttons.testFlag(button))
                return button;
        return QMessageBox::NoButton;
    }
    // The next dialog's script; once they run out, dialogs are rejected.
    int RunDialog(QDialog& dialog) override
    {
        dialogTitles.append(dialog.windowTitle());
        return dialogScripts.isEmpty() ? int(QDialog::Rejected) : dialogScripts.takeFirst()(dialog);
    }

    static TMessageScript Answer(QMessageBox::StandardButton button)
    {
        return [button](const TMessage&) { return button; };
    }

    QList<TMessageScript> messageAnswers;
    QList<TDialogScript> dialogScripts;
    QList<TMessage> messages;
    QStringList dialogTitles;
};
