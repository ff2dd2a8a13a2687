#include "appmodel/CMessageBoxPresenter.h"

#include "platform/CReplaceable.h"

#include <QDialog>

IMessagePresenter& IMessagePresenter::Instance()
{
    return CReplaceable<IMessagePresenter, CMessageBoxPresenter>::Instance();
}

void IMessagePresenter::SetInstance(IMessagePresenter* presenter)
{
    CReplaceable<IMessagePresenter, CMessageBoxPresenter>::Install(presenter);
}

QMessageBox::StandardButton CMessageBoxPresenter::ShowMessage(const TMessage& message)
{
    QMessageBox box(message.icon, message.title, message.text, message.buttons, message.parent);
    if (message.defaultButton != QMessageBox::NoButton)
        box.setDefaultButton(message.defaultButton);
    return static_cast<QMessageBox::StandardButton>(box.exec());
}

int CMessageBoxPresenter::RunDialog(QDialog& dialog)
{
    return dialog.exec();
}
