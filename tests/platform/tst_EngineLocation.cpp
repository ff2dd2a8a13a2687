#include "platform/CEngineLocation.h"

#include <QTemporaryDir>
#include <QtTest>

using namespace Qt::StringLiterals;

class TestEngineLocation : public QObject {
    Q_OBJECT

private slots:
    void dataDirectory_data();
    void dataDirectory();
};

void TestEngineLocation::dataDirectory_data()
{
    QTest::addColumn<QStringList>("folders");
    QTest::addColumn<QString>("programs");
    QTest::addColumn<QString>("expected");
    QTest::newRow("installed") << QStringList{u"usr/bin"_s, u"usr/share/korvane"_s} << u"usr/bin"_s
                               << u"usr/share/korvane/"_s;
    QTest::newRow("installed, given with a trailing separator")
        << QStringList{u"opt/k/bin"_s, u"opt/k/share/korvane"_s} << u"opt/k/bin/"_s
        << u"opt/k/share/korvane/"_s;
    // The build folder keeps the files beside the programs.
    QTest::newRow("build folder") << QStringList{u"build/host"_s} << u"build/host"_s
                                  << u"build/host/"_s;
    QTest::newRow("bin without the data folder")
        << QStringList{u"usr/bin"_s, u"usr/share"_s} << u"usr/bin"_s << u"usr/bin/"_s;
    // Only a programs folder of the configured name leads to share/korvane.
    QTest::newRow("other folder beside share")
        << QStringList{u"x/tools"_s, u"x/share/korvane"_s} << u"x/tools"_s << u"x/tools/"_s;
}

void TestEngineLocation::dataDirectory()
{
    QFETCH(QStringList, folders);
    QFETCH(QString, programs);
    QFETCH(QString, expected);
    QTemporaryDir root;
    QVERIFY(root.isValid());
    for (const QString& folder : folders)
        QVERIFY(QDir(root.path()).mkpath(folder));
    QCOMPARE(CEngineLocation::DataDirectory(root.filePath(programs)), root.filePath(expected));
}

QTEST_GUILESS_MAIN(TestEngineLocation)
#include "tst_EngineLocation.moc"
