// Notices per second from one writer through the mailslot transport and the engine's listener
// to a receiver on the GUI thread: a burst of drive-map notices, steadier rates, and the
// latency of one notice after an idle period (median and 99th percentile). Every notice carries its
// number, so the receiver counts what was lost or repeated.
#include "engine/CKV100EngineInterface.h"
#include "engine/NoticeTypes.h"
#include "notify/CMailSlotTransport.h"
#include "notify/CNoticeWriter.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTextStream>
#include <QThread>
#include <QTimer>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <pthread.h>
#include <thread>
#include <vector>

namespace {

// Lives on the GUI thread and counts what reaches it.
class CReceiver : public QObject {
public:
    void Reset(quint32 expected)
    {
        m_seen.assign(expected, 0);
        m_received = 0;
        m_repeated = 0;
        m_unexpected = 0;
    }
    void OnBitmap(const TId&, unsigned int, unsigned int number, unsigned int)
    {
        m_arrival = std::chrono::steady_clock::now();
        ++m_received;
        if (number >= m_seen.size())
            ++m_unexpected;
        else if (m_seen[number]++ > 0)
            ++m_repeated;
    }
    quint32 Received() const { return m_received.load(); }
    quint32 Repeated() const { return m_repeated + m_unexpected; }
    quint32 Lost() const
    {
        return static_cast<quint32>(std::count(m_seen.begin(), m_seen.end(), 0));
    }
    // When the last notice reached the receiver.
    std::chrono::steady_clock::time_point m_arrival;

private:
    std::vector<quint8> m_seen;
    std::atomic<quint32> m_received = 0; // counted on either thread, read on the GUI thread
    quint32 m_repeated = 0;
    quint32 m_unexpected = 0;
};

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

// Waits on the GUI thread, sleeping between events, until the receiver has COUNT notices or
// nothing came for a while.
void WaitFor(CReceiver& receiver, quint32 count, int quietMs)
{
    QTimer tick; // wakes the wait now and then, so that silence is noticed
    tick.start(20);
    QElapsedTimer quiet;
    quiet.start();
    quint32 last = receiver.Received();
    while (receiver.Received() < count) {
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        if (receiver.Received() != last) {
            last = receiver.Received();
            quiet.restart();
        } else if (quiet.elapsed() > quietMs) {
            return;
        }
    }
}

struct TRun {
    double seconds = 0.0;
    double writerSeconds = 0.0; // until the writer had written its last notice
    quint32 received = 0;
    quint32 lost = 0;
    quint32 repeated = 0;
};

// Writes COUNT notices at RATE a second (0: as fast as possible).
TRun Run(const QString& name, CReceiver& receiver, quint32 count, int rate)
{
    receiver.Reset(count);
    QElapsedTimer timer;
    timer.start();
    std::atomic<qint64> writerNs{0};
    std::thread writer([&] {
        pthread_setname_np(pthread_self(), "bench-writer");
        CMailSlotTransport transport;
        if (transport.Open(QString(), name) != ERROR_SUCCESS)
            return;
        const auto start = std::chrono::steady_clock::now();
        for (quint32 i = 0; i < count; ++i) {
            if (rate > 0)
                std::this_thread::sleep_until(start +
                                              std::chrono::microseconds(1000000LL * i / rate));
            transport.Write(Bitmap(i));
        }
        writerNs = timer.nsecsElapsed();
    });
    WaitFor(receiver, count, 3000);
    const qint64 elapsedNs = timer.nsecsElapsed();
    writer.join();
    return {static_cast<double>(elapsedNs) / 1e9, static_cast<double>(writerNs) / 1e9,
            receiver.Received(), receiver.Lost(), receiver.Repeated()};
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication application(argc, argv);
    QTemporaryDir runtime;
    qputenv("KORVANE_RUNTIME_DIR", runtime.path().toLocal8Bit());
    QTextStream out(stdout);

    CKV100EngineInterface engine;
    CReceiver receiver;
    // Queued to the GUI thread as the console connects it; the listener-thread variant shows
    // what the transport and the listener manage before that hop.
    QMetaObject::Connection connection =
        QObject::connect(&engine, &CKV100EngineInterface::BitmapUpdated, &receiver,
                         &CReceiver::OnBitmap, Qt::QueuedConnection);
    QString name;
    if (engine.Listener().Start(&name) != ERROR_SUCCESS) {
        out << "the listener could not start\n";
        return 1;
    }

    out << "run | notices | seconds | notices per second | writer done after (s) | lost | "
           "repeated\n";
    struct TCase {
        const char* label;
        quint32 count;
        int rate;
        bool onListenerThread;
    };
    const TCase cases[] = {{"burst, to the GUI thread", 100000, 0, false},
                           {"burst, counted on the listener thread", 100000, 0, true},
                           {"steady, 20000 a second", 40000, 20000, false},
                           {"trickle, 200 a second", 400, 200, false}};
    double burstRate = 0;
    const bool burstOnly = application.arguments().contains(QStringLiteral("--burst-only"));
    for (const TCase& run : cases) {
        if (burstOnly && run.rate != 0)
            continue;
        QObject::disconnect(connection);
        connection = QObject::connect(
            &engine, &CKV100EngineInterface::BitmapUpdated, &receiver, &CReceiver::OnBitmap,
            run.onListenerThread ? Qt::DirectConnection : Qt::QueuedConnection);
        const TRun result = Run(name, receiver, run.count, run.rate);
        if (run.rate == 0 && !run.onListenerThread)
            burstRate = result.received / result.seconds;
        out << run.label << " | " << run.count << " | " << QString::number(result.seconds, 'f', 3)
            << " | " << qRound(result.received / result.seconds) << " | "
            << QString::number(result.writerSeconds, 'f', 3) << " | " << result.lost << " | "
            << result.repeated << "\n";
        out.flush();
    }
    QObject::disconnect(connection);
    QObject::connect(&engine, &CKV100EngineInterface::BitmapUpdated, &receiver,
                     &CReceiver::OnBitmap, Qt::QueuedConnection);

    if (burstOnly)
        return 0;
    // Latency: one notice after the mailslot has been idle for a while, from the write until the
    // receiver on the GUI thread has it. The idle gaps vary, so that the notices fall at every
    // point of the listener's 200 ms period.
    const int samples = 100;
    std::vector<double> latencies;
    CMailSlotTransport writer;
    writer.Open(QString(), name);
    receiver.Reset(samples);
    QRandomGenerator gaps(19);
    for (int i = 0; i < samples; ++i) {
        QThread::msleep(gaps.bounded(50, 450));
        const quint32 before = receiver.Received();
        const auto written = std::chrono::steady_clock::now();
        writer.Write(Bitmap(quint32(i)));
        WaitFor(receiver, before + 1, 5000);
        latencies.push_back(
            std::chrono::duration<double, std::milli>(receiver.m_arrival - written).count());
    }
    std::sort(latencies.begin(), latencies.end());
    const auto at = [&latencies](double fraction) {
        return QString::number(latencies[size_t(fraction * double(latencies.size() - 1))], 'f', 3);
    };
    out << "latency after idle (ms, " << samples << " notices): min " << at(0) << ", median "
        << at(0.5) << ", p99 " << at(0.99) << ", max " << at(1) << " (longest wait of the listener "
        << CNoticeListener::kIdleWaitMs << " ms)\n";
    out << "burst rate to the GUI thread: " << qRound(burstRate) << " notices per second\n";
    engine.Listener().Stop();
    return 0;
}
