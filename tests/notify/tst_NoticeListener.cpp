#include "notify/CMailSlotTransport.h"
#include "notify/CNoticeListener.h"
#include "notify/CNoticeWriter.h"
#include "platform/mailslot/CUnixMailslot.h"
#include "tests/support/CTestEnvironment.h"

#include <QSemaphore>
#include <QtTest>

#include <future>
#include <mutex>

using namespace Qt::StringLiterals;

namespace {

// How long a test waits for an event that is due at once; only a fault makes it run out.
constexpr int kEventMs = 20000;

// A real mailslot whose waits never time out and which announces each wait, so that a test
// knows the listener is waiting and that only a message or a stop can wake it.
class CWatchedMailslot : public CUnixMailslot {
public:
    struct TWatch {
        QSemaphore waiting; // one per wait entered
        std::atomic<DWORD> failWaitsWith{ERROR_SUCCESS};
    };

    explicit CWatchedMailslot(std::shared_ptr<TWatch> watch)
        : m_watch(std::move(watch))
    {}

    DWORD WaitForMessage(DWORD, std::stop_token stop) override
    {
        if (const DWORD failure = m_watch->failWaitsWith; failure != ERROR_SUCCESS)
            return failure;
        m_watch->waiting.release();
        return CUnixMailslot::WaitForMessage(MAILSLOT_WAIT_FOREVER, std::move(stop));
    }

private:
    std::shared_ptr<TWatch> m_watch;
};

class CRecordingListener : public CNoticeListener {
public:
    ~CRecordingListener() override { Stop(); }

    QList<quint32> Types() const
    {
        std::lock_guard lock(m_mutex);
        return m_types;
    }
    QSemaphore dispatched;

protected:
    void Dispatch(quint32 type, const QByteArray&) override
    {
        {
            std::lock_guard lock(m_mutex);
            m_types.append(type);
        }
        dispatched.release();
    }

private:
    mutable std::mutex m_mutex;
    QList<quint32> m_types;
};

QByteArray Notice(quint32 type)
{
    return CNoticeWriter().U32(type).Body();
}

} // namespace

// The listener's thread waits on its mailslot while it is empty: a notice or a stop ends the
// wait, not the end of a period.
class TestNoticeListener : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void noticesWhileWaitingAreDelivered_data();
    void noticesWhileWaitingAreDelivered();
    void stopWhileWaitingEndsTheThread();
    void aFailedWaitEndsTheThread();

private:
    std::optional<CTestEnvironment> m_environment;
    std::shared_ptr<CWatchedMailslot::TWatch> m_watch;
};

void TestNoticeListener::init()
{
    m_environment.emplace();
    m_watch = std::make_shared<CWatchedMailslot::TWatch>();
    IMailslot::SetFactory([watch = m_watch] { return std::make_unique<CWatchedMailslot>(watch); });
}

void TestNoticeListener::cleanup()
{
    IMailslot::SetFactory({});
    m_watch.reset();
    m_environment.reset();
}

void TestNoticeListener::noticesWhileWaitingAreDelivered_data()
{
    QTest::addColumn<int>("rounds");
    QTest::addColumn<int>("perRound");
    QTest::newRow("one after another, each after the listener waited again") << 5 << 1;
    QTest::newRow("bursts, each into a waiting listener") << 3 << 200;
}

void TestNoticeListener::noticesWhileWaitingAreDelivered()
{
    QFETCH(int, rounds);
    QFETCH(int, perRound);
    CRecordingListener listener;
    QString name;
    QCOMPARE(listener.Start(&name), ERROR_SUCCESS);
    CMailSlotTransport writer;
    QCOMPARE(writer.Open(QString(), name), ERROR_SUCCESS);

    QList<quint32> sent;
    for (int round = 0; round < rounds; ++round) {
        QVERIFY(m_watch->waiting.tryAcquire(1, kEventMs));
        for (int i = 0; i < perRound; ++i) {
            const quint32 type = quint32(round * 1000 + i);
            QCOMPARE(writer.Write(Notice(type)), ERROR_SUCCESS);
            sent.append(type);
        }
        QVERIFY(listener.dispatched.tryAcquire(perRound, kEventMs));
    }
    QCOMPARE(listener.Types(), sent);
    QVERIFY(listener.IsRunning());
}

void TestNoticeListener::stopWhileWaitingEndsTheThread()
{
    CRecordingListener listener;
    QString name;
    QCOMPARE(listener.Start(&name), ERROR_SUCCESS);
    QVERIFY(m_watch->waiting.tryAcquire(1, kEventMs));
    auto stopped = std::async(std::launch::async, [&listener] { listener.Stop(); });
    QCOMPARE(stopped.wait_for(std::chrono::milliseconds(kEventMs)), std::future_status::ready);
    QVERIFY(!listener.IsRunning());
    QCOMPARE(listener.ExitCode(), ERROR_SUCCESS);
    // Started again, it waits and delivers as before.
    QCOMPARE(listener.Start(&name), ERROR_SUCCESS);
    QVERIFY(m_watch->waiting.tryAcquire(1, kEventMs));
    CMailSlotTransport writer;
    QCOMPARE(writer.Open(QString(), name), ERROR_SUCCESS);
    QCOMPARE(writer.Write(Notice(7)), ERROR_SUCCESS);
    QVERIFY(listener.dispatched.tryAcquire(1, kEventMs));
}

void TestNoticeListener::aFailedWaitEndsTheThread()
{
    m_watch->failWaitsWith = ERROR_READ_FAULT;
    CRecordingListener listener;
    QString name;
    // The thread may end before the start has seen it run; either way it ends with the error.
    const DWORD started = listener.Start(&name);
    QVERIFY(started == ERROR_SUCCESS || started == ERROR_READ_FAULT);
    QTRY_VERIFY_WITH_TIMEOUT(!listener.IsRunning(), kEventMs);
    QCOMPARE(listener.ExitCode(), ERROR_READ_FAULT);
}

QTEST_GUILESS_MAIN(TestNoticeListener)
#include "tst_NoticeListener.moc"
