#include "notify/CMailSlotTransport.h"
#include "notify/CNoticeWriter.h"
#include "tests/support/CTestEnvironment.h"
#include "tools/kvnotify/CNoticeArguments.h"

#include <QtTest>

#include <csignal>
#include <limits>

using namespace Qt::StringLiterals;

namespace {

constexpr int kTimeoutMs = 20000;

const QString kKvnotify = QString::fromLocal8Bit(KVNOTIFY);

// The next whole line of the process's stdout, without its end; empty when none came in time.
QByteArray ReadLine(QProcess& process)
{
    QDeadlineTimer deadline(kTimeoutMs);
    while (!process.canReadLine() && !deadline.hasExpired())
        process.waitForReadyRead(static_cast<int>(qMax<qint64>(1, deadline.remainingTime())));
    return process.canReadLine() ? process.readLine().chopped(1) : QByteArray();
}

// Runs "kvnotify ARGUMENTS" to its end; the exit code, and stderr in *error.
int Run(const QStringList& arguments, QByteArray* error = nullptr)
{
    QProcess process;
    process.start(kKvnotify, arguments);
    if (!process.waitForFinished(kTimeoutMs))
        return -1;
    if (error)
        *error = process.readAllStandardError();
    return process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
}

} // namespace

class TestKvnotify : public QObject {
    Q_OBJECT

private slots:
    void argumentsMakeTheBody_data();
    void argumentsMakeTheBody();
    void listenPrintsWhatWritersWrite();
    void failuresAndExitCodes();
};

void TestKvnotify::argumentsMakeTheBody_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QByteArray>("body"); // none: refused, naming the last argument
    auto body = [](quint32 type) { return CNoticeWriter().U32(type); };
    QTest::newRow("hex type") << QStringList{u"0x7D0"_s} << body(2000).Body();
    QTest::newRow("strings")
        << QStringList{u"1"_s, u"s:"_s, u"s:a:b:"_s, u"s:Défrag ✓"_s}
        << body(1).String(u""_s).String(u"a:b:"_s).String(u"Défrag ✓"_s).Body();
    QTest::newRow("u8, u32") << u"4 u8:0 u8:0xfF u32:4294967295 u32:0XFFFFFFFF u32:010"_s.split(
                                    u' ')
                             << body(4).U8(0).U8(255).U32(~0u).U32(~0u).U32(10).Body();
    QTest::newRow("u32 negative")
        << QStringList{u"-1"_s, u"u32:-2147467259"_s, u"u32:-2147483648"_s, u"u32:-0x1"_s}
        << body(0xFFFFFFFFu).U32(0x80004005u).U32(0x80000000u).U32(0xFFFFFFFFu).Body();
    QTest::newRow("i32") << QStringList{u"4"_s, u"i32:-2147483648"_s, u"i32:2147483647"_s}
                         << body(4).I32(std::numeric_limits<qint32>::min()).I32(0x7FFFFFFF).Body();
    QTest::newRow("64") << QStringList{u"4"_s, u"u64:18446744073709551615"_s,
                                       u"i64:-9223372036854775808"_s, u"i64:9223372036854775807"_s}
                        << body(4)
                               .U64(std::numeric_limits<quint64>::max())
                               .I64(std::numeric_limits<qint64>::min())
                               .I64(std::numeric_limits<qint64>::max())
                               .Body();
    QTest::newRow("f64") << QStringList{u"4"_s, u"f64:-0.5"_s, u"f64:1e-300"_s, u"f64:-inf"_s}
                         << body(4).F64(-0.5).F64(1e-300).F64(-qInf()).Body();

    // Refused, one per "|"; some hold blanks.
    const QStringList bad =
        (u"u8:256|u8:-1|u32:4294967296|u32:-2147483649|u32:|u32:0x|u32: 1|u32:+1|u32:1.5|"
         u"u32:08h|i32:2147483648|i32:0x80000000|u64:-1|u64:18446744073709551616|"
         u"i64:9223372036854775808|i64:-9223372036854775809|f64:abc|f64:1e999|f64:|"
         u"f64: 1|x:1|S:text|no colon"_s)
            .split(u'|');
    for (const QString& argument : bad)
        QTest::newRow(qPrintable(argument)) << QStringList{u"1"_s, argument} << QByteArray();
    for (const QString& type : {u""_s, u"x"_s, u"4294967296"_s, u"1e3"_s})
        QTest::addRow("type '%s'", qPrintable(type)) << QStringList{type} << QByteArray();
}

void TestKvnotify::argumentsMakeTheBody()
{
    QFETCH(QStringList, arguments);
    QFETCH(QByteArray, body);
    CNoticeWriter writer;
    QString error;
    const bool built =
        CNoticeArguments::Build(arguments.first(), arguments.mid(1), &writer, &error);
    QVERIFY2(built == !body.isNull(), qPrintable(error));
    if (built)
        QCOMPARE(writer.Body(), body);
    else
        QVERIFY2(error.contains(u'\'' + arguments.last() + u'\''), qPrintable(error));
}

void TestKvnotify::listenPrintsWhatWritersWrite()
{
    CTestEnvironment environment;
    const QString python = QStandardPaths::findExecutable(u"python3"_s);
    QVERIFY2(!python.isEmpty(), "python3 is needed for this test");
    QProcess listener;
    listener.start(kKvnotify, {u"listen"_s, u"--owner"_s, u"engine"_s});
    const QString name = QString::fromUtf8(ReadLine(listener));
    QVERIFY2(!name.isEmpty(), listener.readAllStandardError().constData());

    // First from a program that knows only the wire format, not this code base.
    QProcess writer;
    writer.start(python, {QStringLiteral(NOTICE_WRITER), name});
    QVERIFY(writer.waitForFinished(kTimeoutMs));
    QVERIFY2(writer.exitCode() == 0, writer.readAllStandardError().constData());
    const QByteArray volume = R"("{0c6f3e8a-1d2b-4c5d-8e9f-a0b1c2d3e4f5}")";
    for (const QByteArray& line : {
             "OpStarted [" + volume + "]",
             "StatusChanged [" + volume + ",3,12.5,40000.25]",
             "FragmentationChanged [" + volume + ",33]",
             "WorkingMessageChanged [" + volume + ",50,\"D\xc3\xb6ner \xf0\x9d\x84\x9e\"]",
             "BitmapUpdated [" + volume + ",7,100,25]",
             "FreeSpaceFragmentationChanged [" + volume + ",1.5]",
             "OpCompleted [" + volume + "]",
         })
        QCOMPARE(ReadLine(listener), line);

    // Then from kvnotify runs, each of which numbers its messages afresh.
    const QStringList status{u"send"_s, name, u"1"_s, u"s:vol"_s, u"u32:3"_s, u"f64:42.5"_s};
    QCOMPARE(Run(status + QStringList{u"f64:100"_s}), 0);
    QCOMPARE(Run(status + QStringList{u"f64:-1e-3"_s}), 0);
    QCOMPARE(Run({u"send"_s, u"--computer"_s, u"."_s, name, u"0x8"_s, u"s:v\"1\\\n"_s}), 0);
    QCOMPARE(ReadLine(listener), R"(StatusChanged ["vol",5,42.5,100])"_ba);
    QCOMPARE(ReadLine(listener), R"(StatusChanged ["vol",5,42.5,-0.001])"_ba);
    QCOMPARE(ReadLine(listener), R"(OpCompleted ["v\"1\\\n"])"_ba);

    listener.terminate();
    QVERIFY(listener.waitForFinished(kTimeoutMs) && listener.exitStatus() == QProcess::NormalExit);
    QCOMPARE(listener.exitCode(), 0);
    QCOMPARE(listener.readAllStandardError(), QByteArray());
    QCOMPARE(listener.readAllStandardOutput(), QByteArray());
    // The mailslot went with it.
    QCOMPARE(Run({u"send"_s, name, u"8"_s}), 1);
}

void TestKvnotify::failuresAndExitCodes()
{
    CTestEnvironment environment;
    QByteArray error;
    QCOMPARE(Run({u"send"_s, u"nobody"_s, u"1"_s}, &error), 1);
    QVERIFY2(error.startsWith("kvnotify: cannot open mailslot 'nobody': error 2: ") &&
                 error.count('\n') == 1,
             error.constData());
    QCOMPARE(Run({u"send"_s, u"nobody"_s, u"1"_s, u"u8:256"_s}, &error), 2);
    QVERIFY(error.contains("'u8:256'") && error.contains("error 87: ") && error.count('\n') == 1);
    // Command lines it cannot use.
    for (const char* line :
         {"", "post", "send name", "send --computer", "send --computer pc n", "listen --name n",
          "listen --owner nobody", "listen --owner vm --name", "listen --owner vm extra"})
        QVERIFY2(Run(QString::fromLatin1(line).split(u' ', Qt::SkipEmptyParts)) == 2, line);

    CMailSlotTransport taken;
    QCOMPARE(taken.Create(u"taken"_s), ERROR_SUCCESS);
    QCOMPARE(Run({u"listen"_s, u"--owner"_s, u"vm"_s, u"--name"_s, u"taken"_s}, &error), 1);
    QVERIFY2(error.contains("error 183: "), error.constData());

    // With --name nothing is printed first; SIGINT ends it as SIGTERM does.
    QProcess listener;
    listener.start(kKvnotify, {u"listen"_s, u"--owner"_s, u"agent"_s, u"--name"_s, u"mine"_s});
    CMailSlotTransport writer;
    QTRY_COMPARE_WITH_TIMEOUT(writer.Open(QString(), u"mine"_s), ERROR_SUCCESS, kTimeoutMs);
    QCOMPARE(writer.Write(CNoticeWriter().U32(8000).F64(1.5).F64(0).Body()), ERROR_SUCCESS);
    QCOMPARE(ReadLine(listener), R"(ResourcesUpdated [1.5,0])"_ba);
    QCOMPARE(::kill(static_cast<pid_t>(listener.processId()), SIGINT), 0);
    QVERIFY(listener.waitForFinished(kTimeoutMs) && listener.exitStatus() == QProcess::NormalExit);
    QCOMPARE(listener.exitCode(), 0);
}

QTEST_GUILESS_MAIN(TestKvnotify)
#include "tst_Kvnotify.moc"
