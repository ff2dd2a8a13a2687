#include "tools/kvnotify/CCommandLine.h"
#include "tools/kvnotify/CConsole.h"
#include "tools/kvnotify/CListenCommand.h"
#include "tools/kvnotify/CSendCommand.h"
#include "tools/kvnotify/CStopSignals.h"

#include <QCoreApplication>

#include <cstdio>
#include <memory>

int main(int argc, char* argv[])
{
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments.append(QString::fromLocal8Bit(argv[i]));
    CCommandLine command;
    QString error;
    if (!command.Parse(arguments, &error)) {
        CConsole::Error(error, ERROR_INVALID_PARAMETER);
        return CCommandLine::kExitUsage;
    }
    if (command.mode == CCommandLine::TMode::Help) {
        std::fputs(CCommandLine::Usage().toLocal8Bit().constData(), stdout);
        return 0;
    }
    // Before QCoreApplication, so that no thread exists yet that could take the signals.
    std::unique_ptr<CStopSignals> stopSignals;
    if (command.mode == CCommandLine::TMode::Listen)
        stopSignals = std::make_unique<CStopSignals>();
    QCoreApplication application(argc, argv);
    if (command.mode == CCommandLine::TMode::Send)
        return CSendCommand::Run(command);
    return CListenCommand::Run(command, stopSignals.get());
}
