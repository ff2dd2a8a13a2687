#include "platform/registry/CFileRegistry.h"
#include "platform/registry/CRegKey.h"
#include "platform/registry/CRegistryFileFormat.h"
#include "tests/support/CTestEnvironment.h"

#include <QtTest>

using namespace Qt::StringLiterals;

Q_DECLARE_METATYPE(CRegistryValue)

// The registry as the console uses it: key handles over the file-backed store.
class TestRegistry : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void valuesOfEveryTypeSurviveAFreshStore_data();
    void valuesOfEveryTypeSurviveAFreshStore();
    void namesIgnoreCaseButKeepIt();
    void enumerationOrder();
    void missingKeysAndValues();
    void typedQueriesCheckTheType();
    void accessRightsOfTheHandle();
    void deletingKeys();
    void namesTheStoreCannotHoldAreRefused();
    void hivesAreSeparate();

private:
    std::unique_ptr<CTestEnvironment> m_environment;
};

void TestRegistry::init()
{
    m_environment = std::make_unique<CTestEnvironment>();
}

void TestRegistry::cleanup()
{
    m_environment.reset();
}

void TestRegistry::valuesOfEveryTypeSurviveAFreshStore_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<CRegistryValue>("value");

    QTest::newRow("dword") << u"Count"_s << CRegistryValue::FromDWord(0xFFFFFFFEu);
    QTest::newRow("qword") << u"Big"_s << CRegistryValue::FromQWord(0x8000000000000001ull);
    QTest::newRow("string") << u"Name"_s << CRegistryValue::FromString(u"plain text"_s);
    QTest::newRow("empty string") << u"Empty"_s << CRegistryValue::FromString(QString());
    QTest::newRow("escapes") << u"Quote \"and\" \\slash\\"_s
                             << CRegistryValue::FromString(u"C:\\dir\\ \"quoted\" \\"_s);
    QTest::newRow("non-ascii") << u"Größe ✓ 日本"_s
                               << CRegistryValue::FromString(u"Défragmenté 𝄞 ドライブ"_s);
    QTest::newRow("line breaks") << u"Lines"_s
                                 << CRegistryValue::FromString(u"one\r\ntwo\nthree"_s);
    QTest::newRow("embedded null")
        << u"Nulls"_s << CRegistryValue::FromString(QString::fromUtf16(u"a\0b", 3));
    QTest::newRow("expandable") << u"Path"_s
                                << CRegistryValue::FromString(u"%HOME%/x"_s, REG_EXPAND_SZ);
    QTest::newRow("multi with empty entries")
        << u"List"_s
        << CRegistryValue::FromMultiString({u""_s, u"a"_s, u""_s, u""_s, u"ü b"_s, u""_s});
    QTest::newRow("multi one empty entry") << u"One"_s << CRegistryValue::FromMultiString({u""_s});
    QTest::newRow("multi empty") << u"None"_s << CRegistryValue::FromMultiString({});
    QByteArray all;
    for (int i = 0; i < 300; ++i)
        all.append(static_cast<char>(i));
    QTest::newRow("binary over several lines") << u"Blob"_s << CRegistryValue::FromBinary(all);
    QTest::newRow("empty binary") << u"Nothing"_s << CRegistryValue::FromBinary(QByteArray());
    QTest::newRow("none") << u"Marker"_s << CRegistryValue(REG_NONE, QByteArray("\x01\x02", 2));
    QTest::newRow("odd type") << u"Odd"_s << CRegistryValue(0x1234, QByteArray("xyz"));
    QTest::newRow("short dword") << u"Short"_s << CRegistryValue(REG_DWORD, QByteArray("\x01", 1));
    QTest::newRow("default value") << QString() << CRegistryValue::FromDWord(1);
}

void TestRegistry::valuesOfEveryTypeSurviveAFreshStore()
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

void TestRegistry::namesIgnoreCaseButKeepIt()
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

    CRegKey parent;
    QCOMPARE(parent.Open(HKEY_CURRENT_USER, u"SOFTWARE"_s, KEY_READ), ERROR_SUCCESS);
    QCOMPARE(parent.EnumSubKeys(&names), ERROR_SUCCESS);
    QCOMPARE(names, QStringList{u"MixedCase"_s});
}

void TestRegistry::enumerationOrder()
{
    CRegKey key;
    QCOMPARE(key.Create(HKEY_LOCAL_MACHINE, u"\\Software\\\\Order\\"_s), ERROR_SUCCESS);
    QCOMPARE(key.Path(), u"Software\\Order"_s);
    for (const QString& name : {u"zeta"_s, u"Alpha"_s, u"beta"_s}) {
        CRegKey child;
        QCOMPARE(child.Create(key, name), ERROR_SUCCESS);
        QCOMPARE(key.SetDWORDValue(name, 1), ERROR_SUCCESS);
    }
    QStringList names;
    QCOMPARE(key.EnumSubKeys(&names), ERROR_SUCCESS);
    QCOMPARE(names, (QStringList{u"Alpha"_s, u"beta"_s, u"zeta"_s}));
    QCOMPARE(key.EnumValueNames(&names), ERROR_SUCCESS);
    QCOMPARE(names, (QStringList{u"zeta"_s, u"Alpha"_s, u"beta"_s}));
    DWORD subKeys = 0;
    DWORD values = 0;
    QCOMPARE(key.QueryInfo(&subKeys, &values), ERROR_SUCCESS);
    QCOMPARE(subKeys, 3u);
    QCOMPARE(values, 3u);
}

void TestRegistry::missingKeysAndValues()
{
    CRegKey key;
    QCOMPARE(key.Open(HKEY_CURRENT_USER, u"Software\\Nowhere"_s, KEY_READ), ERROR_FILE_NOT_FOUND);
    QVERIFY(!key.IsOpen());
    DWORD value = 5;
    QCOMPARE(key.QueryDWORDValue(u"x"_s, &value), ERROR_INVALID_HANDLE);

    QCOMPARE(key.Create(HKEY_CURRENT_USER, u"Software\\Somewhere"_s), ERROR_SUCCESS);
    QCOMPARE(key.QueryDWORDValue(u"x"_s, &value), ERROR_FILE_NOT_FOUND);
    QCOMPARE(value, 5u);
    QCOMPARE(key.DeleteValue(u"x"_s), ERROR_FILE_NOT_FOUND);
    QCOMPARE(key.DeleteSubKey(u"x"_s), ERROR_FILE_NOT_FOUND);
    // Reading never creates the hive file.
    QVERIFY(!QFile::exists(m_environment->RegistryDirectory() + u"/HKEY_LOCAL_MACHINE.reg"_s));
}

void TestRegistry::typedQueriesCheckTheType()
{
    CRegKey key;
    QCOMPARE(key.Create(HKEY_CURRENT_USER, u"Software\\Types"_s), ERROR_SUCCESS);
    QCOMPARE(key.SetStringValue(u"Text"_s, u"12"_s), ERROR_SUCCESS);
    DWORD number = 99;
    QCOMPARE(key.QueryDWORDValue(u"Text"_s, &number), ERROR_INVALID_DATA);
    QCOMPARE(number, 99u);
    QStringList list;
    QCOMPARE(key.QueryMultiStringValue(u"Text"_s, &list), ERROR_INVALID_DATA);
    QCOMPARE(key.SetStringValue(u"Bad"_s, u"x"_s, REG_DWORD), ERROR_INVALID_PARAMETER);
}

void TestRegistry::accessRightsOfTheHandle()
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
    QCOMPARE(reader.SetStringValue(u"New"_s, u"x"_s), ERROR_ACCESS_DENIED);
    QCOMPARE(reader.DeleteValue(u"ShowSplashScreen"_s), ERROR_ACCESS_DENIED);
    QCOMPARE(reader.DeleteSubKey(u"Child"_s), ERROR_ACCESS_DENIED);
    QCOMPARE(reader.RecurseDeleteKey(u"Child"_s), ERROR_ACCESS_DENIED);
    CRegKey grandChild;
    QCOMPARE(grandChild.Create(reader, u"Grandchild"_s), ERROR_ACCESS_DENIED);

    DWORD value = 0;
    QCOMPARE(reader.QueryDWORDValue(u"ShowSplashScreen"_s, &value), ERROR_SUCCESS);
    QCOMPARE(value, 1u);
    QStringList names;
    QCOMPARE(reader.EnumSubKeys(&names), ERROR_SUCCESS);
    QCOMPARE(names, QStringList{u"Child"_s});

    CRegKey writeOnly;
    QCOMPARE(writeOnly.Open(HKEY_CURRENT_USER, path, KEY_SET_VALUE), ERROR_SUCCESS);
    QCOMPARE(writeOnly.QueryDWORDValue(u"ShowSplashScreen"_s, &value), ERROR_ACCESS_DENIED);
    QCOMPARE(writeOnly.SetDWORDValue(u"ShowSplashScreen"_s, 0), ERROR_SUCCESS);
}

void TestRegistry::deletingKeys()
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

void TestRegistry::namesTheStoreCannotHoldAreRefused()
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

void TestRegistry::hivesAreSeparate()
{
    const QString path = u"Software\\Tellmar\\Korvane\\11.0"_s;
    for (HKEY hive : kRegistryHives) {
        CRegKey key;
        QCOMPARE(key.Create(hive, path), ERROR_SUCCESS);
        QCOMPARE(key.SetStringValue(u"Hive"_s, RegistryHiveName(hive)), ERROR_SUCCESS);
    }
    for (HKEY hive : kRegistryHives) {
        CRegistryHive keys;
        QFile file(m_environment->RegistryDirectory() + u'/' + RegistryHiveName(hive) + u".reg"_s);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QString error;
        QVERIFY2(CRegistryFileFormat::Parse(file.readAll(), hive, &keys, &error),
                 qPrintable(error));
        CRegistryValue value;
        QCOMPARE(keys.QueryValue(path, u"Hive"_s, &value), ERROR_SUCCESS);
        QCOMPARE(value, CRegistryValue::FromString(RegistryHiveName(hive)));
    }
}

QTEST_GUILESS_MAIN(TestRegistry)
#include "tst_Registry.moc"
