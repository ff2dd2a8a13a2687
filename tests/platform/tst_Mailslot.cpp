#include "platform/CComputerName.h"
#include "platform/CUnixSocketAddress.h"
#include "platform/mailslot/CMailslotStream.h"
#include "platform/mailslot/CUnixMailslot.h"
#include "tests/support/CTestEnvironment.h"

#include <QtTest>

#include <atomic>
#include <optional>
#include <poll.h>
#include <stop_token>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <thread>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

bool Delivers(IMailslot& client, IMailslot& server, const QByteArray& text)
{
    QByteArray got;
    return client.Write(text) == ERROR_SUCCESS && server.Read(&got) == ERROR_SUCCESS && got == text;
}

QByteArray SocketFile(const QString& name)
{
    return QFile::encodeName(CUnixMailslot::SocketPath(name));
}

// What a process that died while it had the mailslot leaves behind: a bound socket file.
bool AbandonSocketAt(const QByteArray& path)
{
    const int fd = ::socket(AF_UNIX, SOCK_DGRAM, 0);
    const bool bound = CUnixSocketAddress(path).Bind(fd);
    ::close(fd);
    return bound;
}

int Mode(const QString& path)
{
    struct stat info = {};
    return ::stat(QFile::encodeName(path).constData(), &info) == 0 ? int(info.st_mode & 07777) : -1;
}

} // namespace

class TestMailslot : public QObject {
    Q_OBJECT

private slots:
    void init() { m_environment.emplace(); }
    void cleanup() { m_environment.reset(); }

    void messagesKeepBoundariesAndOrder();
    void readWaitsForTheTimeOut();
    void waitingForAMessage_data();
    void waitingForAMessage();
    void socketFilesOfOthersAreLeftAlone_data();
    void socketFilesOfOthersAreLeftAlone();
    void names_data();
    void names();
    void emptyMessagesFillTheQueueToo();
    void writerLearnsTheReaderHasGone();
    void aStreamCarriesMessagesWholeHoweverItArrives();

private:
    std::optional<CTestEnvironment> m_environment;
};

void TestMailslot::messagesKeepBoundariesAndOrder()
{
    constexpr DWORD kLimit = 64 * 1024;
    CUnixMailslot server;
    CUnixMailslot client;
    DWORD size = 0;
    QByteArray read;
    // Each side answers only for itself, and a handle only in its state.
    QCOMPARE(server.Read(&read), ERROR_INVALID_HANDLE);
    QCOMPARE(client.Write("x"), ERROR_INVALID_HANDLE);
    QCOMPARE(server.Create(u"order"_s, kLimit, 0), ERROR_SUCCESS);
    QCOMPARE(server.Create(u"other"_s, kLimit, 0), ERROR_INVALID_HANDLE);
    QCOMPARE(server.Write("x"), ERROR_INVALID_HANDLE);
    QCOMPARE(client.Open(QString(), u"order"_s), ERROR_SUCCESS);
    QCOMPARE(client.Open(QString(), u"order"_s), ERROR_INVALID_HANDLE);
    QCOMPARE(client.NextMessageSize(&size), ERROR_INVALID_HANDLE);
    QCOMPARE(client.Read(&read), ERROR_INVALID_HANDLE);
    QCOMPARE(server.NextMessageSize(&size), ERROR_SUCCESS);
    QCOMPARE(size, MAILSLOT_NO_MESSAGE);

    QByteArray large(kLimit + 1, Qt::Uninitialized);
    for (qsizetype i = 0; i < large.size(); ++i)
        large[i] = char(i * 7);
    // One over the limit is taken off the queue unread, and the rest still arrive.
    const QList<QByteArray> messages = {
        "abc", "", large, large.left(kLimit), "", QByteArray("\0x\0", 3)};
    for (const QByteArray& message : messages)
        QCOMPARE(client.Write(message), ERROR_SUCCESS);
    for (const QByteArray& message : messages) {
        // Asking twice takes nothing away.
        QCOMPARE(server.NextMessageSize(&size), ERROR_SUCCESS);
        QCOMPARE(server.NextMessageSize(&size), ERROR_SUCCESS);
        QCOMPARE(size, DWORD(message.size()));
        read = "untouched";
        const bool fits = message.size() <= kLimit;
        QCOMPARE(server.Read(&read), fits ? ERROR_SUCCESS : ERROR_INVALID_DATA);
        QCOMPARE(read, fits ? message : QByteArray("untouched"));
    }
    QCOMPARE(server.NextMessageSize(&size), ERROR_SUCCESS);
    QCOMPARE(size, MAILSLOT_NO_MESSAGE);
}

void TestMailslot::readWaitsForTheTimeOut()
{
    // Nothing comes: the read gives up after its time-out.
    for (const DWORD timeout : {0u, 300u}) {
        CUnixMailslot server;
        QCOMPARE(server.Create(u"wait%1"_s.arg(timeout), 0, timeout), ERROR_SUCCESS);
        QElapsedTimer clock;
        clock.start();
        QByteArray message = "untouched";
        QCOMPARE(server.Read(&message), ERROR_SEM_TIMEOUT);
        QVERIFY2(clock.elapsed() >= timeout * 8 / 10, qPrintable(QString::number(clock.elapsed())));
        QCOMPARE(message, QByteArray("untouched"));
    }
    // Without a time-out it waits as long as the message takes.
    CUnixMailslot server;
    QCOMPARE(server.Create(u"forever"_s, 0, MAILSLOT_WAIT_FOREVER), ERROR_SUCCESS);
    QElapsedTimer clock;
    clock.start();
    std::thread writer([] {
        QThread::msleep(300);
        CUnixMailslot client;
        if (client.Open(QString(), u"forever"_s) == ERROR_SUCCESS)
            client.Write("late");
    });
    QByteArray message;
    QCOMPARE(server.Read(&message), ERROR_SUCCESS);
    const qint64 elapsed = clock.elapsed();
    writer.join();
    QCOMPARE(message, QByteArray("late"));
    QVERIFY2(elapsed >= 290, qPrintable(QString::number(elapsed)));
}

void TestMailslot::waitingForAMessage_data()
{
    // What happens, and when, relative to a wait with no time-out of its own.
    QTest::addColumn<QString>("event");
    QTest::addColumn<DWORD>("result");
    QTest::newRow("message queued before") << u"queued"_s << ERROR_SUCCESS;
    QTest::newRow("message written by another thread") << u"written"_s << ERROR_SUCCESS;
    QTest::newRow("stop asked before") << u"stopped"_s << ERROR_CANCELLED;
    QTest::newRow("stop asked by another thread") << u"stopping"_s << ERROR_CANCELLED;
    QTest::newRow("nothing, no time to wait") << u"nothing"_s << ERROR_SEM_TIMEOUT;
}

void TestMailslot::waitingForAMessage()
{
    QFETCH(QString, event);
    QFETCH(DWORD, result);
    CUnixMailslot server;
    CUnixMailslot client;
    std::stop_source stop;
    QCOMPARE(server.WaitForMessage(0, stop.get_token()), ERROR_INVALID_HANDLE);
    QCOMPARE(server.Create(u"waited"_s, 0, 0), ERROR_SUCCESS);
    QCOMPARE(client.Open(QString(), u"waited"_s), ERROR_SUCCESS);
    QCOMPARE(client.WaitForMessage(0, stop.get_token()), ERROR_INVALID_HANDLE);

    if (event == u"queued")
        QCOMPARE(client.Write("soon"), ERROR_SUCCESS);
    if (event == u"stopped")
        stop.request_stop();
    std::thread other([&] {
        if (event == u"written")
            client.Write("late");
        else if (event == u"stopping")
            stop.request_stop();
    });
    const DWORD timeout = event == u"nothing" ? 0 : MAILSLOT_WAIT_FOREVER;
    const DWORD waited = server.WaitForMessage(timeout, stop.get_token());
    other.join();
    QCOMPARE(waited, result);
    // The wait takes nothing off the queue.
    DWORD size = 0;
    QCOMPARE(server.NextMessageSize(&size), ERROR_SUCCESS);
    QCOMPARE(size, result == ERROR_SUCCESS ? DWORD(4) : MAILSLOT_NO_MESSAGE);
}

void TestMailslot::socketFilesOfOthersAreLeftAlone_data()
{
    QTest::addColumn<bool>("deep");
    QTest::newRow("runtime folder") << false;
    // Deeper than a socket address holds, with the longest name a mailslot may have.
    QTest::newRow("deep runtime folder, longest name") << true;
}

void TestMailslot::socketFilesOfOthersAreLeftAlone()
{
    QFETCH(bool, deep);
    if (deep)
        m_environment->Set("KORVANE_RUNTIME_DIR",
                           m_environment->Root() + u'/' + QString(110, u'd'));
    const QString busy = deep ? QString(CUnixSocketAddress::kLongestFileName, u'n') : u"busy"_s;
    QVERIFY(!deep || SocketFile(busy).size() > qsizetype(sizeof(sockaddr_un::sun_path)));
    CUnixMailslot first;
    CUnixMailslot second;
    CUnixMailslot client;
    QCOMPARE(first.Create(busy, 0, 0), ERROR_SUCCESS);
    QCOMPARE(Mode(CUnixMailslot::SocketPath(QString()) + u".."_s), 0700);
    QCOMPARE(Mode(CUnixMailslot::SocketPath(QString())), 0700);
    QCOMPARE(second.Create(busy, 0, 0), ERROR_ALREADY_EXISTS);
    // The refused one must not have removed the live socket.
    QCOMPARE(client.Open(QString(), busy), ERROR_SUCCESS);
    QVERIFY(Delivers(client, first, "still here"));
    client.Close();

    // A dead process's socket is taken over.
    QVERIFY(AbandonSocketAt(SocketFile(u"stale"_s)));
    QCOMPARE(second.Create(u"stale"_s, 0, 0), ERROR_SUCCESS);
    QCOMPARE(client.Open(QString(), u"stale"_s), ERROR_SUCCESS);
    QVERIFY(Delivers(client, second, "taken over"));

    // Something that is not a socket is nobody's stale mailslot.
    QFile plain(QFile::decodeName(SocketFile(u"plain"_s)));
    QVERIFY(plain.open(QIODevice::WriteOnly));
    plain.close();
    CUnixMailslot third;
    QCOMPARE(third.Create(u"plain"_s, 0, 0), ERROR_ALREADY_EXISTS);
    QVERIFY(plain.exists());

    // Closing removes the socket file, unless another process has put its own there since.
    first.Close();
    QVERIFY(!QFile::exists(CUnixMailslot::SocketPath(busy)));
    QVERIFY(::unlink(SocketFile(u"stale"_s).constData()) == 0);
    QVERIFY(AbandonSocketAt(SocketFile(u"stale"_s)));
    second.Close();
    QVERIFY(QFile::exists(CUnixMailslot::SocketPath(u"stale"_s)));
}

void TestMailslot::names_data()
{
    // Each row meets the live mailslot "here".
    QTest::addColumn<QString>("computer");
    QTest::addColumn<QString>("name");
    QTest::addColumn<DWORD>("openResult");
    QTest::addColumn<DWORD>("createResult");

    const DWORD ok = ERROR_SUCCESS;
    const DWORD exists = ERROR_ALREADY_EXISTS;
    const DWORD invalid = ERROR_INVALID_NAME;
    const QString local = CComputerName::Local();
    QTest::newRow("no computer") << QString() << u"here"_s << ok << exists;
    QTest::newRow("localhost") << u"LocalHost"_s << u"here"_s << ok << exists;
    QTest::newRow("upper case") << local.toUpper() << u"here"_s << ok << exists;
    QTest::newRow("missing") << QString() << u"nobody"_s << ERROR_FILE_NOT_FOUND << ok;
    QTest::newRow("other computer")
        << u"korvane-elsewhere.invalid"_s << u"here"_s << ERROR_BAD_NETPATH << exists;
    QTest::newRow("empty") << QString() << QString() << invalid << invalid;
    QTest::newRow("dot name") << QString() << u"."_s << invalid << invalid;
    QTest::newRow("nul") << QString() << QString::fromUtf16(u"a\0b", 3) << invalid << invalid;
    QTest::newRow("too long") << QString()
                              << QString(CUnixSocketAddress::kLongestFileName + 1, u'n')
                              << ERROR_FILENAME_EXCED_RANGE << ERROR_FILENAME_EXCED_RANGE;
}

void TestMailslot::names()
{
    QFETCH(QString, computer);
    QFETCH(QString, name);
    QFETCH(DWORD, openResult);
    QFETCH(DWORD, createResult);
    CUnixMailslot here;
    QCOMPARE(here.Create(u"here"_s, 0, 0), ERROR_SUCCESS);
    CUnixMailslot client;
    QCOMPARE(client.Open(computer, name), openResult);
    QCOMPARE(client.IsOpen(), openResult == ERROR_SUCCESS);
    if (client.IsOpen())
        QVERIFY(Delivers(client, here, "hello"));
    CUnixMailslot server;
    QCOMPARE(server.Create(name, 0, 0), createResult);
    QCOMPARE(server.IsOpen(), createResult == ERROR_SUCCESS);
}

void TestMailslot::emptyMessagesFillTheQueueToo()
{
    // A queue with room for a few dozen messages: a writer of endless empty ones is held back
    // as one of large messages would be, rather than growing the queue without bound, and
    // every message it got through is there to be read.
    CUnixMailslot server(4096);
    QCOMPARE(server.Create(u"empty"_s, 0, 10000), ERROR_SUCCESS);
    const int fd = ::socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    QVERIFY(CUnixSocketAddress(SocketFile(u"empty"_s)).Connect(fd));
    constexpr int kEndless = 200000;
    int sent = 0;
    while (sent < kEndless) {
        if (::send(fd, "", 0, MSG_DONTWAIT) == 0) {
            ++sent;
            continue;
        }
        QCOMPARE(errno, EAGAIN);
        // Room comes while the drain takes messages off the socket; once it has stopped, none.
        pollfd room{fd, POLLOUT, 0};
        if (::poll(&room, 1, 500) == 0)
            break;
    }
    ::close(fd);
    QVERIFY2(sent < 1000, qPrintable(QString::number(sent)));
    QByteArray message;
    for (int i = 0; i < sent; ++i) {
        message = "untouched";
        QCOMPARE(server.Read(&message), ERROR_SUCCESS);
        QVERIFY(message.isEmpty());
    }
    DWORD size = 0;
    QCOMPARE(server.NextMessageSize(&size), ERROR_SUCCESS);
    QCOMPARE(size, MAILSLOT_NO_MESSAGE);
}

void TestMailslot::writerLearnsTheReaderHasGone()
{
    CUnixMailslot server;
    CUnixMailslot client;
    QCOMPARE(server.Create(u"gone"_s, 0, 0), ERROR_SUCCESS);
    QCOMPARE(client.Open(QString(), u"gone"_s), ERROR_SUCCESS);
    server.Close();
    QCOMPARE(client.Write("after"), ERROR_FILE_NOT_FOUND);
    QCOMPARE(client.Write("again"), ERROR_FILE_NOT_FOUND);

    // A writer waiting on a full mailslot is woken by the close instead of waiting for ever.
    QCOMPARE(server.Create(u"full"_s, 0, 0), ERROR_SUCCESS);
    std::atomic<DWORD> writeResult = ERROR_SUCCESS;
    std::atomic<qint64> written = 0;
    std::thread writer([&] {
        CUnixMailslot full;
        DWORD answer = full.Open(QString(), u"full"_s);
        const QByteArray block(1024 * 1024, 'x');
        while (answer == ERROR_SUCCESS && written < 4 * CUnixMailslot::kQueueLimitBytes) {
            answer = full.Write(block);
            written += block.size();
        }
        writeResult = answer;
    });
    QTRY_VERIFY_WITH_TIMEOUT(written >= CUnixMailslot::kQueueLimitBytes, 20000);
    QThread::msleep(200);
    server.Close();
    writer.join();
    QCOMPARE(writeResult.load(), ERROR_FILE_NOT_FOUND);
    QVERIFY(written < 2 * CUnixMailslot::kQueueLimitBytes);
}

QTEST_GUILESS_MAIN(TestMailslot)
// The stream between a relay and the console: messages come out whole and in order whatever
// pieces the bytes arrive in, and a length no sender could write breaks the stream for good.
void TestMailslot::aStreamCarriesMessagesWholeHoweverItArrives()
{
    const QList<QByteArray> messages = {"first", QByteArray(), QByteArray(70000, 'x'), "last"};
    QByteArray stream;
    for (const QByteArray& message : messages)
        CMailslotStream::Append(&stream, message);
    for (const qsizetype piece : {qsizetype(1), qsizetype(3), qsizetype(4096), stream.size()}) {
        CMailslotStream reader;
        QList<QByteArray> received;
        for (qsizetype offset = 0; offset < stream.size(); offset += piece) {
            reader.Feed(stream.constData() + offset, std::min(piece, stream.size() - offset));
            QByteArray message;
            while (reader.Next(&message) == CMailslotStream::TNext::Message)
                received.append(message);
        }
        QCOMPARE(received, messages);
    }

    CMailslotStream broken;
    QByteArray message;
    const char tooLong[] = {'\xff', '\xff', '\xff', '\x7f', 'a'};
    broken.Feed(tooLong, sizeof tooLong);
    QCOMPARE(broken.Next(&message), CMailslotStream::TNext::Broken);
    QByteArray valid;
    CMailslotStream::Append(&valid, "after");
    broken.Feed(valid.constData(), valid.size());
    QCOMPARE(broken.Next(&message), CMailslotStream::TNext::Broken);
}

#include "tst_Mailslot.moc"
