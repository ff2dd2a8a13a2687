// How fast the console reaches an engine on another computer over SSH: the set-up of a new
// connection with a key (master connection, bridge, D-Bus authentication, the engine's object
// created), engine calls per second over it, and a burst of notices written into the relay's
// mailslot there until the engine wrapper's receiver on the GUI thread has them all, against an
// sshd on 127.0.0.1 that plays the other machine (as root; the test sshd of the tests).
#include "engine/CKV100EngineInterface.h"
#include "engine/NoticeTypes.h"
#include "notify/CMailSlotTransport.h"
#include "notify/CNoticeWriter.h"
#include "platform/com/CDBusActivator.h"
#include "platform/com/CSshSession.h"
#include "tests/support/CEngineDaemonProcess.h"
#include "tests/support/CTestSshServer.h"

#include <QCoreApplication>
#include <QDBusMessage>
#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>
#include <QTextStream>
#include <QTimer>

#include <algorithm>
#include <vector>

using namespace Qt::StringLiterals;

namespace {

constexpr int kSetUps = 10;
constexpr int kCalls = 3000;
constexpr quint32 kNotices = 100000;

HRESULT CreateEngine(CDBusActivator& activator, CComObjectRef* engine)
{
    return CTestSshServer::CreateEngine(activator, {}, {}, engine);
}

QByteArray Bitmap(quint32 number)
{
    return CNoticeWriter()
        .U32(NoticeType::EngineBitmap)
        .String(QStringLiteral("{0c6f3e8a-1d2b-4c5d-8e9f-a0b1c2d3e4f5}"))
        .U8(13)
        .U32(number)
        .U32(1)
        .Body();
}

// METHOD (without arguments) on the engine object at PATH, one call after another; the calls
// that failed are added to *failed.
double CallsPerSecond(const QDBusConnection& connection, const QString& path, const QString& method,
                      int* failed)
{
    const QDBusMessage call =
        QDBusMessage::createMethodCall(QString(), path, u"com.tellmar.korvane.Engine"_s, method);
    for (int warm = 0; warm < 50; ++warm)
        connection.call(call, QDBus::Block, 30000);
    QElapsedTimer timer;
    timer.start();
    for (int index = 0; index < kCalls; ++index) {
        if (connection.call(call, QDBus::Block, 30000).type() != QDBusMessage::ReplyMessage)
            ++*failed;
    }
    return kCalls / (double(timer.nsecsElapsed()) / 1e9);
}

// "--burst NAME": run on the other machine's side (its runtime folder), writes the numbered
// notices into the mailslot NAME as fast as the engine's transport takes them.
int WriteBurst(const QString& name)
{
    CMailSlotTransport transport;
    if (transport.Open(QString(), name) != ERROR_SUCCESS)
        return 1;
    for (quint32 number = 0; number < kNotices; ++number) {
        if (transport.Write(Bitmap(number)) != ERROR_SUCCESS)
            return 1;
    }
    return 0;
}

// Counts, on the GUI thread, the notices that reach it, by their numbers.
class CReceiver : public QObject {
public:
    void OnBitmap(const TId&, unsigned int, unsigned int number, unsigned int)
    {
        ++m_received;
        if (number >= m_seen.size() || m_seen[number]++ > 0)
            ++m_wrong;
    }
    quint32 Received() const { return m_received; }
    quint32 Wrong() const { return m_wrong; }

private:
    std::vector<quint8> m_seen = std::vector<quint8>(kNotices, 0);
    quint32 m_received = 0;
    quint32 m_wrong = 0; // repeated or unknown
};

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication application(argc, argv);
    QTextStream out(stdout);
    if (const qsizetype burst = application.arguments().indexOf(u"--burst"_s); burst > 0)
        return WriteBurst(application.arguments().value(burst + 1));
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
    // What ssh alone takes here for a login and one command: the floor of any set-up.
    std::vector<double> plain;
    for (int round = 0; round < kSetUps; ++round) {
        QProcess ssh;
        QElapsedTimer timer;
        timer.start();
        ssh.start(u"ssh"_s, {u"-xT"_s, u"-oBatchMode=yes"_s, u"127.0.0.1"_s, u"true"_s});
        if (!ssh.waitForFinished(30000) || ssh.exitCode() != 0) {
            out << "bench_remote_engine: plain ssh failed" << Qt::endl;
            return 1;
        }
        plain.push_back(double(timer.nsecsElapsed()) / 1e6);
    }
    std::sort(plain.begin(), plain.end());

    // Calls: GetVolumes, one after another, over one connection; for comparison also straight to
    // the engine's socket, and through the bridge without SSH.
    CDBusActivator activator;
    CComObjectRef engine;
    if (FAILED(CreateEngine(activator, &engine)))
        return 1;
    // GetVersion costs the engine next to nothing, so it measures the way there and back;
    // GetVolumes looks at the volumes again every time.
    int failed = 0;
    const QString program = QStringLiteral(KORVANE_ENGINE_PROGRAM);
    const QString bridged = u"unixexec:path=/usr/bin/env,argv0=env,argv1="_s +
                            CSshSession::EscapeAddressValue(u"KORVANE_RUNTIME_DIR="_s + remoteRun) +
                            u",argv2="_s + CSshSession::EscapeAddressValue(program) +
                            u",argv3=--stdio-bridge"_s;
    const QString direct = u"unix:path="_s + remoteRun + u"/engine.bus"_s;
    const QStringList ways = {u"over SSH"_s, u"through the bridge without SSH"_s,
                              u"straight to the engine's socket"_s};
    QStringList figures;
    for (int way = 0; way < ways.size(); ++way) {
        const QString name = u"bench-%1"_s.arg(way);
        const QDBusConnection connection =
            way == 0 ? engine.Connection()
                     : QDBusConnection::connectToPeer(way == 1 ? bridged : direct, name);
        QString figure = ways.at(way) + u':';
        for (const QString& method : {u"GetVersion"_s, u"GetVolumes"_s})
            figure += u" %1 %2/s"_s.arg(method).arg(
                int(CallsPerSecond(connection, engine.Path(), method, &failed)));
        figures.append(figure);
        if (way > 0)
            QDBusConnection::disconnectFromPeer(name);
    }

    // Notices: the engine wrapper connects over SSH, as the console's does, and a writer on the
    // other machine's side fills the relay's mailslot there.
    IComActivator::SetInstance(&activator);
    CKV100EngineInterface wrapper;
    CReceiver receiver;
    QObject::connect(&wrapper, &CKV100EngineInterface::BitmapUpdated, &receiver,
                     &CReceiver::OnBitmap, Qt::QueuedConnection);
    // Through the open SSH connection: the object, the listener and its relay.
    QElapsedTimer connecting;
    connecting.start();
    if (FAILED(wrapper.Connect(L"127.0.0.1", {}, {}, {})))
        return 1;
    const double wrapperMs = double(connecting.nsecsElapsed()) / 1e6;
    QProcess writer;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(u"KORVANE_RUNTIME_DIR"_s, remoteRun);
    writer.setProcessEnvironment(environment);
    writer.setProcessChannelMode(QProcess::ForwardedChannels);
    QElapsedTimer burst;
    burst.start();
    writer.start(QCoreApplication::applicationFilePath(), {u"--burst"_s, wrapper.ListenerName()});
    QTimer tick; // wakes the wait now and then, so that silence is noticed
    tick.start(20);
    QElapsedTimer quiet;
    quiet.start();
    quint32 last = 0;
    while (receiver.Received() < kNotices && quiet.elapsed() < 5000) {
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        if (receiver.Received() != last) {
            last = receiver.Received();
            quiet.restart();
        }
    }
    const double burstSeconds = double(burst.nsecsElapsed()) / 1e9;
    writer.waitForFinished(10000);
    wrapper.Disconnect();
    IComActivator::SetInstance(nullptr);

    out << "connection set-up with a key, " << kSetUps << " times (ms): median "
        << setUps[setUps.size() / 2] << ", lowest " << setUps.front() << ", highest "
        << setUps.back() << " (aim: <= 300); plain ssh login and one command: median "
        << plain[plain.size() / 2] << Qt::endl;
    out << "engine calls, " << kCalls << " each (" << failed
        << " failed; aim: >= 2000/s over SSH): " << figures.join(u"; "_s) << Qt::endl;
    out << "the engine wrapper connecting over the open SSH connection, its relay included: "
        << wrapperMs << " ms" << Qt::endl;
    out << "notices from the other machine: " << receiver.Received() << " of " << kNotices << " in "
        << burstSeconds << " s, " << int(receiver.Received() / burstSeconds) << " notices/s, "
        << (kNotices - receiver.Received()) << " lost, " << receiver.Wrong()
        << " repeated (aim: 0 lost, >= 50000/s)" << Qt::endl;
    return failed == 0 && receiver.Received() == kNotices && receiver.Wrong() == 0 ? 0 : 1;
}
