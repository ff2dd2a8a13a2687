#include "notify/CMailSlotTransport.h"
#include "notify/CNoticeReader.h"
#include "notify/CNoticeWriter.h"
#include "platform/CComputerName.h"
#include "platform/mailslot/IMailslot.h"
#include "tests/support/CTestEnvironment.h"

#include <QtTest>

using namespace Qt::StringLiterals;

// The framed transport over a real mailslot, and the notice encoding.
class TestTransport : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void framingAndRepeats();
    void localAndRemoteComputers();
    void readerNeverReadsPastTheEnd();

private:
    // Sends raw messages, sequence numbers and all.
    void SendRaw(const QString& name, const QList<QByteArray>& messages);
    QList<QByteArray> Drain(CMailSlotTransport& reader);

    std::unique_ptr<CTestEnvironment> m_environment;
};

void TestTransport::init()
{
    m_environment = std::make_unique<CTestEnvironment>();
}

void TestTransport::cleanup()
{
    m_environment.reset();
}

void TestTransport::SendRaw(const QString& name, const QList<QByteArray>& messages)
{
    std::unique_ptr<IMailslot> raw = IMailslot::Make();
    QCOMPARE(raw->Open(QString(), name), ERROR_SUCCESS);
    for (const QByteArray& message : messages)
        QCOMPARE(raw->Write(message), ERROR_SUCCESS);
}

QList<QByteArray> TestTransport::Drain(CMailSlotTransport& reader)
{
    QList<QByteArray> bodies;
    for (;;) {
        bool available = false;
        if (reader.HasMessage(available) != ERROR_SUCCESS || !available)
            return bodies;
        QByteArray body;
        bool nothing = false;
        if (reader.Read(body, nothing) != ERROR_SUCCESS)
            return bodies;
        if (!nothing)
            bodies.append(body);
    }
}

void TestTransport::framingAndRepeats()
{
    CMailSlotTransport reader;
    const QString name = CMailSlotTransport::NewName();
    QCOMPARE(reader.Create(name), ERROR_SUCCESS);

    CMailSlotTransport writer;
    QCOMPARE(writer.Open(QString(), name), ERROR_SUCCESS);
    QCOMPARE(writer.Sequence(), 0u);
    QCOMPARE(writer.Write("one"), ERROR_SUCCESS);
    QCOMPARE(writer.Write(QByteArray()), ERROR_SUCCESS);
    QCOMPARE(writer.Sequence(), 2u);
    QCOMPARE(Drain(reader), (QList<QByteArray>{"one", QByteArray()}));

    auto framed = [](quint32 sequence, const char* body) {
        return CNoticeWriter().U32(sequence).Body() + body;
    };
    // The same message twice is one body; a 3-byte message is dropped without error; a
    // number seen before, but not last, is taken.
    SendRaw(name, {framed(7, "a"), framed(7, "a"), QByteArray("\x08\0\0", 3), framed(8, "b"),
                   framed(7, "c"), framed(7, "d")});
    QCOMPARE(Drain(reader), (QList<QByteArray>{"a", "b", "c"}));

    // Told of a new writer, the reader takes its first message whatever the number.
    reader.ForgetSequence();
    SendRaw(name, {framed(7, "e"), framed(7, "f")});
    QCOMPARE(Drain(reader), QList<QByteArray>{"e"});

    // The first message after Create is taken whatever its number, but for 0xFFFFFFFF.
    for (const quint32 sequence : {0u, 123456u, 0xFFFFFFFEu, 0xFFFFFFFFu}) {
        CMailSlotTransport fresh;
        const QString slot = CMailSlotTransport::NewName();
        QCOMPARE(fresh.Create(slot), ERROR_SUCCESS);
        SendRaw(slot, {CNoticeWriter().U32(sequence).Body() + "body"});
        QCOMPARE(Drain(fresh).size(), sequence == 0xFFFFFFFFu ? 0 : 1);
    }
}

void TestTransport::localAndRemoteComputers()
{
    CMailSlotTransport reader;
    const QString name = CMailSlotTransport::NewName();
    QCOMPARE(reader.Create(name), ERROR_SUCCESS);
    const QString local = CComputerName::Local();
    for (const QString& computer : {QString(), u"."_s, local.toUpper(), local.toLower()}) {
        CMailSlotTransport writer;
        QCOMPARE(writer.Open(computer, name), ERROR_SUCCESS);
        QVERIFY(!writer.IsRemote());
        QCOMPARE(writer.Write(computer.toUtf8()), ERROR_SUCCESS);
    }
    // Every writer numbered its message 0: the reader takes the first and drops the rest as
    // repeats.
    QCOMPARE(Drain(reader), QList<QByteArray>{QByteArray()});

    CMailSlotTransport remote;
    QCOMPARE(remote.Open(u"some-other-computer"_s, name), ERROR_BAD_NETPATH);
    QVERIFY(remote.IsRemote());
    CMailSlotTransport missing;
    QCOMPARE(missing.Open(QString(), CMailSlotTransport::NewName()), ERROR_FILE_NOT_FOUND);
    CMailSlotTransport twice;
    QCOMPARE(twice.Create(name), ERROR_ALREADY_EXISTS);
    bool available = true;
    QCOMPARE(twice.HasMessage(available), ERROR_INVALID_HANDLE);
    QCOMPARE(twice.Write("x"), ERROR_INVALID_HANDLE);

    // Once the reader has gone, a write fails and does not use up a number.
    CMailSlotTransport writer;
    QCOMPARE(writer.Open(QString(), name), ERROR_SUCCESS);
    reader.Close();
    QCOMPARE(writer.Write("late"), ERROR_FILE_NOT_FOUND);
    QCOMPARE(writer.Sequence(), 0u);
}

// A count or a field past the end fails the reader for good and leaves the target alone.
void TestTransport::readerNeverReadsPastTheEnd()
{
    for (quint32 count : {2u, 3u, 0x7FFFFFFFu, 0x80000000u, 0xFFFFFFFFu}) {
        CNoticeReader claims(CNoticeWriter().U32(count).U8('a').U8(0).Body());
        std::wstring untouched = L"untouched";
        QVERIFY(!claims.String(&untouched));
        QCOMPARE(untouched, std::wstring(L"untouched"));
        QCOMPARE(claims.Position(), 0);
        quint8 next = 0;
        QVERIFY(!claims.U8(&next));
    }
    double value = 1.5;
    QVERIFY(!CNoticeReader(QByteArray()).F64(&value));
    QCOMPARE(value, 1.5);
}

QTEST_GUILESS_MAIN(TestTransport)
#include "tst_Transport.moc"
