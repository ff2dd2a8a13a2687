#include "engine/CExchangeStatisticsMsg.h"
#include "engine/CKV100EngineInterface.h"
#include "engine/CNoticeOwners.h"
#include "engine/NoticeTypes.h"
#include "engine/ServiceContract.h"
#include "notify/CMailSlotTransport.h"
#include "notify/CNoticeWriter.h"
#include "notify/CSignalTap.h"
#include "platform/mailslot/IMailslot.h"
#include "tests/support/CMemoryMailslot.h"
#include "tests/support/CTestEnvironment.h"

#include <QtTest>

#include <atomic>
#include <mutex>
#include <thread>

using namespace Qt::StringLiterals;

Q_DECLARE_METATYPE(CNoticeWriter)

namespace {

struct TEmission {
    QByteArray name;
    QVariantList arguments;
};

// Collects what an owner emits, from whatever thread.
class CRecorder {
public:
    explicit CRecorder(QObject* source)
        : m_tap(source, [this](const QMetaMethod& signal, const QVariantList& arguments) {
            std::lock_guard lock(m_mutex);
            m_emissions.push_back({signal.name(), arguments});
        })
    {}
    std::vector<TEmission> Emissions()
    {
        std::lock_guard lock(m_mutex);
        return m_emissions;
    }
    size_t Count()
    {
        std::lock_guard lock(m_mutex);
        return m_emissions.size();
    }

private:
    std::mutex m_mutex;
    std::vector<TEmission> m_emissions;
    CSignalTap m_tap;
};

QVariant W(const wchar_t* text)
{
    return QVariant::fromValue(std::wstring(text));
}

CNoticeWriter Notice(quint32 type)
{
    CNoticeWriter writer;
    writer.U32(type);
    return writer;
}

// A notice that each owner turns into a signal, and that signal.
std::pair<QByteArray, QByteArray> Marker(const QString& owner)
{
    using namespace NoticeType;
    if (owner == u"engine")
        return {Notice(EngineOpCompleted).String(u"m"_s).Body(), "OpCompleted"};
    if (owner == u"agent")
        return {Notice(AgentResources).F64(0).F64(0).Body(), "ResourcesUpdated"};
    if (owner == u"spacereports")
        return {Notice(SpaceReportStopped).String(u"m"_s).Body(), "Stopped"};
    if (owner == u"exchange")
        return {Notice(ExchangeOutput).String(u"m"_s).Body(), "OnOutput"};
    if (owner == u"vm")
        return {Notice(VmOpFinished).Body(), "OpFinished"};
    return {Notice(ToolFailure).U32(1).Body(), "Failed"};
}

} // namespace

class TestListeners : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void serviceContract();
    void engineStatusMapping_data();
    void engineStatusMapping();
    void everyNoticeThroughARealMailslot_data();
    void everyNoticeThroughARealMailslot();
    void shortBodiesEmitNothing_data();
    void shortBodiesEmitNothing();
    void unknownTypesAndRunts();
    void stopMidBurstAndStartAgain();
    void startFailuresLeaveNothingBehind();
    void aTransportErrorEndsTheThread();
    void stopAskedFromADispatch();
    void lostOrNotAccessibleDrives();

private:
    std::unique_ptr<CTestEnvironment> m_environment;
};

void TestListeners::init()
{
    m_environment = std::make_unique<CTestEnvironment>();
}

void TestListeners::cleanup()
{
    IMailslot::SetFactory({});
    CMemoryMailslot::Reset();
    m_environment.reset();
}

void TestListeners::serviceContract()
{
    QCOMPARE(ServiceContract::Engine.ClassIdCount(), 3u);
    QCOMPARE(ServiceContract::Engine.classIds[1], "{E433A430-6353-4e11-8484-45F98CE62D44}");
    QCOMPARE(ServiceContract::Agent.classIds[0], "{66965DDE-28BB-4B06-B848-583F7E202B58}");
    QCOMPARE(ServiceContract::VmEngine.ClassIdCount(), 1u);
    QCOMPARE(ServiceContract::All.size(), 11u);
    for (const TServiceContract* service : ServiceContract::All) {
        QVERIFY(!QUuid::fromString(QAnyStringView(service->interfaceId)).isNull());
        for (size_t i = 0; i < service->ClassIdCount(); ++i)
            QVERIFY(!QUuid::fromString(QAnyStringView(service->classIds[i])).isNull());
    }
}

void TestListeners::engineStatusMapping_data()
{
    QTest::addColumn<quint32>("engine");
    QTest::addColumn<uint>("signalled");
    const uint expected[] = {0, 1, 2, 5, 2, 2, 2, 0, 0, 3, 4, 0, 0};
    for (quint32 status = 0; status < std::size(expected); ++status)
        QTest::addRow("%u", status) << status << expected[status];
    QTest::newRow("largest") << 0xFFFFFFFFu << 0u;
}

void TestListeners::engineStatusMapping()
{
    QFETCH(quint32, engine);
    QFETCH(uint, signalled);
    QCOMPARE(CKV100EngineInterface::MapEngineStatus(engine), signalled);
}

void TestListeners::everyNoticeThroughARealMailslot_data()
{
    using namespace NoticeType;
    QTest::addColumn<QString>("owner");
    QTest::addColumn<CNoticeWriter>("notice");
    QTest::addColumn<QByteArray>("signal");
    QTest::addColumn<QVariantList>("arguments");

    const std::wstring volume = L"{7c1f0e2a-0000-4d1b-9d3e-5a5e2b1c0d99}";
    const QVariant id = QVariant::fromValue(volume);
    auto engine = [&](quint32 type) { return Notice(type).String(volume); };
    const QString e = u"engine"_s;
    QTest::newRow("0") << e << engine(EngineOpStarted) << "OpStarted"_ba << QVariantList{id};
    QTest::newRow("1") << e << engine(EngineStatus).U32(3).F64(42.5).F64(45000.25)
                       << "StatusChanged"_ba
                       << QVariantList{id, QVariant(5u), QVariant(42.5), QVariant(45000.25)};
    QTest::newRow("2") << e << engine(EngineFragmentation).F64(12.25) << "FragmentationChanged"_ba
                       << QVariantList{id, QVariant(12.25)};
    QTest::newRow("3") << e << engine(EngineWorkingMessage).F64(7.0).String(u"Défrag ✓"_s)
                       << "WorkingMessageChanged"_ba
                       << QVariantList{id, QVariant(7.0), W(L"Défrag ✓")};
    QTest::newRow("4") << e << engine(EngineBitmap).U8(13).U32(3599).U32(1) << "BitmapUpdated"_ba
                       << QVariantList{id, QVariant(13u), QVariant(3599u), QVariant(1u)};
    QTest::newRow("5") << e << engine(EngineFTNotExceeded) << "FTNotExceeded"_ba
                       << QVariantList{id};
    QTest::newRow("6") << e << engine(EngineInsufficientFreeSpace) << "InsufficientFreeSpace"_ba
                       << QVariantList{id};
    QTest::newRow("7") << e << engine(EngineStatisticsUpdated) << "StatisticsUpdated"_ba
                       << QVariantList{id};
    QTest::newRow("8") << e << engine(EngineOpCompleted) << "OpCompleted"_ba << QVariantList{id};
    QTest::newRow("9") << e << engine(EngineFreeSpaceFragmentation).F64(3.5)
                       << "FreeSpaceFragmentationChanged"_ba << QVariantList{id, QVariant(3.5)};

    const QString a = u"agent"_s;
    QTest::newRow("6000") << a << Notice(AgentScheduleStarted).String(u"Nightly"_s).String(u""_s)
                          << "ScheduleStarted"_ba << QVariantList{W(L"Nightly"), W(L"")};
    QTest::newRow("6001") << a << Notice(AgentScheduleStopped).String(u"N"_s).String(u"Item 1"_s)
                          << "ScheduleStopped"_ba << QVariantList{W(L"N"), W(L"Item 1")};
    QTest::newRow("8000") << a << Notice(AgentResources).F64(1.5).F64(2.5) << "ResourcesUpdated"_ba
                          << QVariantList{QVariant(1.5), QVariant(2.5)};

    const QString s = u"spacereports"_s;
    QTest::newRow("2100") << s << Notice(SpaceReportStarted).String(u"set"_s) << "Started"_ba
                          << QVariantList{W(L"set")};
    QTest::newRow("2101") << s << Notice(SpaceReportCompleted).String(u"set"_s) << "Completed"_ba
                          << QVariantList{W(L"set")};
    QTest::newRow("2102") << s << Notice(SpaceReportProgress).String(u"set"_s).F64(0.75)
                          << "Progress"_ba << QVariantList{W(L"set"), QVariant(0.75)};
    QTest::newRow("2103") << s << Notice(SpaceReportFailed).String(u"set"_s).U32(0x80070005u)
                          << "Failed"_ba << QVariantList{W(L"set"), QVariant(HRESULT(0x80070005u))};
    QTest::newRow("2104") << s << Notice(SpaceReportStopped).String(u"set"_s) << "Stopped"_ba
                          << QVariantList{W(L"set")};

    const QString d = u"duplicates"_s;
    const QString c = u"cleaner"_s;
    QTest::newRow("dup 2000 1") << d << Notice(ToolState).U32(1) << "Started"_ba << QVariantList{};
    QTest::newRow("dup 2000 2") << d << Notice(ToolState).U32(2) << "Stopped"_ba << QVariantList{};
    QTest::newRow("dup 2000 3") << d << Notice(ToolState).U32(3) << "Finished"_ba << QVariantList{};
    QTest::newRow("dup 2000 10") << d << Notice(ToolState).U32(10) << ""_ba << QVariantList{};
    QTest::newRow("dup 2001") << d << Notice(ToolProgress).String(u"Hashing"_s).F64(99.9)
                              << "Progress"_ba
                              << QVariantList{QVariant(u"Hashing"_s), QVariant(99)};
    QTest::newRow("dup 2002") << d << Notice(ToolFailure).U32(0x80004005u) << "Failed"_ba
                              << QVariantList{QVariant(E_FAIL)};
    QTest::newRow("dup 2005") << d << Notice(ToolPercentMessage).U32(5).String(u"x"_s) << ""_ba
                              << QVariantList{};
    QTest::newRow("cleaner 2000 10")
        << c << Notice(ToolState).U32(10) << "Started"_ba << QVariantList{};
    QTest::newRow("cleaner 2000 11")
        << c << Notice(ToolState).U32(11) << "Stopped"_ba << QVariantList{};
    QTest::newRow("cleaner 2000 12")
        << c << Notice(ToolState).U32(12) << "Finished"_ba << QVariantList{};
    QTest::newRow("cleaner 2000 1") << c << Notice(ToolState).U32(1) << ""_ba << QVariantList{};
    QTest::newRow("cleaner 2002") << c << Notice(ToolFailure).U32(5) << "Failed"_ba
                                  << QVariantList{QVariant(HRESULT(5))};
    QTest::newRow("cleaner 2005") << c << Notice(ToolPercentMessage).U32(40).String(u"Temp"_s)
                                  << "Progress"_ba
                                  << QVariantList{QVariant(u"Temp"_s), QVariant(40)};
    QTest::newRow("cleaner 2001") << c << Notice(ToolProgress).String(u"x"_s).F64(1) << ""_ba
                                  << QVariantList{};
    QTest::newRow("cleaner 2003") << c
                                  << Notice(ToolCounts).U32(1).U32(2).U32(3).U32(4).String(u""_s)
                                  << ""_ba << QVariantList{};

    const QString x = u"exchange"_s;
    auto operation = [](quint32 status) {
        return Notice(ExchangeOperation)
            .String(u"First Storage Group"_s)
            .String(u"Mailbox Store"_s)
            .String(u"phase"_s)
            .U32(status)
            .U32(60)
            .U32(0);
    };
    const QVariant group = W(L"First Storage Group");
    const QVariant store = W(L"Mailbox Store");
    QTest::newRow("3000 started") << x << operation(0) << "OpStarted"_ba
                                  << QVariantList{group, store, QVariant(true)};
    QTest::newRow("3000 compacting") << x << operation(3) << "StatusChanged"_ba
                                     << QVariantList{group, store, QVariant(3u), QVariant(60.0)};
    QTest::newRow("3000 mounting") << x << operation(5) << "StatusChanged"_ba
                                   << QVariantList{group, store, QVariant(5u), QVariant(60.0)};
    QTest::newRow("3000 completed")
        << x << operation(6) << "OpCompleted"_ba << QVariantList{group, store};
    QTest::newRow("3000 failed") << x << operation(8) << "OpCompleted"_ba
                                 << QVariantList{group, store};
    QTest::newRow("3000 beyond") << x << operation(9) << ""_ba << QVariantList{};
    QTest::newRow("3001") << x << Notice(ExchangeOutput).String(u"line\r\n"_s) << "OnOutput"_ba
                          << QVariantList{W(L"line\r\n")};
    CExchangeStatisticsMsg stats{
        L"G",   L"S",  L"0:01:02", L"0:03:04", L"C:\\db\\priv.edb", L"D:\\backup.edb",
        1024.0, 512.0, 50.0};
    QTest::newRow("3002") << x
                          << Notice(ExchangeStatistics)
                                 .String(u"G"_s)
                                 .String(u"S"_s)
                                 .String(u"0:01:02"_s)
                                 .String(u"0:03:04"_s)
                                 .String(u"C:\\db\\priv.edb"_s)
                                 .F64(1024.0)
                                 .F64(512.0)
                                 .F64(50.0)
                                 .String(u"D:\\backup.edb"_s)
                          << "OnStatistics"_ba << QVariantList{QVariant::fromValue(stats)};

    const QString v = u"vm"_s;
    const QString path = u"/vms/guest one/guest.vmx"_s;
    const QVariant guest = QVariant::fromValue(path.toStdWString());
    auto vm = [&](quint32 type) { return Notice(type).String(path); };
    QTest::newRow("4000") << v << Notice(VmOpStarted) << "OpStarted"_ba << QVariantList{};
    QTest::newRow("4001") << v << Notice(VmOpFinished) << "OpFinished"_ba << QVariantList{};
    QTest::newRow("4002") << v << vm(VmGuestStarted) << "VmOpStarted"_ba << QVariantList{guest};
    QTest::newRow("4003") << v << vm(VmGuestStopped) << "VmOpStopped"_ba << QVariantList{guest};
    QTest::newRow("4004") << v << vm(VmGuestFailed).U32(0x80070005u).String(u"denied"_s)
                          << "VmOpFailed"_ba << QVariantList{guest, QVariant(E_ACCESSDENIED)};
    QTest::newRow("4005") << v << vm(VmGuestCompleted).I64(5000000000LL).I64(-1)
                          << "VmOpCompleted"_ba
                          << QVariantList{guest, QVariant(LONGLONG(5000000000LL)),
                                          QVariant(LONGLONG(-1))};
    QTest::newRow("4006") << v << vm(VmGuestProgress).F64(33.0).String(u"pass 1"_s).F64(60)
                          << "StatusChanged"_ba
                          << QVariantList{guest, QVariant(VmGuestStatus::Defragmenting),
                                          QVariant(33.0), W(L"pass 1")};
    QTest::newRow("4007") << v << vm(VmDiskStarted).String(u"disk.vmdk"_s) << "VmOpProgressText"_ba
                          << QVariantList{guest, W(L"Started Processing disk (disk.vmdk)")};
    QTest::newRow("4008") << v << vm(VmDiskNote).String(u"note"_s) << ""_ba << QVariantList{};
    QTest::newRow("4009") << v
                          << vm(VmDiskFailed).String(u"d.vmdk"_s).U32(0x80004005u).String(u"bad"_s)
                          << "VmOpProgressText"_ba
                          << QVariantList{guest, W(L"Failure for (d.vmdk), bad (-2147467259)")};
    QTest::newRow("4010") << v << vm(VmDiskFinished).String(u"disk.vmdk"_s) << "VmOpProgressText"_ba
                          << QVariantList{guest, W(L"Finished Processing disk (disk.vmdk)")};
    QTest::newRow("4011") << v << vm(VmDiskProgress).String(u"d"_s).F64(80).String(u"m"_s)
                          << "StatusChanged"_ba
                          << QVariantList{guest, QVariant(VmGuestStatus::Defragmenting),
                                          QVariant(80.0), W(L"m")};
    QTest::newRow("4012") << v << Notice(VmHostStarted) << "VmHostStarted"_ba << QVariantList{};
    QTest::newRow("4013") << v << Notice(VmHostStopped) << "VmHostStopped"_ba << QVariantList{};
    QTest::newRow("4014") << v << Notice(VmHostFailed).U32(1).String(u""_s) << "VmHostFailed"_ba
                          << QVariantList{QVariant(HRESULT(1))};
    QTest::newRow("4015") << v << Notice(VmHostCompleted) << "VmHostCompleted"_ba << QVariantList{};
    QTest::newRow("4016") << v << Notice(VmHostProgress).F64(12.0).String(u"host"_s)
                          << "VmHostProgress"_ba << QVariantList{QVariant(12.0), W(L"host")};
}

void TestListeners::everyNoticeThroughARealMailslot()
{
    QFETCH(QString, owner);
    QFETCH(CNoticeWriter, notice);
    QFETCH(QByteArray, signal);
    QFETCH(QVariantList, arguments);

    CNoticeOwners::TOwner target;
    QVERIFY(CNoticeOwners::Make(owner, &target));
    CRecorder recorder(target.object.get());
    QString name;
    QCOMPARE(target.listener->Start(&name), ERROR_SUCCESS);

    CMailSlotTransport writer;
    QCOMPARE(writer.Open(QString(), name), ERROR_SUCCESS);
    QCOMPARE(writer.Write(notice.Body()), ERROR_SUCCESS);
    // A marker behind it shows that the notice has been dealt with, whether it emitted or not.
    const auto [markerBody, markerSignal] = Marker(owner);
    QCOMPARE(writer.Write(markerBody), ERROR_SUCCESS);
    const size_t expected = signal.isEmpty() ? 1 : 2;
    QTRY_COMPARE_WITH_TIMEOUT(recorder.Count(), expected, 5000);
    target.listener->Stop();

    const std::vector<TEmission> emissions = recorder.Emissions();
    QCOMPARE(emissions.back().name, markerSignal);
    if (signal.isEmpty())
        return;
    QCOMPARE(emissions.front().name, signal);
    QCOMPARE(emissions.front().arguments, arguments);
}

void TestListeners::shortBodiesEmitNothing_data()
{
    everyNoticeThroughARealMailslot_data();
}

void TestListeners::shortBodiesEmitNothing()
{
    QFETCH(QString, owner);
    QFETCH(CNoticeWriter, notice);
    QFETCH(QByteArray, signal);

    CNoticeOwners::TOwner target;
    QVERIFY(CNoticeOwners::Make(owner, &target));
    CRecorder recorder(target.object.get());
    const QByteArray body = notice.Body();
    quint32 type = 0;
    std::memcpy(&type, body.constData(), 4);
    // Every cut of the body short of its last field emits nothing (the sanitizer build also
    // catches any read past the end); the whole body emits once.
    for (qsizetype length = 0; length < body.size(); ++length) {
        target.dispatch(type, body.left(length));
        QVERIFY2(recorder.Count() == 0, qPrintable(u"cut at %1"_s.arg(length)));
    }
    target.dispatch(type, body);
    QCOMPARE(recorder.Count(), signal.isEmpty() ? 0u : 1u);
    // Bytes after the last field are ignored.
    target.dispatch(type, body + QByteArray(3, '\x7f'));
    QCOMPARE(recorder.Count(), signal.isEmpty() ? 0u : 2u);
}

void TestListeners::unknownTypesAndRunts()
{
    CKV100EngineInterface engine;
    CRecorder recorder(&engine);
    QString name;
    QCOMPARE(engine.Listener().Start(&name), ERROR_SUCCESS);
    QRegularExpression uuid(u"^[0-9a-f]{8}-[0-9a-f]{4}-[0-9a-f]{4}-[0-9a-f]{4}-[0-9a-f]{12}$"_s);
    QVERIFY(uuid.match(name).hasMatch());

    std::unique_ptr<IMailslot> raw = IMailslot::Make();
    QCOMPARE(raw->Open(QString(), name), ERROR_SUCCESS);
    auto framed = [](quint32 sequence, const QByteArray& body) {
        return CNoticeWriter().U32(sequence).Body() + body;
    };
    QCOMPARE(raw->Write(QByteArray("\x01\x02\x03", 3)), ERROR_SUCCESS);        // no sequence
    QCOMPARE(raw->Write(framed(0, QByteArray("\x01\x02", 2))), ERROR_SUCCESS); // no type
    QCOMPARE(raw->Write(framed(1, Notice(77).String(u"x"_s).Body())), ERROR_SUCCESS);
    const QByteArray completed = Notice(NoticeType::EngineOpCompleted).String(u"C:"_s).Body();
    QCOMPARE(raw->Write(framed(2, completed)), ERROR_SUCCESS);
    QCOMPARE(raw->Write(framed(2, completed)), ERROR_SUCCESS); // delivered twice
    QCOMPARE(raw->Write(framed(3, completed)), ERROR_SUCCESS);
    QTRY_COMPARE_WITH_TIMEOUT(recorder.Count(), 2u, 5000);
    QTest::qWait(250);
    QCOMPARE(recorder.Count(), 2u);
    QVERIFY(engine.Listener().IsRunning());
}

void TestListeners::stopMidBurstAndStartAgain()
{
    CKV100EngineInterface engine;
    std::atomic<int> received{0};
    CSignalTap tap(&engine, [&](const QMetaMethod&, const QVariantList&) { ++received; });
    QString first;
    QCOMPARE(engine.Listener().Start(&first), ERROR_SUCCESS);

    const QByteArray body =
        Notice(NoticeType::EngineBitmap).String(u"vol"_s).U8(1).U32(2).U32(3).Body();
    std::atomic<bool> writing{true};
    std::atomic<DWORD> writeError{ERROR_SUCCESS};
    std::thread writer([&] {
        CMailSlotTransport transport;
        if (transport.Open(QString(), first) != ERROR_SUCCESS)
            return;
        while (writing) {
            const DWORD result = transport.Write(body);
            if (result != ERROR_SUCCESS) {
                writeError = result;
                return;
            }
        }
    });
    QTRY_VERIFY_WITH_TIMEOUT(received > 1000, 10000);
    engine.Listener().Stop();
    // The mailslot went with the stop: the writer is told so, and nothing comes after it.
    QTRY_COMPARE_WITH_TIMEOUT(writeError.load(), ERROR_FILE_NOT_FOUND, 5000);
    writing = false;
    writer.join();
    const int atStop = received;
    QTest::qWait(50);
    QCOMPARE(received.load(), atStop);
    CMailSlotTransport late;
    QCOMPARE(late.Open(QString(), first), ERROR_FILE_NOT_FOUND);

    QString second;
    QCOMPARE(engine.Listener().Start(&second), ERROR_SUCCESS);
    QVERIFY(second != first);
    CMailSlotTransport transport;
    QCOMPARE(transport.Open(QString(), second), ERROR_SUCCESS);
    for (int i = 0; i < 100; ++i)
        QCOMPARE(transport.Write(body), ERROR_SUCCESS);
    QTRY_COMPARE_WITH_TIMEOUT(received.load(), atStop + 100, 5000);
}

void TestListeners::startFailuresLeaveNothingBehind()
{
    CKV100EngineInterface engine;
    engine.Listener().Stop(); // never started: returns at once
    QVERIFY(!engine.Listener().IsRunning());

    CMailSlotTransport taken;
    QCOMPARE(taken.Create(u"taken"_s), ERROR_SUCCESS);
    QCOMPARE(engine.Listener().StartOn(u"taken"_s), ERROR_ALREADY_EXISTS);
    QVERIFY(!engine.Listener().IsRunning());
    QCOMPARE(engine.Listener().StartOn(u"bad/name"_s), ERROR_INVALID_NAME);
    QVERIFY(!engine.Listener().IsRunning());
    engine.Listener().Stop();

    // The name that failed is still the other owner's.
    CMailSlotTransport writer;
    QCOMPARE(writer.Open(QString(), u"taken"_s), ERROR_SUCCESS);
    QCOMPARE(writer.Write(QByteArray("body")), ERROR_SUCCESS);
    bool nothing = true;
    QByteArray read;
    QCOMPARE(taken.Read(read, nothing), ERROR_SUCCESS);
    QCOMPARE(read, QByteArray("body"));
}

void TestListeners::aTransportErrorEndsTheThread()
{
    IMailslot::SetFactory([] { return std::make_unique<CMemoryMailslot>(); });
    CKV100EngineInterface engine;
    CRecorder recorder(&engine);
    QCOMPARE(engine.Listener().StartOn(u"failing"_s), ERROR_SUCCESS);
    CMailSlotTransport writer;
    QCOMPARE(writer.Open(QString(), u"failing"_s), ERROR_SUCCESS);
    QCOMPARE(writer.Write(Notice(NoticeType::EngineOpStarted).String(u"v"_s).Body()),
             ERROR_SUCCESS);
    QTRY_COMPARE_WITH_TIMEOUT(recorder.Count(), 1u, 5000);

    CMemoryMailslot::FailReads(u"failing"_s, ERROR_INVALID_HANDLE);
    QCOMPARE(writer.Write(Notice(NoticeType::EngineOpStarted).String(u"v"_s).Body()),
             ERROR_SUCCESS);
    QTRY_VERIFY_WITH_TIMEOUT(!engine.Listener().IsRunning(), 5000);
    QCOMPARE(engine.Listener().ExitCode(), ERROR_INVALID_HANDLE);
    QCOMPARE(recorder.Count(), 1u);
    engine.Listener().Stop();
}

void TestListeners::stopAskedFromADispatch()
{
    CKV100EngineInterface engine;
    QObject::connect(
        &engine, &CKV100EngineInterface::OpStarted, &engine, [&] { engine.Listener().Stop(); },
        Qt::DirectConnection);
    QString name;
    QCOMPARE(engine.Listener().Start(&name), ERROR_SUCCESS);
    CMailSlotTransport writer;
    QCOMPARE(writer.Open(QString(), name), ERROR_SUCCESS);
    QCOMPARE(writer.Write(Notice(NoticeType::EngineOpStarted).String(u"v"_s).Body()),
             ERROR_SUCCESS);
    QTRY_VERIFY_WITH_TIMEOUT(!engine.Listener().IsRunning(), 5000);
    QCOMPARE(engine.Listener().ExitCode(), ERROR_SUCCESS);
    engine.Listener().Stop();
}

void TestListeners::lostOrNotAccessibleDrives()
{
    CKV100EngineInterface engine;
    CRecorder recorder(&engine);
    engine.ReportDriveFailure(L"C:", E_ACCESSDENIED);
    engine.ReportDriveFailure(L"D:", HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND));
    engine.ReportDriveFailure(L"E:", E_FAIL);
    const std::vector<TEmission> emissions = recorder.Emissions();
    QCOMPARE(emissions.size(), 3u);
    QCOMPARE(emissions[0].name, "DriveNotAccessible"_ba);
    QCOMPARE(emissions[0].arguments,
             (QVariantList{W(L"C:"), W(L"Access is denied. (-2147024891)")}));
    QCOMPARE(emissions[1].name, "LostDrive"_ba);
    QCOMPARE(emissions[2].name, "LostDrive"_ba);
    QCOMPARE(emissions[2].arguments,
             (QVariantList{W(L"E:"), W(L"Unspecified error (-2147467259)")}));
}

QTEST_GUILESS_MAIN(TestListeners)
#include "tst_Listeners.moc"
