#include "platform/registry/CFileRegistry.h"
#include "platform/registry/CRegKey.h"
#include "platform/registry/CRegistryFileFormat.h"
#include "platform/registry/CRegistryLocation.h"
#include "tests/support/CTestEnvironment.h"

#include <QtTest>

using namespace Qt::StringLiterals;

// The hive files: their text, what happens to a file that cannot be read, and several writers.
class TestRegistryFile : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void writesTheExportFormat();
    void readsHandWrittenFiles();
    void malformedFilesAreRefused_data();
    void malformedFilesAreRefused();
    void aCorruptHiveIsNeverOverwritten();
    void changesOfAnotherProcessAreSeen();
    void twoProcessesWritingAtOnceLoseNothing();
    void aFailedWriteChangesNothing();
    void location();

private:
    QString HivePath(HKEY hive) const
    {
        return m_environment->RegistryDirectory() + u'/' + CRegistryLocation::HiveFileName(hive);
    }
    void WriteHive(HKEY hive, const QByteArray& bytes);
    QByteArray ReadHive(HKEY hive) const;

    std::unique_ptr<CTestEnvironment> m_environment;
};

void TestRegistryFile::init()
{
    m_environment = std::make_unique<CTestEnvironment>();
}

void TestRegistryFile::cleanup()
{
    m_environment.reset();
}

void TestRegistryFile::WriteHive(HKEY hive, const QByteArray& bytes)
{
    QDir().mkpath(m_environment->RegistryDirectory());
    QFile file(HivePath(hive));
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(bytes);
}

QByteArray TestRegistryFile::ReadHive(HKEY hive) const
{
    QFile file(HivePath(hive));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void TestRegistryFile::writesTheExportFormat()
{
    CRegKey key;
    QCOMPARE(key.Create(HKEY_CURRENT_USER, u"Software\\Tellmar\\Korvane\\11.0"_s), ERROR_SUCCESS);
    QCOMPARE(key.SetDWORDValue(QString(), 1), ERROR_SUCCESS);
    QCOMPARE(key.SetStringValue(u"Say \"hi\""_s, u"C:\\Program Files\\"_s), ERROR_SUCCESS);
    QCOMPARE(key.SetMultiStringValue(u"List"_s, {u"a"_s, u""_s}), ERROR_SUCCESS);
    QCOMPARE(key.SetQWORDValue(u"Big"_s, 0x0102030405060708ull), ERROR_SUCCESS);
    QCOMPARE(key.SetStringValue(u"Dir"_s, u"%X%"_s, REG_EXPAND_SZ), ERROR_SUCCESS);
    QCOMPARE(key.SetBinaryValue(u"Raw"_s, QByteArray("\xff\x00", 2)), ERROR_SUCCESS);
    QCOMPARE(key.SetStringValue(u"Ünï"_s, u"två"_s), ERROR_SUCCESS);
    CRegKey empty;
    QCOMPARE(empty.Create(key, u"Empty"_s), ERROR_SUCCESS);

    const QByteArray expected =
        u"Windows Registry Editor Version 5.00\n"
        "\n"
        "[HKEY_CURRENT_USER\\Software]\n"
        "\n"
        "[HKEY_CURRENT_USER\\Software\\Tellmar]\n"
        "\n"
        "[HKEY_CURRENT_USER\\Software\\Tellmar\\Korvane]\n"
        "\n"
        "[HKEY_CURRENT_USER\\Software\\Tellmar\\Korvane\\11.0]\n"
        "@=dword:00000001\n"
        "\"Say \\\"hi\\\"\"=\"C:\\\\Program Files\\\\\"\n"
        "\"List\"=hex(7):61,00,00,00,00,00,00,00\n"
        "\"Big\"=hex(b):08,07,06,05,04,03,02,01\n"
        "\"Dir\"=hex(2):25,00,58,00,25,00,00,00\n"
        "\"Raw\"=hex:ff,00\n"
        "\"Ünï\"=\"två\"\n"
        "\n"
        "[HKEY_CURRENT_USER\\Software\\Tellmar\\Korvane\\11.0\\Empty]\n"_s.toUtf8();
    QCOMPARE(ReadHive(HKEY_CURRENT_USER), expected);
}

void TestRegistryFile::readsHandWrittenFiles()
{
    const QString text =
        u"Windows Registry Editor Version 5.00\r\n"
        "\r\n"
        "; a comment\r\n"
        "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Classes\\CLSID\\{22DAA0A2}\\LocalServer32]\r\n"
        "@=\"/usr/lib/korvane/korvane-engine\"\r\n"
        "  \"Spaced\" = dword:2a  \r\n"
        "\"Long\"=hex:00,01,02,03,04,05,06,07,08,09,0a,0b,0c,0d,0e,0f,10,11,12,\\\r\n"
        "  13,14,15,16,17,18\r\n"
        "\"Typed\"=hex(b):01,00,00,00,00,00,00,00\r\n"
        "\r\n"
        "[hkey_local_machine\\Software\\Second]\r\n"
        "\"A\"=\"x\"\r\n"_s;
    QStringEncoder utf16(QStringEncoder::Utf16LE);
    QByteArray bytes("\xff\xfe");
    bytes += utf16(text);
    WriteHive(HKEY_LOCAL_MACHINE, bytes);

    CRegKey key;
    QCOMPARE(key.Open(HKEY_LOCAL_MACHINE, u"Software\\Classes\\CLSID\\{22DAA0A2}\\LocalServer32"_s,
                      KEY_READ),
             ERROR_SUCCESS);
    QString server;
    QCOMPARE(key.QueryStringValue(QString(), &server), ERROR_SUCCESS);
    QCOMPARE(server, u"/usr/lib/korvane/korvane-engine"_s);
    DWORD spaced = 0;
    QCOMPARE(key.QueryDWORDValue(u"Spaced"_s, &spaced), ERROR_SUCCESS);
    QCOMPARE(spaced, 42u);
    QByteArray longValue;
    QCOMPARE(key.QueryBinaryValue(u"Long"_s, &longValue), ERROR_SUCCESS);
    QCOMPARE(longValue.size(), 25);
    QCOMPARE(longValue.at(24), '\x18');
    quint64 typed = 0;
    QCOMPARE(key.QueryQWORDValue(u"Typed"_s, &typed), ERROR_SUCCESS);
    QCOMPARE(typed, 1ull);
    CRegKey second;
    QCOMPARE(second.Open(HKEY_LOCAL_MACHINE, u"SOFTWARE\\second"_s, KEY_READ), ERROR_SUCCESS);
}

void TestRegistryFile::malformedFilesAreRefused_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("where");
    const QByteArray header = "Windows Registry Editor Version 5.00\n\n";
    QTest::newRow("no header") << QByteArray("[HKEY_CURRENT_USER\\A]\n") << u"line 1"_s;
    QTest::newRow("value outside a key") << header + "\"A\"=\"x\"\n" << u"line 3"_s;
    QTest::newRow("other hive") << header + "[HKEY_LOCAL_MACHINE\\A]\n" << u"line 3"_s;
    QTest::newRow("deletion") << header + "[-HKEY_CURRENT_USER\\A]\n" << u"line 3"_s;
    QTest::newRow("unclosed key") << header + "[HKEY_CURRENT_USER\\A\n" << u"line 3"_s;
    QTest::newRow("unclosed text") << header + "[HKEY_CURRENT_USER\\A]\n\"A\"=\"x\n" << u"line 4"_s;
    QTest::newRow("bad escape") << header + "[HKEY_CURRENT_USER\\A]\n\"A\"=\"\\n\"\n"
                                << u"line 4"_s;
    QTest::newRow("bad dword") << header + "[HKEY_CURRENT_USER\\A]\n\"A\"=dword:123456789\n"
                               << u"line 4"_s;
    QTest::newRow("bad byte") << header + "[HKEY_CURRENT_USER\\A]\n\"A\"=hex:1,zz\n" << u"line 4"_s;
    QTest::newRow("cut continuation") << header + "[HKEY_CURRENT_USER\\A]\n\"A\"=hex:01,\\\n"
                                      << u"line 4"_s;
    QTest::newRow("no equals") << header + "[HKEY_CURRENT_USER\\A]\n\"A\" dword:1\n" << u"line 4"_s;
    QTest::newRow("deleted value") << header + "[HKEY_CURRENT_USER\\A]\n\"A\"=-\n" << u"line 4"_s;
}

void TestRegistryFile::malformedFilesAreRefused()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, where);
    CRegistryHive keys;
    QVERIFY(keys.CreateKey(u"Untouched"_s) == ERROR_SUCCESS);
    QString error;
    QVERIFY(!CRegistryFileFormat::Parse(bytes, HKEY_CURRENT_USER, &keys, &error));
    QVERIFY2(error.startsWith(where + u':'), qPrintable(error));
    QVERIFY(keys.HasKey(u"Untouched"_s));
}

void TestRegistryFile::aCorruptHiveIsNeverOverwritten()
{
    const QByteArray corrupt = "Windows Registry Editor Version 5.00\n\n"
                               "[HKEY_CURRENT_USER\\Software\\Kept]\n"
                               "\"Good\"=dword:00000001\n"
                               "\"Broken\"=dword:xyz\n";
    WriteHive(HKEY_CURRENT_USER, corrupt);
    // Each store says once that it found the file unreadable.
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression(u"cannot be read"_s));
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression(u"cannot be read"_s));
    CRegKey machine;
    QCOMPARE(machine.Create(HKEY_LOCAL_MACHINE, u"Software"_s), ERROR_SUCCESS);

    CRegKey key;
    QCOMPARE(key.Open(HKEY_CURRENT_USER, u"Software\\Kept"_s), ERROR_BADDB);
    QCOMPARE(key.Create(HKEY_CURRENT_USER, u"Software\\New"_s), ERROR_BADDB);
    CFileRegistry registry(m_environment->RegistryDirectory());
    QCOMPARE(registry.SetValue(HKEY_CURRENT_USER, u"Software\\Kept"_s, u"Good"_s,
                               CRegistryValue::FromDWord(2)),
             ERROR_BADDB);
    QCOMPARE(registry.DeleteKey(HKEY_CURRENT_USER, u"Software\\Kept"_s, true), ERROR_BADDB);
    QVERIFY2(registry.HiveError(HKEY_CURRENT_USER).startsWith(u"line 5"_s),
             qPrintable(registry.HiveError(HKEY_CURRENT_USER)));
    QCOMPARE(ReadHive(HKEY_CURRENT_USER), corrupt);
    // The other hives carry on.
    QCOMPARE(machine.SetDWORDValue(u"x"_s, 1), ERROR_SUCCESS);

    // Once the file is mended it is used again.
    WriteHive(HKEY_CURRENT_USER, QByteArray(corrupt).replace("dword:xyz", "dword:3"));
    DWORD value = 0;
    QCOMPARE(key.Open(HKEY_CURRENT_USER, u"Software\\Kept"_s), ERROR_SUCCESS);
    QCOMPARE(key.QueryDWORDValue(u"Broken"_s, &value), ERROR_SUCCESS);
    QCOMPARE(value, 3u);
    QCOMPARE(key.SetDWORDValue(u"Good"_s, 2), ERROR_SUCCESS);
    QVERIFY(registry.HiveError(HKEY_CURRENT_USER).isEmpty());
}

void TestRegistryFile::changesOfAnotherProcessAreSeen()
{
    CFileRegistry first(m_environment->RegistryDirectory());
    CFileRegistry second(m_environment->RegistryDirectory());
    const QString path = u"Software\\Shared"_s;
    QCOMPARE(first.CreateKey(HKEY_CURRENT_USER, path, nullptr), ERROR_SUCCESS);
    QCOMPARE(first.SetValue(HKEY_CURRENT_USER, path, u"A"_s, CRegistryValue::FromDWord(1)),
             ERROR_SUCCESS);
    CRegistryValue value;
    QCOMPARE(second.QueryValue(HKEY_CURRENT_USER, path, u"A"_s, &value), ERROR_SUCCESS);
    QCOMPARE(second.SetValue(HKEY_CURRENT_USER, path, u"B"_s, CRegistryValue::FromDWord(2)),
             ERROR_SUCCESS);
    QCOMPARE(first.SetValue(HKEY_CURRENT_USER, path, u"A"_s, CRegistryValue::FromDWord(3)),
             ERROR_SUCCESS);
    // Neither change hid the other.
    QCOMPARE(second.QueryValue(HKEY_CURRENT_USER, path, u"A"_s, &value), ERROR_SUCCESS);
    QCOMPARE(value, CRegistryValue::FromDWord(3));
    QCOMPARE(first.QueryValue(HKEY_CURRENT_USER, path, u"B"_s, &value), ERROR_SUCCESS);
    QCOMPARE(value, CRegistryValue::FromDWord(2));
    QCOMPARE(second.DeleteKey(HKEY_CURRENT_USER, path, true), ERROR_SUCCESS);
    QCOMPARE(first.OpenKey(HKEY_CURRENT_USER, path), ERROR_FILE_NOT_FOUND);
}

void TestRegistryFile::twoProcessesWritingAtOnceLoseNothing()
{
    constexpr int kCount = 150;
    QList<QProcess*> writers;
    for (const QString& name : {u"First"_s, u"Second"_s}) {
        auto* process = new QProcess(this);
        process->start(QStringLiteral(REGISTRY_WRITER),
                       {m_environment->RegistryDirectory(), name, QString::number(kCount)});
        writers.append(process);
    }
    // This process writes too, into a third key.
    CFileRegistry registry(m_environment->RegistryDirectory());
    QCOMPARE(registry.CreateKey(HKEY_CURRENT_USER, u"Software\\Test\\Third"_s, nullptr),
             ERROR_SUCCESS);
    for (int i = 0; i < kCount; ++i) {
        QCOMPARE(registry.SetValue(HKEY_CURRENT_USER, u"Software\\Test\\Third"_s, u"v%1"_s.arg(i),
                                   CRegistryValue::FromDWord(i)),
                 ERROR_SUCCESS);
    }
    for (QProcess* process : writers) {
        QVERIFY(process->waitForFinished(120000));
        QCOMPARE(process->exitStatus(), QProcess::NormalExit);
        QCOMPARE(process->exitCode(), 0);
    }
    CFileRegistry fresh(m_environment->RegistryDirectory());
    for (const QString& name : {u"First"_s, u"Second"_s, u"Third"_s}) {
        QStringList names;
        QCOMPARE(fresh.EnumValues(HKEY_CURRENT_USER, u"Software\\Test\\"_s + name, &names),
                 ERROR_SUCCESS);
        QCOMPARE(names.size(), kCount);
    }
    // No temporary file is left behind.
    const QStringList files = QDir(m_environment->RegistryDirectory()).entryList(QDir::Files);
    QCOMPARE(files, (QStringList{u"HKEY_CURRENT_USER.reg"_s, u"HKEY_CURRENT_USER.reg.lock"_s}));
}

void TestRegistryFile::aFailedWriteChangesNothing()
{
    // The hive's folder cannot be made: a file stands where it should be.
    const QString blocked = m_environment->Root() + u"/blocked"_s;
    QFile file(blocked);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.close();
    CFileRegistry registry(blocked + u"/registry"_s);
    QVERIFY(registry.CreateKey(HKEY_CURRENT_USER, u"Software"_s, nullptr) != ERROR_SUCCESS);
    QCOMPARE(registry.OpenKey(HKEY_CURRENT_USER, u"Software"_s), ERROR_FILE_NOT_FOUND);

    // The hive's file cannot be replaced: a folder stands in its place.
    CFileRegistry other(m_environment->Root() + u"/other"_s);
    QVERIFY(QDir().mkpath(other.HiveFilePath(HKEY_LOCAL_MACHINE)));
    QVERIFY(other.CreateKey(HKEY_LOCAL_MACHINE, u"Software"_s, nullptr) != ERROR_SUCCESS);
    QVERIFY(other.OpenKey(HKEY_LOCAL_MACHINE, u"Software"_s) != ERROR_SUCCESS);
}

void TestRegistryFile::location()
{
    QCOMPARE(CRegistryLocation::HiveFilePath(HKEY_LOCAL_MACHINE),
             m_environment->RegistryDirectory() + u"/HKEY_LOCAL_MACHINE.reg"_s);
    m_environment->Unset("KORVANE_REGISTRY_DIR");
    QCOMPARE(CRegistryLocation::HiveFilePath(HKEY_CURRENT_USER),
             m_environment->Root() + u"/config/korvane/registry/HKEY_CURRENT_USER.reg"_s);
    const QString machine = CRegistryLocation::HiveDirectory(HKEY_LOCAL_MACHINE);
    const QString system = QString::fromLatin1(CRegistryLocation::kSystemDirectory);
    QCOMPARE(machine, CRegistryLocation::IsWritableOrCreatable(system)
                          ? system
                          : m_environment->Root() + u"/config/korvane/registry"_s);
    m_environment->Set("XDG_CONFIG_HOME", u"relative/path"_s);
    QCOMPARE(CRegistryLocation::UserDirectory(), QDir::homePath() + u"/.config/korvane/registry"_s);
}

QTEST_GUILESS_MAIN(TestRegistryFile)
#include "tst_RegistryFile.moc"
