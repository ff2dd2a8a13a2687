// How fast the console reaches an engine on another computer over SSH: the set-up of a new
// connection with a key (master connection, bridge, D-Bus authentication, the engine's object
// created), and engine calls per second over it, against an sshd on 127.0.0.1 that plays the
// other machine (as root; the test sshd of the tests).
#include "engine/ServiceContract.h"
#include "platform/com/CDBusActivator.h"
#include "tests/support/CEngineDaemonProcess.h"
#include "tests/support/CTestSshServer.h"

#include <QCoreApplication>
#include <QDBusMessage>
#include <QDir>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTextStream>

#include <algorithm>
#include <vector>

using namespace Qt::StringLiterals;

namespace {

constexpr int kSetUps = 10;
constexpr int kCalls = 3000;

QString Contract(std::string_view text)
{
    return QString::fromLatin1(text.data(), qsizetype(text.size()));
}

HRESULT CreateEngine(CDBusActivator& activator, CComObjectRef* engine)
{
    QStringList classIds;
    for (std::string_view id : ServiceContract::Engine.classIds) {
        if (!id.empty())
            classIds.append(Contract(id));
    }
    return activator.CreateInstance(classIds, Contract(ServiceContract::Engine.interfaceId),
                                    u"127.0.0.1"_s, {}, engine);
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication application(argc, argv);
    QTextStream out(stdout);
    if (const QString why = CTestSshServer::Unavailable(); !why.isEmpty()) {
        out << "bench_remote_engine: " << why << Qt::endl;
        return 1;
    }
    QTemporaryDir root(u"/tmp/kvsshbench-XXXXXX"_s);
    const QString remoteRun = root.filePath(u"remote-run"_s);
    QDir().mkpath(remoteRun);
    QDir().mkpath(root.filePath(u"volume"_s));
    qputenv("KORVANE_RUNTIME_DIR", QFile::encodeName(remoteRun));
    CEngineDaemonProcess remoteEngine;
    const bool engineUp =
        remoteEngine.Start(QStringLiteral(KORVANE_ENGINE_PROGRAM), root.filePath(u"volume"_s),
                           root.filePath(u"remote-state"_s));
    qputenv("KORVANE_RUNTIME_DIR", QFile::encodeName(root.filePath(u"console-run"_s)));
    CTestSshServer server(root.path());
    QString error;
    if (!engineUp ||
        !server.Start(QStringLiteral(KORVANE_ENGINE_PROGRAM), remoteRun, "unused", &error) ||
        !server.UseClient(server.EnginePort(), true)) {
        out << "bench_remote_engine: " << (engineUp ? error : u"the engine did not start"_s)
            << Qt::endl;
        return 1;
    }

    // Set-up: each time a new activator, so a new master connection and bridge.
    std::vector<double> setUps;
    for (int round = 0; round < kSetUps; ++round) {
        CDBusActivator activator;
        CComObjectRef engine;
        QElapsedTimer timer;
        timer.start();
        const HRESULT created = CreateEngine(activator, &engine);
        setUps.push_back(double(timer.nsecsElapsed()) / 1e6);
        if (FAILED(created)) {
            out << "bench_remote_engine: connecting failed, 0x" << Qt::hex << uint(created)
                << Qt::endl;
            return 1;
        }
    }
    std::sort(setUps.begin(), setUps.end());

    // Calls: GetVolumes, one after another, over one connection.
    CDBusActivator activator;
    CComObjectRef engine;
    if (FAILED(CreateEngine(activator, &engine)))
        return 1;
    const QDBusMessage call = QDBusMessage::createMethodCall(
        QString(), engine.Path(), u"com.tellmar.korvane.Engine"_s, u"GetVolumes"_s);
    for (int warm = 0; warm < 50; ++warm)
        engine.Connection().call(call, QDBus::Block, 30000);
    QElapsedTimer timer;
    timer.start();
    int failed = 0;
    for (int index = 0; index < kCalls; ++index) {
        if (engine.Connection().call(call, QDBus::Block, 30000).type() !=
            QDBusMessage::ReplyMessage)
            ++failed;
    }
    const double seconds = double(timer.nsecsElapsed()) / 1e9;

    out << "connection set-up with a key, " << kSetUps << " times (ms): median "
        << setUps[setUps.size() / 2] << ", lowest " << setUps.front() << ", highest "
        << setUps.back() << " (aim: <= 300)" << Qt::endl;
    out << "engine calls over SSH: " << int(kCalls / seconds) << " calls/s (" << kCalls
        << " calls, " << failed << " failed; aim: >= 2000)" << Qt::endl;
    return failed == 0 ? 0 : 1;
}
