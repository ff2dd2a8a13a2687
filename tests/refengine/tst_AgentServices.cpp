#include "core/COleDate.h"
#include "engine/CKV100AgentInterface.h"
#include "engine/CKV100BrowserInterface.h"
#include "engine/CKV100ComputerInterface.h"
#include "engine/CKV100ConfigurationInterface.h"
#include "engine/CStatisticsHistory.h"
#include "engine/ServiceContract.h"
#include "refengine/CAgentFilterService.h"
#include "refengine/CAgentLogSettingsService.h"
#include "refengine/CAgentScheduleService.h"
#include "refengine/CAgentService.h"
#include "refengine/CAgentSettingsService.h"
#include "refengine/CAgentSettingsStore.h"
#include "refengine/CAgentStatisticsService.h"
#include "refengine/CEventLog.h"
#include "refengine/CHistoryStore.h"
#include "refengine/CNoticeSink.h"
#include "refengine/CScheduleRunner.h"
#include "refengine/CScheduleStore.h"
#include "schedule/CAgentSchedules.h"
#include "tests/refengine/TestFiles.h"
#include "tests/support/CTestAgentStores.h"
#include "tests/support/CTestEngine.h"
#include "tests/support/CTestEnvironment.h"

#include "AgentAdaptor.h"
#include "AgentFilterAdaptor.h"
#include "AgentLogSettingsAdaptor.h"
#include "AgentScheduleAdaptor.h"
#include "AgentSettingsAdaptor.h"
#include "AgentStatisticsAdaptor.h"

#include <QtTest>

#include <memory>

using namespace Qt::StringLiterals;

// The agent's services on a D-Bus peer connection, driven through the console's own wrappers.
class TestAgentServices : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void schedulesRoundTripThroughTheConsole();
    void computerValues();
    void logAndSettingsThroughTheConsole();
    void filterStaysOnTheVolumes();

private:
    QString File(const QString& name) const { return m_environment->Root() + u'/' + name; }
    template <typename TAdaptor, typename TMake>
    void ServeSubObject(CAgentService::TSubObject subObject, TMake make);

    std::unique_ptr<CTestEnvironment> m_environment;
    std::unique_ptr<CTestAgentStores> m_stores;
    std::unique_ptr<CTestEngine> m_engine;
    std::unique_ptr<CKV100AgentInterface> m_agent;
    QString m_volumeRoot;
    QString m_agentPath;
    QMutex m_requestsMutex;
    QStringList m_requests;
};

template <typename TAdaptor, typename TMake>
void TestAgentServices::ServeSubObject(CAgentService::TSubObject subObject, TMake make)
{
    m_engine->ServeAt(CAgentService::SubObjectPath(m_agentPath, subObject), [make](QObject* owner) {
        auto* service = make(owner);
        new TAdaptor(service);
        return static_cast<QObject*>(service);
    });
}

void TestAgentServices::init()
{
    m_environment = std::make_unique<CTestEnvironment>();
    m_environment->Set("PATH", m_environment->Root()); // no daemon to start
    m_volumeRoot = File(u"volume"_s);
    QVERIFY(QDir().mkpath(m_volumeRoot + u"/folder"_s));
    m_stores = std::make_unique<CTestAgentStores>(m_environment->Root());
    QObject::connect(
        &m_stores->runner, &CScheduleRunner::PassesRequested, &m_stores->runner,
        [this](const QString& schedule, const QString& item, const QStringList& volumes) {
            QMutexLocker locker(&m_requestsMutex);
            m_requests.append(schedule + u'/' + item + u'/' + volumes.join(u','));
        },
        Qt::DirectConnection);

    // The agent is ours; the test engine serves the rest of the daemon.
    m_engine = std::make_unique<CTestEngine>(0, -1);
    m_agentPath = DBusContract::ClassObjectPath(
        QString::fromLatin1(ServiceContract::Agent.classIds[0].data(),
                            qsizetype(ServiceContract::Agent.classIds[0].size())));
    m_engine->Serve(ServiceContract::Agent, 0, [this](QObject* owner) {
        auto* agent = new CAgentService(m_stores->sink, m_stores->log, m_agentPath, owner);
        new CAgentAdaptor(agent);
        return agent;
    });
    using TSub = CAgentService::TSubObject;
    ServeSubObject<CAgentStatisticsAdaptor>(TSub::Statistics, [this](QObject* owner) {
        return new CAgentStatisticsService(m_stores->history, 5, 11, owner);
    });
    ServeSubObject<CAgentSettingsAdaptor>(TSub::Settings, [this](QObject* owner) {
        return new CAgentSettingsService(m_stores->settings, owner);
    });
    ServeSubObject<CAgentScheduleAdaptor>(TSub::Schedule, [this](QObject* owner) {
        return new CAgentScheduleService(m_stores->schedules, m_stores->runner, owner);
    });
    ServeSubObject<CAgentFilterAdaptor>(TSub::Filter, [this](QObject* owner) {
        const QString root = m_volumeRoot;
        return new CAgentFilterService(
            [root] {
                return QList<CAgentFilterService::TDrive>{{root, u"{volume-1}"_s, 1}};
            },
            File(u"duplicateexclusions.json"_s), owner);
    });
    ServeSubObject<CAgentLogSettingsAdaptor>(TSub::LogSettings, [this](QObject* owner) {
        return new CAgentLogSettingsService(m_stores->log, File(u"logsettings.json"_s), owner);
    });
    QVERIFY(m_engine->Start());
    m_agent = std::make_unique<CKV100AgentInterface>();
    QCOMPARE(m_agent->Connect(L"", L"", L"", L""), S_OK);
    QVERIFY(m_agent->IsNewest());
    QCOMPARE(m_stores->sink.Subscribers(), 1);
}

void TestAgentServices::cleanup()
{
    m_agent.reset();
    m_engine.reset();
    m_stores.reset();
    m_environment.reset();
}

void TestAgentServices::schedulesRoundTripThroughTheConsole()
{
    const CAgentSchedules schedules(*m_agent);
    // Runs in the future, so that the next run read back is the first one.
    const double start = COleDate::FromDateTime(QDateTime(QDate(2031, 1, 8), QTime(2, 0)));
    CCadence::CScheduleData weekly;
    weekly.name = L"Weekly";
    weekly.settings.type = CCadence::kWeekly;
    weekly.settings.passes = CCadence::kOnlinePass | CCadence::kOfflinePass;
    weekly.settings.start = start + 1;
    weekly.settings.interval = 168;
    weekly.settings.maxDuration = 7200;
    weekly.settings.weekdays = CCadence::kMonday | CCadence::kThursday;
    weekly.settings.shutdownWhenComplete = true;
    weekly.settings.disabled = true;
    weekly.drives = {L"C", L"D"};
    QCOMPARE(schedules.Save(weekly), S_OK);
    QCOMPARE(schedules.Save(weekly), S_OK); // replacing keeps no items twice

    CCadence::CScheduleData read;
    QCOMPARE(schedules.Read(L"Weekly", &read), S_OK);
    QCOMPARE(read.settings, weekly.settings);
    QCOMPARE(read.drives, weekly.drives);
    QCOMPARE(read.settings.nextRun, weekly.settings.start);
    CScheduleStore::TSchedule stored;
    QCOMPARE(m_stores->schedules.Get(u"Weekly"_s, &stored), S_OK);
    QCOMPARE(stored.items.size(), 4); // two weekdays, each with its online part

    QCOMPARE(schedules.Rename(L"Weekly", L"Twice a week"), S_OK);
    QCOMPARE(schedules.Read(L"Weekly", &read), CScheduleStore::kNotFound);
    QCOMPARE(schedules.SetDisabled(L"Twice a week", false), S_OK);
    QCOMPARE(schedules.RunNow(L"Twice a week"), S_OK);
    {
        QMutexLocker locker(&m_requestsMutex);
        QCOMPARE(m_requests, QStringList{u"Twice a week/Item 1/C,D"_s});
    }
    QCOMPARE(schedules.RunNow(L"Twice a week"), S_FALSE);
    QVERIFY(m_stores->runner.PassesFinished(u"Twice a week"_s, u"Item 1"_s, S_OK));
    QCOMPARE(schedules.Read(L"Twice a week", &read), S_OK);
    QVERIFY(!read.settings.disabled && COleDate::IsSet(read.settings.lastRun));
    QCOMPARE(schedules.Remove(L"Twice a week"), S_OK);
    QVERIFY(m_stores->schedules.Schedules().isEmpty());
}

void TestAgentServices::computerValues()
{
    CKV100ComputerInterface computer(m_agent.get());
    DBusContract::TPropertyBag bag;
    QCOMPARE(computer.GetHistory(L"", &bag), E_INVALIDARG);
    bool guest = true;
    TString host = L"x";
    QCOMPARE(computer.GetVirtualGuest(&guest, &host), S_OK);
    QCOMPARE(guest, !host.empty()); // never a guest hosted on nobody

    // The signs of a guest, under a root of the test's.
    const QString root = File(u"root"_s);
    QVERIFY(!CAgentStatisticsService::DetectVirtualGuest(root));
    const QString vendor = root + u"/sys/class/dmi/id/sys_vendor"_s;
    const QString cpus = root + u"/proc/cpuinfo"_s;
    QVERIFY(WriteTestFile(vendor, "Dell Inc.\n"));
    QVERIFY(WriteTestFile(cpus, "processor\t: 0\nflags\t\t: fpu vme sse2\n"));
    QVERIFY(!CAgentStatisticsService::DetectVirtualGuest(root));
    QVERIFY(WriteTestFile(cpus, "processor\t: 0\nflags\t\t: fpu hypervisor sse2\n"));
    QVERIFY(CAgentStatisticsService::DetectVirtualGuest(root));
    QVERIFY(WriteTestFile(cpus, ""));
    QVERIFY(WriteTestFile(vendor, "QEMU\n"));
    QVERIFY(CAgentStatisticsService::DetectVirtualGuest(root));

    // The host's name from the pool its hypervisor writes: the most precise one given, and
    // nothing from a record cut short or a name left empty.
    const auto record = [](const QByteArray& key, const QByteArray& value) {
        return (key + QByteArray(512 - key.size(), '\0')) + value +
               QByteArray(2048 - value.size(), '\0');
    };
    const QString pool = root + u"/var/lib/hyperv/.kvp_pool_3"_s;
    QCOMPARE(CAgentStatisticsService::GuestHostName(root), QString());
    QVERIFY(WriteTestFile(pool, record("PhysicalHostName", "") + record("HostName", "hv1") +
                                    record("VirtualMachineName", "guest")));
    QCOMPARE(CAgentStatisticsService::GuestHostName(root), u"hv1"_s);
    QVERIFY(WriteTestFile(pool, record("PhysicalHostNameFullyQualified", "hv1.example.org") +
                                    record("HostName", "hv1") +
                                    record("PhysicalHostName", "HV1").left(600)));
    QCOMPARE(CAgentStatisticsService::GuestHostName(root), u"hv1.example.org"_s);
}

void TestAgentServices::logAndSettingsThroughTheConsole()
{
    double now = 45000.25;
    m_stores->log.SetClock([&] { return now; });
    for (int i = 0; i < 3; ++i) {
        now += 1;
        m_stores->log.Append(u"KVEngine"_s, CEventLog::kError, i, u"line %1"_s.arg(i));
    }
    QList<CStatisticsHistory::CLogPoint> points;
    int total = 0;
    QCOMPARE(CStatisticsHistory::ReadLogPoints(m_agent.get(), 45001.0, 0, 1, 5, &points, &total),
             S_OK);
    QVERIFY(total == 3 && points.size() == 2);
    QCOMPARE(points.first().message, std::wstring(L"line 1"));
    DBusContract::TPropertyBag bag;
    QCOMPARE(m_agent->QueryLog(0, 0, -1, 0, &bag), E_INVALIDARG);
    TString logText;
    QCOMPARE(m_agent->QueryLogText(qQNaN(), 0, 0, 0, &logText), E_INVALIDARG);
    QCOMPARE(m_agent->SetLogDestination(2), E_INVALIDARG);
    QCOMPARE(m_agent->ClearLog(), S_OK);
    QCOMPARE(CEventLog(m_stores->log.FilePath()).Count(), 0);

    CKV100ConfigurationInterface configuration(m_agent.get());
    uint mode = 0;
    QCOMPARE(configuration.SetVssMode(2), S_OK);
    QCOMPARE(configuration.SetVssMode(3), E_INVALIDARG);
    QVERIFY(configuration.GetVssMode(&mode) == S_OK && mode == 2);
    QCOMPARE(configuration.SendTestEmail(L"", L"a", L"b", L"s", L"b"), E_INVALIDARG);
    QCOMPARE(configuration.SendTestEmail(L"smtp.example.org", L"a@example.org", L"b@example.org",
                                         L"s", L"b"),
             CAgentSettingsService::kMailNotAvailable);
    // Types of its own in one group; the defaults in the others.
    QCOMPARE(configuration.SetCustomFileTypes({}, {L"heic"}, {}, {}, {}, {}, {}), S_OK);
    TStringList text, pictures, video, programs, music, temporary, userDefined;
    QCOMPARE(configuration.GetFileTypes(&text, &pictures, &video, &programs, &music, &temporary,
                                        &userDefined),
             S_OK);
    QCOMPARE(pictures, TStringList{L"heic"});
    QCOMPARE(text.size(), size_t(CAgentSettingsStore::DefaultFileTypes().text.size()));
}

void TestAgentServices::filterStaysOnTheVolumes()
{
    QVERIFY(WriteTestFile(m_volumeRoot + u"/.hidden.txt"_s, "12345"));
    QVERIFY(QFile::link(m_environment->Root(), m_volumeRoot + u"/outside"_s));

    CKV100BrowserInterface browser(m_agent.get());
    TStringList roots, volumes;
    QList<uint> types;
    QList<qulonglong> total, free;
    QCOMPARE(browser.GetDrives(&roots, &volumes, &types, &total, &free), S_OK);
    QVERIFY(roots == TStringList{m_volumeRoot.toStdWString()} && total.first() > 0);
    TStringList names;
    QList<uint> attributes;
    QList<qulonglong> sizes;
    QList<double> modified;
    const auto list = [&](const QString& directory) {
        return browser.ListDirectory(directory.toStdWString(), &names, &attributes, &sizes,
                                     &modified);
    };
    QCOMPARE(list(m_volumeRoot), S_OK);
    QCOMPARE(names, (TStringList{L".hidden.txt", L"folder", L"outside"}));
    using TFilter = CAgentFilterService;
    QCOMPARE(attributes,
             (QList<uint>{TFilter::kAttributeHidden, TFilter::kAttributeDirectory,
                          TFilter::kAttributeDirectory | TFilter::kAttributeReparsePoint}));
    QVERIFY(sizes[0] == 5 && COleDate::IsSet(modified[0]));
    QCOMPARE(list(m_volumeRoot + u"/folder"_s), S_OK);
    QVERIFY(names.empty());
    // Nothing outside the volumes, whatever the path says; nothing that is no directory.
    QCOMPARE(list(m_volumeRoot + u"/outside"_s), E_ACCESSDENIED);
    QCOMPARE(list(m_volumeRoot + u"/folder/../.."_s), E_ACCESSDENIED);
    QCOMPARE(list(m_environment->Root()), E_ACCESSDENIED);
    QCOMPARE(list(m_volumeRoot + u"/missing"_s), HRESULT_FROM_WIN32(ERROR_PATH_NOT_FOUND));
    QCOMPARE(list(m_volumeRoot + u"/.hidden.txt"_s), HRESULT_FROM_WIN32(ERROR_PATH_NOT_FOUND));
    QCOMPARE(list(u"folder"_s), E_INVALIDARG);
}

QTEST_GUILESS_MAIN(TestAgentServices)
#include "tst_AgentServices.moc"
