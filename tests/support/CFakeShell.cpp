#include "tests/support/CFakeShell.h"

bool CFakeShell::Open(const QUrl& target)
{
    opened.append(target);
    return openAnswer;
}

HRESULT CFakeShell::StartDetached(const QString& program, const QStringList& arguments)
{
    started.append(QStringList{program} + arguments);
    return startAnswer;
}
