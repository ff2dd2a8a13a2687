#pragma once

#include "platform/shell/IShell.h"

#include <QList>

// A shell for tests: opens and starts nothing, records what it was asked (a started command is
// the program followed by its arguments) and answers what it is given.
class CFakeShell : public IShell {
public:
    bool Open(const QUrl& target) override
    {
        opened.append(target);
        return openAnswer;
    }
    HRESULT StartDetached(const QString& program, const QStringList& arguments) override
    {
        started.append(QStringList{program} + arguments);
        return startAnswer;
    }

    bool openAnswer = true;
    HRESULT startAnswer = S_OK;
    QList<QUrl> opened;
    QList<QStringList> started;
};
