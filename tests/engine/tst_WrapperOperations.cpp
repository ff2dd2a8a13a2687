#include "core/CSystemMessage.h"
#include "engine/CKV100AgentInterface.h"
#include "engine/CKV100BrowserInterface.h"
#include "engine/CKV100ComputerInterface.h"
#include "engine/CKV100ConfigurationInterface.h"
#include "engine/CKV100EngineInterface.h"
#include "engine/CKV100ExchangeInterface.h"
#include "engine/CKV100FileOpInterface.h"
#include "engine/CKV100FileSetInterface.h"
#include "engine/CKV100SpaceReportsInterface.h"
#include "engine/CKV100VirtualPCInterface.h"
#include "engine/CKVTempRecycleCleanInterface.h"
#include "engine/NoticeTypes.h"
#include "notify/CNoticeWriter.h"
#include "platform/com/CDBusResult.h"
#include "tests/support/CTestEngine.h"
#include "tests/support/CTestEnvironment.h"
#include "tests/support/CTestSubscribable.h"

#include "AgentScheduleAdaptor.h"
#include "AgentScheduleServiceBase.h"
#include "AgentSettingsAdaptor.h"
#include "AgentSettingsServiceBase.h"
#include "AgentStatisticsAdaptor.h"
#include "AgentStatisticsServiceBase.h"
#include "EngineProxy.h"
#include "ExchangeEngineAdaptor.h"
#include "ExchangeEngineServiceBase.h"
#include "ExchangeInProcessAdaptor.h"
#include "ExchangeInProcessServiceBase.h"
#include "FileOpAdaptor.h"
#include "FileOpServiceBase.h"
#include "FileSpaceReportsAdaptor.h"
#include "FileSpaceReportsServiceBase.h"
#include "TempRecycleCleanAdaptor.h"
#include "TempRecycleCleanServiceBase.h"
#include "ToolAdaptor.h"
#include "VmEngineAdaptor.h"
#include "VmEngineServiceBase.h"

#include <QDBusAbstractAdaptor>
#include <QSignalSpy>
#include <QThread>
#include <QtTest>

using namespace Qt::StringLiterals;

namespace {

// The agent's sub-objects, as far as the tests use them.
class CStatistics : public CAgentStatisticsServiceBase {
public:
    using CAgentStatisticsServiceBase::CAgentStatisticsServiceBase;
    int GetGeneration(uint& generation) override
    {
        generation = 11;
        return S_OK;
    }
};

class CSettings : public CAgentSettingsServiceBase {
public:
    CSettings(std::atomic<uint>* layout, QObject* parent)
        : CAgentSettingsServiceBase(parent)
        , m_layout(layout)
    {}
    int GetGeneral(uint& bootFileLayout) override
    {
        bootFileLayout = m_layout->load();
        return S_OK;
    }
    int SetGeneral(uint bootFileLayout) override
    {
        if (bootFileLayout > 3)
            return E_INVALIDARG;
        m_layout->store(bootFileLayout);
        return S_OK;
    }

private:
    std::atomic<uint>* m_layout;
};

class CSchedule : public CAgentScheduleServiceBase {
public:
    using CAgentScheduleServiceBase::CAgentScheduleServiceBase;
    int GetScheduleNames(uint kind, QStringList& names) override
    {
        names = kind == 1 ? QStringList{u"Nightly"_s, u"Zürich weekly"_s} : QStringList();
        return S_OK;
    }
};

class CFileOp : public CFileOpServiceBase {
public:
    using CFileOpServiceBase::CFileOpServiceBase;
    int GetFileInfo(const QString& path, bool& exists, uint& attributes, qulonglong& size,
                    double& modified) override
    {
        exists = path == u"/data/report.txt"_s;
        attributes = exists ? 0x20 : 0;
        size = exists ? 5'000'000'000ULL : 0;
        modified = 45000.5;
        return S_OK;
    }
};

class CSpaceReports : public CTestSubscribable<CFileSpaceReportsServiceBase> {
public:
    CSpaceReports(CTestEngine* engine, QObject* parent)
        : CTestSubscribable(engine, u"SpaceReports"_s, parent)
    {}
    int StartScan(const QStringList& directories, QString& setId) override
    {
        Engine()->RecordOperation(u"StartScan:"_s + directories.join(u'|'));
        setId = u"set-1"_s;
        return S_OK;
    }
};

class CCleaner : public CTestSubscribable<CTempRecycleCleanServiceBase> {
public:
    CCleaner(CTestEngine* engine, QObject* parent)
        : CTestSubscribable(engine, u"Cleaner"_s, parent)
    {}
    int SetOption(uint option, uint value) override
    {
        if (option != 1 && option != 2)
            return E_INVALIDARG;
        Engine()->RecordOperation(QStringLiteral("SetOption:%1:%2").arg(option).arg(value));
        return S_OK;
    }
    int DeleteFiles(const QByteArray& request, int mode) override
    {
        Engine()->RecordOperation(QStringLiteral("DeleteFiles:%1:%2")
                                      .arg(QString::fromLatin1(request.toHex()))
                                      .arg(mode));
        return S_OK;
    }
};

class CExchangeEngine : public CTestSubscribable<CExchangeEngineServiceBase> {
public:
    CExchangeEngine(CTestEngine* engine, QObject* parent)
        : CTestSubscribable(engine, u"Exchange"_s, parent)
    {}
    int GetDataStoreCount(uint& count) override
    {
        count = 3;
        return S_OK;
    }
};

class CExchangeInProcess : public CExchangeInProcessServiceBase {
public:
    using CExchangeInProcessServiceBase::CExchangeInProcessServiceBase;
    int IsMappedNetworkDrive(const QString& path, bool& mapped) override
    {
        mapped = path.startsWith(u"//"_s);
        return S_OK;
    }
};

class CVmEngine : public CTestSubscribable<CVmEngineServiceBase> {
public:
    CVmEngine(CTestEngine* engine, QObject* parent)
        : CTestSubscribable(engine, u"Vm"_s, parent)
    {}
    int GetGuestDisks(const QString& guest, QStringList& diskFiles,
                      QList<uint>& volumeCounts) override
    {
        if (!guest.endsWith(u".vmx"_s))
            return HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND);
        diskFiles = {guest.chopped(4) + u".vmdk"_s, guest.chopped(4) + u"-1.vmdk"_s};
        volumeCounts = {2, 1};
        return S_OK;
    }
};

// An engine whose answers do not have the contract's signatures.
class CMalformedEngineAdaptor : public QDBusAbstractAdaptor {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "com.tellmar.korvane.Engine")

public:
    explicit CMalformedEngineAdaptor(QObject* parent)
        : QDBusAbstractAdaptor(parent)
    {}

public slots:
    QString GetVolumes() { return u"not a list"_s; }
    int Pause(const QString&, int& extra)
    {
        extra = 7;
        return S_OK;
    }
    // Answers later than the caller's patience.
    int Resume(const QString&)
    {
        ++resumed;
        QThread::msleep(400);
        return S_OK;
    }

public:
    static inline std::atomic<int> resumed{0};
};

} // namespace

// The wrappers' operations against test services over a real peer connection.
class TestWrapperOperations : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void engineStartsAndDriveSettings();
    void lostAndInaccessibleDrives();
    void agentSubObjects();
    void statelessWrappersNeedAConnectedAgent();
    void fileWrappersCreateAFreshObjectPerCall();
    void spaceReportsSubscribeAndReport();
    void cleanerOperations();
    void exchangeAndVirtualMachineEngines();
    void exchangeNeedsItsInProcessPart();
    void malformedAndLateRepliesAreErrors();

private:
    std::unique_ptr<CTestEnvironment> m_environment;
};

void TestWrapperOperations::init()
{
    m_environment = std::make_unique<CTestEnvironment>();
    m_environment->Set("PATH", m_environment->Root()); // no daemon to start
}

void TestWrapperOperations::cleanup()
{
    m_environment.reset();
}

void TestWrapperOperations::engineStartsAndDriveSettings()
{
    CTestEngine engine;
    engine.generation = 9;
    engine.defaultAlgorithm = 1;
    engine.volumeAnswers.insert(u"D:"_s, E_FAIL);
    QVERIFY(engine.Start());
    CKV100EngineInterface wrapper;
    QCOMPARE(wrapper.Connect(L"", L"", L"", L""), S_OK);

    // The drive default is read from the engine first; an explicit method is passed as it is.
    QCOMPARE(wrapper.StartPass(L"C:", CKV100EngineInterface::kEntireDrive), S_OK);
    QCOMPARE(wrapper.StartPass(L"C:", CKV100EngineInterface::kSystemFiles, 0), S_OK);
    QCOMPARE(wrapper.StartPass(L"C:", CKV100EngineInterface::kAnalysis), S_OK);
    // Selected files need their list.
    QCOMPARE(wrapper.StartPass(L"C:", CKV100EngineInterface::kSelectedFiles), E_INVALIDARG);
    QCOMPARE(wrapper.DefragmentFilesList(L"C:", {L"C:\\a.txt", L"C:\\Ünïcode.doc"}), S_OK);
    QCOMPARE(engine.Operations(),
             (QStringList{u"GetDefaultAlgorithm:C:"_s, u"StartPass:C::1:1"_s, u"StartPass:C::3:0"_s,
                          u"Analyze:C:"_s, u"DefragmentFiles:C::C:\\a.txt|C:\\Ünïcode.doc"_s}));

    // The override is written, then the resulting type read back.
    uint driveType = 0;
    QCOMPARE(wrapper.SetOverrideDriveType(L"C:", 4, &driveType), S_OK);
    QCOMPARE(driveType, 4u);
    QCOMPARE(wrapper.SetOverrideDriveType(L"C:", -1, nullptr), E_POINTER);

    QByteArray block;
    QCOMPARE(wrapper.GetStatisticsBlock(L"C:", 3, &block), S_OK);
    QCOMPARE(block, QByteArray(3, '\x5a'));
    // A failed read leaves the caller's value alone.
    QCOMPARE(wrapper.GetStatisticsBlock(L"D:", 2, &block), E_FAIL);
    QCOMPARE(block, QByteArray(3, '\x5a'));
}

void TestWrapperOperations::lostAndInaccessibleDrives()
{
    CTestEngine engine;
    engine.volumeAnswers = {{u"X:"_s, static_cast<int>(0x80070005)},
                            {u"Y:"_s, static_cast<int>(0x8007000F)},
                            {u"Z:"_s, static_cast<int>(0x80070015)}};
    QVERIFY(engine.Start());
    CKV100EngineInterface wrapper;
    QCOMPARE(wrapper.Connect(L"", L"", L"", L""), S_OK);
    QSignalSpy lost(&wrapper, &CKV100EngineInterface::LostDrive);
    QSignalSpy denied(&wrapper, &CKV100EngineInterface::DriveNotAccessible);

    QCOMPARE(wrapper.Pause(L"X:"), static_cast<HRESULT>(0x80070005));
    QCOMPARE(denied.size(), 1);
    QCOMPARE(denied.first().at(0).value<TId>(), TId(L"X:"));
    QVERIFY(denied.first().at(1).value<TString>().find(L"-2147024891") != TString::npos);

    QCOMPARE(wrapper.Resume(L"Y:"), static_cast<HRESULT>(0x8007000F));
    QCOMPARE(lost.size(), 1);
    QCOMPARE(lost.first().at(1).value<TString>(),
             CKV100EngineInterface::DriveErrorText(static_cast<HRESULT>(0x8007000F)));

    // Refused for another reason (on battery): the drive is there.
    QCOMPARE(wrapper.Analyse(L"Z:"), static_cast<HRESULT>(0x80070015));
    QCOMPARE(lost.size() + denied.size(), 2);

    // The engine gone for good: the drive is reported lost after the one reconnection.
    engine.Stop();
    QCOMPARE(wrapper.Pause(L"C:"), CDBusResult::RpcServerUnavailable);
    QCOMPARE(lost.size(), 2);
    QCOMPARE(lost.last().at(0).value<TId>(), TId(L"C:"));
}

void TestWrapperOperations::agentSubObjects()
{
    auto engine = std::make_unique<CTestEngine>();
    std::atomic<uint> layout{2};
    const auto serve = [&](CTestEngine& served) {
        served.ServeAt(served.AgentObjectPath(u"Statistics"_s), [](QObject* owner) {
            auto* statistics = new CStatistics(owner);
            new CAgentStatisticsAdaptor(statistics);
            return statistics;
        });
        served.ServeAt(served.AgentObjectPath(u"Settings"_s), [&layout](QObject* owner) {
            auto* settings = new CSettings(&layout, owner);
            new CAgentSettingsAdaptor(settings);
            return settings;
        });
        served.ServeAt(served.AgentObjectPath(u"Schedule"_s), [](QObject* owner) {
            auto* schedule = new CSchedule(owner);
            new CAgentScheduleAdaptor(schedule);
            return schedule;
        });
    };
    serve(*engine);
    QVERIFY(engine->Start());
    CKV100AgentInterface agent;
    QCOMPARE(agent.Connect(L"", L"", L"", L""), S_OK);

    TStringList names;
    QCOMPARE(agent.GetScheduleNames(1, &names), S_OK);
    QCOMPARE(names, (TStringList{L"Nightly", L"Zürich weekly"}));
    // Methods the agent does not serve answer its own HRESULT.
    QCOMPARE(agent.RunNow(L"Nightly"), DBusContract::kNotImplemented);
    TString log;
    QCOMPARE(agent.QueryLogText(0.0, 50000.0, 0, 10, &log), DBusContract::kNotImplemented);

    CKV100ConfigurationInterface configuration(&agent);
    uint value = 0;
    QCOMPARE(configuration.GetGeneral(&value), S_OK);
    QCOMPARE(value, 2u);
    QCOMPARE(configuration.SetGeneral(1), S_OK);
    QCOMPARE(configuration.SetGeneral(9), E_INVALIDARG);
    QCOMPARE(layout.load(), 1u);

    // An agent restarted between two calls is reached again; the sub-object is had afresh.
    engine = std::make_unique<CTestEngine>();
    serve(*engine);
    QVERIFY(engine->Start());
    CKV100ComputerInterface computer(&agent);
    uint generation = 0;
    QCOMPARE(computer.GetGeneration(&generation), S_OK);
    QCOMPARE(generation, 11u);
    // A sub-object nobody serves: the call fails, nothing crashes.
    CKV100BrowserInterface browser(&agent);
    TStringList roots;
    TStringList volumes;
    QList<uint> types;
    QList<qulonglong> total;
    QList<qulonglong> free;
    QVERIFY(FAILED(browser.GetDrives(&roots, &volumes, &types, &total, &free)));
}

void TestWrapperOperations::statelessWrappersNeedAConnectedAgent()
{
    CTestEngine engine;
    QVERIFY(engine.Start());
    uint value = 0;
    QCOMPARE(CKV100ConfigurationInterface(nullptr).GetGeneral(&value), E_FAIL);
    CKV100AgentInterface agent;
    const int calls = engine.Calls();
    QCOMPARE(CKV100ComputerInterface(&agent).GetEdition(&value), E_FAIL);
    QCOMPARE(agent.CreateSchedule(L"Nightly", 1, 101, L""), E_FAIL);
    TString log;
    QCOMPARE(agent.QueryLogText(0.0, 1.0, 0, 1, &log), E_FAIL);
    QCOMPARE(engine.Calls(), calls);
}

void TestWrapperOperations::fileWrappersCreateAFreshObjectPerCall()
{
    CTestEngine engine;
    engine.Serve(ServiceContract::FileOp, 0, [](QObject* owner) {
        auto* files = new CFileOp(owner);
        new CFileOpAdaptor(files);
        return files;
    });
    QVERIFY(engine.Start());
    CKV100FileOpInterface wrapper;
    bool exists = false;
    uint attributes = 0;
    quint64 size = 0;
    double modified = 0.0;
    QCOMPARE(wrapper.GetFileInfo(L"/data/report.txt", &exists, &attributes, &size, &modified),
             E_UNEXPECTED);
    QCOMPARE(engine.Activations(), 0);

    QCOMPARE(wrapper.Connect(L"", L"", L"", L""), S_OK);
    QCOMPARE(engine.Activations(), 1);
    QCOMPARE(wrapper.GetFileInfo(L"/data/report.txt", &exists, &attributes, &size, &modified),
             S_OK);
    QVERIFY(exists);
    QCOMPARE(size, 5'000'000'000ULL);
    QCOMPARE(wrapper.GetFileInfo(L"/data/other", &exists, &attributes, &size, &modified), S_OK);
    QVERIFY(!exists);
    QCOMPARE(engine.Activations(), 3);
    QCOMPARE(wrapper.GetFileInfo(L"/x", nullptr, &attributes, &size, &modified), E_POINTER);
    QCOMPARE(engine.Activations(), 3);

    wrapper.Disconnect();
    QCOMPARE(wrapper.DeleteFile(L"/data/report.txt"), E_UNEXPECTED);
    // A service this daemon does not have: connecting fails and changes nothing.
    CKV100FileSetInterface sets;
    QCOMPARE(sets.Connect(L"", L"", L"", L""), REGDB_E_CLASSNOTREG);
    QVERIFY(!sets.IsConnected());
}

void TestWrapperOperations::spaceReportsSubscribeAndReport()
{
    CTestEngine engine;
    engine.Serve(ServiceContract::FileSpaceReports, 0, [&engine](QObject* owner) {
        auto* reports = new CSpaceReports(&engine, owner);
        new CFileSpaceReportsAdaptor(reports);
        return reports;
    });
    QVERIFY(engine.Start());
    CKV100SpaceReportsInterface wrapper;
    QSignalSpy progress(&wrapper, &CKV100SpaceReportsInterface::Progress);
    QCOMPARE(wrapper.Connect(L"", L"", L"", L""), S_OK);
    QCOMPARE(engine.Subscriptions().size(), 1);
    QCOMPARE(engine.Subscriptions().first().listener, wrapper.ListenerName());

    TString setId;
    QCOMPARE(wrapper.StartScan({L"/home", L"/srv"}, &setId), S_OK);
    QCOMPARE(setId, TString(L"set-1"));
    QVERIFY(engine.Notify(
        CNoticeWriter().U32(NoticeType::SpaceReportProgress).String(u"set-1"_s).F64(42.5).Body()));
    QTRY_COMPARE_WITH_TIMEOUT(progress.size(), 1, 5000);
    QCOMPARE(progress.first().at(1).toDouble(), 42.5);

    const QString listener = wrapper.ListenerName();
    wrapper.Disconnect();
    QCOMPARE(engine.Unsubscriptions().size(), 1);
    QCOMPARE(engine.Unsubscriptions().first().listener, listener);
    QCOMPARE(wrapper.StartScan({L"/home"}, &setId), E_UNEXPECTED);
}

void TestWrapperOperations::cleanerOperations()
{
    CTestEngine engine;
    engine.Serve(ServiceContract::TempRecycleClean, 0, [&engine](QObject* owner) {
        auto* cleaner = new CCleaner(&engine, owner);
        new CTempRecycleCleanAdaptor(cleaner);
        new CToolAdaptor(cleaner);
        return cleaner;
    });
    QVERIFY(engine.Start());
    CKVTempRecycleCleanInterface cleaner;
    QCOMPARE(cleaner.SetOption(1, 1), E_UNEXPECTED);
    QCOMPARE(cleaner.Connect(L"", L"", L"", L""), S_OK);
    QCOMPARE(engine.Subscriptions().first().service, u"Cleaner"_s);
    QCOMPARE(cleaner.SetOption(2, 0), S_OK);
    QCOMPARE(cleaner.SetOption(3, 0), E_INVALIDARG);
    // The generic tool interface on the same object.
    QCOMPARE(cleaner.DeleteFiles(QByteArray("\x01\x00\x00\x00", 4), 1), S_OK);
    QCOMPARE(engine.Operations(), (QStringList{u"SetOption:2:0"_s, u"DeleteFiles:01000000:1"_s}));
}

void TestWrapperOperations::exchangeAndVirtualMachineEngines()
{
    CTestEngine engine;
    engine.Serve(ServiceContract::ExchangeEngine, 0, [&engine](QObject* owner) {
        auto* exchange = new CExchangeEngine(&engine, owner);
        new CExchangeEngineAdaptor(exchange);
        return exchange;
    });
    engine.Serve(ServiceContract::ExchangeInProcess, 0, [](QObject* owner) {
        auto* part = new CExchangeInProcess(owner);
        new CExchangeInProcessAdaptor(part);
        return part;
    });
    engine.Serve(ServiceContract::VmEngine, 0, [&engine](QObject* owner) {
        auto* vm = new CVmEngine(&engine, owner);
        new CVmEngineAdaptor(vm);
        return vm;
    });
    QVERIFY(engine.Start());

    CKV100ExchangeInterface exchange;
    CKV100VirtualPCInterface vm;
    QSignalSpy output(&exchange, &CKV100ExchangeInterface::OnOutput);
    QSignalSpy hostStarted(&vm, &CKV100VirtualPCInterface::VmHostStarted);
    QCOMPARE(exchange.Connect(L"", L"", L"", L""), S_OK);
    QCOMPARE(vm.Connect(L"", L"", L"", L""), S_OK);
    QCOMPARE(engine.Subscriptions().size(), 2);
    QCOMPARE(engine.Subscriptions().at(0).service, u"Exchange"_s);
    QCOMPARE(engine.Subscriptions().at(1).service, u"Vm"_s);

    uint stores = 0;
    QCOMPARE(exchange.GetDataStoreCount(&stores), S_OK);
    QCOMPARE(stores, 3u);
    bool mapped = false;
    QCOMPARE(exchange.IsMappedNetworkDrive(L"//server/share", &mapped), S_OK);
    QVERIFY(mapped);
    TStringList disks;
    QList<uint> counts;
    QCOMPARE(vm.GetGuestDisks(L"/vms/guest.vmx", &disks, &counts), S_OK);
    QCOMPARE(disks, (TStringList{L"/vms/guest.vmdk", L"/vms/guest-1.vmdk"}));
    QCOMPARE(counts, (QList<uint>{2, 1}));
    QCOMPARE(vm.GetGuestDisks(L"/vms/guest.cfg", &disks, &counts),
             HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND));

    // Each listener hears what is written into its own mailslot.
    QVERIFY(engine.Notify(
        CNoticeWriter().U32(NoticeType::ExchangeOutput).String(u"Compacting"_s).Body()));
    QVERIFY(engine.Notify(CNoticeWriter().U32(NoticeType::VmHostStarted).Body()));
    QTRY_COMPARE_WITH_TIMEOUT(output.size(), 1, 5000);
    QTRY_COMPARE_WITH_TIMEOUT(hostStarted.size(), 1, 5000);

    exchange.Disconnect();
    vm.Disconnect();
    QCOMPARE(engine.Unsubscriptions().size(), 2);
    QCOMPARE(exchange.GetDataStoreCount(&stores), E_UNEXPECTED);
    QCOMPARE(vm.Stop(), E_UNEXPECTED);
}

void TestWrapperOperations::exchangeNeedsItsInProcessPart()
{
    CTestEngine engine;
    engine.Serve(ServiceContract::ExchangeEngine, 0, [&engine](QObject* owner) {
        auto* exchange = new CExchangeEngine(&engine, owner);
        new CExchangeEngineAdaptor(exchange);
        return exchange;
    });
    QVERIFY(engine.Start());
    CKV100ExchangeInterface exchange;
    QCOMPARE(exchange.Connect(L"", L"", L"", L""), REGDB_E_CLASSNOTREG);
    QVERIFY(!exchange.IsConnected());
    QVERIFY(engine.Subscriptions().isEmpty());
}

void TestWrapperOperations::malformedAndLateRepliesAreErrors()
{
    CTestEngine engine(-1);
    engine.Serve(ServiceContract::Engine, 0, [](QObject* owner) {
        auto* malformed = new QObject(owner);
        new CMalformedEngineAdaptor(malformed);
        return malformed;
    });
    QVERIFY(engine.Start());
    CKV100EngineInterface wrapper;
    // Subscribe is not served: connecting fails and leaves nothing connected.
    QVERIFY(FAILED(wrapper.Connect(L"", L"", L"", L"")));
    QVERIFY(!wrapper.IsConnected());

    CServiceConnection connection(ServiceContract::Engine);
    QCOMPARE(connection.Connect(L"", L"", L"", L""), S_OK);
    QStringList volumes{u"untouched"_s};
    QCOMPARE(connection.Fetch(ServiceCall::Timeout::Normal, &CEngineProxy::GetVolumes,
                              CServiceConnection::In(), &volumes),
             CDBusResult::BadStubData);
    QCOMPARE(volumes, QStringList{u"untouched"_s});
    // One value too many after the HRESULT.
    QCOMPARE(connection.Fetch(ServiceCall::Timeout::Normal, &CEngineProxy::Pause,
                              CServiceConnection::In(u"C:"_s)),
             CDBusResult::BadStubData);
    // An answer later than the call's time-out is a time-out, not a lost server: the command may
    // have been carried out, and is not made again.
    const HRESULT late =
        connection.Fetch(100, &CEngineProxy::Resume, CServiceConnection::In(u"C:"_s));
    QCOMPARE(late, CDBusResult::RpcTimeout);
    QCOMPARE(CSystemMessage::Text(late),
             u"This operation returned because the timeout period expired."_s);
    // The server answers in order: once a later call is answered, every repeat would have run.
    QCOMPARE(connection.Fetch(ServiceCall::Timeout::Normal, &CEngineProxy::GetVolumes,
                              CServiceConnection::In(), &volumes),
             CDBusResult::BadStubData);
    QCOMPARE(CMalformedEngineAdaptor::resumed.load(), 1);
    QVERIFY(connection.IsConnected());
}

QTEST_GUILESS_MAIN(TestWrapperOperations)
#include "tst_WrapperOperations.moc"
