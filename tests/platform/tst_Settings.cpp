#include "platform/registry/CRegKey.h"
#include "platform/registry/CSettings.h"
#include "tests/support/CTestEnvironment.h"

#include <QDataStream>
#include <QPoint>
#include <QSize>
#include <QtTest>

#include <optional>

using namespace Qt::StringLiterals;

// The console's settings object over the registry.
class TestSettings : public QObject {
    Q_OBJECT

private slots:
    void init() { m_environment.emplace(); }
    void cleanup() { m_environment.reset(); }

    void valuesComeBackAsTheyWent_data();
    void valuesComeBackAsTheyWent();
    void theRegistrySeesTheSameValues();
    void groupsKeysAndRemoving();
    void failedWritesKeepTheOldValue();
    void storedListsAreNeverDecoded();

private:
    std::optional<CTestEnvironment> m_environment;
};

void TestSettings::valuesComeBackAsTheyWent_data()
{
    QTest::addColumn<QVariant>("value");
    QTest::addColumn<QVariant>("expected");

    QTest::newRow("true") << QVariant(true) << QVariant(1);
    QTest::newRow("int") << QVariant(-42) << QVariant(-42);
    QTest::newRow("longlong") << QVariant(-5000000000LL) << QVariant(-5000000000LL);
    QTest::newRow("string") << QVariant(u"Grüße"_s) << QVariant(u"Grüße"_s);
    QTest::newRow("string with @") << QVariant(u"@Variant(x)"_s) << QVariant(u"@Variant(x)"_s);
    QTest::newRow("string list") << QVariant(QStringList{u"#ff0000"_s, u""_s, u"b"_s})
                                 << QVariant(QStringList{u"#ff0000"_s, u""_s, u"b"_s});
    QTest::newRow("bytes") << QVariant(QByteArray("\0\x01\xff", 3))
                           << QVariant(QByteArray("\0\x01\xff", 3));
    QTest::newRow("double") << QVariant(0.1) << QVariant(u"0.1"_s);
    QTest::newRow("size") << QVariant(QSize(640, 480)) << QVariant(QSize(640, 480));
    QTest::newRow("invalid") << QVariant() << QVariant();
}

void TestSettings::valuesComeBackAsTheyWent()
{
    QFETCH(QVariant, value);
    QFETCH(QVariant, expected);
    {
        CSettings settings(u"Tellmar"_s, u"Korvane"_s);
        settings.beginGroup(u"11.0"_s);
        QCOMPARE(settings.setValue(u"Preferences/Value"_s, value), ERROR_SUCCESS);
    }
    CSettings settings(u"Tellmar"_s, u"Korvane"_s);
    const QVariant read = settings.value(u"11.0/Preferences/Value"_s, u"default"_s);
    QCOMPARE(read.metaType(), expected.metaType());
    QCOMPARE(read, expected);
    if (value.metaType().id() == QMetaType::Double)
        QCOMPARE(read.toDouble(), value.toDouble());
}

void TestSettings::theRegistrySeesTheSameValues()
{
    CSettings settings(u"Tellmar"_s, u"Korvane"_s);
    settings.beginGroup(u"11.0"_s);
    settings.setValue(u"Preferences/Exit On Close"_s, true);
    settings.setValue(u"ColorsForBitmap"_s, QStringList{u"#000000"_s, u"#ffffff"_s});
    QCOMPARE(settings.status(), ERROR_SUCCESS);

    CRegKey key;
    QCOMPARE(key.Open(HKEY_CURRENT_USER, u"Software\\Tellmar\\Korvane\\11.0"_s), ERROR_SUCCESS);
    QStringList colours;
    QCOMPARE(key.QueryMultiStringValue(u"ColorsForBitmap"_s, &colours), ERROR_SUCCESS);
    QCOMPARE(colours, (QStringList{u"#000000"_s, u"#ffffff"_s}));
    CRegKey preferences;
    QCOMPARE(preferences.Open(key, u"Preferences"_s, KEY_READ), ERROR_SUCCESS);
    DWORD number = 9;
    QCOMPARE(preferences.QueryDWORDValue(u"Exit On Close"_s, &number), ERROR_SUCCESS);
    QCOMPARE(number, 1u);

    // And the other way: values the registry holds, the key's unnamed one not among them.
    QCOMPARE(key.SetDWORDValue(QString(), 1), ERROR_SUCCESS);
    QCOMPARE(key.SetStringValue(u"Expand"_s, u"%HOME%"_s, REG_EXPAND_SZ), ERROR_SUCCESS);
    QCOMPARE(key.SetQWORDValue(u"Wide"_s, 1ull << 40), ERROR_SUCCESS);
    QCOMPARE(settings.value(u"Expand"_s), QVariant(u"%HOME%"_s));
    QCOMPARE(settings.value(u"Wide"_s), QVariant(static_cast<qlonglong>(1ull << 40)));
    QCOMPARE(settings.childKeys(), (QStringList{u"ColorsForBitmap"_s, u"Expand"_s, u"Wide"_s}));
}

void TestSettings::groupsKeysAndRemoving()
{
    CSettings settings(u"Tellmar"_s, u"Korvane"_s);
    settings.beginGroup(u"/11.0/"_s);
    settings.beginGroup(u"Selections"_s);
    QCOMPARE(settings.group(), u"11.0/Selections"_s);
    settings.setValue(u"Recycler Table"_s, QStringList{u"a"_s});
    settings.setValue(u"Deep\\Inner//Key"_s, 3);
    settings.endGroup();
    settings.setValue(u"Tabs"_s, 1);                      // a value named like ...
    settings.setValue(u"Tabs/Space Management Tab"_s, 2); // ... a group
    settings.setValue(u"Top"_s, 1);
    QCOMPARE(settings.childKeys(), (QStringList{u"Tabs"_s, u"Top"_s}));
    QCOMPARE(settings.childGroups(), (QStringList{u"Selections"_s, u"Tabs"_s}));
    QVERIFY(settings.contains(u"selections/recycler table"_s));
    QVERIFY(!settings.contains(u"Selections"_s)); // a group is not a value
    QCOMPARE(settings.value(u"Selections/Deep/Inner/Key"_s), QVariant(3));

    // Removing a name takes the value and the group of that name; an empty name everything.
    QCOMPARE(settings.remove(u"Tabs"_s), ERROR_SUCCESS);
    QCOMPARE(settings.remove(u"Missing/Entirely"_s), ERROR_SUCCESS);
    QCOMPARE(settings.allKeys(), (QStringList{u"Top"_s, u"Selections/Recycler Table"_s,
                                              u"Selections/Deep/Inner/Key"_s}));
    settings.beginGroup(u"Selections"_s);
    QCOMPARE(settings.remove(QString()), ERROR_SUCCESS);
    settings.endGroup();
    settings.endGroup();
    settings.endGroup(); // one too many is harmless
    QCOMPARE(settings.group(), QString());
    QCOMPARE(settings.allKeys(), QStringList{u"11.0/Top"_s});
    QCOMPARE(settings.value(QString(), u"none"_s), QVariant(u"none"_s));
    QCOMPARE(settings.setValue(QString(), 1), ERROR_INVALID_PARAMETER);
}

void TestSettings::failedWritesKeepTheOldValue()
{
    CSettings settings(u"Tellmar"_s, u"Korvane"_s);
    QCOMPARE(settings.setValue(u"A"_s, 1), ERROR_SUCCESS);
    // A hive that cannot be read is never written over.
    QFile hive(m_environment->RegistryDirectory() + u"/HKEY_CURRENT_USER.reg"_s);
    QVERIFY(hive.open(QIODevice::ReadWrite | QIODevice::Append));
    const qint64 good = hive.size();
    hive.write("\"Broken\"=dword:xyz\n");
    hive.flush();
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression(u"cannot be read"_s));
    QCOMPARE(settings.setValue(u"A"_s, 2), ERROR_BADDB);
    QCOMPARE(settings.status(), ERROR_BADDB);
    QCOMPARE(settings.remove(u"A"_s), ERROR_BADDB);
    QVERIFY(hive.resize(good));
    QCOMPARE(settings.value(u"A"_s), QVariant(1));

    // A type with no stored form is refused without touching the store.
    struct TUnstreamable {
        int x;
    };
    QCOMPARE(settings.setValue(u"B"_s, QVariant::fromValue(TUnstreamable{1})),
             ERROR_INVALID_PARAMETER);
    QCOMPARE(hive.size(), good);
}

void TestSettings::storedListsAreNeverDecoded()
{
    // A list read back would first make room for the count it declares: four billion strings
    // here. Such a value is its text, and lists are not stored this way at all.
    QByteArray claim;
    QDataStream out(&claim, QIODevice::WriteOnly);
    out.setVersion(QDataStream::Qt_6_0);
    out << quint32(QMetaType::QStringList) << qint8(0) << quint32(0xFFFFFFF0);
    const QString text = u"@Variant("_s + QString::fromLatin1(claim.toBase64()) + u')';
    CRegKey key;
    QCOMPARE(key.Create(HKEY_CURRENT_USER, u"Software\\Tellmar\\Korvane"_s), ERROR_SUCCESS);
    QCOMPARE(key.SetStringValue(u"Huge"_s, text), ERROR_SUCCESS);
    CSettings settings(u"Tellmar"_s, u"Korvane"_s);
    QCOMPARE(settings.value(u"Huge"_s), QVariant(text));
    QCOMPARE(settings.setValue(u"List"_s, QVariantList{1, u"two"_s}), ERROR_INVALID_PARAMETER);
    QVERIFY(!settings.contains(u"List"_s));
}

QTEST_GUILESS_MAIN(TestSettings)
#include "tst_Settings.moc"
