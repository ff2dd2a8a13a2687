#include "core/CMessageTemplate.h"
#include "core/CTranslatable.h"
#include "core/CTranslationCatalog.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>

using namespace Qt::StringLiterals;

namespace {

QByteArray Utf16Le(const QString& text)
{
    QByteArray bytes;
    bytes.reserve(text.size() * 2);
    for (const QChar c : text) {
        bytes.append(static_cast<char>(c.unicode() & 0xFF));
        bytes.append(static_cast<char>(c.unicode() >> 8));
    }
    return bytes;
}

// A catalogue line: three quoted fields separated by tabs.
QString Line(const QString& source, const QString& translation, const QString& context)
{
    return u"\""_s + source + u"\"\t\""_s + translation + u"\"\t\""_s + context + u"\"\r\n"_s;
}

class CCatalogFile {
public:
    CCatalogFile() { Q_ASSERT(m_directory.isValid()); }
    QString Path(const QString& name) const { return m_directory.filePath(name); }
    QString Write(const QByteArray& bytes)
    {
        const QString path = Path(u"Korvane.translation"_s);
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) < 0)
            return QString();
        return path;
    }

private:
    QTemporaryDir m_directory;
};

} // namespace

class tst_Translation : public QObject {
    Q_OBJECT

private slots:
    void init() { CTranslationCatalog::Instance().Clear(); }
    void cleanupTestCase() { CTranslationCatalog::Instance().Clear(); }

    void catalogueFileWithEscapesAndScripts();
    void headerAndFieldCount_data();
    void headerAndFieldCount();
    void filesThatAreNotCatalogues();
    void templates_data();
    void templates();
    void translatableUsesItsContext();
};

void tst_Translation::catalogueFileWithEscapesAndScripts()
{
    const QString text =
        u"#KVHOME_TRANSLATION_FILE\r\n"_s +
        Line(u"Drive Map"_s, u"Laufwerkskarte"_s, u"Korvane"_s) +
        // Escapes in source and translation, not in the context; blanks around the quotes.
        u"  \"Line\\none\\ttab \\\"q\\\" \\\\ \\x\"\t\"Zeile\\neins\"  \t \"Ctx\\n\"\r\n"_s +
        Line(u"Größe: %1"_s, u"Größe: %1 (geändert)"_s, u"Korvane"_s) +
        Line(u"Drive Map"_s, u"ドライブマップ"_s, u"CDefragTabWidget"_s) +
        // A later line replaces an earlier one of the same source and context.
        Line(u"Drive Map"_s, u"Laufwerksübersicht"_s, u"Korvane"_s);
    CCatalogFile file;
    CTranslationCatalog& catalog = CTranslationCatalog::Instance();
    QCOMPARE(catalog.LoadFile(file.Write(Utf16Le(text))), S_OK);
    QCOMPARE(catalog.Count(), 4);

    QCOMPARE(catalog.Translate("Drive Map", "Korvane"), u"Laufwerksübersicht"_s);
    QCOMPARE(catalog.Translate("Drive Map", "CDefragTabWidget"), u"ドライブマップ"_s);
    QCOMPARE(catalog.Translate("Line\none\ttab \"q\" \\ x", "Ctx\\n"), u"Zeile\neins"_s);
    // Non-ASCII source texts are found exactly as the code spells them.
    QCOMPARE(catalog.Translate("Größe: %1", "Korvane"), u"Größe: %1 (geändert)"_s);
    // Missing: the source text itself, in any context.
    QCOMPARE(catalog.Translate("Drive Map", "Elsewhere"), u"Drive Map"_s);
    QCOMPARE(catalog.Translate("Fragmentation", "Korvane"), u"Fragmentation"_s);
}

void tst_Translation::headerAndFieldCount_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<HRESULT>("result");
    QTest::addColumn<QStringList>("translated"); // of "A", "B", "C" in context "K"

    const QString a = Line(u"A"_s, u"a"_s, u"K"_s);
    const QString c = Line(u"C"_s, u"c"_s, u"K"_s);
    QTest::newRow("header without #")
        << u"KVHOME_TRANSLATION_FILE\r\n"_s + a << S_OK << QStringList{u"a"_s, u"B"_s, u"C"_s};
    QTest::newRow("no line break at the end")
        << u"#KVHOME_TRANSLATION_FILE\r\n"_s + a + c.chopped(2) << S_OK
        << QStringList{u"a"_s, u"B"_s, u"c"_s};
    QTest::newRow("wrong header") << u"#KVHOME_TRANSLATION\r\n"_s + a << E_FAIL
                                  << QStringList{u"A"_s, u"B"_s, u"C"_s};
    // Only CR LF ends a line: a lone line feed leaves the header line longer than the header.
    QTest::newRow("lone line feeds")
        << u"#KVHOME_TRANSLATION_FILE\n"_s + a << E_FAIL << QStringList{u"A"_s, u"B"_s, u"C"_s};
    QTest::newRow("two fields stop loading")
        << u"#KVHOME_TRANSLATION_FILE\r\n"_s + a + u"\"B\"\t\"b\"\r\n"_s + c << E_FAIL
        << QStringList{u"a"_s, u"B"_s, u"C"_s};
    QTest::newRow("an empty line stops loading")
        << u"#KVHOME_TRANSLATION_FILE\r\n"_s + a + u"\r\n"_s + c << E_FAIL
        << QStringList{u"a"_s, u"B"_s, u"C"_s};
    // Fields too short for their quotes become empty, without reading outside them.
    QTest::newRow("short fields") << u"#KVHOME_TRANSLATION_FILE\r\nB\t\"\"\t\"K\"\r\n\"\t\t\r\n"_s
                                  << S_OK << QStringList{u"A"_s, u"B"_s, u"C"_s};
}

void tst_Translation::headerAndFieldCount()
{
    QFETCH(QString, text);
    QFETCH(HRESULT, result);
    QFETCH(QStringList, translated);
    CTranslationCatalog& catalog = CTranslationCatalog::Instance();
    QCOMPARE(catalog.LoadText(text), result);
    QCOMPARE((QStringList{catalog.Translate("A", "K"), catalog.Translate("B", "K"),
                          catalog.Translate("C", "K")}),
             translated);
}

void tst_Translation::filesThatAreNotCatalogues()
{
    CTranslationCatalog& catalog = CTranslationCatalog::Instance();
    CCatalogFile file;
    QVERIFY(FAILED(catalog.LoadFile(u"/nonexistent/Korvane.translation"_s)));
    // A named pipe or a folder in the catalogue's place is refused without waiting for a writer.
    const QString pipe = file.Path(u"pipe.translation"_s);
    QCOMPARE(::mkfifo(QFile::encodeName(pipe).constData(), 0600), 0);
    QCOMPARE(catalog.LoadFile(pipe), HRESULT_FROM_WIN32(ERROR_ACCESS_DENIED));
    QCOMPARE(catalog.LoadFile(file.Path(QString())), HRESULT_FROM_WIN32(ERROR_ACCESS_DENIED));

    // An odd trailing byte is dropped, not read as half a character.
    QByteArray odd = Utf16Le(u"#KVHOME_TRANSLATION_FILE\r\n"_s + Line(u"A"_s, u"é"_s, u"K"_s));
    odd.append('\x41');
    QCOMPARE(catalog.LoadFile(file.Write(odd)), S_OK);
    QCOMPARE(catalog.Translate("A", "K"), u"é"_s);

    catalog.Clear();
    QCOMPARE(catalog.LoadFile(file.Write(QByteArray())), E_FAIL);
    QCOMPARE(catalog.LoadFile(file.Write(QByteArray("\xff\xfe\x00\xd8\x00", 5))), E_FAIL);
    QByteArray binary(70000, '\0');
    for (int i = 0; i < binary.size(); ++i)
        binary[i] = static_cast<char>((i * 7919) % 251);
    QCOMPARE(catalog.LoadFile(file.Write(binary)), E_FAIL);
    QCOMPARE(catalog.Count(), 0);

    // Larger than any catalogue: refused before it is read.
    const QString big = file.Write(QByteArray());
    QFile bigFile(big);
    QVERIFY(bigFile.open(QIODevice::ReadWrite));
    QVERIFY(bigFile.resize(CTranslationCatalog::kMaximumFileSize + 2));
    bigFile.close();
    QCOMPARE(catalog.LoadFile(big), HRESULT_FROM_WIN32(ERROR_FILE_TOO_LARGE));
}

void tst_Translation::templates_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("expected");

    const QStringList five{u"a"_s, u"b"_s, u"c"_s, u"d"_s, u"e"_s};
    QTest::newRow("positional") << u"%5)(%4)"_s << five << u"e)(d)"_s;
    QTest::newRow("beyond the arguments") << u"%7"_s << five.mid(0, 3) << u"%7"_s;
    QTest::newRow("zero") << u"%0 %1"_s << five << u"%0 a"_s;
    QTest::newRow("percent signs") << u"100% of %%1 %"_s << five << u"100% of %a %"_s;
    QTest::newRow("all digits belong to the number") << u"%12"_s << five << u"%12"_s;
    QTest::newRow("arguments are not rescanned")
        << u"%1 %2"_s << QStringList{u"%2"_s, u"x"_s} << u"%2 x"_s;
    QTest::newRow("non-ASCII digits are text") << u"%١"_s << five << u"%١"_s;
}

void tst_Translation::templates()
{
    QFETCH(QString, text);
    QFETCH(QStringList, arguments);
    QFETCH(QString, expected);
    CMessageTemplate message(text);
    for (const QString& argument : arguments)
        message.Arg(argument);
    QCOMPARE(message.Text(), expected);
}

void tst_Translation::translatableUsesItsContext()
{
    const char* source = "Unable to Analyze Drive %1 due to error %2(%3)";
    QVERIFY(SUCCEEDED(CTranslationCatalog::Instance().LoadText(
        u"#KVHOME_TRANSLATION_FILE\r\n"_s +
        Line(QString::fromLatin1(source), u"Analyse von %1: %3 (%2)"_s, u"Korvane"_s))));
    QCOMPARE(CTranslatable("Korvane").Translate(source).Arg(u"C:"_s).Arg(-5).Arg("x").Text(),
             u"Analyse von C:: x (-5)"_s);
    QCOMPARE(CTranslatable("CDefragWidget")
                 .Translate(source)
                 .Arg(TString(L"D:"))
                 .Arg(5u)
                 .Arg("x")
                 .Text(),
             u"Unable to Analyze Drive D: due to error 5(x)"_s);
}

QTEST_GUILESS_MAIN(tst_Translation)
#include "tst_Translation.moc"
