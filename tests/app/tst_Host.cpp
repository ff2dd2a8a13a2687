#include "platform/registry/CRegKey.h"
#include "tests/support/CTestEnvironment.h"

#include <QProcess>
#include <QTest>

using namespace Qt::StringLiterals;

// The executable korvane, started as a user starts it.
class tst_Host : public QObject {
    Q_OBJECT

private slots:
    void launchDeniedShowsNothingAndEnds();
};

void tst_Host::launchDeniedShowsNothingAndEnds()
{
    CTestEnvironment environment; // the children inherit its folders
    environment.Set("PATH", environment.Root());
    CRegKey policy;
    QCOMPARE(policy.Create(HKEY_CURRENT_USER, u"Software\\Policies\\Tellmar\\Korvane\\11.0"_s),
             ERROR_SUCCESS);
    QCOMPARE(policy.SetDWORDValue(u"AllowLaunch"_s, 0), ERROR_SUCCESS);

    // Two starts at once: the second finds the first running, or runs alone once it has ended.
    QProcess starts[2];
    for (QProcess& start : starts)
        start.start(QStringLiteral(KORVANE_HOST), {});
    const QString denied = u"korvane: the console may not be launched on this computer (policy "
                           "AllowLaunch).\n"_s;
    bool ended = true;
    for (QProcess& start : starts)
        ended = start.waitForFinished(60000) && ended;
    for (QProcess& start : starts)
        start.kill();
    QVERIFY(ended);
    QStringList errors;
    for (QProcess& start : starts) {
        QCOMPARE(start.exitStatus(), QProcess::NormalExit);
        QCOMPARE(start.readAllStandardOutput(), QByteArray());
        // Denied: 1 and one line. A message the first one never took: 1 as well.
        QCOMPARE(start.exitCode(), 1);
        errors.append(QString::fromLocal8Bit(start.readAllStandardError()));
        QCOMPARE(errors.last().count(u'\n'), 1);
    }
    QVERIFY2(errors.contains(denied), qPrintable(errors.join(u'|')));
    // No daemon was started, nothing was connected.
    QVERIFY(!QFile::exists(environment.RuntimeDirectory() + u"/engine.bus"_s));
}

QTEST_GUILESS_MAIN(tst_Host)
#include "tst_Host.moc"
