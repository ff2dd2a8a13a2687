// korvane-engine: the engine services of this computer for the Korvane console.

#include "platform/com/CDBusActivator.h"
#include "refengine/CDefragCommand.h"
#include "refengine/CEngineDaemon.h"
#include "refengine/CEngineStateDirectory.h"
#include "refengine/CNoticeRelay.h"
#include "refengine/CStdioBridge.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QSocketNotifier>

#include <atomic>
#include <csignal>
#include <cstdio>
#include <sys/socket.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

int g_signalPipe[2] = {-1, -1};
std::atomic<bool> g_stopRequested{false};

void OnInterrupt(int)
{
    g_stopRequested.store(true);
}

void OnTerminate(int)
{
    const char byte = 1;
    [[maybe_unused]] const ssize_t written = ::write(g_signalPipe[1], &byte, 1);
}

// "--stdio-bridge": a console on another machine reaches this machine's engine through its SSH
// session.
int RunStdioBridge()
{
    std::signal(SIGPIPE, SIG_IGN);
    const QStringList local = CDBusActivator::LocalSocketPaths();
    const auto startEngine = [] {
        // The engine outlives the bridge, and must not hold the session's streams open.
        QProcess engine;
        engine.setProgram(QCoreApplication::applicationFilePath());
        engine.setStandardInputFile(QProcess::nullDevice());
        engine.setStandardOutputFile(QProcess::nullDevice());
        engine.setStandardErrorFile(QProcess::nullDevice());
        return engine.startDetached();
    };
    QString socket;
    QString error;
    // The system service when this user may use it, else the user's own engine.
    if (!CStdioBridge::FindEngine({local.value(1), local.value(0)}, startEngine, 10000, &socket,
                                  &error) ||
        CStdioBridge::Run(STDIN_FILENO, STDOUT_FILENO, socket, &error) != 0) {
        std::fprintf(stderr, "korvane-engine: %s\n", qPrintable(error));
        return 1;
    }
    return 0;
}

// "--notice-relay NAME": the notices of this machine's engine for a console on another machine.
int RunNoticeRelay(const QString& name)
{
    std::signal(SIGPIPE, SIG_IGN);
    // The mailslot goes where the engine the bridge reaches looks for its subscribers': beside
    // the system service's socket when this user may use it, else in the user's runtime folder.
    const QStringList local = CDBusActivator::LocalSocketPaths();
    const QString system = local.value(1);
    if (CStdioBridge::ReachableSocket({system}) == system)
        qputenv("KORVANE_RUNTIME_DIR", QFile::encodeName(QFileInfo(system).path()));
    QString error;
    if (CNoticeRelay::Run(name, STDIN_FILENO, STDOUT_FILENO, &error) != 0) {
        std::fprintf(stderr, "korvane-engine: %s\n", qPrintable(error));
        return 1;
    }
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication application(argc, argv);
    QCoreApplication::setApplicationName(u"korvane-engine"_s);
    QCoreApplication::setApplicationVersion(u"11.0"_s);

    QCommandLineParser parser;
    parser.setApplicationDescription(
        u"The engine services of this computer for the Korvane console: the volumes, their "
        "analysis and defragmentation (files are really moved on ext4 and btrfs, only ever "
        "into fewer pieces, their contents untouched; on other file systems, and with "
        "--simulate, passes are played out on the drive map only), the schedules, settings, "
        "event log and history."_s);
    parser.addHelpOption();
    parser.addVersionOption();
    const QCommandLineOption edition(
        u"edition"_s, u"The product edition code to report (default 1)."_s, u"code"_s, u"1"_s);
    const QCommandLineOption system(
        u"system"_s, u"Run as the system service: listen on /run/korvane/engine.bus."_s);
    const QCommandLineOption socket(u"socket"_s, u"Listen on this socket instead."_s, u"path"_s);
    const QCommandLineOption state(
        u"state"_s, u"Keep settings, schedules, log and history in this folder."_s, u"folder"_s);
    const QCommandLineOption volume(
        u"volume"_s,
        u"Serve this directory as a volume instead of the mounted file systems (repeatable)."_s,
        u"directory"_s);
    const QCommandLineOption simulate(
        u"simulate"_s, u"Play defragmentation passes out on the drive map only: move no data."_s);
    const QCommandLineOption analyse(
        u"analyse"_s,
        u"Analyse the volume holding this path (or the files under it), print a "
        "summary and exit."_s,
        u"path"_s);
    const QCommandLineOption defragment(
        u"defragment"_s,
        u"Defragment the volume holding this path (or the files under it), print a summary "
        "and exit."_s,
        u"path"_s);
    const QCommandLineOption method(
        u"method"_s, u"The method of --defragment: defrag (default), tierlayout or cfs."_s,
        u"method"_s, u"defrag"_s);
    const QCommandLineOption stdioBridge(
        u"stdio-bridge"_s,
        u"Carry a D-Bus connection between standard input and output and this machine's "
        "engine (for consoles of other machines, over SSH)."_s);
    const QCommandLineOption noticeRelay(
        u"notice-relay"_s,
        u"Create this mailslot and send what is written into it to standard output (for "
        "consoles of other machines, over SSH)."_s,
        u"name"_s);
    parser.addOptions({edition, system, socket, state, volume, simulate, analyse, defragment,
                       method, stdioBridge, noticeRelay});
    parser.process(application);
    if (parser.isSet(stdioBridge))
        return RunStdioBridge();
    if (parser.isSet(noticeRelay))
        return RunNoticeRelay(parser.value(noticeRelay));

    bool editionValid = false;
    CEngineDaemon::TOptions options;
    options.edition = parser.value(edition).toUInt(&editionValid);
    if (!editionValid || options.edition == 0 || options.edition > 99) {
        std::fprintf(stderr, "korvane-engine: --edition wants a product edition code, 1 to 99\n");
        return 2;
    }
    if (parser.isSet(analyse) || parser.isSet(defragment)) {
        CDefragCommand::TOptions command;
        command.analyseOnly = parser.isSet(analyse);
        command.path = parser.value(command.analyseOnly ? analyse : defragment);
        command.method = CDefragCommand::MethodNamed(parser.value(method));
        if (command.method < 0 || (parser.isSet(analyse) && parser.isSet(defragment))) {
            std::fprintf(stderr, "korvane-engine: --method wants defrag, tierlayout or cfs, and "
                                 "--analyse and --defragment go one at a time\n");
            return 2;
        }
        command.stateDirectory =
            parser.isSet(state) ? parser.value(state) : CEngineStateDirectory::Path();
        // Ctrl+C stops between two chunks of work, leaving every file whole.
        std::signal(SIGINT, OnInterrupt);
        std::signal(SIGTERM, OnInterrupt);
        return CDefragCommand::Run(command, g_stopRequested, stdout, stderr);
    }
    options.simulate = parser.isSet(simulate);
    const QStringList sockets = CDBusActivator::LocalSocketPaths();
    options.socketPath = parser.isSet(socket)   ? parser.value(socket)
                         : parser.isSet(system) ? sockets.value(1)
                                                : sockets.value(0);
    options.stateDirectory =
        parser.isSet(state) ? parser.value(state) : CEngineStateDirectory::Ensure();
    for (const QString& directory : parser.values(volume))
        options.volumes.append(QDir(directory).absolutePath());

    // A console that goes away mid-write must not end the daemon.
    std::signal(SIGPIPE, SIG_IGN);
    // SIGTERM and SIGINT end the event loop, so that passes stop and stores are left whole.
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, g_signalPipe) != 0)
        return 1;
    QSocketNotifier terminate(g_signalPipe[0], QSocketNotifier::Read);
    QObject::connect(&terminate, &QSocketNotifier::activated, &application,
                     &QCoreApplication::quit);
    std::signal(SIGTERM, OnTerminate);
    std::signal(SIGINT, OnTerminate);

    CEngineDaemon daemon(options);
    QString error;
    if (FAILED(daemon.Start(&error))) {
        std::fprintf(stderr, "korvane-engine: %s\n", qPrintable(error));
        return 1;
    }
    std::fprintf(stderr, "korvane-engine: serving %s\n", qPrintable(options.socketPath));
    return application.exec();
}
