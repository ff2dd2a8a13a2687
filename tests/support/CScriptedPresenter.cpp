#include "tests/support/CScriptedPresenter.h"

#include <QDialog>

CScriptedPresenter::CScriptedPresenter()
{
    IMessagePresenter::SetInstance(this);
}

CScriptedPresenter::~CScriptedPresenter()
{
    IMessagePresenter::SetInstance(nullptr);
}

QMessageBox::StandardButton CScriptedPresenter::ShowMessage(const TMessage& message)
{
    messages.append(message);
    if (!messageAnswers.isEmpty())
        return messageAnswers.takeFirst()(message);
    for (const QMessageBox::StandardButton button :
         {QMessageBox::Ok, QMessageBox::Retry, QMessageBox::Close}) {
        if (message.buttons.testFlag(button))
            return button;
    }
    return QMessageBox::NoButton;
}

int CScriptedPresenter::RunDialog(QDialog& dialog)
{
    dialogTitles.append(dialog.windowTitle());
    if (!dialogScripts.isEmpty())
        return dialogScripts.takeFirst()(dialog);
    return QDialog::Rejected;
}

CScriptedPresenter::TMessageScript CScriptedPresenter::Answer(QMessageBox::StandardButton button)
{
    return [button](const TMessage&) { return button; };
}
