#include "platform/shell/CDesktopShell.h"
#include "tests/support/CTestEnvironment.h"

#include <QDesktopServices>
#include <QtTest>

#include <unistd.h>

using namespace Qt::StringLiterals;

class TestShell : public QObject {
    Q_OBJECT

public slots:
    // Stands in for the desktop's handlers, so that no test opens anything for real.
    void Opened(const QUrl& url) { m_opened.append(url); }

private slots:
    void init();
    void cleanup();

    void opensWhatExists();
    void startsDetachedInASessionOfItsOwn();

private:
    std::unique_ptr<CTestEnvironment> m_environment;
    QList<QUrl> m_opened;
};

void TestShell::init()
{
    m_environment = std::make_unique<CTestEnvironment>();
    m_opened.clear();
    for (const QString& scheme : {u"file"_s, u"https"_s})
        QDesktopServices::setUrlHandler(scheme, this, "Opened");
}

void TestShell::cleanup()
{
    for (const QString& scheme : {u"file"_s, u"https"_s})
        QDesktopServices::unsetUrlHandler(scheme);
    m_environment.reset();
}

void TestShell::opensWhatExists()
{
    const QString folder = m_environment->Root();
    const QString file = folder + u"/report.html"_s;
    QVERIFY(QFile(file).open(QIODevice::WriteOnly));
    CDesktopShell shell;
    QVERIFY(shell.Open(QUrl::fromLocalFile(file)));
    QVERIFY(shell.Open(QUrl(folder))); // a bare path is a local one
    QVERIFY(shell.Open(QUrl(u"https://example.com/help"_s)));
    QVERIFY(!shell.Open(QUrl::fromLocalFile(folder + u"/missing.html"_s)));
    QVERIFY(!shell.Open(QUrl()));
    QCOMPARE(m_opened, (QList<QUrl>{QUrl::fromLocalFile(file), QUrl::fromLocalFile(folder),
                                    QUrl(u"https://example.com/help"_s)}));
}

void TestShell::startsDetachedInASessionOfItsOwn()
{
    // The program reports its second argument and its /proc status line, then goes.
    const QString root = m_environment->Root();
    QFile script(root + u"/report"_s);
    QVERIFY(script.open(QIODevice::WriteOnly));
    script.write("#!/bin/sh\n{ printf '%s\\n' \"$2\"; cat /proc/$$/stat; } > \"$1.tmp\"\n"
                 "mv \"$1.tmp\" \"$1\"\n");
    script.close();
    CDesktopShell shell;
    const HRESULT notFound = HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND);
    const HRESULT denied = HRESULT_FROM_WIN32(ERROR_ACCESS_DENIED);
    QCOMPARE(shell.StartDetached(u"korvane-no-such-program"_s, {}), notFound);
    QCOMPARE(shell.StartDetached(root + u"/missing/report"_s, {}), notFound);
    QCOMPARE(shell.StartDetached(script.fileName(), {}), denied);
    QCOMPARE(shell.StartDetached(root, {}), denied);

    QVERIFY(script.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
    const QString output = root + u"/output"_s;
    QCOMPARE(shell.StartDetached(script.fileName(), {output, u"two words"_s}), S_OK);
    QTRY_VERIFY(QFile::exists(output));
    QFile report(output);
    QVERIFY(report.open(QIODevice::ReadOnly));
    QCOMPARE(report.readLine().trimmed(), "two words");
    // After the program's name: state, parent, process group, session. Signals to the
    // console's group or session do not reach it.
    const QByteArray stat = report.readLine();
    const QList<QByteArray> fields = stat.mid(stat.lastIndexOf(')') + 2).split(' ');
    QVERIFY(fields.size() > 3);
    QCOMPARE(fields.at(2), fields.at(3));
    QVERIFY(fields.at(3).toLongLong() != ::getsid(0));
}

QTEST_GUILESS_MAIN(TestShell)
#include "tst_Shell.moc"
