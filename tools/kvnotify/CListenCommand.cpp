#include "tools/kvnotify/CListenCommand.h"

#include "engine/CNoticeOwners.h"
#include "notify/CNoticeListener.h"
#include "notify/CSignalTap.h"
#include "tools/kvnotify/CCommandLine.h"
#include "tools/kvnotify/CConsole.h"
#include "tools/kvnotify/CJsonLine.h"
#include "tools/kvnotify/CStopSignals.h"

#include <QCoreApplication>
#include <QTimer>

using namespace Qt::StringLiterals;

namespace {

// How often the listener is checked for having ended by itself; it has no callback for that.
constexpr int kHealthCheckMs = 100;

} // namespace

int CListenCommand::Run(const CCommandLine& command, CStopSignals* stopSignals)
{
    if (const DWORD error = stopSignals->Error(); error != ERROR_SUCCESS) {
        CConsole::Error(u"cannot catch SIGINT and SIGTERM"_s, error);
        return CCommandLine::kExitFailure;
    }
    CNoticeOwners::TOwner owner;
    if (!CNoticeOwners::Make(command.owner, &owner)) {
        CConsole::Error(u"unknown owner '%1'"_s.arg(command.owner));
        return CCommandLine::kExitUsage;
    }
    CNoticeListener* listener = owner.listener;
    // Before the start, so that nothing emitted is missed.
    CSignalTap tap(owner.object.get(), [](const QMetaMethod& signal, const QVariantList& values) {
        CConsole::Line(CJsonLine::Format(signal.name(), values));
    });

    QString name = command.name;
    const DWORD started = command.hasName ? listener->StartOn(name) : listener->Start(&name);
    if (started != ERROR_SUCCESS) {
        CConsole::Error(command.hasName ? u"cannot create mailslot '%1'"_s.arg(name)
                                        : u"cannot create a mailslot"_s,
                        started);
        return CCommandLine::kExitFailure;
    }
    if (!command.hasName)
        CConsole::Line(name.toUtf8());

    int exitCode = 0;
    stopSignals->Watch([](int) { QCoreApplication::exit(0); });
    QTimer health;
    QObject::connect(&health, &QTimer::timeout, &health, [&] {
        if (listener->IsRunning())
            return;
        health.stop();
        CConsole::Error(u"the listener on '%1' ended"_s.arg(name), listener->ExitCode());
        exitCode = CCommandLine::kExitFailure;
        QCoreApplication::exit(exitCode);
    });
    health.start(kHealthCheckMs);
    QCoreApplication::exec();

    listener->Stop();
    return exitCode;
}
