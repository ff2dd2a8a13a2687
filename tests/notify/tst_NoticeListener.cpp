#include "notify/CMailSlotTransport.h"
#include "notify/CNoticeListener.h"
#include "notify/CNoticeWriter.h"
#include "platform/mailslot/CUnixMailslot.h"
#include "tests/support/CTestEnvironment.h"

#include <QSemaphore>
#include <QtTest>

#include <future>

namespace {

// How long a test waits for an event that is due at once; only a fault makes it run out.
constexpr int kEventMs = 20000;

// Each wait of the listener's mailslot counts here; a failure set here ends the waits at once.
QSemaphore g_waits;
std::atomic<DWORD> g_failWaitsWith{ERROR_SUCCESS};

// A real mailslot whose waits never time out: only a notice or a stop wakes the listener's thread.
class CWatchedMailslot : public CUnixMailslot {
public:
    DWORD WaitForMessage(DWORD, std::stop_token stop) override
    {
        if (const DWORD failure = g_failWaitsWith; failure != ERROR_SUCCESS)
            return failure;
        g_waits.release();
        return CUnixMailslot::WaitForMessage(MAILSLOT_WAIT_FOREVER, std::move(stop));
    }
};

// Records the notices' types; a test reads them once `dispatched` has counted them all.
class CRecordingListener : public CNoticeListener {
public:
    ~CRecordingListener() override { Stop(); }

    QList<quint32> types;
    QSemaphore dispatched;

    void Dispatch(quint32 type, const QByteArray&) override
    {
        types.append(type);
        dispatched.release();
    }
};

} // namespace

class TestNoticeListener : public QObject {
    Q_OBJECT

private slots:
    void init()
    {
        m_environment.emplace();
        g_waits.acquire(g_waits.available());
        g_failWaitsWith = ERROR_SUCCESS;
        IMailslot::SetFactory([] { return std::make_unique<CWatchedMailslot>(); });
    }
    void cleanup()
    {
        IMailslot::SetFactory({});
        m_environment.reset();
    }

    void noticesWhileWaitingAreDelivered()
    {
        CRecordingListener listener;
        QString name;
        QCOMPARE(listener.Start(&name), ERROR_SUCCESS);
        CMailSlotTransport writer;
        QCOMPARE(writer.Open(QString(), name), ERROR_SUCCESS);
        // A single notice, a burst, a single notice again: each into a listener that waits again.
        QList<quint32> sent;
        for (const int count : {1, 200, 1}) {
            QVERIFY(g_waits.tryAcquire(1, kEventMs));
            for (int i = 0; i < count; ++i) {
                sent.append(quint32(sent.size()));
                QCOMPARE(writer.Write(CNoticeWriter().U32(sent.last()).Body()), ERROR_SUCCESS);
            }
            QVERIFY(listener.dispatched.tryAcquire(count, kEventMs));
        }
        QCOMPARE(listener.types, sent);
        QVERIFY(listener.IsRunning());
    }

    void stopWhileWaitingEndsTheThreadAndItStartsAgain()
    {
        CRecordingListener listener;
        QString name;
        QCOMPARE(listener.Start(&name), ERROR_SUCCESS);
        QVERIFY(g_waits.tryAcquire(1, kEventMs));
        auto stopped = std::async(std::launch::async, [&listener] { listener.Stop(); });
        QCOMPARE(stopped.wait_for(std::chrono::milliseconds(kEventMs)), std::future_status::ready);
        QVERIFY(!listener.IsRunning());
        QCOMPARE(listener.ExitCode(), ERROR_SUCCESS);

        QCOMPARE(listener.Start(&name), ERROR_SUCCESS);
        QVERIFY(g_waits.tryAcquire(1, kEventMs));
        CMailSlotTransport writer;
        QCOMPARE(writer.Open(QString(), name), ERROR_SUCCESS);
        QCOMPARE(writer.Write(CNoticeWriter().U32(7).Body()), ERROR_SUCCESS);
        QVERIFY(listener.dispatched.tryAcquire(1, kEventMs));
    }

    void aFailedWaitEndsTheThread()
    {
        g_failWaitsWith = ERROR_READ_FAULT;
        CRecordingListener listener;
        // The thread may end before the start has seen it run; either way it ends with the error.
        const DWORD started = listener.StartOn(CMailSlotTransport::NewName());
        QVERIFY(started == ERROR_SUCCESS || started == ERROR_READ_FAULT);
        QTRY_VERIFY_WITH_TIMEOUT(!listener.IsRunning(), kEventMs);
        QCOMPARE(listener.ExitCode(), ERROR_READ_FAULT);
    }

private:
    std::optional<CTestEnvironment> m_environment;
};

QTEST_GUILESS_MAIN(TestNoticeListener)
#include "tst_NoticeListener.moc"
