#include "policy/CIniFile.h"

#include <QTemporaryDir>
#include <QtTest>

#include <sys/stat.h>

// The reader of config.ini: its line, section and number rules, and files it must not trust.
class TestIniFile : public QObject {
    Q_OBJECT

private slots:
    void linesSectionsAndKeys();
    void numbers();
    void loadingFiles();
    void hostileInput();
};

namespace {

QByteArray ValueOf(const CIniFile& ini, const QByteArray& section, const QByteArray& key)
{
    QByteArray value = "<none>";
    ini.Value(section, key, &value);
    return value;
}

} // namespace

void TestIniFile::linesSectionsAndKeys()
{
    CIniFile ini;
    QCOMPARE(ini.Parse("Early=1\r\n[[Main]]\r\n\t Key \t=  spaced value \r\n# Hash=1\r\n"
                       "  ; Semi=1\r\nLone=1\nNext=2\rStill=next\r\nPair=a=b\r\nEmpty=\r\n"
                       "NoEquals\r\nkey=lower\r\nKey=again\r\n[]\r\nDropped=1\r\n[\r\n[main]\r\n"
                       "Other=1\r\n[Main]\r\nAdded=1\r\nLast=no line end"),
             ERROR_SUCCESS);
    QCOMPARE(ini.SectionNames(), QByteArrayList({"Main", "main"}));
    QCOMPARE(ini.KeyNames("Main"),
             QByteArrayList({"Added", "Empty", "Key", "Last", "Lone", "Next", "Pair", "key"}));
    QCOMPARE(ValueOf(ini, "Main", "Key"), "again");
    QCOMPARE(ValueOf(ini, "Main", "key"), "lower");
    // A line feed alone ends a line too; a carriage return alone does not.
    QCOMPARE(ValueOf(ini, "Main", "Lone"), "1");
    QCOMPARE(ValueOf(ini, "Main", "Next"), "2\rStill=next");
    QCOMPARE(ValueOf(ini, "Main", "Pair"), "a=b");
    QCOMPARE(ValueOf(ini, "Main", "Empty"), "");
    QCOMPARE(ValueOf(ini, "Main", "Last"), "no line end");
    QCOMPARE(ValueOf(ini, "main", "Other"), "1");

    // Parsing again forgets the earlier text; a file saved with line feeds alone reads the same.
    QCOMPARE(ini.Parse("[UserInterface]\nAllowTrayIcon=0\n\nAllowFreeSpace = 1\n"), ERROR_SUCCESS);
    QCOMPARE(ini.SectionNames(), QByteArrayList{"UserInterface"});
    QCOMPARE(ValueOf(ini, "UserInterface", "AllowTrayIcon"), "0");
    QCOMPARE(ValueOf(ini, "UserInterface", "AllowFreeSpace"), "1");
}

void TestIniFile::numbers()
{
    const std::pair<QByteArray, qint64> cases[] = {
        {"1", 1},
        {"12abc", 12},
        {"4294967295", 0xFFFFFFFF},
        {"abc", -1},
        {"", -1},
        // A sign is part of the number; a negative one is its 32-bit two's complement, never
        // nearer zero than -2^31, so that none wraps round to 1.
        {"+1", 1},
        {"+0", 0},
        {"-1", 0xFFFFFFFF},
        {"-2147483648", 0x80000000},
        {"-4294967295", 0x80000000},
        {"+", -1},
        {"-", -1},
        {"- 1", -1},
        // Too large saturates rather than wrapping round to a grant.
        {"4294967297", 0xFFFFFFFF},
    };
    for (const auto& [text, expected] : cases) {
        CIniFile ini;
        QCOMPARE(ini.Parse("[S]\r\nK = " + text + "\r\n"), ERROR_SUCCESS);
        DWORD read = 12345;
        QCOMPARE(ini.NumberValue("S", "K", &read), expected >= 0);
        QCOMPARE(qint64(read), expected >= 0 ? expected : 12345);
    }
}

void TestIniFile::loadingFiles()
{
    QTemporaryDir directory;
    const QString path = directory.filePath(QStringLiteral("config.ini"));
    auto Write = [&path](const QByteArray& bytes) {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(bytes);
    };

    CIniFile ini;
    QCOMPARE(ini.Load(path), ERROR_FILE_NOT_FOUND);
    Write(QByteArray());
    QCOMPARE(ini.Load(path), ERROR_SUCCESS);
    QVERIFY(ini.IsEmpty());

    // A failed load holds nothing, not what an earlier one read.
    QCOMPARE(ini.Parse("[S]\r\nK=1"), ERROR_SUCCESS);
    QCOMPARE(ini.Load(directory.path()), ERROR_ACCESS_DENIED);
    QVERIFY(ini.IsEmpty());
    // A named pipe in its place is refused without waiting for a writer.
    const QString pipe = directory.filePath(QStringLiteral("pipe.ini"));
    QCOMPARE(::mkfifo(QFile::encodeName(pipe).constData(), 0600), 0);
    QCOMPARE(ini.Load(pipe), ERROR_ACCESS_DENIED);
    Write("[S]\r\nK=1\r\n");

    // The size limit, at its edge; the file is sparse.
    QVERIFY(QFile::resize(path, CIniFile::kMaxFileSize));
    QCOMPARE(ini.Load(path), ERROR_SUCCESS);
    QCOMPARE(ValueOf(ini, "S", "K"), "1");
    QVERIFY(QFile::resize(path, CIniFile::kMaxFileSize + 1));
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("larger than")));
    QCOMPARE(ini.Load(path), ERROR_FILE_TOO_LARGE);
    QVERIFY(ini.IsEmpty());
}

void TestIniFile::hostileInput()
{
    // Every cut of a valid file, one inside CR LF included, reads what lies before the cut.
    const QByteArray valid = "[UserInterface]\r\nAllowTrayIcon=0\r\nAllowFreeSpace=1\r\n";
    const qsizetype valueAt = valid.indexOf("=0") + 1;
    CIniFile ini;
    for (qsizetype length = 0; length <= valid.size(); ++length) {
        QCOMPARE(ini.Parse(valid.left(length)), ERROR_SUCCESS);
        QCOMPARE(ValueOf(ini, "UserInterface", "AllowTrayIcon"),
                 length > valueAt ? "0" : (length == valueAt ? "" : "<none>"));
    }
}

QTEST_GUILESS_MAIN(TestIniFile)
#include "tst_IniFile.moc"
