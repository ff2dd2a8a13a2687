#include "refengine/CFileBrowserService.h"
#include "tests/refengine/TestFiles.h"

#include <QTemporaryDir>
#include <QtTest>

using namespace Qt::StringLiterals;

// The engine daemon's file browser: its drives, searches and what it refuses.
class TestFileBrowser : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void drivesAreTheVolumesWithTheirTypes();
    void searchesStayInTheVolume_data();
    void searchesStayInTheVolume();
    void aHugeTreeIsCutShort();

private:
    QTemporaryDir m_root;
    QString m_volume;
    std::unique_ptr<CFileBrowserService> m_browser;
};

void TestFileBrowser::initTestCase()
{
    QVERIFY(m_root.isValid());
    m_volume = QFileInfo(m_root.filePath(u"volume"_s)).absoluteFilePath();
    for (const QString& name : {u"a.txt"_s, u"b.log"_s, u"noext"_s, u".hidden.txt"_s,
                                u"sub/c.txt"_s, u"sub/deeper/d.txt"_s, u"sub/deeper/e.bin"_s})
        QVERIFY(WriteTestFile(m_volume + u'/' + name, "data"));
    QVERIFY(WriteTestFile(m_root.filePath(u"outside/secret.txt"_s), "x"));
    // Links lead nowhere a search goes: not outside, not back into the volume.
    QVERIFY(QFile::link(m_root.filePath(u"outside"_s), m_volume + u"/out"_s));
    QVERIFY(QFile::link(m_volume + u"/a.txt"_s, m_volume + u"/sub/link.txt"_s));
    const QString volume = m_volume;
    m_browser = std::make_unique<CFileBrowserService>([volume] {
        return QList<CDirectoryListing::TDrive>{{volume, u"{volume-1}"_s, 2},
                                                {u"/nonexistent-root"_s, u"{volume-2}"_s, 5}};
    });
}

void TestFileBrowser::drivesAreTheVolumesWithTheirTypes()
{
    QStringList roots{u"stale"_s};
    QList<uint> types{9};
    QCOMPARE(m_browser->GetDrives(roots, types), S_OK);
    QCOMPARE(roots, (QStringList{m_volume, u"/nonexistent-root"_s}));
    QCOMPARE(types, (QList<uint>{2, 5}));
}

void TestFileBrowser::searchesStayInTheVolume_data()
{
    QTest::addColumn<QString>("directory"); // "@" stands for the volume
    QTest::addColumn<QStringList>("patterns");
    QTest::addColumn<bool>("recursive");
    QTest::addColumn<HRESULT>("result");
    QTest::addColumn<QStringList>("expected"); // relative to the volume

    const QStringList all{u"*"_s};
    const QStringList unchanged{u"unchanged"_s};
    const HRESULT notFound = HRESULT_FROM_WIN32(ERROR_PATH_NOT_FOUND);
    QTest::newRow("top only") << u"@"_s << QStringList{u"*.txt"_s} << false << S_OK
                              << QStringList{u".hidden.txt"_s, u"a.txt"_s};
    QTest::newRow("whole tree") << u"@"_s << QStringList{u"*.txt"_s} << true << S_OK
                                << QStringList{u".hidden.txt"_s, u"a.txt"_s, u"sub/c.txt"_s,
                                               u"sub/deeper/d.txt"_s};
    QTest::newRow("several patterns") << u"@/sub"_s << QStringList{u"?.bin"_s, u"c.*"_s} << true
                                      << S_OK << QStringList{u"sub/c.txt"_s, u"sub/deeper/e.bin"_s};
    QTest::newRow("star dot star is every name")
        << u"@"_s << QStringList{u"*.*"_s} << false << S_OK
        << QStringList{u".hidden.txt"_s, u"a.txt"_s, u"b.log"_s, u"noext"_s};
    // What is refused changes nothing.
    QTest::newRow("relative") << u"sub"_s << all << true << E_INVALIDARG << unchanged;
    QTest::newRow("no pattern") << u"@"_s << QStringList{} << true << E_INVALIDARG << unchanged;
    QTest::newRow("empty pattern")
        << u"@"_s << QStringList{u"*"_s, QString()} << true << E_INVALIDARG << unchanged;
    QTest::newRow("pattern with a folder")
        << u"@"_s << QStringList{u"sub/*"_s} << true << E_INVALIDARG << unchanged;
    QTest::newRow("out by dots") << u"@/sub/../.."_s << all << true << E_ACCESSDENIED << unchanged;
    QTest::newRow("out through a link") << u"@/out"_s << all << true << E_ACCESSDENIED << unchanged;
    QTest::newRow("missing") << u"@/missing"_s << all << true << notFound << unchanged;
    QTest::newRow("a file") << u"@/a.txt"_s << all << true << notFound << unchanged;
}

void TestFileBrowser::searchesStayInTheVolume()
{
    QFETCH(QString, directory);
    QFETCH(QStringList, patterns);
    QFETCH(bool, recursive);
    QFETCH(HRESULT, result);
    QFETCH(QStringList, expected);
    QStringList found{u"unchanged"_s};
    QCOMPARE(m_browser->FindFiles(directory.replace(u"@"_s, m_volume), patterns, recursive, found),
             result);
    if (result == S_OK)
        for (QString& path : found)
            path.remove(0, m_volume.size() + 1);
    QCOMPARE(found, expected);
}

void TestFileBrowser::aHugeTreeIsCutShort()
{
    // More matches than a search gathers, in a volume of their own.
    QTemporaryDir huge;
    QVERIFY(huge.isValid());
    const int count = CFileBrowserService::kMaxMatches + 5;
    for (int i = 0; i < count; ++i) {
        QFile file(huge.filePath(u"f%1"_s.arg(i, 5, 10, QChar(u'0'))));
        QVERIFY(file.open(QIODevice::WriteOnly));
    }
    const QString root = huge.path();
    CFileBrowserService browser([root] {
        return QList<CDirectoryListing::TDrive>{{root, u"{huge}"_s, 1}};
    });
    QStringList files;
    QCOMPARE(browser.FindFiles(root, {u"f*"_s}, true, files), S_FALSE);
    QCOMPARE(files.size(), CFileBrowserService::kMaxMatches);
}

QTEST_GUILESS_MAIN(TestFileBrowser)
#include "tst_FileBrowser.moc"
