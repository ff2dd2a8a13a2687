#include "platform/CComputerName.h"
#include "platform/CUnixSocketAddress.h"
#include "platform/mailslot/CUnixMailslot.h"
#include "tests/support/CMemoryMailslot.h"
#include "tests/support/CTestEnvironment.h"

#include <QtTest>

#include <atomic>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <thread>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

std::unique_ptr<IMailslot> MakeOfKind(const QString& kind)
{
    if (kind == u"memory"_s)
        return std::make_unique<CMemoryMailslot>();
    return std::make_unique<CUnixMailslot>();
}

void AddKinds()
{
    QTest::addColumn<QString>("kind");
    QTest::newRow("unix") << u"unix"_s;
    QTest::newRow("memory") << u"memory"_s;
}

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

// Writes COUNT numbered messages to NAME until one fails; RESULT gets the last answer.
std::thread NumberedWriter(const QString& name, int count, std::atomic<DWORD>* result)
{
    return std::thread([name, count, result] {
        CUnixMailslot client;
        DWORD answer = client.Open(QString(), name);
        for (int i = 0; i < count && answer == ERROR_SUCCESS; ++i)
            answer = client.Write(QByteArray::number(i));
        *result = answer;
    });
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
    void init() { m_environment = std::make_unique<CTestEnvironment>(); }
    void cleanup();

    void messagesKeepBoundariesAndOrder_data() { AddKinds(); }
    void messagesKeepBoundariesAndOrder();
    void readWaitsForTheTimeOut_data();
    void readWaitsForTheTimeOut();
    void foldersAreCreatedPrivate();
    void socketFilesOfOthersAreLeftAlone();
    void names_data();
    void names();
    void deepFoldersAndLongestNames();
    void handlesAnswerOnlyForTheirSide_data() { AddKinds(); }
    void handlesAnswerOnlyForTheirSide();
    void slowReaderLosesNothing();
    void writerLearnsTheReaderHasGone();
    void memoryMailslotFailuresAndReset();

private:
    std::unique_ptr<CTestEnvironment> m_environment;
};

void TestMailslot::cleanup()
{
    IMailslot::SetFactory({});
    CMemoryMailslot::Reset();
    m_environment.reset();
}

void TestMailslot::messagesKeepBoundariesAndOrder()
{
    QFETCH(QString, kind);
    constexpr DWORD kLimit = 64 * 1024;
    auto server = MakeOfKind(kind);
    auto client = MakeOfKind(kind);
    QCOMPARE(server->Create(u"order"_s, kLimit, 0), ERROR_SUCCESS);
    QCOMPARE(client->Open(QString(), u"order"_s), ERROR_SUCCESS);
    DWORD size = 0;
    QCOMPARE(server->NextMessageSize(&size), ERROR_SUCCESS);
    QCOMPARE(size, MAILSLOT_NO_MESSAGE);

    QByteArray large(kLimit + 1, Qt::Uninitialized);
    for (qsizetype i = 0; i < large.size(); ++i)
        large[i] = char(i * 7);
    // One over the limit is taken off the queue unread, and the rest still arrive.
    const QList<QByteArray> messages = {
        "abc", "", large, large.left(kLimit), "", QByteArray("\0x\0", 3)};
    for (const QByteArray& message : messages)
        QCOMPARE(client->Write(message), ERROR_SUCCESS);
    for (const QByteArray& message : messages) {
        // Asking twice takes nothing away.
        QCOMPARE(server->NextMessageSize(&size), ERROR_SUCCESS);
        QCOMPARE(server->NextMessageSize(&size), ERROR_SUCCESS);
        QCOMPARE(size, DWORD(message.size()));
        QByteArray read = "untouched";
        const bool fits = message.size() <= kLimit;
        QCOMPARE(server->Read(&read), fits ? ERROR_SUCCESS : ERROR_INVALID_DATA);
        QCOMPARE(read, fits ? message : QByteArray("untouched"));
    }
    QCOMPARE(server->NextMessageSize(&size), ERROR_SUCCESS);
    QCOMPARE(size, MAILSLOT_NO_MESSAGE);
}

void TestMailslot::readWaitsForTheTimeOut_data()
{
    QTest::addColumn<DWORD>("timeout");
    // A late message turns a wait that ignores its time-out into a failure rather than a hang.
    QTest::addColumn<int>("writeAfterMs");
    QTest::addColumn<DWORD>("expected");

    QTest::newRow("no wait") << DWORD(0) << 1500 << ERROR_SEM_TIMEOUT;
    QTest::newRow("bounded") << DWORD(300) << 1500 << ERROR_SEM_TIMEOUT;
    QTest::newRow("message in time") << DWORD(10000) << 200 << ERROR_SUCCESS;
    QTest::newRow("forever") << MAILSLOT_WAIT_FOREVER << 300 << ERROR_SUCCESS;
}

void TestMailslot::readWaitsForTheTimeOut()
{
    QFETCH(DWORD, timeout);
    QFETCH(int, writeAfterMs);
    QFETCH(DWORD, expected);
    CUnixMailslot server;
    QCOMPARE(server.Create(u"wait"_s, 0, timeout), ERROR_SUCCESS);
    std::atomic<bool> readerDone = false;
    std::thread writer([writeAfterMs, &readerDone] {
        QElapsedTimer clock;
        clock.start();
        while (clock.elapsed() < writeAfterMs) {
            if (readerDone)
                return;
            QThread::msleep(10);
        }
        CUnixMailslot client;
        if (client.Open(QString(), u"wait"_s) == ERROR_SUCCESS)
            client.Write("late");
    });
    QElapsedTimer clock;
    clock.start();
    QByteArray message = "untouched";
    const DWORD result = server.Read(&message);
    const qint64 elapsed = clock.elapsed();
    readerDone = true;
    writer.join();
    QCOMPARE(result, expected);
    QCOMPARE(message, expected == ERROR_SUCCESS ? QByteArray("late") : QByteArray("untouched"));
    const qint64 least = expected == ERROR_SUCCESS ? writeAfterMs : qint64(timeout);
    QVERIFY2(elapsed >= least * 8 / 10, qPrintable(QString::number(elapsed)));
}

void TestMailslot::foldersAreCreatedPrivate()
{
    CUnixMailslot server;
    QCOMPARE(server.Create(u"private"_s, 0, 0), ERROR_SUCCESS);
    QCOMPARE(Mode(m_environment->RuntimeDirectory()), 0700);
    QCOMPARE(Mode(m_environment->RuntimeDirectory() + u"/mailslot"_s), 0700);
}

void TestMailslot::socketFilesOfOthersAreLeftAlone()
{
    CUnixMailslot first;
    CUnixMailslot second;
    CUnixMailslot client;
    QCOMPARE(first.Create(u"busy"_s, 0, 0), ERROR_SUCCESS);
    QCOMPARE(second.Create(u"busy"_s, 0, 0), ERROR_ALREADY_EXISTS);
    // The refused one must not have removed the live socket.
    QCOMPARE(client.Open(QString(), u"busy"_s), ERROR_SUCCESS);
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
    QVERIFY(!QFile::exists(CUnixMailslot::SocketPath(u"busy"_s)));
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
    QTest::newRow("dot") << u"."_s << u"here"_s << ok << exists;
    QTest::newRow("localhost") << u"LocalHost"_s << u"here"_s << ok << exists;
    QTest::newRow("upper case") << local.toUpper() << u"here"_s << ok << exists;
    QTest::newRow("lower case") << local.toLower() << u"here"_s << ok << exists;
    QTest::newRow("missing") << QString() << u"nobody"_s << ERROR_FILE_NOT_FOUND << ok;
    QTest::newRow("other computer")
        << u"korvane-elsewhere.invalid"_s << u"here"_s << ERROR_BAD_NETPATH << exists;
    QTest::newRow("empty") << QString() << QString() << invalid << invalid;
    QTest::newRow("dot name") << QString() << u"."_s << invalid << invalid;
    QTest::newRow("dot dot") << QString() << u".."_s << invalid << invalid;
    QTest::newRow("slash") << QString() << u"a/b"_s << invalid << invalid;
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

void TestMailslot::deepFoldersAndLongestNames()
{
    // A runtime folder deeper than a socket address holds, and the longest file name there.
    m_environment->Set("KORVANE_RUNTIME_DIR", m_environment->Root() + u'/' + QString(110, u'd'));
    const QString longest(CUnixSocketAddress::kLongestFileName, u'n');
    QVERIFY(SocketFile(longest).size() > qsizetype(sizeof(sockaddr_un::sun_path)));
    CUnixMailslot server;
    CUnixMailslot client;
    QCOMPARE(client.Open(QString(), longest), ERROR_FILE_NOT_FOUND);
    QCOMPARE(server.Create(QString(CUnixSocketAddress::kLongestFileName + 1, u'n'), 0, 0),
             ERROR_FILENAME_EXCED_RANGE);
    QCOMPARE(server.Create(longest, 0, 0), ERROR_SUCCESS);
    QCOMPARE(client.Open(QString(), longest), ERROR_SUCCESS);
    QVERIFY(Delivers(client, server, "deep"));
    client.Close();

    // Live and stale sockets are told apart there as anywhere.
    CUnixMailslot second;
    QCOMPARE(second.Create(longest, 0, 0), ERROR_ALREADY_EXISTS);
    QVERIFY(AbandonSocketAt(SocketFile(u"stale"_s)));
    QCOMPARE(second.Create(u"stale"_s, 0, 0), ERROR_SUCCESS);
    QCOMPARE(client.Open(QString(), u"stale"_s), ERROR_SUCCESS);
    QVERIFY(Delivers(client, second, "taken over"));
    server.Close();
    QVERIFY(!QFile::exists(CUnixMailslot::SocketPath(longest)));
}

void TestMailslot::handlesAnswerOnlyForTheirSide()
{
    QFETCH(QString, kind);
    auto closed = MakeOfKind(kind);
    auto server = MakeOfKind(kind);
    auto client = MakeOfKind(kind);
    DWORD size = 0;
    QByteArray message;
    QCOMPARE(closed->Write("x"), ERROR_INVALID_HANDLE);
    QCOMPARE(closed->Read(&message), ERROR_INVALID_HANDLE);
    QCOMPARE(closed->NextMessageSize(&size), ERROR_INVALID_HANDLE);

    QCOMPARE(server->Create(u"sides"_s, 0, 0), ERROR_SUCCESS);
    QCOMPARE(server->Write("x"), ERROR_INVALID_HANDLE);
    QCOMPARE(server->Create(u"other"_s, 0, 0), ERROR_INVALID_HANDLE);
    QCOMPARE(client->Open(QString(), u"sides"_s), ERROR_SUCCESS);
    QCOMPARE(client->Read(&message), ERROR_INVALID_HANDLE);
    QCOMPARE(client->NextMessageSize(&size), ERROR_INVALID_HANDLE);
    QCOMPARE(client->Open(QString(), u"sides"_s), ERROR_INVALID_HANDLE);

    // The refusals changed nothing.
    QVERIFY(Delivers(*client, *server, "y"));
}

void TestMailslot::slowReaderLosesNothing()
{
    constexpr int kCount = 2000;
    CUnixMailslot server;
    QCOMPARE(server.Create(u"burst"_s, 0, 10000), ERROR_SUCCESS);
    std::atomic<DWORD> writeResult = ERROR_SUCCESS;
    std::thread writer = NumberedWriter(u"burst"_s, kCount, &writeResult);
    // Let the queue fill up so that the writer has to wait.
    QThread::msleep(100);
    int received = 0;
    for (QByteArray message; received < kCount; ++received) {
        if (server.Read(&message) != ERROR_SUCCESS || message != QByteArray::number(received))
            break;
        QThread::usleep(200);
    }
    writer.join();
    QCOMPARE(writeResult.load(), ERROR_SUCCESS);
    QCOMPARE(received, kCount);
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

void TestMailslot::memoryMailslotFailuresAndReset()
{
    CMemoryMailslot::Install();
    auto server = IMailslot::Make();
    auto client = IMailslot::Make();
    QCOMPARE(server->Create(u"m"_s, 0, 0), ERROR_SUCCESS);
    QCOMPARE(IMailslot::Make()->Create(u"m"_s, 0, 0), ERROR_ALREADY_EXISTS);
    QCOMPARE(client->Open(QString(), u"m"_s), ERROR_SUCCESS);

    CMemoryMailslot::FailWrites(u"m"_s, ERROR_WRITE_FAULT, 1);
    QCOMPARE(client->Write("lost"), ERROR_WRITE_FAULT);
    QCOMPARE(client->Write("kept"), ERROR_SUCCESS);
    CMemoryMailslot::FailReads(u"m"_s, ERROR_READ_FAULT, 2);
    DWORD size = 0;
    QByteArray message;
    QCOMPARE(server->NextMessageSize(&size), ERROR_READ_FAULT);
    QCOMPARE(server->Read(&message), ERROR_READ_FAULT);
    QCOMPARE(server->Read(&message), ERROR_SUCCESS);
    QCOMPARE(message, QByteArray("kept"));
    QCOMPARE(server->Read(&message), ERROR_SEM_TIMEOUT);

    CMemoryMailslot::Reset();
    QCOMPARE(server->Read(&message), ERROR_INVALID_HANDLE);
    QCOMPARE(client->Write("x"), ERROR_FILE_NOT_FOUND);
    QCOMPARE(IMailslot::Make()->Create(u"m"_s, 0, 0), ERROR_SUCCESS);

    IMailslot::SetFactory({});
    QVERIFY(dynamic_cast<CUnixMailslot*>(IMailslot::Make().get()));
}

QTEST_GUILESS_MAIN(TestMailslot)
#include "tst_Mailslot.moc"
