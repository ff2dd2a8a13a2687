#pragma once

#include "appmodel/IMessagePresenter.h"

#include <QList>

#include <functional>

// A presenter for tests: installs itself for its lifetime, records every message box and dialog,
// and answers them from scripts instead of a modal loop.
class CScriptedPresenter : public IMessagePresenter {
public:
    using TDialogScript = std::function<int(QDialog& dialog)>;
    using TMessageScript = std::function<QMessageBox::StandardButton(const TMessage& message)>;

    CScriptedPresenter();
    ~CScriptedPresenter() override;
    CScriptedPresenter(const CScriptedPresenter&) = delete;
    CScriptedPresenter& operator=(const CScriptedPresenter&) = delete;

    QMessageBox::StandardButton ShowMessage(const TMessage& message) override;
    int RunDialog(QDialog& dialog) override;

    // The answers to the next message boxes, in order; once they run out, the first button the
    // box offers among OK, Retry and Close, in that order.
    QList<TMessageScript> messageAnswers;
    // The next dialogs' scripts, in order; once they run out, dialogs are rejected.
    QList<TDialogScript> dialogScripts;

    QList<TMessage> messages;
    QStringList dialogTitles;

    // Shorthands for scripts.
    static TMessageScript Answer(QMessageBox::StandardButton button);
};
