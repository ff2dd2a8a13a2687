#include "core/COleDate.h"
#include "engine/CDefragStatisticsData.h"
#include "engine/CKV100AgentInterface.h"
#include "engine/CKV100EngineInterface.h"
#include "engine/CStatisticsBlock.h"
#include "platform/com/CDBusActivator.h"
#include "tests/refengine/TestFiles.h"
#include "tests/support/CSignalLog.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <utime.h>

#include <functional>
#include <map>

using namespace Qt::StringLiterals;

namespace {

bool MakeTree(const QString& root, int directories, int filesEach)
{
    // A quarter of the files untouched for a year: rarely modified.
    const time_t yearAgo = time(nullptr) - 365 * 24 * 3600;
    for (int d = 0; d < directories; ++d) {
        const QString directory = u"%1/d%2"_s.arg(root).arg(d);
        if (!QDir().mkpath(directory))
            return false;
        for (int f = 0; f < filesEach; ++f) {
            QFile file(u"%1/f%2.txt"_s.arg(directory).arg(f));
            if (!file.open(QIODevice::WriteOnly) || file.write(QByteArray(300 + f, 'k')) < 0)
                return false;
            file.close();
            if (f % 4 == 0) {
                const struct utimbuf times {
                    yearAgo, yearAgo
                };
                ::utime(QFile::encodeName(file.fileName()).constData(), &times);
            }
        }
    }
    return true;
}

// Every drive setting of a volume as text, by name; "failed" where it cannot be read.
QMap<QString, QString> DriveSettings(CKV100EngineInterface& engine, const TId& volume)
{
    // The text is made only once the call has answered.
    const auto text = [](HRESULT hr, const std::function<QString()>& value) {
        return SUCCEEDED(hr) ? value() : u"failed"_s;
    };
    uint threshold = 0, rare = 0, recent = 0, size = 0, kinds = 0;
    int method = -1, overrideType = 0;
    bool optiwise = false, aggressive = false, ignore = false, every = false;
    QList<uint> order;
    QList<qulonglong> gaps;
    TStringList excluded;
    QMap<QString, QString> settings;
    settings[u"threshold"_s] = text(engine.GetFragmentationThreshold(volume, &threshold),
                                    [&] { return QString::number(threshold); });
    settings[u"method"_s] =
        text(engine.GetDefaultAlgorithm(volume, &method), [&] { return QString::number(method); });
    settings[u"optiwise"_s] =
        text(engine.GetOptiwise(volume, &optiwise), [&] { return QString::number(optiwise); });
    settings[u"TierLayout"_s] = text(
        engine.GetTierLayout(volume, &order, &gaps, &rare, &recent, &aggressive, &ignore, &size),
        [&] {
            QStringList texts;
            for (uint zone : order)
                texts << QString::number(zone);
            for (qulonglong gap : gaps)
                texts << QString::number(gap);
            for (uint value : {rare, recent, uint(aggressive), uint(ignore), size})
                texts << QString::number(value);
            return texts.join(u' ');
        });
    settings[u"boot time"_s] = text(engine.GetBootTimeSettings(volume, &kinds, &every),
                                    [&] { return u"%1 %2"_s.arg(kinds).arg(every); });
    settings[u"excluded"_s] = text(engine.GetExcludedFiles(volume, &excluded), [&] {
        QStringList paths;
        for (const TString& path : excluded)
            paths << QString::fromStdWString(path);
        return paths.join(u", "_s);
    });
    settings[u"override"_s] = text(engine.GetOverrideDriveType(volume, &overrideType),
                                   [&] { return QString::number(overrideType); });
    return settings;
}

// A drive setting written, then a value of it the engine refuses; what it reads afterwards.
// root stands for the volume's mount point.
struct TSettingCase {
    std::function<HRESULT(CKV100EngineInterface&, const TId&, const QString&root)> write, refuse;
    QString expected; // %1 the mount point
};

const std::map<QString, TSettingCase>& SettingCases()
{
    using E = CKV100EngineInterface;
    using T = const TId&;
    const auto paths = [](const QStringList& list) {
        TStringList out;
        for (const QString& path : list)
            out.push_back(path.toStdWString());
        return out;
    };
    uint type = 0;
    static const std::map<QString, TSettingCase> cases = {
        {u"threshold"_s,
         {[](E& e, T v, auto) { return e.SetFragmentationThreshold(v, 15); },
          [](E& e, T v, auto) { return e.SetFragmentationThreshold(v, 101); }, u"15"_s}},
        {u"method"_s,
         {[](E& e, T v, auto) { return e.SetDefaultAlgorithm(v, 2); },
          [](E& e, T v, auto) { return e.SetDefaultAlgorithm(v, 3); }, u"2"_s}},
        {u"optiwise"_s,
         {[](E& e, T v, auto) { return e.SetOptiwise(v, true); },
          [](E& e, T, auto) { return e.SetOptiwise(L"{unknown}", false); }, u"1"_s}},
        // The last preset of the properties page; then ages that are equal.
        {u"TierLayout"_s,
         {[](E& e, T v, auto) {
              return e.SetTierLayout(v, {2, 3, 1, 4, 0}, {0, 0, 8192, 1048576}, 90, 24, false, true,
                                     10);
          },
          [](E& e, T v, auto) {
              return e.SetTierLayout(v, {0, 1, 2, 3, 4}, {0, 0, 0, 0}, 30, 30, true, false, 32);
          },
          u"2 3 1 4 0 0 0 8192 1048576 90 24 0 1 10"_s}},
        {u"boot time"_s,
         {[](E& e, T v, auto) { return e.SetBootTimeSettings(v, 0x9, true); },
          [](E& e, T v, auto) { return e.SetBootTimeSettings(v, 0x10, false); }, u"9 1"_s}},
        // Cleaned, each once, in order; a path elsewhere is refused.
        {u"excluded"_s,
         {[paths](E& e, T v, const QString& root) {
              return e.SetExcludedFiles(
                  v, paths({root + u"/d3/f1.txt"_s, root + u"/d0/../d1/"_s, root + u"/d1"_s}));
          },
          [paths](E& e, T v, const QString& root) {
              return e.SetExcludedFiles(v, paths({root + u"/d2"_s, u"/etc/passwd"_s}));
          },
          u"%1/d1, %1/d3/f1.txt"_s}},
        {u"override"_s,
         {[type](E& e, T v, auto) mutable { return e.SetOverrideDriveType(v, 2, &type); },
          [type](E& e, T v, auto) mutable { return e.SetOverrideDriveType(v, 3, &type); }, u"2"_s}},
    };
    return cases;
}

} // namespace

class TestEngineDaemon : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();

    void passesSendTheirNoticesInOrder_data();
    void passesSendTheirNoticesInOrder();
    void passPausesResumesAndStops();
    void badInputChangesNothing();
    void pageRequestsAndTheirFailures();
    void driveSettingsRoundTrip_data();
    void driveSettingsRoundTrip();
    void analysisListsLeaveTheExcludedFilesOut();
    void vanishedConsolesNeverEndTheDaemon();
    void volumeGoneDuringAPass();
    void aRestartedDaemonIsReachedAgain();
    void aDueScheduleRunsAndADisabledOneDoesNot();
    void aScheduleStopsAfterItsLongestTime();

private:
    void StartDaemon();
    bool WaitFor(CSignalLog& emissions, const QString& signal);
    QString VolumeOf(const QString& directory);

    QTemporaryDir m_root;
    QString m_small, m_large;
    QProcess m_daemon;
    CKV100EngineInterface m_engine;
    CKV100AgentInterface m_agent;
    static constexpr int kSmallFiles = 4 * 10;
};

void TestEngineDaemon::initTestCase()
{
    QVERIFY(m_root.isValid());
    m_small = m_root.filePath(u"small"_s);
    m_large = m_root.filePath(u"large"_s);
    QVERIFY(MakeTree(m_small, 4, 10));
    QVERIFY(MakeTree(m_large, 40, 500));
    // The passes here are about notices and schedules, on whatever disk the folder lies: the
    // settings let every drive type be defragmented (by default solid-state ones are not).
    QVERIFY(WriteTestFile(m_root.filePath(u"state/settings.json"_s),
                          R"({"version": 1, "settings": {"allowExternalDrives": true,
                              "allowFlashDrives": true, "allowSsdDrives": true}})"));
    // The daemon and this test meet on the runtime folder's engine socket.
    qputenv("KORVANE_RUNTIME_DIR", QFile::encodeName(m_root.filePath(u"run"_s)));
    m_daemon.setProcessEnvironment(QProcessEnvironment::systemEnvironment());
    m_daemon.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    StartDaemon();
    QCOMPARE(m_engine.Connect({}, {}, {}, {}), S_OK);
    QCOMPARE(m_agent.Connect({}, {}, {}, {}), S_OK);
}

void TestEngineDaemon::cleanupTestCase()
{
    m_agent.Disconnect();
    m_engine.Disconnect();
    m_daemon.terminate();
    QVERIFY(m_daemon.waitForFinished(10000));
    QCOMPARE(m_daemon.exitStatus(), QProcess::NormalExit);
    QCOMPARE(m_daemon.exitCode(), 0);
}

void TestEngineDaemon::StartDaemon()
{
    m_daemon.start(QStringLiteral(KORVANE_ENGINE_PROGRAM),
                   {u"--volume"_s, m_small, u"--volume"_s, m_large, u"--state"_s,
                    m_root.filePath(u"state"_s), u"--simulate"_s});
    QVERIFY(m_daemon.waitForStarted());
    // A killed daemon leaves its socket behind: wait until the socket answers.
    const QString address = u"unix:path="_s + CDBusActivator::LocalSocketPaths().constFirst();
    const auto answers = [&address] {
        const bool connected =
            QDBusConnection::connectToPeer(address, u"daemon-probe"_s).isConnected();
        QDBusConnection::disconnectFromPeer(u"daemon-probe"_s);
        return connected;
    };
    QTRY_VERIFY_WITH_TIMEOUT(answers(), 10000);
}

bool TestEngineDaemon::WaitFor(CSignalLog& emissions, const QString& signal)
{
    QDeadlineTimer deadline(60000);
    while (!emissions.Names().contains(signal) && !deadline.hasExpired())
        QTest::qWait(20);
    return emissions.Names().contains(signal);
}

QString TestEngineDaemon::VolumeOf(const QString& directory)
{
    TStringList volumes;
    if (FAILED(m_engine.GetVolumes(&volumes)))
        return {};
    for (const TId& volume : volumes) {
        TString mountName, label, fileSystem;
        uint driveType = 0, status = 0, extra1 = 0, extra2 = 0;
        double last = 0, size = 0, dataDate = 0;
        int bootTime = 0;
        if (SUCCEEDED(m_engine.GetVolumeInfo(volume, &mountName, &label, &fileSystem, &driveType,
                                             &status, &last, &extra1, &extra2, &bootTime, &size,
                                             &dataDate)) &&
            QString::fromStdWString(mountName) == QFileInfo(directory).canonicalFilePath())
            return QString::fromStdWString(volume);
    }
    return {};
}

void TestEngineDaemon::passesSendTheirNoticesInOrder_data()
{
    QTest::addColumn<bool>("entireDrive");
    QTest::newRow("analysis") << false;
    QTest::newRow("entire drive") << true;
}

void TestEngineDaemon::passesSendTheirNoticesInOrder()
{
    QFETCH(bool, entireDrive);
    // The large tree has not been analysed yet, so that both passes find a map to tell.
    const QString volume = VolumeOf(entireDrive ? m_large : m_small);
    QVERIFY(!volume.isEmpty());
    const std::wstring id = volume.toStdWString();
    CSignalLog emissions(&m_engine);
    // OLE dates keep milliseconds only roughly.
    const QDateTime started = QDateTime::currentDateTime().addSecs(-1);
    QCOMPARE(entireDrive ? m_engine.StartPass(id, CKV100EngineInterface::kEntireDrive)
                         : m_engine.Analyse(id),
             S_OK);
    QVERIFY(WaitFor(emissions, u"OpCompleted"_s));
    const QDateTime completed = QDateTime::currentDateTime().addSecs(1);

    // The stages in the order a console expects them: the start; progress with the map's runs;
    // the new fragmentation figures and the statistics; the idle status; the completion.
    const QStringList names = emissions.Names();
    const QList<QVariantList> arguments = emissions.Arguments();
    const QStringList order = {u"OpStarted"_s,
                               u"Running"_s,
                               u"FragmentationChanged"_s,
                               u"FreeSpaceFragmentationChanged"_s,
                               u"StatisticsUpdated"_s,
                               u"Idle"_s,
                               u"OpCompleted"_s};
    QList<int> stages;
    for (qsizetype i = 0; i < names.size(); ++i) {
        QString name = names.at(i);
        if (name == u"StatusChanged")
            name = arguments.at(i).at(1).toUInt() == 0 ? u"Idle"_s : u"Running"_s;
        else if (name == u"WorkingMessageChanged" || name == u"BitmapUpdated")
            name = u"Running"_s;
        stages.append(int(order.indexOf(name)));
    }
    QList<int> seen = stages;
    seen.erase(std::unique(seen.begin(), seen.end()), seen.end());
    QVERIFY2(std::is_sorted(stages.begin(), stages.end()) &&
                 seen == QList<int>({0, 1, 2, 3, 4, 5, 6}) && stages.count(0) == 1 &&
                 stages.count(6) == 1,
             qPrintable(names.join(u' ')));
    for (const QString& name : {u"WorkingMessageChanged"_s, u"BitmapUpdated"_s})
        QVERIFY2(names.contains(name), qPrintable(names.join(u' ')));

    // Completion only grows and reaches 100; every estimated end lies ahead of the start, and
    // the last, at 100, is when the pass ended.
    double percent = 0;
    QList<uint> statuses;
    QList<QDateTime> estimates;
    for (qsizetype i = 0; i < names.size(); ++i) {
        if (stages.at(i) != 1 || names.at(i) != u"StatusChanged")
            continue;
        statuses.append(arguments.at(i).at(1).toUInt());
        QVERIFY(arguments.at(i).at(2).toDouble() >= percent);
        percent = arguments.at(i).at(2).toDouble();
        if (const double end = arguments.at(i).at(3).toDouble(); COleDate::IsSet(end))
            estimates.append(COleDate::ToDateTime(end));
    }
    QCOMPARE(percent, 100.0);
    QVERIFY(statuses.contains(1u));
    QCOMPARE(statuses.contains(2u), entireDrive);
    QVERIFY(!estimates.isEmpty());
    for (const QDateTime& estimate : std::as_const(estimates))
        QVERIFY2(estimate >= started, qPrintable(estimate.toString(Qt::ISODateWithMs)));
    QVERIFY2(estimates.last() <= completed, qPrintable(estimates.last().toString(Qt::ISODate)));

    // The results are there when the notice says so, made from what the walk found.
    QByteArray bytes;
    QCOMPARE(m_engine.GetStatisticsBlock(id, entireDrive ? 2 : 0, &bytes), S_OK);
    CStatisticsBlock block;
    QCOMPARE(CStatisticsBlock::Decode(bytes, &block), S_OK);
    QCOMPARE(block.Kind(), entireDrive ? CStatisticsBlock::kOnline : CStatisticsBlock::kAnalysis);
    QCOMPARE(QString::fromStdWString(block.VolumeId()), volume);
    if (!entireDrive)
        QCOMPARE(block.U32(13), quint32(kSmallFiles));
}

void TestEngineDaemon::passPausesResumesAndStops()
{
    const std::wstring volume = VolumeOf(m_large).toStdWString();
    CSignalLog emissions(&m_engine);
    QCOMPARE(m_engine.StartPass(volume, 1, 2), S_OK);
    QCOMPARE(m_engine.Pause(volume), S_OK);
    QVERIFY(WaitFor(emissions, u"StatusChanged"_s));
    uint status = 0;
    double percent = 0, end = 0;
    TString text;
    QCOMPARE(m_engine.GetStatus(volume, &status, &percent, &end, &text), S_OK);
    QCOMPARE(status, 9u);
    QCOMPARE(m_engine.Resume(volume), S_OK);
    QVERIFY(WaitFor(emissions, u"OpCompleted"_s));
    const QList<QVariantList> arguments = emissions.Arguments();
    QList<uint> statuses;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        if (emissions.Names().at(i) == u"StatusChanged")
            statuses.append(arguments.at(i).at(1).toUInt());
    }
    // Signalled: paused 3, resumed 4, defragmenting 2, idle 0 at the end.
    QVERIFY2(statuses.contains(3u) && statuses.contains(4u) && statuses.contains(2u),
             qPrintable(emissions.Names().join(u' ')));
    QCOMPARE(statuses.last(), 0u);
    QByteArray bytes;
    QCOMPARE(m_engine.GetStatisticsBlock(volume, 2, &bytes), S_OK);

    // Stopped while paused: it ends at once, with no new results.
    emissions.Clear();
    QCOMPARE(m_engine.StartPass(volume, 1, 2), S_OK);
    QCOMPARE(m_engine.Pause(volume), S_OK);
    QCOMPARE(m_engine.Stop(volume), S_OK);
    QVERIFY(WaitFor(emissions, u"OpCompleted"_s));
    QCOMPARE(m_engine.Stop(volume), HRESULT(0x8007139F));
    QByteArray after;
    QCOMPARE(m_engine.GetStatisticsBlock(volume, 2, &after), S_OK);
    QCOMPARE(after, bytes);
}

void TestEngineDaemon::badInputChangesNothing()
{
    const std::wstring volume = VolumeOf(m_small).toStdWString();
    const std::wstring unknown = L"{00000000-0000-0000-0000-000000000000}";
    int algorithm = -1;
    QCOMPARE(m_engine.GetDefaultAlgorithm(unknown, &algorithm), HRESULT(0x8007000F));
    QCOMPARE(m_engine.StartPass(volume, 1, 9), E_INVALIDARG);
    QCOMPARE(m_engine.SetDefaultAlgorithm(volume, 1), S_OK);
    QCOMPARE(m_engine.SetDefaultAlgorithm(volume, 7), E_INVALIDARG);
    QCOMPARE(m_engine.GetDefaultAlgorithm(volume, &algorithm), S_OK);
    QCOMPARE(algorithm, 1);
    QCOMPARE(m_engine.DefragmentFilesList(volume, {L"/etc/passwd"}), E_INVALIDARG);
    QCOMPARE(
        m_engine.SetTierLayout(volume, {0, 1, 2, 2, 4}, {0, 0, 0, 0}, 60, 30, false, false, 64),
        E_INVALIDARG);
    QCOMPARE(m_engine.Pause(volume), HRESULT(0x8007139F));
}

void TestEngineDaemon::pageRequestsAndTheirFailures()
{
    const QString mountName = QFileInfo(m_small).canonicalFilePath();
    const std::wstring volume = VolumeOf(m_small).toStdWString();
    // The boot-time status and the override are kept; the drive type follows the override.
    int bootTime = -1;
    QCOMPARE(m_engine.SetBootTime(volume, 1), S_OK);
    QCOMPARE(m_engine.GetBootTime(volume, &bootTime), S_OK);
    QCOMPARE(bootTime, 1);
    uint detected = 0, driveType = 0;
    QCOMPARE(m_engine.GetDriveType(volume, &detected), S_OK);
    QCOMPARE(m_engine.SetOverrideDriveType(volume, 4, &driveType), S_OK);
    QCOMPARE(driveType, 4u);
    QCOMPARE(m_engine.SetOverrideDriveType(volume, -1, &driveType), S_OK);
    QCOMPARE(driveType, detected);
    bool checkScheduled = true;
    QCOMPARE(m_engine.IsChkdskScheduled(volume, &checkScheduled), S_OK);
    QVERIFY(!checkScheduled);

    // After each failed request the last error names the failure: its code and the drive.
    struct TFailure {
        std::function<HRESULT()> request;
        HRESULT result;
        QString names;
    };
    const std::wstring unknown = L"{00000000-0000-0000-0000-000000000001}";
    int algorithm = 0;
    const QList<TFailure> failures = {
        {[&] { return m_engine.GetDefaultAlgorithm(unknown, &algorithm); }, HRESULT(0x8007000F),
         QString::fromStdWString(unknown)},
        {[&] { return m_engine.StartPass(volume, CKV100EngineInterface::kSystemFiles, 0); },
         HRESULT(0x80070032), mountName},
        {[&] { return m_engine.DefragSystemFilesOffline(volume, true); }, HRESULT(0x80070032),
         mountName},
        {[&] { return m_engine.Resume(volume); }, HRESULT(0x8007139F), mountName},
        {[&] { return m_engine.SetBootTime(volume, -2); }, E_INVALIDARG, u"-2"_s},
        {[&] { return m_engine.DefragmentFilesList(volume, {L"/etc/passwd"}); }, E_INVALIDARG,
         u"/etc/passwd"_s},
    };
    for (const TFailure& failure : failures) {
        QCOMPARE(failure.request(), failure.result);
        TString text;
        QCOMPARE(m_engine.GetLastErrorText(&text), S_OK);
        const QString lastError = QString::fromStdWString(text);
        QVERIFY2(lastError.contains(failure.names) &&
                     lastError.contains(QString::number(quint32(failure.result), 16),
                                        Qt::CaseInsensitive),
                 qPrintable(lastError));
    }
    QCOMPARE(m_engine.GetBootTime(volume, &bootTime), S_OK);
    QCOMPARE(bootTime, 1);
    QCOMPARE(m_engine.SetBootTime(volume, 0), S_OK);
}

void TestEngineDaemon::vanishedConsolesNeverEndTheDaemon()
{
    // A console that subscribed and vanished without a word: its mailslot and its connection
    // are gone.
    const QString name = u"vanishing-peer"_s;
    {
        QDBusConnection peer = QDBusConnection::connectToPeer(
            u"unix:path="_s + CDBusActivator::LocalSocketPaths().constFirst(), name);
        QVERIFY(peer.isConnected());
        QDBusMessage subscribe = QDBusMessage::createMethodCall(
            QString(), u"/clsid/22DAA0A2_0E27_4CC4_9588_EEEE76358306"_s,
            u"com.tellmar.korvane.Engine"_s, u"Subscribe"_s);
        subscribe << QString() << u"no-such-mailslot"_s;
        QCOMPARE(peer.call(subscribe).type(), QDBusMessage::ReplyMessage);
    }
    QDBusConnection::disconnectFromPeer(name);
    const std::wstring volume = VolumeOf(m_small).toStdWString();
    CSignalLog emissions(&m_engine);
    QCOMPARE(m_engine.Analyse(volume), S_OK);
    QVERIFY(WaitFor(emissions, u"OpCompleted"_s));
    QCOMPARE(m_daemon.state(), QProcess::Running);
}

void TestEngineDaemon::volumeGoneDuringAPass()
{
    const QString volume = VolumeOf(m_large);
    const std::wstring id = volume.toStdWString();
    CSignalLog emissions(&m_engine);
    QCOMPARE(m_engine.StartPass(id, 1, 2), S_OK);
    // Held once the pass works on the map, while the volume goes away.
    QDeadlineTimer deadline(30000);
    uint status = 0;
    double percent = 0, end = 0;
    TString text;
    while (status != 2 && !deadline.hasExpired()) {
        QCOMPARE(m_engine.GetStatus(id, &status, &percent, &end, &text), S_OK);
        QTest::qWait(5);
    }
    QCOMPARE(status, 2u);
    QCOMPARE(m_engine.Pause(id), S_OK);
    const QString moved = m_large + u".moved"_s;
    QVERIFY(QDir().rename(m_large, moved));
    QCOMPARE(m_engine.Resume(id), S_OK);
    QVERIFY(WaitFor(emissions, u"OpCompleted"_s));
    QVERIFY(QDir().rename(moved, m_large));
    // No results, and a message that says why.
    const QStringList names = emissions.Names();
    QVERIFY(!names.contains(u"StatisticsUpdated"_s));
    const QList<QVariantList> arguments = emissions.Arguments();
    const qsizetype message = names.lastIndexOf(u"WorkingMessageChanged"_s);
    QVERIFY(message > 0);
    QVERIFY(arguments.at(message).at(2).value<std::wstring>().find(L"80070037") !=
            std::wstring::npos);
    // Asked at once on the completion, the last error is this failure.
    TString lastError;
    QCOMPARE(m_engine.GetLastErrorText(&lastError), S_OK);
    QVERIFY2(lastError.find(L"80070037") != std::wstring::npos,
             qPrintable(QString::fromStdWString(lastError)));
}

void TestEngineDaemon::driveSettingsRoundTrip_data()
{
    QTest::addColumn<QString>("setting");
    for (const auto& [name, setting] : SettingCases())
        QTest::newRow(qPrintable(name)) << name;
}

void TestEngineDaemon::driveSettingsRoundTrip()
{
    QFETCH(QString, setting);
    const TSettingCase& test = SettingCases().at(setting);
    const QString root = QFileInfo(m_small).canonicalFilePath();
    const TId volume = VolumeOf(m_small).toStdWString();
    const TId other = VolumeOf(m_large).toStdWString();
    QMap<QString, QString> expected = DriveSettings(m_engine, volume);
    const QMap<QString, QString> otherBefore = DriveSettings(m_engine, other);
    QVERIFY(expected.contains(setting));
    expected[setting] = test.expected.contains(u"%1"_s) ? test.expected.arg(root) : test.expected;

    // Only that setting of only that volume changes, and a refused value changes nothing.
    QCOMPARE(test.write(m_engine, volume, root), S_OK);
    QCOMPARE(DriveSettings(m_engine, volume), expected);
    QVERIFY(FAILED(test.refuse(m_engine, volume, root)));
    QCOMPARE(DriveSettings(m_engine, volume), expected);
    QCOMPARE(DriveSettings(m_engine, other), otherBefore);
}

void TestEngineDaemon::analysisListsLeaveTheExcludedFilesOut()
{
    const QString root = QFileInfo(m_small).canonicalFilePath();
    const TId volume = VolumeOf(m_small).toStdWString();
    QCOMPARE(m_engine.SetExcludedFiles(volume, {(root + u"/d1"_s).toStdWString()}), S_OK);
    CSignalLog emissions(&m_engine);
    QCOMPARE(m_engine.Analyse(volume), S_OK);
    QVERIFY(WaitFor(emissions, u"OpCompleted"_s));

    QByteArray bytes;
    QCOMPARE(m_engine.GetStatisticsBlock(volume, 0, &bytes), S_OK);
    std::unique_ptr<CDefragStatisticsData::CAnalyse> record;
    QCOMPARE(CDefragStatisticsData::MakeAnalyse(bytes, 1, {}, &record), S_OK);
    const CStatisticsBlockLists& lists = record->lists;
    const TString excludedFolder = (root + u"/d1/"_s).toStdWString();
    QCOMPARE(lists.excluded.size(), 10);
    for (const CStatisticsBlockLists::TExcluded& entry : lists.excluded) {
        QVERIFY(entry.path.starts_with(excludedFolder));
        QCOMPARE(entry.reason, CStatisticsBlockLists::kExcludedFile);
    }
    for (const CStatisticsBlockLists::TFragmented& entry : lists.mostFragmented)
        QVERIFY(!entry.path.starts_with(excludedFolder));
    // Files of 300 to 309 bytes in each of the four folders.
    QCOMPARE(lists.fileTypes.size(), 1);
    QCOMPARE(lists.fileTypes.first().extension, L"txt");
    QCOMPARE(lists.fileTypes.first().files, quint64(kSmallFiles));
    QCOMPARE(lists.fileTypes.first().bytes, quint64(4 * (10 * 300 + 45)));
}

void TestEngineDaemon::aRestartedDaemonIsReachedAgain()
{
    const QString volume = VolumeOf(m_small);
    CSignalLog engine(&m_engine);
    CSignalLog agent(&m_agent);
    QCOMPARE(m_engine.Analyse(volume.toStdWString()), S_OK);
    QVERIFY(WaitFor(engine, u"OpCompleted"_s));

    // Killed: the daemon forgets its subscribers and leaves its socket behind.
    m_daemon.kill();
    QVERIFY(m_daemon.waitForFinished(10000));
    StartDaemon();
    engine.Clear();
    QCOMPARE(m_engine.Analyse(volume.toStdWString()), S_OK);
    QVERIFY(WaitFor(engine, u"OpCompleted"_s));
    QCOMPARE(engine.Names().first(), u"OpStarted"_s);

    // The agent finds the new daemon on its next call and hears from it again: a schedule run
    // now reports its start and end, and its pass runs (through the engine's own mailslot).
    engine.Clear();
    QCOMPARE(m_agent.CreateSchedule(L"Nightly", 1, 102,
                                    (u"method=defrag&volumes="_s + volume).toStdWString()),
             S_OK);
    QCOMPARE(m_agent.AddItem(L"Nightly", L"Item 1", 80000, 86400, 3600, 0), S_OK);
    TStringList names;
    QCOMPARE(m_agent.GetScheduleNames(1, &names), S_OK);
    QVERIFY(std::find(names.begin(), names.end(), L"Nightly") != names.end());
    QCOMPARE(m_agent.RunNow(L"Nightly"), S_OK);
    QVERIFY(WaitFor(agent, u"ScheduleStopped"_s));
    QCOMPARE(agent.Names(), QStringList({u"ScheduleStarted"_s, u"ScheduleStopped"_s}));
    QVERIFY(WaitFor(engine, u"OpCompleted"_s));
    QVERIFY(engine.Names().contains(u"OpStarted"_s));
    QCOMPARE(m_agent.DeleteSchedule(L"Nightly"), S_OK);
}

void TestEngineDaemon::aDueScheduleRunsAndADisabledOneDoesNot()
{
    const std::wstring parameters =
        (u"method=defrag&volumes="_s + VolumeOf(m_small)).toStdWString();
    QCOMPARE(m_agent.CreateSchedule(L"Soon", 1, 101, parameters), S_OK);
    QCOMPARE(m_agent.CreateSchedule(L"Off", 1, 101, parameters), S_OK);
    QCOMPARE(m_agent.SetDisabled(L"Off", true), S_OK);
    CSignalLog agent(&m_agent);
    const double due = COleDate::Now() + 2.0 / (24 * 60 * 60);
    QCOMPARE(m_agent.AddItem(L"Off", L"Item 1", due, 0, 3600, 0), S_OK);
    QCOMPARE(m_agent.AddItem(L"Soon", L"Item 1", due, 0, 3600, 0), S_OK);
    QVERIFY(WaitFor(agent, u"ScheduleStopped"_s));
    QCOMPARE(agent.Names(), QStringList({u"ScheduleStarted"_s, u"ScheduleStopped"_s}));

    // The one that ran has its last run and no next one; the disabled one never ran.
    uint source = 0, code = 0;
    TString read;
    bool disabled = true;
    double lastRun = 0, nextRun = -1;
    QCOMPARE(m_agent.GetSchedule(L"Soon", &source, &code, &read, &disabled, &lastRun, &nextRun),
             S_OK);
    QVERIFY(!disabled && lastRun >= due - 1.0 / (24 * 60 * 60));
    QCOMPARE(nextRun, 0.0);
    QCOMPARE(m_agent.GetSchedule(L"Off", &source, &code, &read, &disabled, &lastRun, &nextRun),
             S_OK);
    QVERIFY(disabled);
    QCOMPARE(lastRun, 0.0);
    QCOMPARE(m_agent.DeleteSchedule(L"Soon"), S_OK);
    QCOMPARE(m_agent.DeleteSchedule(L"Off"), S_OK);
}

void TestEngineDaemon::aScheduleStopsAfterItsLongestTime()
{
    // Held by a pause from here, the pass ends only when the agent stops it after its second.
    const std::wstring volume = VolumeOf(m_large).toStdWString();
    QCOMPARE(m_agent.CreateSchedule(L"Short", 1, 101, L"method=defrag&volumes=" + volume), S_OK);
    QCOMPARE(m_agent.AddItem(L"Short", L"Item 1", COleDate::Now() + 1, 0, 1, 0), S_OK);
    CSignalLog agent(&m_agent);
    bool held = false;
    // A pass may end before the pause reaches it; then the schedule runs again.
    for (int attempt = 0; attempt < 3 && !held; ++attempt) {
        agent.Clear();
        QCOMPARE(m_agent.RunNow(L"Short"), S_OK);
        QVERIFY(WaitFor(agent, u"ScheduleStarted"_s));
        held = SUCCEEDED(m_engine.Pause(volume));
        if (!held)
            QVERIFY(WaitFor(agent, u"ScheduleStopped"_s));
    }
    QVERIFY(held);
    QVERIFY(WaitFor(agent, u"ScheduleStopped"_s));
    uint status = 1;
    double percent = 0, end = 0;
    TString text;
    QCOMPARE(m_engine.GetStatus(volume, &status, &percent, &end, &text), S_OK);
    QCOMPARE(status, 0u);
    QCOMPARE(m_agent.DeleteSchedule(L"Short"), S_OK);
}

QTEST_MAIN(TestEngineDaemon)
#include "tst_EngineDaemon.moc"
