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
    void searchesByPatternWithinTheVolume_data();
    void searchesByPatternWithinTheVolume();
    void badRequestsAnswerAndChangeNothing_data();
    void badRequestsAnswerAndChangeNothing();
    void aHugeTreeIsCutShort();

private:
    QStringList Find(const QString& directory, const QStringList& patterns, bool recursive,
                     HRESULT* result);

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

QStringList TestFileBrowser::Find(const QString& directory, const QStringList& patterns,
                                  bool recursive, HRESULT* result)
{
    QStringList files{u"unchanged"_s};
    *result = m_browser->FindFiles(directory, patterns, recursive, files);
    return files;
}

void TestFileBrowser::drivesAreTheVolumesWithTheirTypes()
{
    QStringList roots{u"stale"_s};
    QList<uint> types{9};
    QCOMPARE(m_browser->GetDrives(roots, types), S_OK);
    QCOMPARE(roots, (QStringList{m_volume, u"/nonexistent-root"_s}));
    QCOMPARE(types, (QList<uint>{2, 5}));
}

void TestFileBrowser::searchesByPatternWithinTheVolume_data()
{
    QTest::addColumn<QString>("directory");
    QTest::addColumn<QStringList>("patterns");
    QTest::addColumn<bool>("recursive");
    QTest::addColumn<QStringList>("expected"); // relative to the volume

    QTest::newRow("top only") << QString() << QStringList{u"*.txt"_s} << false
                              << QStringList{u".hidden.txt"_s, u"a.txt"_s};
    QTest::newRow("whole tree") << QString() << QStringList{u"*.txt"_s} << true
                                << QStringList{u".hidden.txt"_s, u"a.txt"_s, u"sub/c.txt"_s,
                                               u"sub/deeper/d.txt"_s};
    QTest::newRow("several patterns") << u"sub"_s << QStringList{u"?.bin"_s, u"c.*"_s} << true
                                      << QStringList{u"sub/c.txt"_s, u"sub/deeper/e.bin"_s};
    QTest::newRow("star dot star is every name")
        << QString() << QStringList{u"*.*"_s} << false
        << QStringList{u".hidden.txt"_s, u"a.txt"_s, u"b.log"_s, u"noext"_s};
    QTest::newRow("case as it is") << QString() << QStringList{u"A.TXT"_s} << true << QStringList{};
    QTest::newRow("through a path with dots")
        << u"sub/deeper/../deeper"_s << QStringList{u"[de].*"_s} << false
        << QStringList{u"sub/deeper/d.txt"_s, u"sub/deeper/e.bin"_s};
}

void TestFileBrowser::searchesByPatternWithinTheVolume()
{
    QFETCH(QString, directory);
    QFETCH(QStringList, patterns);
    QFETCH(bool, recursive);
    QFETCH(QStringList, expected);
    HRESULT result = E_FAIL;
    const QStringList found = Find(directory.isEmpty() ? m_volume : m_volume + u'/' + directory,
                                   patterns, recursive, &result);
    QCOMPARE(result, S_OK);
    QStringList relative;
    for (const QString& path : found)
        relative.append(path.mid(m_volume.size() + 1));
    QCOMPARE(relative, expected);
}

void TestFileBrowser::badRequestsAnswerAndChangeNothing_data()
{
    QTest::addColumn<QString>("directory"); // "@" stands for the volume
    QTest::addColumn<QStringList>("patterns");
    QTest::addColumn<HRESULT>("expected");

    const QStringList all{u"*"_s};
    QTest::newRow("relative") << u"sub"_s << all << E_INVALIDARG;
    QTest::newRow("empty") << QString() << all << E_INVALIDARG;
    QTest::newRow("no pattern") << u"@"_s << QStringList{} << E_INVALIDARG;
    QTest::newRow("empty pattern") << u"@"_s << QStringList{u"*"_s, QString()} << E_INVALIDARG;
    QTest::newRow("pattern with a folder") << u"@"_s << QStringList{u"sub/*"_s} << E_INVALIDARG;
    QTest::newRow("outside") << m_root.path() << all << E_ACCESSDENIED;
    QTest::newRow("out by dots") << u"@/sub/../.."_s << all << E_ACCESSDENIED;
    QTest::newRow("out through a link") << u"@/out"_s << all << E_ACCESSDENIED;
    QTest::newRow("missing") << u"@/missing"_s << all << HRESULT_FROM_WIN32(ERROR_PATH_NOT_FOUND);
    QTest::newRow("a file") << u"@/a.txt"_s << all << HRESULT_FROM_WIN32(ERROR_PATH_NOT_FOUND);
}

void TestFileBrowser::badRequestsAnswerAndChangeNothing()
{
    QFETCH(QString, directory);
    QFETCH(QStringList, patterns);
    QFETCH(HRESULT, expected);
    directory.replace(u"@"_s, m_volume);
    HRESULT result = S_OK;
    QCOMPARE(Find(directory, patterns, true, &result), QStringList{u"unchanged"_s});
    QCOMPARE(result, expected);

    QStringList names{u"unchanged"_s};
    QList<uint> attributes;
    QList<qulonglong> sizes;
    QList<double> modified;
    if (!patterns.isEmpty() && !patterns.contains(QString()) && patterns.first() == u"*") {
        QCOMPARE(m_browser->ListDirectory(directory, names, attributes, sizes, modified), expected);
        QCOMPARE(names, QStringList{u"unchanged"_s});
    }
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
    QCOMPARE(browser.FindFiles(root, {u"f0000?"_s}, false, files), S_OK);
    QCOMPARE(files.size(), 10);
}

QTEST_GUILESS_MAIN(TestFileBrowser)
#include "tst_FileBrowser.moc"
