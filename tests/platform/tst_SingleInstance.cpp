#include "platform/instance/CSingleInstance.h"
#include "tests/support/CTestEnvironment.h"

#include <QLocalSocket>
#include <QProcess>
#include <QtTest>

using namespace Qt::StringLiterals;

namespace {

// Sends on a thread of its own while this thread runs the listener.
bool SendWhileListening(const QString& message)
{
    bool delivered = false;
    QEventLoop loop;
    QThread* thread = QThread::create(
        [&message, &delivered] { delivered = CSingleInstance().SendMessage(message); });
    QObject::connect(thread, &QThread::finished, &loop, &QEventLoop::quit);
    thread->start();
    loop.exec();
    thread->wait();
    delete thread;
    return delivered;
}

QByteArray Frame(const char* magic, quint32 length, const QByteArray& payload)
{
    char encoded[4];
    qToBigEndian(length, encoded);
    return QByteArray(magic, 4) + QByteArray(encoded, 4) + payload;
}

} // namespace

class TestSingleInstance : public QObject {
    Q_OBJECT

private slots:
    void init() { m_environment = std::make_unique<CTestEnvironment>(); }
    void cleanup() { m_environment.reset(); }

    void handsMessagesToTheRunningInstance_data();
    void handsMessagesToTheRunningInstance();
    void deliveryFailsWhereNobodyCanTakeIt();
    void dropsMalformedFramesAndKeepsListening_data();
    void dropsMalformedFramesAndKeepsListening();
    void readsFramesArrivingInPieces();
    void anotherProcessHandsItsMessageOver();
    void takesOverTheSocketOfACrashedInstance_data();
    void takesOverTheSocketOfACrashedInstance();

private:
    std::unique_ptr<CTestEnvironment> m_environment;
};

void TestSingleInstance::handsMessagesToTheRunningInstance_data()
{
    QTest::addColumn<QString>("message");
    QTest::newRow("empty") << QString();
    QTest::newRow("icon only") << u"/icononlystart"_s;
    QTest::newRow("not ascii") << u"/connect=s\u00e9rveur;\u7528\u6237;\U0001F511;\u0000x"_s;
    QTest::newRow("largest") << QString(CSingleInstance::kMaxMessageBytes, u'x');
}

void TestSingleInstance::handsMessagesToTheRunningInstance()
{
    QFETCH(QString, message);
    {
        CSingleInstance running;
        QSignalSpy received(&running, &CSingleInstance::MessageReceived);
        QVERIFY(running.Listen() && running.IsListening());
        CSingleInstance later;
        QVERIFY(!later.Listen() && !later.IsListening());

        // One message per start, as many starts as there are.
        QVERIFY(SendWhileListening(message));
        QVERIFY(SendWhileListening(u"terminate"_s));
        QCOMPARE(QList<QVariantList>(received), (QList<QVariantList>{{message}, {u"terminate"_s}}));
    }
    // The running instance takes its socket with it: the next start runs at once.
    QVERIFY(!QFile::exists(CSingleInstance().SocketPath()));
    QVERIFY(CSingleInstance().Listen());
}

void TestSingleInstance::deliveryFailsWhereNobodyCanTakeIt()
{
    QVERIFY(!CSingleInstance().SendMessage(u"/icononlystart"_s));

    CSingleInstance running;
    QSignalSpy received(&running, &CSingleInstance::MessageReceived);
    QVERIFY(running.Listen());
    // Counted in UTF-8 bytes, not in characters.
    const qsizetype half = CSingleInstance::kMaxMessageBytes / 2;
    QVERIFY(!SendWhileListening(QString(half + 1, QChar(0x00e9))));
    QVERIFY(SendWhileListening(QString(half, QChar(0x00e9))));
    QCOMPARE(received.count(), 1);
}

void TestSingleInstance::dropsMalformedFramesAndKeepsListening_data()
{
    QTest::addColumn<QByteArray>("bytes");
    const quint32 tooLong = quint32(CSingleInstance::kMaxMessageBytes) + 1;
    QTest::newRow("another protocol") << Frame("GET ", 0, QByteArray());
    QTest::newRow("wrong magic, short") << QByteArray("KX");
    QTest::newRow("too long, header only") << Frame("KVI1", tooLong, QByteArray());
    QTest::newRow("too long, with data") << Frame("KVI1", tooLong, QByteArray(tooLong, 'x'));
    QTest::newRow("huge length") << Frame("KVI1", 0xFFFFFFFF, "x");
    QTest::newRow("not utf-8") << Frame("KVI1", 2, "\xff\xfe");
    QTest::newRow("cut utf-8") << Frame("KVI1", 1, "\xc3");
    QTest::newRow("more than the frame") << Frame("KVI1", 1, "ab");
}

void TestSingleInstance::dropsMalformedFramesAndKeepsListening()
{
    QFETCH(QByteArray, bytes);
    CSingleInstance running;
    QSignalSpy received(&running, &CSingleInstance::MessageReceived);
    QVERIFY(running.Listen());

    QLocalSocket peer;
    peer.connectToServer(running.SocketPath());
    QVERIFY(peer.waitForConnected());
    peer.write(bytes);
    // The listener hangs up on it without an acknowledgement.
    QTRY_COMPARE(peer.state(), QLocalSocket::UnconnectedState);
    QCOMPARE(peer.readAll(), QByteArray());
    QCOMPARE(received.count(), 0);

    QVERIFY(SendWhileListening(u"/connect="_s));
    QCOMPARE(received.count(), 1);
}

void TestSingleInstance::readsFramesArrivingInPieces()
{
    CSingleInstance running;
    QSignalSpy received(&running, &CSingleInstance::MessageReceived);
    QVERIFY(running.Listen());

    const QByteArray text = u"forcer\u00e9boot"_s.toUtf8();
    const QByteArray frame = Frame("KVI1", quint32(text.size()), text);
    QLocalSocket peer;
    peer.connectToServer(running.SocketPath());
    QVERIFY(peer.waitForConnected());
    // Cut inside the magic, the length and a two-byte character.
    for (const QByteArray& piece :
         {frame.left(2), frame.mid(2, 4), frame.mid(6, 8), frame.mid(14)}) {
        QCOMPARE(received.count(), 0);
        peer.write(piece);
        QVERIFY(peer.waitForBytesWritten());
        QCoreApplication::processEvents();
    }
    QTRY_COMPARE(received.count(), 1);
    QCOMPARE(received.at(0).at(0).toString(), u"forcer\u00e9boot"_s);
    QTRY_COMPARE(peer.bytesAvailable(), qint64(4));
    QCOMPARE(peer.readAll(), QByteArray("KVA1"));
}

void TestSingleInstance::anotherProcessHandsItsMessageOver()
{
    CSingleInstance running;
    QSignalSpy received(&running, &CSingleInstance::MessageReceived);
    QVERIFY(running.Listen());

    QProcess peer;
    peer.start(QStringLiteral(SINGLE_INSTANCE_PEER), {u"send"_s, u"/connect=remote"_s});
    QTRY_COMPARE(peer.state(), QProcess::NotRunning);
    QCOMPARE(peer.exitCode(), 0);
    QCOMPARE(received.count(), 1);
    QCOMPARE(received.at(0).at(0).toString(), u"/connect=remote"_s);
}

void TestSingleInstance::takesOverTheSocketOfACrashedInstance_data()
{
    QTest::addColumn<bool>("deep");
    QTest::newRow("runtime folder") << false;
    // Deeper than a socket address holds.
    QTest::newRow("deep runtime folder") << true;
}

void TestSingleInstance::takesOverTheSocketOfACrashedInstance()
{
    QFETCH(bool, deep);
    if (deep)
        m_environment->Set("KORVANE_RUNTIME_DIR",
                           m_environment->Root() + u'/' + QString(110, u'd'));
    QProcess peer;
    peer.start(QStringLiteral(SINGLE_INSTANCE_PEER), {u"listen"_s});
    QVERIFY(peer.waitForReadyRead());
    QCOMPARE(peer.readLine().trimmed(), QByteArray("listening"));
    CSingleInstance second;
    QVERIFY(!second.Listen());
    peer.kill();
    QVERIFY(peer.waitForFinished());

    QVERIFY(QFile::exists(second.SocketPath()));
    QVERIFY(second.Listen());
    QVERIFY(second.IsListening());
    QSignalSpy received(&second, &CSingleInstance::MessageReceived);
    QVERIFY(SendWhileListening(u"second"_s));
    QCOMPARE(received.count(), 1);
}

QTEST_GUILESS_MAIN(TestSingleInstance)
#include "tst_SingleInstance.moc"
