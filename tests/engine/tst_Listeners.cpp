#include "engine/CExchangeStatisticsMsg.h"
#include "engine/CKV100EngineInterface.h"
#include "engine/CNoticeOwners.h"
#include "engine/NoticeTypes.h"
#include "notify/CMailSlotTransport.h"
#include "notify/CNoticeWriter.h"
#include "platform/mailslot/IMailslot.h"
#include "tests/support/CMemoryMailslot.h"
#include "tests/support/CSignalLog.h"
#include "tests/support/CTestEnvironment.h"

#include <QtEndian>
#include <QtTest>

#include <atomic>
#include <thread>

using namespace Qt::StringLiterals;

namespace {

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

} // namespace

// The listeners: every notice decoded into its owner's signal, and the polling thread.
class TestListeners : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void everyNoticeDecodes_data();
    void everyNoticeDecodes();
    void unknownTypesRuntsAndRepeats();
    void stopMidBurstAndStartAgain();
    void startFailuresLeaveNothingBehind();
    void aTransportErrorEndsTheThread();
    void stopAskedFromADispatch();

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

void TestListeners::everyNoticeDecodes_data()
{
    using namespace NoticeType;
    QTest::addColumn<QString>("owner");
    QTest::addColumn<QByteArray>("notice");
    QTest::addColumn<QString>("signal"); // empty: nothing is emitted
    QTest::addColumn<QVariantList>("arguments");
    const auto row = [](const char* name, const QString& owner, const CNoticeWriter& notice,
                        const QString& signal, const QVariantList& arguments = {}) {
        QTest::newRow(name) << owner << notice.Body() << signal << arguments;
    };

    const std::wstring volume = L"{7c1f0e2a-0000-4d1b-9d3e-5a5e2b1c0d99}";
    const QVariant id = QVariant::fromValue(volume);
    const auto engine = [&](quint32 type) { return Notice(type).String(volume); };
    const QString e = u"engine"_s;
    row("0", e, engine(EngineOpStarted), u"OpStarted"_s, {id});
    row("1", e, engine(EngineStatus).U32(3).F64(42.5).F64(45000.25), u"StatusChanged"_s,
        {id, 5u, 42.5, 45000.25});
    row("1, status 11", e, engine(EngineStatus).U32(11).F64(0).F64(0), u"StatusChanged"_s,
        {id, 0u, 0.0, 0.0});
    row("2", e, engine(EngineFragmentation).F64(12.25), u"FragmentationChanged"_s, {id, 12.25});
    row("3", e, engine(EngineWorkingMessage).F64(7.0).String(u"Défrag ✓"_s),
        u"WorkingMessageChanged"_s, {id, 7.0, W(L"Défrag ✓")});
    row("4", e, engine(EngineBitmap).U8(13).U32(3599).U32(1), u"BitmapUpdated"_s,
        {id, 13u, 3599u, 1u});
    row("8", e, engine(EngineOpCompleted), u"OpCompleted"_s, {id});
    row("9", e, engine(EngineFreeSpaceFragmentation).F64(3.5), u"FreeSpaceFragmentationChanged"_s,
        {id, 3.5});

    const QString a = u"agent"_s;
    row("6000", a, Notice(AgentScheduleStarted).String(u"Nightly"_s).String(u""_s),
        u"ScheduleStarted"_s, {W(L"Nightly"), W(L"")});
    row("6001", a, Notice(AgentScheduleStopped).String(u"N"_s).String(u"Item 1"_s),
        u"ScheduleStopped"_s, {W(L"N"), W(L"Item 1")});
    row("8000", a, Notice(AgentResources).F64(1.5).F64(2.5), u"ResourcesUpdated"_s, {1.5, 2.5});

    const QString s = u"spacereports"_s;
    row("2100", s, Notice(SpaceReportStarted).String(u"set"_s), u"Started"_s, {W(L"set")});
    row("2102", s, Notice(SpaceReportProgress).String(u"set"_s).F64(0.75), u"Progress"_s,
        {W(L"set"), 0.75});
    row("2103", s, Notice(SpaceReportFailed).String(u"set"_s).U32(0x80070005u), u"Failed"_s,
        {W(L"set"), QVariant(E_ACCESSDENIED)});

    const QString d = u"duplicates"_s;
    const QString c = u"cleaner"_s;
    row("duplicates 2000 1", d, Notice(ToolState).U32(1), u"Started"_s);
    row("duplicates 2000 3", d, Notice(ToolState).U32(3), u"Finished"_s);
    row("duplicates 2000 10", d, Notice(ToolState).U32(10), QString());
    row("duplicates 2001", d, Notice(ToolProgress).String(u"Hashing"_s).F64(99.9), u"Progress"_s,
        {u"Hashing"_s, 99});
    row("duplicates 2002", d, Notice(ToolFailure).U32(0x80004005u), u"Failed"_s,
        {QVariant(E_FAIL)});
    row("cleaner 2000 10", c, Notice(ToolState).U32(10), u"Started"_s);
    row("cleaner 2000 12", c, Notice(ToolState).U32(12), u"Finished"_s);
    row("cleaner 2000 1", c, Notice(ToolState).U32(1), QString());
    row("cleaner 2002", c, Notice(ToolFailure).U32(5), u"Failed"_s, {QVariant(HRESULT(5))});
    row("cleaner 2005", c, Notice(ToolPercentMessage).U32(40).String(u"Temp"_s), u"Progress"_s,
        {u"Temp"_s, 40});
    row("cleaner 2003", c, Notice(ToolCounts).U32(1).U32(2).U32(3).U32(4).String(u""_s), QString());

    const QString x = u"exchange"_s;
    const auto operation = [](quint32 status) {
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
    row("3000 started", x, operation(0), u"OpStarted"_s, {group, store, true});
    row("3000 compacting", x, operation(3), u"StatusChanged"_s, {group, store, 3u, 60.0});
    row("3000 completed", x, operation(6), u"OpCompleted"_s, {group, store});
    row("3000 failed", x, operation(8), u"OpCompleted"_s, {group, store});
    row("3000 beyond", x, operation(9), QString());
    row("3001", x, Notice(ExchangeOutput).String(u"line\r\n"_s), u"OnOutput"_s, {W(L"line\r\n")});
    const CExchangeStatisticsMsg stats{
        L"G",   L"S",  L"0:01:02", L"0:03:04", L"C:\\db\\priv.edb", L"D:\\backup.edb",
        1024.0, 512.0, 50.0};
    row("3002", x,
        Notice(ExchangeStatistics)
            .String(u"G"_s)
            .String(u"S"_s)
            .String(u"0:01:02"_s)
            .String(u"0:03:04"_s)
            .String(u"C:\\db\\priv.edb"_s)
            .F64(1024.0)
            .F64(512.0)
            .F64(50.0)
            .String(u"D:\\backup.edb"_s),
        u"OnStatistics"_s, {QVariant::fromValue(stats)});

    const QString v = u"vm"_s;
    const QString path = u"/vms/guest one/guest.vmx"_s;
    const QVariant guest = QVariant::fromValue(path.toStdWString());
    const auto vm = [&](quint32 type) { return Notice(type).String(path); };
    row("4000", v, Notice(VmOpStarted), u"OpStarted"_s);
    row("4002", v, vm(VmGuestStarted), u"VmOpStarted"_s, {guest});
    row("4004", v, vm(VmGuestFailed).U32(0x80070005u).String(u"denied"_s), u"VmOpFailed"_s,
        {guest, QVariant(E_ACCESSDENIED)});
    row("4005", v, vm(VmGuestCompleted).I64(5000000000LL).I64(-1), u"VmOpCompleted"_s,
        {guest, QVariant(LONGLONG(5000000000LL)), QVariant(LONGLONG(-1))});
    row("4006", v, vm(VmGuestProgress).F64(33.0).String(u"pass 1"_s).F64(60), u"StatusChanged"_s,
        {guest, QVariant(VmGuestStatus::Defragmenting), 33.0, W(L"pass 1")});
    row("4007", v, vm(VmDiskStarted).String(u"disk.vmdk"_s), u"VmOpProgressText"_s,
        {guest, W(L"Started Processing disk (disk.vmdk)")});
    row("4008", v, vm(VmDiskNote).String(u"note"_s), QString());
    row("4009", v, vm(VmDiskFailed).String(u"d.vmdk"_s).U32(0x80004005u).String(u"bad"_s),
        u"VmOpProgressText"_s, {guest, W(L"Failure for (d.vmdk), bad (-2147467259)")});
    row("4010", v, vm(VmDiskFinished).String(u"disk.vmdk"_s), u"VmOpProgressText"_s,
        {guest, W(L"Finished Processing disk (disk.vmdk)")});
    row("4011", v, vm(VmDiskProgress).String(u"d"_s).F64(80).String(u"m"_s), u"StatusChanged"_s,
        {guest, QVariant(VmGuestStatus::Defragmenting), 80.0, W(L"m")});
    row("4012", v, Notice(VmHostStarted), u"VmHostStarted"_s);
    row("4014", v, Notice(VmHostFailed).U32(1).String(u""_s), u"VmHostFailed"_s,
        {QVariant(HRESULT(1))});
    row("4016", v, Notice(VmHostProgress).F64(12.0).String(u"host"_s), u"VmHostProgress"_s,
        {12.0, W(L"host")});
}

void TestListeners::everyNoticeDecodes()
{
    QFETCH(QString, owner);
    QFETCH(QByteArray, notice);
    QFETCH(QString, signal);
    QFETCH(QVariantList, arguments);
    CNoticeOwners::TOwner target;
    QVERIFY(CNoticeOwners::Make(owner, &target));
    CSignalLog log(target.object.get());
    const quint32 type = qFromLittleEndian<quint32>(notice.constData());
    // Every cut of the body short of its last field emits nothing (the sanitizer build also
    // catches any read past the end); bytes after the last field are ignored.
    for (qsizetype length = 0; length < notice.size(); ++length) {
        target.dispatch(type, notice.left(length));
        QVERIFY2(log.Count() == 0, qPrintable(u"cut at %1"_s.arg(length)));
    }
    target.dispatch(type, notice);
    target.dispatch(type, notice + QByteArray(3, '\x7f'));
    if (signal.isEmpty()) {
        QCOMPARE(log.Count(), 0);
        return;
    }
    QCOMPARE(log.Names(), (QStringList{signal, signal}));
    QCOMPARE(log.Arguments().first(), arguments);
    QCOMPARE(log.Arguments().last(), arguments);
}

void TestListeners::unknownTypesRuntsAndRepeats()
{
    CKV100EngineInterface engine;
    CSignalLog recorder(&engine);
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
    // In order: once the last has been heard, the runts and the repeat before it were dropped.
    QTRY_COMPARE_WITH_TIMEOUT(recorder.Count(), 2, 5000);
    // A new writer may start from the number the last one ended on.
    engine.Listener().ExpectNewWriter();
    QCOMPARE(raw->Write(framed(3, completed)), ERROR_SUCCESS);
    QTRY_COMPARE_WITH_TIMEOUT(recorder.Count(), 3, 5000);
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

    // Started again: a new name, and nothing but what comes to it.
    QString second;
    QCOMPARE(engine.Listener().Start(&second), ERROR_SUCCESS);
    QVERIFY(second != first);
    CMailSlotTransport transport;
    QCOMPARE(transport.Open(QString(), second), ERROR_SUCCESS);
    QCOMPARE(transport.Write(body), ERROR_SUCCESS);
    QTRY_COMPARE_WITH_TIMEOUT(received.load(), atStop + 1, 5000);
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
}

void TestListeners::aTransportErrorEndsTheThread()
{
    IMailslot::SetFactory([] { return std::make_unique<CMemoryMailslot>(); });
    CKV100EngineInterface engine;
    CSignalLog recorder(&engine);
    QCOMPARE(engine.Listener().StartOn(u"failing"_s), ERROR_SUCCESS);
    CMailSlotTransport writer;
    QCOMPARE(writer.Open(QString(), u"failing"_s), ERROR_SUCCESS);
    QCOMPARE(writer.Write(Notice(NoticeType::EngineOpStarted).String(u"v"_s).Body()),
             ERROR_SUCCESS);
    QTRY_COMPARE_WITH_TIMEOUT(recorder.Count(), 1, 5000);

    CMemoryMailslot::FailReads(u"failing"_s, ERROR_INVALID_HANDLE);
    QCOMPARE(writer.Write(Notice(NoticeType::EngineOpStarted).String(u"v"_s).Body()),
             ERROR_SUCCESS);
    QTRY_VERIFY_WITH_TIMEOUT(!engine.Listener().IsRunning(), 5000);
    QCOMPARE(engine.Listener().ExitCode(), ERROR_INVALID_HANDLE);
    QCOMPARE(recorder.Count(), 1);
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

QTEST_GUILESS_MAIN(TestListeners)
#include "tst_Listeners.moc"
