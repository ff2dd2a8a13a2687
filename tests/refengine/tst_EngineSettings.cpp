#include "refengine/CAgentSettingsStore.h"
#include "refengine/CEngineService.h"
#include "refengine/CNoticeSink.h"
#include "refengine/CPassPolicy.h"
#include "refengine/CThreadPriority.h"
#include "refengine/CUPowerState.h"
#include "refengine/CUpdateCheck.h"
#include "refengine/CVolumeCatalog.h"
#include "refengine/CVolumePass.h"
#include "refengine/CVolumeSettingsStore.h"
#include "tests/refengine/CFakePowerState.h"
#include "tests/refengine/TestFiles.h"
#include "tests/support/CTestEnvironment.h"
#include "tests/support/CTestPeerServer.h"

#include "platform/power/CPowerSource.h"

#include <QDBusMessage>
#include <QDBusVariant>
#include <QDBusVirtualObject>
#include <QSemaphore>
#include <QTcpServer>
#include <QTcpSocket>
#include <QtTest>

#include <linux/capability.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <memory>
#include <thread>

using namespace Qt::StringLiterals;

namespace {

using TSettings = CAgentSettingsStore::TSettings;

// The engine's log as the passes' threads and the engine write it.
struct TEngineLog {
    struct TEntry {
        qint32 type = 0;
        qint32 id = 0;
        QString message;
    };

    CVolumePass::TLog Writer()
    {
        return [this](qint32 type, qint32 id, const QString& message) {
            if (onEntry)
                onEntry(id);
            QMutexLocker locker(&mutex);
            entries.append({type, id, message});
        };
    }
    QList<TEntry> Of(qint32 id)
    {
        QMutexLocker locker(&mutex);
        QList<TEntry> found;
        for (const TEntry& entry : std::as_const(entries)) {
            if (entry.id == id)
                found.append(entry);
        }
        return found;
    }

    QMutex mutex;
    QList<TEntry> entries;
    // Called on the writing thread before the entry is kept.
    std::function<void(qint32 id)> onEntry;
};

// UPower's OnBattery as a peer serves it: Get answers the value the test sets.
class CUPowerStub : public QDBusVirtualObject {
public:
    explicit CUPowerStub(std::atomic<bool>* onBattery, QObject* parent)
        : QDBusVirtualObject(parent)
        , m_onBattery(onBattery)
    {}
    QString introspect(const QString&) const override { return {}; }
    bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override
    {
        if (message.member() != u"Get"_s)
            return false;
        connection.send(
            message.createReply(QVariant::fromValue(QDBusVariant(m_onBattery->load()))));
        return true;
    }

private:
    std::atomic<bool>* m_onBattery;
};

// Drops the calling thread's privilege to raise priorities; threads it starts inherit that.
bool DropNicePrivilege()
{
    __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct data[2]{};
    if (::syscall(SYS_capget, &header, data) != 0)
        return false;
    const unsigned bit = 1u << CAP_SYS_NICE;
    data[0].effective &= ~bit;
    data[0].permitted &= ~bit;
    data[0].inheritable &= ~bit;
    return ::syscall(SYS_capset, &header, data) == 0;
}

} // namespace

// The product settings as the engine honours them: which drives its passes may work on, battery
// power, the priorities of a pass's threads, and the update check.
class TestEngineSettings : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void drivesTheSettingsKeepAreRefused_data();
    void drivesTheSettingsKeepAreRefused();
    void batteryKeepsPassesFromStartingAndStopsThem();
    void upowerIsFollowedThroughItsSignal();
    void passesRunAtTheSettingsPriorities_data();
    void passesRunAtTheSettingsPriorities();
    void priorityThatCannotBeHadIsLoggedOnce();
    void updateCheckReadsTheManifest();

private:
    // The test's folder served as a volume, taken for a drive of the type given.
    TVolumeDescription Volume(quint32 driveType) const
    {
        TVolumeDescription volume;
        if (FAILED(CVolumeCatalog().Describe(m_environment->Root() + u"/volume"_s, &volume)))
            qFatal("The test's folder cannot be served as a volume");
        volume.driveType = driveType;
        return volume;
    }
    // Whether no pass runs on the volume.
    static bool Idle(CEngineService& engine, const QString& volume)
    {
        uint status = 99;
        double percent = 0, end = 0;
        QString text;
        return engine.GetStatus(volume, status, percent, end, text) == S_OK &&
               status == CVolumePass::kIdle;
    }
    // An engine serving VOLUME under SETTINGS (read at each start) and POWER.
    std::unique_ptr<CEngineService> Engine(const TVolumeDescription& volume, TSettings* settings,
                                           IPowerState* power)
    {
        CEngineService::TOptions options;
        options.volumes = [volume] { return QList<TVolumeDescription>{volume}; };
        options.settings = [settings] { return *settings; };
        options.power = power;
        options.log = m_log.Writer();
        options.history = [](const CVolumePass::THistoryPoint&) {};
        return std::make_unique<CEngineService>(m_store.get(), options);
    }

    std::unique_ptr<CTestEnvironment> m_environment;
    std::unique_ptr<CVolumeSettingsStore> m_store;
    TEngineLog m_log;
    QString m_file;
};

void TestEngineSettings::init()
{
    m_environment = std::make_unique<CTestEnvironment>();
    m_store = std::make_unique<CVolumeSettingsStore>(m_environment->Root() + u"/volumes.json"_s);
    m_file = m_environment->Root() + u"/volume/data/file.bin"_s;
    QVERIFY(WriteTestFile(m_file, QByteArray(64 * 1024, 'k'), true));
    m_log.entries.clear();
    m_log.onEntry = {};
}

void TestEngineSettings::cleanup()
{
    m_store.reset();
    m_environment.reset();
}

void TestEngineSettings::drivesTheSettingsKeepAreRefused_data()
{
    QTest::addColumn<quint32>("driveType");
    QTest::addColumn<int>("overrideType");
    QTest::addColumn<QString>("kept");

    QTest::newRow("external") << quint32(TVolumeDescription::kExternal) << -1
                              << u"USB and Firewire"_s;
    QTest::newRow("flash") << quint32(TVolumeDescription::kFlash) << -1 << u"flash"_s;
    QTest::newRow("ssd") << quint32(TVolumeDescription::kSsd) << -1 << u"SSD"_s;
    // The type set for a drive is the one that counts.
    QTest::newRow("hard disk set as ssd")
        << quint32(TVolumeDescription::kHardDisk) << 4 << u"SSD"_s;
    QTest::newRow("ssd set as hard disk") << quint32(TVolumeDescription::kSsd) << 1 << QString();
}

void TestEngineSettings::drivesTheSettingsKeepAreRefused()
{
    QFETCH(quint32, driveType);
    QFETCH(int, overrideType);
    QFETCH(QString, kept);
    const TVolumeDescription volume = Volume(driveType);
    TSettings settings;
    settings.allowExternalDrives = false;
    settings.allowFlashDrives = false;
    settings.allowSsdDrives = false;
    const auto engine = Engine(volume, &settings, nullptr);
    QCOMPARE(engine->SetOverrideDriveType(volume.id, overrideType), S_OK);
    const auto waitIdle = [&] { QTRY_VERIFY(Idle(*engine, volume.id)); };

    if (kept.isEmpty()) {
        QCOMPARE(engine->StartPass(volume.id, 1, 1), S_OK);
        QVERIFY(m_log.Of(CEngineService::kEventRefused).isEmpty());
        QCOMPARE(engine->Stop(volume.id), S_OK);
        waitIdle();
        return;
    }
    // Every kind of defragmentation is refused before it starts, and the log says why.
    QCOMPARE(engine->StartPass(volume.id, 1, 1), CEngineService::kDriveNotAllowed);
    QCOMPARE(engine->StartPassEx(volume.id, 1, 0), CEngineService::kDriveNotAllowed);
    QCOMPARE(engine->DefragmentFiles(volume.id, {m_file}), CEngineService::kDriveNotAllowed);
    QCOMPARE(engine->StartScheduled(volume.id, false, -1, {}), CEngineService::kDriveNotAllowed);
    QVERIFY(Idle(*engine, volume.id));
    const auto refusals = m_log.Of(CEngineService::kEventRefused);
    QCOMPARE(refusals.size(), 4);
    QVERIFY2(refusals.first().message.contains(kept) &&
                 refusals.first().message.contains(volume.mountPoint),
             qPrintable(refusals.first().message));
    QString why;
    QCOMPARE(engine->GetLastErrorText(why), S_OK);
    QVERIFY2(why.contains(kept) && why.endsWith(u"(0x80070032)"_s), qPrintable(why));

    // Analyses only read: they run on any drive.
    QCOMPARE(engine->Analyze(volume.id), S_OK);
    waitIdle();
    QCOMPARE(engine->StartScheduled(volume.id, true, -1, {}), S_OK);
    waitIdle();

    // Allowed again, the next start reads the settings anew.
    settings.allowExternalDrives = settings.allowFlashDrives = settings.allowSsdDrives = true;
    QCOMPARE(engine->DefragmentFiles(volume.id, {m_file}), S_OK);
    waitIdle();
    QCOMPARE(m_log.Of(CEngineService::kEventRefused).size(), 4);
}

void TestEngineSettings::batteryKeepsPassesFromStartingAndStopsThem()
{
    const TVolumeDescription volume = Volume(TVolumeDescription::kHardDisk);
    TSettings settings;
    settings.noStartOnBattery = true;
    settings.stopOnBattery = true;
    CFakePowerState power;
    const auto engine = Engine(volume, &settings, &power);
    uint status = 0;
    double percent = 0, end = 0;
    QString text;
    const auto statusNow = [&] {
        status = 99;
        return engine->GetStatus(volume.id, status, percent, end, text) == S_OK ? status : 99u;
    };
    // A pass of selected files waits at each file while paused: held at its start, it is paused
    // before it has done anything, and stays so until it is resumed or stopped.
    QSemaphore started;
    QSemaphore release;
    const auto holdAtStart = [&](qint32 id) {
        if (id == 100) {
            started.release();
            release.acquire();
        }
    };
    const auto startPaused = [&] {
        QCOMPARE(engine->DefragmentFiles(volume.id, {m_file}), S_OK);
        QVERIFY(started.tryAcquire(1, 10000));
        QCOMPARE(engine->Pause(volume.id), S_OK);
        release.release();
        QCOMPARE(statusNow(), CVolumePass::kPaused);
    };

    power.Set(true);
    QCOMPARE(m_log.Of(CEngineService::kEventPowerChanged).size(), 1);
    QCOMPARE(engine->StartPass(volume.id, 1, 1), CEngineService::kOnBattery);
    QCOMPARE(engine->DefragmentFiles(volume.id, {m_file}), CEngineService::kOnBattery);
    QCOMPARE(engine->StartScheduled(volume.id, false, 2, {}), CEngineService::kOnBattery);
    QString why;
    QCOMPARE(engine->GetLastErrorText(why), S_OK);
    QVERIFY2(why.contains(u"battery"_s), qPrintable(why));
    QCOMPARE(m_log.Of(CEngineService::kEventRefused).size(), 3);
    // An analysis starts on battery all the same.
    QCOMPARE(engine->Analyze(volume.id), S_OK);
    QTRY_VERIFY(Idle(*engine, volume.id));

    // Back on mains power a pass starts; going on battery stops it, and the log says so.
    m_log.onEntry = holdAtStart;
    power.Set(false);
    startPaused();
    power.Set(true);
    QTRY_COMPARE(statusNow(), CVolumePass::kIdle);
    QCOMPARE(m_log.Of(CEngineService::kEventStoppedOnBattery).size(), 1);
    QVERIFY(m_log.Of(CEngineService::kEventStoppedOnBattery)
                .first()
                .message.contains(volume.mountPoint));
    QCOMPARE(m_log.Of(CEngineService::kEventPowerChanged).size(), 3);

    // Without "stop on battery", and with "do not start" off, passes start and go on.
    settings.stopOnBattery = false;
    settings.noStartOnBattery = false;
    power.Set(false);
    startPaused();
    power.Set(true);
    QCOMPARE(statusNow(), CVolumePass::kPaused);
    QCOMPARE(m_log.Of(CEngineService::kEventStoppedOnBattery).size(), 1);
    QCOMPARE(engine->Stop(volume.id), S_OK);
    QTRY_COMPARE(statusNow(), CVolumePass::kIdle);
}

void TestEngineSettings::upowerIsFollowedThroughItsSignal()
{
    std::atomic<bool> onBattery{true};
    QDBusConnection served(u"none"_s);
    QMutex servedMutex;
    const QString socket = m_environment->Root() + u"/upower.bus"_s;
    CTestPeerServer server(socket, [&](QDBusConnection& connection, QObject* owner) {
        connection.registerVirtualObject(u"/org/freedesktop/UPower"_s,
                                         new CUPowerStub(&onBattery, owner));
        QMutexLocker locker(&servedMutex);
        served = connection;
    });
    QVERIFY(server.Listen());
    const QString name = u"upower-test"_s;
    {
        CUPowerState power(QDBusConnection::connectToPeer(u"unix:path="_s + socket, name),
                           QString());
        QVERIFY(power.Following());
        QVERIFY(power.OnBattery());
        QSignalSpy changes(&power, &IPowerState::OnBatteryChanged);
        const auto announce = [&](const QString& interfaceName, const QVariantMap& changed,
                                  const QStringList& invalidated) {
            QDBusMessage signal = QDBusMessage::createSignal(u"/org/freedesktop/UPower"_s,
                                                             u"org.freedesktop.DBus.Properties"_s,
                                                             u"PropertiesChanged"_s);
            signal << interfaceName << changed << invalidated;
            QMutexLocker locker(&servedMutex);
            QVERIFY(served.send(signal));
        };
        // Another interface's properties, and UPower's other ones, change nothing.
        announce(u"org.freedesktop.UPower.Device"_s, {{u"OnBattery"_s, false}}, {});
        announce(u"org.freedesktop.UPower"_s, {{u"LidIsClosed"_s, true}}, {});
        announce(u"org.freedesktop.UPower"_s, {{u"OnBattery"_s, false}}, {});
        QVERIFY(changes.wait(10000));
        QCOMPARE(changes.size(), 1);
        QCOMPARE(changes.first().first().toBool(), false);
        QVERIFY(!power.OnBattery());
        // A property said to have changed without its value is read again.
        onBattery = true;
        announce(u"org.freedesktop.UPower"_s, {}, {u"OnBattery"_s});
        QVERIFY(changes.wait(10000));
        QCOMPARE(changes.size(), 2);
        QVERIFY(power.OnBattery());
    }
    QDBusConnection::disconnectFromPeer(name);
    server.Shutdown();

    // No bus at all is mains power, for good.
    const CUPowerState nowhere(QDBusConnection(u"nowhere"_s), QString());
    QVERIFY(!nowhere.OnBattery() && !nowhere.Following());

    // The system's own UPower, where there is a system bus to reach it on.
    if (!QDBusConnection::systemBus().isConnected())
        QSKIP("no system bus here to reach UPower on");
    const CUPowerState system;
    QVERIFY(system.Following());
    QCOMPARE(system.OnBattery(), CPowerSource().OnBattery());
}

void TestEngineSettings::passesRunAtTheSettingsPriorities_data()
{
    QTest::addColumn<uint>("cpuPriority");
    QTest::addColumn<bool>("ioThrottling");
    QTest::addColumn<int>("nice");
    QTest::addColumn<int>("ioClass");
    QTest::addColumn<int>("ioLevel");

    QTest::newRow("below normal, throttled")
        << 0u << true << 10 << CThreadPriority::kIoClassIdle << 0;
    QTest::newRow("below normal") << 0u << false << 10 << CThreadPriority::kIoClassBestEffort << 6;
    QTest::newRow("normal, throttled") << 1u << true << 0 << CThreadPriority::kIoClassIdle << 0;
    QTest::newRow("normal") << 1u << false << 0 << CThreadPriority::kIoClassBestEffort << 4;
    QTest::newRow("above normal") << 2u << false << -5 << CThreadPriority::kIoClassBestEffort << 2;
}

void TestEngineSettings::passesRunAtTheSettingsPriorities()
{
    QFETCH(uint, cpuPriority);
    QFETCH(bool, ioThrottling);
    QFETCH(int, nice);
    QFETCH(int, ioClass);
    QFETCH(int, ioLevel);
    const TVolumeDescription volume = Volume(TVolumeDescription::kHardDisk);
    TSettings settings;
    settings.cpuPriority = cpuPriority;
    settings.ioThrottling = ioThrottling;
    const auto engine = Engine(volume, &settings, nullptr);
    // Read on the pass's own thread as it starts its work.
    QMutex mutex;
    CThreadPriority::TPriority seen{99, 99, 99};
    pid_t passThread = 0;
    m_log.onEntry = [&](qint32 id) {
        if (id != 100)
            return;
        QMutexLocker locker(&mutex);
        passThread = CThreadPriority::CurrentThreadId();
        seen = CThreadPriority::Of();
    };
    const CThreadPriority::TPriority mine = CThreadPriority::Of();
    QCOMPARE(engine->Analyze(volume.id), S_OK);
    QTRY_VERIFY(Idle(*engine, volume.id));

    QMutexLocker locker(&mutex);
    QVERIFY(passThread != 0 && passThread != CThreadPriority::CurrentThreadId());
    const bool refused = !m_log.Of(CEngineService::kEventPriorityKept).isEmpty();
    if (nice < mine.nice && refused) {
        // Without the privilege a pass keeps the priority of the thread that started it.
        QCOMPARE(seen.nice, mine.nice);
    } else {
        QVERIFY(!refused);
        QCOMPARE(seen.nice, nice);
        QCOMPARE(seen.ioClass, ioClass);
        QCOMPARE(seen.ioLevel, ioLevel);
    }
    // The thread that started the pass keeps its own.
    QCOMPARE(CThreadPriority::Of(), mine);
}

void TestEngineSettings::priorityThatCannotBeHadIsLoggedOnce()
{
    // Passes started from a thread without the privilege to raise priorities, as an engine
    // without it starts them: they keep the normal priority, and that is logged once for all.
    const TVolumeDescription volume = Volume(TVolumeDescription::kHardDisk);
    CNoticeSink sink;
    std::atomic<bool> logged{false};
    QList<int> niceSeen;
    QMutex mutex;
    m_log.onEntry = [&](qint32 id) {
        if (id == 100) {
            QMutexLocker locker(&mutex);
            niceSeen.append(CThreadPriority::Of().nice);
        }
    };
    bool dropped = false;
    int startedAt = 0;
    std::thread starter([&] {
        dropped = DropNicePrivilege();
        startedAt = CThreadPriority::Of().nice;
        for (int i = 0; i < 2; ++i) {
            CVolumePass::TRequest request;
            request.kind = CVolumePass::TKind::Analysis;
            request.priority = CThreadPriority::TPriority{startedAt - 5, 2, 4};
            request.priorityRefusalLogged = &logged;
            CVolumePass pass(volume, request, &sink, m_store.get(), m_log.Writer(),
                             [](const CVolumePass::THistoryPoint&) {});
            pass.Start();
            // The destructor waits for the pass's thread.
        }
    });
    starter.join();
    QVERIFY(dropped);
    QCOMPARE(niceSeen, (QList<int>{startedAt, startedAt}));
    const auto kept = m_log.Of(CEngineService::kEventPriorityKept);
    QCOMPARE(kept.size(), 1);
    QVERIFY2(kept.first().message.contains(u"keep nice %1"_s.arg(startedAt)),
             qPrintable(kept.first().message));
}

void TestEngineSettings::updateCheckReadsTheManifest()
{
    // Where the manifest is looked for.
    QCOMPARE(CUpdateCheck::ManifestUrl(QString(), QString()).toString(),
             CUpdateCheck::kDefaultServer + CUpdateCheck::kDefaultUrlPath);
    QCOMPARE(CUpdateCheck::ManifestUrl(u"mirror.example"_s, u"kv/manifest.json"_s).toString(),
             u"https://mirror.example/kv/manifest.json"_s);
    QCOMPARE(CUpdateCheck::ManifestUrl(u"http://10.0.0.2:8080/base/"_s, u"/m.json"_s).toString(),
             u"http://10.0.0.2:8080/base/m.json"_s);
    for (const QString& bad : {u"ftp://mirror.example"_s, u"https://"_s, u"http://a b"_s,
                               u"https://user:pw@mirror.example"_s})
        QVERIFY2(!CUpdateCheck::ManifestUrl(bad, QString()).isValid(), qPrintable(bad));
    QVERIFY(CUpdateCheck::CompareVersions(u"11.0.1"_s, u"11.0"_s) > 0);
    QCOMPARE(CUpdateCheck::CompareVersions(u"11.0.0"_s, u"11.0"_s), 0);
    QVERIFY(CUpdateCheck::CompareVersions(u"9.9"_s, u"11.0"_s) < 0);

    // A local server answers each request with the next scripted reply.
    QTcpServer http;
    QVERIFY(http.listen(QHostAddress::LocalHost));
    QList<QByteArray> replies;
    QStringList requested;
    connect(&http, &QTcpServer::newConnection, &http, [&] {
        QTcpSocket* socket = http.nextPendingConnection();
        connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QTcpSocket::readyRead, socket, [&, socket] {
            if (!socket->canReadLine() || socket->property("answered").toBool())
                return;
            socket->setProperty("answered", true);
            requested.append(QString::fromLatin1(socket->readLine()).trimmed());
            socket->write(replies.isEmpty() ? QByteArray() : replies.takeFirst());
            socket->disconnectFromHost();
        });
    });
    const auto reply = [](const QByteArray& status, const QByteArray& body) {
        return "HTTP/1.1 " + status + "\r\nContent-Type: application/json\r\nContent-Length: " +
               QByteArray::number(body.size()) + "\r\nConnection: close\r\n\r\n" + body;
    };

    TSettings settings;
    settings.updateServer = u"http://127.0.0.1:%1"_s.arg(http.serverPort());
    settings.updateUrlPath = u"/kv/manifest.json"_s;
    CUpdateCheck check([&settings] { return settings; }, u"11.0"_s, m_log.Writer());
    QSignalSpy checked(&check, &CUpdateCheck::Checked);
    const auto run = [&](const QByteArray& answer) {
        replies.append(answer);
        QCOMPARE(check.Check(), S_OK);
        QCOMPARE(check.Check(), S_FALSE);
        QVERIFY(checked.wait(10000));
    };
    const auto last = [&] { return checked.takeLast(); };

    run(reply("200 OK", R"({"version": "11.2.1", "notes": "faster"})"));
    QCOMPARE(requested.last(), u"GET /kv/manifest.json HTTP/1.1"_s);
    QList<QVariant> outcome = last();
    QCOMPARE(outcome.at(0).value<CUpdateCheck::TOutcome>(), CUpdateCheck::TOutcome::Available);
    QCOMPARE(outcome.at(1).toString(), u"11.2.1"_s);
    QVERIFY2(m_log.Of(CUpdateCheck::kEventAvailable).last().message.contains(u"package manager"_s),
             qPrintable(m_log.Of(CUpdateCheck::kEventAvailable).last().message));

    run(reply("200 OK", R"({"version": "11.0"})"));
    QCOMPARE(last().at(0).value<CUpdateCheck::TOutcome>(), CUpdateCheck::TOutcome::UpToDate);
    QCOMPARE(m_log.Of(CUpdateCheck::kEventUpToDate).size(), 1);

    // Anything but a manifest, and a server that has none, are failures that are logged.
    for (const QByteArray& answer :
         {reply("200 OK", R"({"version": "eleven"})"), reply("200 OK", "<html></html>"),
          reply("200 OK", QByteArray(CUpdateCheck::kMostManifestBytes + 10, ' ')),
          reply("404 Not Found", "{}")}) {
        run(answer);
        QCOMPARE(last().at(0).value<CUpdateCheck::TOutcome>(), CUpdateCheck::TOutcome::Failed);
    }
    QCOMPARE(m_log.Of(CUpdateCheck::kEventFailed).size(), 4);

    // A server that makes no address is not asked.
    settings.updateServer = u"ftp://mirror.example"_s;
    QCOMPARE(check.Check(), E_INVALIDARG);
    QCOMPARE(m_log.Of(CUpdateCheck::kEventFailed).size(), 5);
    QCOMPARE(requested.size(), 6);
    QVERIFY(check.Enabled());
    settings.autoUpdateInstall = 2;
    QVERIFY(!check.Enabled());
}

QTEST_GUILESS_MAIN(TestEngineSettings)
#include "tst_EngineSettings.moc"
