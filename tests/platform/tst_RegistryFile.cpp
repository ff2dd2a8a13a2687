#include "platform/registry/CFileRegistry.h"
#include "platform/registry/CRegKey.h"
#include "platform/registry/CRegistryFileFormat.h"
#include "platform/registry/CRegistryLocation.h"
#include "tests/support/CTestEnvironment.h"

#include <QtTest>

#include <optional>
#include <sys/stat.h>

using namespace Qt::StringLiterals;

Q_DECLARE_METATYPE(CRegistryValue)

// The registry as the console uses it: key handles over the hive files; the files' text, what
// happens to a file that cannot be read, and several writers.
class TestRegistryFile : public QObject {
    Q_OBJECT

private slots:
    void init() { m_environment.emplace(); }
    void cleanup() { m_environment.reset(); }

    void valuesOfEveryTypeSurviveAFreshStore_data();
    void valuesOfEveryTypeSurviveAFreshStore();
    void namesIgnoreCaseButKeepIt();
    void missingKeysAndValuesAndWrongTypes();
    void accessRightsOfTheHandle();
    void deletingKeys();
    void namesTheStoreCannotHoldAreRefused();

    void writesTheExportFormat();
    void readsHandWrittenFiles();
    void malformedFilesAreRefused_data();
    void malformedFilesAreRefused();
    void aCorruptHiveIsNeverOverwritten();
    void twoProcessesWritingAtOnceLoseNothing();
    void aFailedWriteChangesNothing();

private:
    QString HivePath(HKEY hive) const
    {
        return m_environment->RegistryDirectory() + u'/' + CRegistryLocation::HiveFileName(hive);
    }
    void WriteHive(HKEY hive, const QByteArray& bytes);
    QByteArray ReadHive(HKEY hive) const;

    std::optional<CTestEnvironment> m_environment;
};

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

void TestRegistryFile::valuesOfEveryTypeSurviveAFreshStore_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<CRegistryValue>("value");

    QTest::newRow("dword") << u"Count"_s << CRegistryValue::FromDWord(0xFFFFFFFEu);
    QTest::newRow("qword") << u"Big"_s << CRegistryValue::FromQWord(0x8000000000000001ull);
    QTest::newRow("string") << u"Name"_s << CRegistryValue::FromString(u"plain text"_s);
    QTest::newRow("escapes") << u"Quote \"and\" \\slash\\"_s
                             << CRegistryValue::FromString(u"C:\\dir\\ \"quoted\" \\"_s);
    QTest::newRow("non-ascii") << u"Größe ✓ 日本"_s
                               << CRegistryValue::FromString(u"Défragmenté 𝄞 ドライブ"_s);
    QTest::newRow("line breaks") << u"Lines"_s
                                 << CRegistryValue::FromString(u"one\r\ntwo\nthree"_s);
    QTest::newRow("embedded null")
        << u"Nulls"_s << CRegistryValue::FromString(QString::fromUtf16(u"a\0b", 3));
    QTest::newRow("multi with empty entries")
        << u"List"_s
        << CRegistryValue::FromMultiString({u""_s, u"a"_s, u""_s, u""_s, u"ü b"_s, u""_s});
    QTest::newRow("multi empty") << u"None"_s << CRegistryValue::FromMultiString({});
    QByteArray all;
    for (int i = 0; i < 300; ++i)
        all.append(static_cast<char>(i));
    QTest::newRow("binary over several lines") << u"Blob"_s << CRegistryValue::FromBinary(all);
    QTest::newRow("default value") << QString() << CRegistryValue::FromDWord(1);
}

void TestRegistryFile::valuesOfEveryTypeSurviveAFreshStore()
{
    QFETCH(QString, name);
    QFETCH(CRegistryValue, value);

    const QString path = u"Software\\Tellmar\\Korvane\\11.0"_s;
    {
        CRegKey key;
        QCOMPARE(key.Create(HKEY_CURRENT_USER, path), ERROR_SUCCESS);
        QCOMPARE(key.SetValue(name, value), ERROR_SUCCESS);
        QCOMPARE(key.SetStringValue(u"Neighbour"_s, u"kept"_s), ERROR_SUCCESS);
    }
    // A second store over the same files reads what the first wrote.
    CFileRegistry fresh(m_environment->RegistryDirectory());
    CRegKey key(&fresh);
    QCOMPARE(key.Open(HKEY_CURRENT_USER, path, KEY_READ), ERROR_SUCCESS);
    CRegistryValue read;
    QCOMPARE(key.QueryValue(name, &read), ERROR_SUCCESS);
    QCOMPARE(read.Type(), value.Type());
    QCOMPARE(read.Data(), value.Data());
    QString neighbour;
    QCOMPARE(key.QueryStringValue(u"Neighbour"_s, &neighbour), ERROR_SUCCESS);
    QCOMPARE(neighbour, u"kept"_s);
}

void TestRegistryFile::namesIgnoreCaseButKeepIt()
{
    CRegKey key;
    QCOMPARE(key.Create(HKEY_CURRENT_USER, u"Software\\MixedCase"_s), ERROR_SUCCESS);
    QCOMPARE(key.SetDWORDValue(u"ShowSplashScreen"_s, 0), ERROR_SUCCESS);
    QCOMPARE(key.SetDWORDValue(u"SHOWSPLASHSCREEN"_s, 7), ERROR_SUCCESS);

    CRegKey other;
    QCOMPARE(other.Open(HKEY_CURRENT_USER, u"software\\MIXEDCASE"_s, KEY_READ), ERROR_SUCCESS);
    DWORD value = 0;
    QCOMPARE(other.QueryDWORDValue(u"showsplashscreen"_s, &value), ERROR_SUCCESS);
    QCOMPARE(value, 7u);
    QStringList names;
    QCOMPARE(other.EnumValueNames(&names), ERROR_SUCCESS);
    QCOMPARE(names, QStringList{u"ShowSplashScreen"_s});

    // Paths lose their empty parts.
    CRegKey parent;
    QCOMPARE(parent.Open(HKEY_CURRENT_USER, u"\\SOFTWARE\\\\"_s, KEY_READ), ERROR_SUCCESS);
    QCOMPARE(parent.Path(), u"SOFTWARE"_s);
    QCOMPARE(parent.EnumSubKeys(&names), ERROR_SUCCESS);
    QCOMPARE(names, QStringList{u"MixedCase"_s});
}

void TestRegistryFile::missingKeysAndValuesAndWrongTypes()
{
    CRegKey key;
    QCOMPARE(key.Open(HKEY_CURRENT_USER, u"Software\\Nowhere"_s, KEY_READ), ERROR_FILE_NOT_FOUND);
    QVERIFY(!key.IsOpen());
    DWORD value = 5;
    QCOMPARE(key.QueryDWORDValue(u"x"_s, &value), ERROR_INVALID_HANDLE);

    QCOMPARE(key.Create(HKEY_CURRENT_USER, u"Software\\Somewhere"_s), ERROR_SUCCESS);
    QCOMPARE(key.QueryDWORDValue(u"x"_s, &value), ERROR_FILE_NOT_FOUND);
    QCOMPARE(key.DeleteValue(u"x"_s), ERROR_FILE_NOT_FOUND);
    QCOMPARE(key.DeleteSubKey(u"x"_s), ERROR_FILE_NOT_FOUND);
    QCOMPARE(key.SetStringValue(u"Text"_s, u"12"_s), ERROR_SUCCESS);
    QCOMPARE(key.QueryDWORDValue(u"Text"_s, &value), ERROR_INVALID_DATA);
    QStringList list;
    QCOMPARE(key.QueryMultiStringValue(u"Text"_s, &list), ERROR_INVALID_DATA);
    QCOMPARE(key.SetStringValue(u"Bad"_s, u"x"_s, REG_DWORD), ERROR_INVALID_PARAMETER);
    QCOMPARE(value, 5u);
    // Reading never creates the hive file.
    QVERIFY(!QFile::exists(m_environment->RegistryDirectory() + u"/HKEY_LOCAL_MACHINE.reg"_s));
}

void TestRegistryFile::accessRightsOfTheHandle()
{
    const QString path = u"Software\\Tellmar\\Korvane\\11.0"_s;
    CRegKey writer;
    QCOMPARE(writer.Create(HKEY_CURRENT_USER, path), ERROR_SUCCESS);
    QCOMPARE(writer.SetDWORDValue(u"ShowSplashScreen"_s, 1), ERROR_SUCCESS);
    CRegKey child;
    QCOMPARE(child.Create(writer, u"Child"_s), ERROR_SUCCESS);

    CRegKey reader;
    QCOMPARE(reader.Open(HKEY_CURRENT_USER, path, KEY_READ), ERROR_SUCCESS);
    QCOMPARE(reader.SetDWORDValue(u"ShowSplashScreen"_s, 0), ERROR_ACCESS_DENIED);
    QCOMPARE(reader.DeleteValue(u"ShowSplashScreen"_s), ERROR_ACCESS_DENIED);
    QCOMPARE(reader.RecurseDeleteKey(u"Child"_s), ERROR_ACCESS_DENIED);
    CRegKey grandChild;
    QCOMPARE(grandChild.Create(reader, u"Grandchild"_s), ERROR_ACCESS_DENIED);

    DWORD value = 0;
    QCOMPARE(reader.QueryDWORDValue(u"ShowSplashScreen"_s, &value), ERROR_SUCCESS);
    QCOMPARE(value, 1u);
    CRegKey writeOnly;
    QCOMPARE(writeOnly.Open(HKEY_CURRENT_USER, path, KEY_SET_VALUE), ERROR_SUCCESS);
    QCOMPARE(writeOnly.QueryDWORDValue(u"ShowSplashScreen"_s, &value), ERROR_ACCESS_DENIED);
    QCOMPARE(writeOnly.SetDWORDValue(u"ShowSplashScreen"_s, 0), ERROR_SUCCESS);
}

void TestRegistryFile::deletingKeys()
{
    CRegKey root;
    QCOMPARE(root.Create(HKEY_CURRENT_USER, u"Software\\Tree"_s), ERROR_SUCCESS);
    CRegKey branch;
    QCOMPARE(branch.Create(root, u"Branch\\Leaf"_s), ERROR_SUCCESS);
    QCOMPARE(branch.SetDWORDValue(u"v"_s, 1), ERROR_SUCCESS);

    QCOMPARE(root.DeleteSubKey(u"Branch"_s), ERROR_ACCESS_DENIED); // it has a sub-key
    QCOMPARE(root.DeleteSubKey(u""_s), ERROR_INVALID_PARAMETER);
    QCOMPARE(root.RecurseDeleteKey(u"Branch"_s), ERROR_SUCCESS);
    // A handle whose key went away.
    QCOMPARE(branch.SetDWORDValue(u"v"_s, 2), ERROR_KEY_DELETED);
    QStringList names;
    QCOMPARE(branch.EnumValueNames(&names), ERROR_KEY_DELETED);
    QCOMPARE(root.EnumSubKeys(&names), ERROR_SUCCESS);
    QVERIFY(names.isEmpty());
}

void TestRegistryFile::namesTheStoreCannotHoldAreRefused()
{
    CRegKey key;
    QCOMPARE(key.Create(HKEY_CURRENT_USER, u"Software\\Bad\nName"_s), ERROR_INVALID_PARAMETER);
    QVERIFY(!key.IsOpen());
    QCOMPARE(key.Create(HKEY_CURRENT_USER, u"Software\\Good"_s), ERROR_SUCCESS);
    QCOMPARE(key.SetDWORDValue(u"line\nbreak"_s, 1), ERROR_INVALID_PARAMETER);
    QCOMPARE(key.SetDWORDValue(QString(QChar(0xD800)), 1), ERROR_INVALID_PARAMETER);
    CRegKey fresh;
    QCOMPARE(fresh.Open(HKEY_CURRENT_USER, u"Software"_s, KEY_READ), ERROR_SUCCESS);
    QStringList names;
    QCOMPARE(fresh.EnumSubKeys(&names), ERROR_SUCCESS);
    QCOMPARE(names, QStringList{u"Good"_s});
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

    CFileRegistry registry(m_environment->RegistryDirectory());
    const QString path = u"Software\\Classes\\CLSID\\{22DAA0A2}\\LocalServer32"_s;
    const auto value = [&](const QString& name) {
        CRegistryValue read;
        return registry.QueryValue(HKEY_LOCAL_MACHINE, path, name, &read) == ERROR_SUCCESS
                   ? read
                   : CRegistryValue();
    };
    QCOMPARE(value(QString()), CRegistryValue::FromString(u"/usr/lib/korvane/korvane-engine"_s));
    QCOMPARE(value(u"Spaced"_s), CRegistryValue::FromDWord(42));
    QCOMPARE(value(u"Long"_s).Data(), QByteArray::fromHex("000102030405060708090a0b0c0d0e0f"
                                                          "101112131415161718"));
    QCOMPARE(value(u"Typed"_s), CRegistryValue::FromQWord(1));
    QCOMPARE(registry.OpenKey(HKEY_LOCAL_MACHINE, u"SOFTWARE\\second"_s), ERROR_SUCCESS);
}

void TestRegistryFile::malformedFilesAreRefused_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("where");
    const QByteArray header = "Windows Registry Editor Version 5.00\n\n";
    QTest::newRow("no header") << QByteArray("[HKEY_CURRENT_USER\\A]\n") << u"line 1"_s;
    QTest::newRow("value outside a key") << header + "\"A\"=\"x\"\n" << u"line 3"_s;
    QTest::newRow("other hive") << header + "[HKEY_LOCAL_MACHINE\\A]\n" << u"line 3"_s;
    QTest::newRow("unclosed text") << header + "[HKEY_CURRENT_USER\\A]\n\"A\"=\"x\n" << u"line 4"_s;
    QTest::newRow("bad dword") << header + "[HKEY_CURRENT_USER\\A]\n\"A\"=dword:123456789\n"
                               << u"line 4"_s;
    QTest::newRow("bad byte") << header + "[HKEY_CURRENT_USER\\A]\n\"A\"=hex:1,zz\n" << u"line 4"_s;
    QTest::newRow("cut continuation") << header + "[HKEY_CURRENT_USER\\A]\n\"A\"=hex:01,\\\n"
                                      << u"line 4"_s;
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

    // The hive's file cannot be read or replaced: a folder or a named pipe stands in its place;
    // the pipe is refused at once rather than waited on.
    CFileRegistry other(m_environment->Root() + u"/other"_s);
    QVERIFY(QDir().mkpath(other.HiveFilePath(HKEY_LOCAL_MACHINE)));
    const QByteArray pipe = QFile::encodeName(other.HiveFilePath(HKEY_CURRENT_USER));
    QCOMPARE(::mkfifo(pipe.constData(), 0600), 0);
    for (HKEY hive : {HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER}) {
        QCOMPARE(other.CreateKey(hive, u"Software"_s, nullptr), ERROR_ACCESS_DENIED);
        QCOMPARE(other.OpenKey(hive, u"Software"_s), ERROR_ACCESS_DENIED);
    }
    struct stat info = {};
    QVERIFY(::stat(pipe.constData(), &info) == 0 && S_ISFIFO(info.st_mode));
}

QTEST_GUILESS_MAIN(TestRegistryFile)
#include "tst_RegistryFile.moc"
