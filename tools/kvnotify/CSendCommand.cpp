#include "tools/kvnotify/CSendCommand.h"

#include "notify/CMailSlotTransport.h"
#include "notify/CNoticeWriter.h"
#include "tools/kvnotify/CCommandLine.h"
#include "tools/kvnotify/CConsole.h"
#include "tools/kvnotify/CNoticeArguments.h"

using namespace Qt::StringLiterals;

int CSendCommand::Run(const CCommandLine& command)
{
    CNoticeWriter notice;
    QString error;
    if (!CNoticeArguments::Build(command.type, command.noticeArguments, &notice, &error)) {
        CConsole::Error(error, ERROR_INVALID_PARAMETER);
        return CCommandLine::kExitUsage;
    }

    const QString where = command.computer.isEmpty()
                              ? u"mailslot '%1'"_s.arg(command.name)
                              : u"mailslot '%1' on '%2'"_s.arg(command.name, command.computer);
    CMailSlotTransport transport;
    if (const DWORD opened = transport.Open(command.computer, command.name);
        opened != ERROR_SUCCESS) {
        CConsole::Error(u"cannot open "_s + where, opened);
        return CCommandLine::kExitFailure;
    }
    // Every writer numbers its messages from 0 and the reader drops a number equal to the last
    // one it took, so a notice sent as number 0 after another kvnotify run would be lost. An
    // empty lead message (too short for a type, so never dispatched) as 0 puts the notice at 1,
    // which differs from whatever the reader took last: either 0 was a repeat or it was taken.
    DWORD written = transport.Write(QByteArray());
    if (written == ERROR_SUCCESS)
        written = transport.Write(notice.Body());
    if (written != ERROR_SUCCESS) {
        CConsole::Error(u"cannot write to "_s + where, written);
        return CCommandLine::kExitFailure;
    }
    return 0;
}
