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
    void firstMessageAfterCreate_data();
    void firstMessageAfterCreate();
    void localAndRemoteComputers();
    void closedTransportsAnswerErrors();
    void noticeEncodingRoundTrip();
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

    CMailSlotTransport repeats(true);
    const QString other = CMailSlotTransport::NewName();
    QCOMPARE(repeats.Create(other), ERROR_SUCCESS);
    SendRaw(other, {framed(1, "x"), framed(1, "x")});
    QCOMPARE(Drain(repeats), (QList<QByteArray>{"x", "x"}));
}

void TestTransport::firstMessageAfterCreate_data()
{
    QTest::addColumn<quint32>("sequence");
    QTest::addColumn<bool>("accepted");
    QTest::newRow("0") << 0u << true;
    QTest::newRow("any") << 123456u << true;
    QTest::newRow("0xFFFFFFFE") << 0xFFFFFFFEu << true;
    QTest::newRow("0xFFFFFFFF") << 0xFFFFFFFFu << false;
}

void TestTransport::firstMessageAfterCreate()
{
    QFETCH(quint32, sequence);
    QFETCH(bool, accepted);
    CMailSlotTransport reader;
    const QString name = CMailSlotTransport::NewName();
    QCOMPARE(reader.Create(name), ERROR_SUCCESS);
    SendRaw(name, {CNoticeWriter().U32(sequence).Body() + "body"});
    QCOMPARE(Drain(reader).size(), accepted ? 1 : 0);
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
}

void TestTransport::closedTransportsAnswerErrors()
{
    CMailSlotTransport transport;
    bool available = true;
    QCOMPARE(transport.HasMessage(available), ERROR_INVALID_HANDLE);
    QCOMPARE(transport.Write("x"), ERROR_INVALID_HANDLE);
    QCOMPARE(transport.Close(), ERROR_SUCCESS);
    QCOMPARE(transport.CloseClient(), ERROR_SUCCESS);

    const QString name = CMailSlotTransport::NewName();
    QCOMPARE(transport.Create(name), ERROR_SUCCESS);
    CMailSlotTransport writer;
    QCOMPARE(writer.Open(QString(), name), ERROR_SUCCESS);
    transport.Close();
    QCOMPARE(writer.Write("late"), ERROR_FILE_NOT_FOUND);
    QCOMPARE(writer.Sequence(), 0u); // a failed write does not use up a number
}

void TestTransport::noticeEncodingRoundTrip()
{
    const QString text = u"Grüße 𝄞"_s;
    const QByteArray body = CNoticeWriter()
                                .U8(0xAB)
                                .U32(0xDEADBEEF)
                                .I32(-5)
                                .U64(0x0102030405060708ull)
                                .I64(-9)
                                .F64(-0.125)
                                .String(text)
                                .String(QString())
                                .Body();
    QCOMPARE(body.size(), 1 + 4 + 4 + 8 + 8 + 8 + 4 + 2 * text.size() + 4);
    QCOMPARE(body.mid(1, 4), QByteArray("\xEF\xBE\xAD\xDE"));

    CNoticeReader reader(body);
    quint8 u8 = 0;
    quint32 u32 = 0;
    qint32 i32 = 0;
    quint64 u64 = 0;
    qint64 i64 = 0;
    double f64 = 0;
    std::wstring s1;
    std::wstring s2 = L"filled";
    QVERIFY(reader.U8(&u8) && reader.U32(&u32) && reader.I32(&i32) && reader.U64(&u64) &&
            reader.I64(&i64) && reader.F64(&f64) && reader.String(&s1) && reader.String(&s2));
    QCOMPARE(u8, 0xAB);
    QCOMPARE(u32, 0xDEADBEEFu);
    QCOMPARE(i32, -5);
    QCOMPARE(u64, 0x0102030405060708ull);
    QCOMPARE(i64, -9);
    QCOMPARE(f64, -0.125);
    QCOMPARE(QString::fromStdWString(s1), text);
    QVERIFY(s2.empty());
    QCOMPARE(reader.Remaining(), 0);
}

void TestTransport::readerNeverReadsPastTheEnd()
{
    // A string whose count claims more units than there are, even close to 2^32.
    for (quint32 count : {2u, 3u, 0x7FFFFFFFu, 0x80000000u, 0xFFFFFFFFu}) {
        const QByteArray body = CNoticeWriter().U32(count).U8('a').U8(0).Body();
        CNoticeReader reader(body);
        std::wstring text = L"untouched";
        QCOMPARE(reader.String(&text), false);
        QCOMPARE(text, std::wstring(L"untouched"));
        QCOMPARE(reader.Position(), 0);
        quint8 next = 0;
        QVERIFY(!reader.U8(&next)); // a failed reader stays failed
    }
    CNoticeReader empty{QByteArray()};
    double value = 1.5;
    QVERIFY(!empty.F64(&value));
    QCOMPARE(value, 1.5);
}

QTEST_GUILESS_MAIN(TestTransport)
#include "tst_Transport.moc"
