#include "platform/registry/CRegKey.h"
#include "platform/registry/CSettings.h"
#include "tests/support/CMemoryRegistry.h"
#include "tests/support/CTestEnvironment.h"

#include <QPoint>
#include <QSize>
#include <QtTest>

using namespace Qt::StringLiterals;

// The console's settings object over the registry.
class TestSettings : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void valuesComeBackAsTheyWent_data();
    void valuesComeBackAsTheyWent();
    void theRegistrySeesTheSameValues();
    void theSettingsSeeRegistryValues();
    void groupsAndKeys();
    void removing();
    void failedWritesKeepTheOldValue();

private:
    std::unique_ptr<CTestEnvironment> m_environment;
};

void TestSettings::init()
{
    m_environment = std::make_unique<CTestEnvironment>();
}

void TestSettings::cleanup()
{
    m_environment.reset();
}

void TestSettings::valuesComeBackAsTheyWent_data()
{
    QTest::addColumn<QVariant>("value");
    QTest::addColumn<QVariant>("expected");

    QTest::newRow("true") << QVariant(true) << QVariant(1);
    QTest::newRow("false") << QVariant(false) << QVariant(0);
    QTest::newRow("int") << QVariant(-42) << QVariant(-42);
    QTest::newRow("uint") << QVariant(4000000000u) << QVariant(static_cast<int>(4000000000u));
    QTest::newRow("longlong") << QVariant(-5000000000LL) << QVariant(-5000000000LL);
    QTest::newRow("string") << QVariant(u"Grüße"_s) << QVariant(u"Grüße"_s);
    QTest::newRow("string with @") << QVariant(u"@Variant(x)"_s) << QVariant(u"@Variant(x)"_s);
    QTest::newRow("string list") << QVariant(QStringList{u"#ff0000"_s, u""_s, u"b"_s})
                                 << QVariant(QStringList{u"#ff0000"_s, u""_s, u"b"_s});
    QTest::newRow("bytes") << QVariant(QByteArray("\0\x01\xff", 3))
                           << QVariant(QByteArray("\0\x01\xff", 3));
    QTest::newRow("double") << QVariant(0.1) << QVariant(u"0.1"_s);
    QTest::newRow("size") << QVariant(QSize(640, 480)) << QVariant(QSize(640, 480));
    QTest::newRow("point") << QVariant(QPoint(-3, 9)) << QVariant(QPoint(-3, 9));
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
    settings.setValue(u"ShowFreeSpaceTab"_s, 0);
    settings.setValue(u"Directories/Schedules"_s, u"/home/user/templates"_s);
    settings.setValue(u"ColorsForBitmap"_s, QStringList{u"#000000"_s, u"#ffffff"_s});
    settings.setValue(u"Splitters/Main"_s, QByteArray("\x01\x02"));
    QCOMPARE(settings.status(), ERROR_SUCCESS);

    CRegKey key;
    QCOMPARE(key.Open(HKEY_CURRENT_USER, u"Software\\Tellmar\\Korvane\\11.0"_s, KEY_READ),
             ERROR_SUCCESS);
    DWORD number = 9;
    QCOMPARE(key.QueryDWORDValue(u"ShowFreeSpaceTab"_s, &number), ERROR_SUCCESS);
    QCOMPARE(number, 0u);
    QStringList colours;
    QCOMPARE(key.QueryMultiStringValue(u"ColorsForBitmap"_s, &colours), ERROR_SUCCESS);
    QCOMPARE(colours, (QStringList{u"#000000"_s, u"#ffffff"_s}));

    CRegKey preferences;
    QCOMPARE(preferences.Open(key, u"Preferences"_s, KEY_READ), ERROR_SUCCESS);
    QCOMPARE(preferences.QueryDWORDValue(u"Exit On Close"_s, &number), ERROR_SUCCESS);
    QCOMPARE(number, 1u);
    CRegKey directories;
    QCOMPARE(directories.Open(key, u"Directories"_s, KEY_READ), ERROR_SUCCESS);
    QString text;
    QCOMPARE(directories.QueryStringValue(u"Schedules"_s, &text), ERROR_SUCCESS);
    QCOMPARE(text, u"/home/user/templates"_s);
    CRegistryValue splitter;
    CRegKey splitters;
    QCOMPARE(splitters.Open(key, u"Splitters"_s, KEY_READ), ERROR_SUCCESS);
    QCOMPARE(splitters.QueryValue(u"Main"_s, &splitter), ERROR_SUCCESS);
    QCOMPARE(splitter.Type(), REG_BINARY);
}

void TestSettings::theSettingsSeeRegistryValues()
{
    CRegKey key;
    QCOMPARE(key.Create(HKEY_CURRENT_USER, u"Software\\Tellmar\\Korvane\\11.0"_s), ERROR_SUCCESS);
    QCOMPARE(key.SetDWORDValue(QString(), 1), ERROR_SUCCESS);
    QCOMPARE(key.SetDWORDValue(u"ShowSplashScreen"_s, 0), ERROR_SUCCESS);
    QCOMPARE(key.SetStringValue(u"Expand"_s, u"%HOME%"_s, REG_EXPAND_SZ), ERROR_SUCCESS);
    QCOMPARE(key.SetQWORDValue(u"Wide"_s, 1ull << 40), ERROR_SUCCESS);

    CSettings settings(u"Tellmar"_s, u"Korvane"_s);
    settings.beginGroup(u"11.0"_s);
    QCOMPARE(settings.value(u"ShowSplashScreen"_s, 1).toInt(), 0);
    QCOMPARE(settings.value(u"ShowSplashScreen"_s).toBool(), false);
    QCOMPARE(settings.value(u"Expand"_s), QVariant(u"%HOME%"_s));
    QCOMPARE(settings.value(u"Wide"_s), QVariant(static_cast<qlonglong>(1ull << 40)));
    // The key's unnamed value is not one of the settings.
    QCOMPARE(settings.childKeys(), (QStringList{u"ShowSplashScreen"_s, u"Expand"_s, u"Wide"_s}));
}

void TestSettings::groupsAndKeys()
{
    CSettings settings(u"Tellmar"_s, u"Korvane"_s);
    settings.beginGroup(u"/11.0/"_s);
    settings.beginGroup(u"Selections"_s);
    QCOMPARE(settings.group(), u"11.0/Selections"_s);
    settings.setValue(u"Recycler Table"_s, QStringList{u"a"_s});
    settings.setValue(u"Deep\\Inner//Key"_s, 3);
    settings.endGroup();
    settings.setValue(u"Tabs/Space Management Tab"_s, 2);
    settings.setValue(u"Top"_s, 1);

    QCOMPARE(settings.childKeys(), QStringList{u"Top"_s});
    QCOMPARE(settings.childGroups(), (QStringList{u"Selections"_s, u"Tabs"_s}));
    QCOMPARE(settings.allKeys(),
             (QStringList{u"Top"_s, u"Selections/Recycler Table"_s, u"Selections/Deep/Inner/Key"_s,
                          u"Tabs/Space Management Tab"_s}));
    QVERIFY(settings.contains(u"selections/recycler table"_s));
    QVERIFY(!settings.contains(u"Selections"_s)); // a group is not a value
    QCOMPARE(settings.value(u"Selections/Deep/Inner/Key"_s), QVariant(3));
    settings.endGroup();
    settings.endGroup(); // one too many is harmless
    QCOMPARE(settings.group(), QString());
    QCOMPARE(settings.value(u"11.0/Top"_s), QVariant(1));
    QCOMPARE(settings.value(QString(), u"none"_s), QVariant(u"none"_s));
    QCOMPARE(settings.setValue(QString(), 1), ERROR_INVALID_PARAMETER);
}

void TestSettings::removing()
{
    CSettings settings(u"Tellmar"_s, u"Korvane"_s);
    settings.beginGroup(u"11.0"_s);
    settings.setValue(u"Tabs"_s, 1);       // a value named like ...
    settings.setValue(u"Tabs/Inner"_s, 2); // ... a group
    settings.setValue(u"Keep"_s, 3);
    settings.setValue(u"Splitters/A"_s, 4);

    QCOMPARE(settings.remove(u"Tabs"_s), ERROR_SUCCESS);
    QVERIFY(!settings.contains(u"Tabs"_s));
    QVERIFY(!settings.contains(u"Tabs/Inner"_s));
    QCOMPARE(settings.remove(u"Missing/Entirely"_s), ERROR_SUCCESS);
    QCOMPARE(settings.allKeys(), (QStringList{u"Keep"_s, u"Splitters/A"_s}));

    settings.beginGroup(u"Splitters"_s);
    QCOMPARE(settings.remove(QString()), ERROR_SUCCESS);
    settings.endGroup();
    QCOMPARE(settings.allKeys(), QStringList{u"Keep"_s});
    QCOMPARE(settings.remove(QString()), ERROR_SUCCESS);
    QVERIFY(settings.allKeys().isEmpty());
}

void TestSettings::failedWritesKeepTheOldValue()
{
    CMemoryRegistry registry;
    CSettings settings(u"Tellmar"_s, u"Korvane"_s, &registry);
    QCOMPARE(settings.setValue(u"A"_s, 1), ERROR_SUCCESS);
    registry.FailWrites(HKEY_CURRENT_USER, ERROR_BADDB);
    QCOMPARE(settings.setValue(u"A"_s, 2), ERROR_BADDB);
    QCOMPARE(settings.status(), ERROR_BADDB);
    QCOMPARE(settings.remove(u"A"_s), ERROR_BADDB);
    QCOMPARE(settings.value(u"A"_s), QVariant(1));

    // A type with no stored form is refused without touching the store.
    struct TUnstreamable {
        int x;
    };
    const int writes = registry.WriteCount();
    QCOMPARE(settings.setValue(u"B"_s, QVariant::fromValue(TUnstreamable{1})),
             ERROR_INVALID_PARAMETER);
    QCOMPARE(registry.WriteCount(), writes);
}

QTEST_GUILESS_MAIN(TestSettings)
#include "tst_Settings.moc"
