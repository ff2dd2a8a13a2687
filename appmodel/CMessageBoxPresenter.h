#pragma once

#include "appmodel/IMessagePresenter.h"

// Real modal message boxes and dialogs.
class CMessageBoxPresenter : public IMessagePresenter {
public:
    QMessageBox::StandardButton ShowMessage(const TMessage& message) override;
    int RunDialog(QDialog& dialog) override;
};
