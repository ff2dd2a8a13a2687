#include "appmodel/CMessageBoxPresenter.h"

#include "platform/CReplaceable.h"

#include <QAbstractButton>
#include <QDialog>

IMessagePresenter& IMessagePresenter::Instance()
{
    return CReplaceable<IMessagePresenter, CMessageBoxPresenter>::Instance();
}

void IMessagePresenter::SetInstance(IMessagePresenter* presenter)
{
    CReplaceable<IMessagePresenter, CMessageBoxPresenter>::Install(presenter);
}

QMessageBox::StandardButton IMessagePresenter::Show(QMessageBox::Icon icon, const QString& title,
                                                    const QString& text,
                                                    QMessageBox::StandardButtons buttons,
                                                    QWidget* parent,
                                                    QMessageBox::StandardButton defaultButton)
{
    TMessage message;
    message.icon = icon;
    message.title = title;
    message.text = text;
    message.buttons = buttons;
    message.parent = parent;
    message.defaultButton = defaultButton;
    return Instance().ShowMessage(message);
}

QMessageBox::StandardButton CMessageBoxPresenter::ShowMessage(const TMessage& message)
{
    QMessageBox box(message.icon, message.title, message.text, message.buttons, message.parent);
    if (message.defaultButton != QMessageBox::NoButton)
        box.setDefaultButton(message.defaultButton);
    for (auto text = message.buttonTexts.cbegin(); text != message.buttonTexts.cend(); ++text)
        if (QAbstractButton* button = box.button(text.key()))
            button->setText(text.value());
    return static_cast<QMessageBox::StandardButton>(box.exec());
}

int CMessageBoxPresenter::RunDialog(QDialog& dialog)
{
    return dialog.exec();
}
