#include "refengine/CJsonStateFile.h"
#include "tests/refengine/TestFiles.h"

#include <QtTest>

#include <memory>

using namespace Qt::StringLiterals;

// The checks every state file shares, and the writing of one, apart from any store.
class TestJsonStateFile : public QObject {
    Q_OBJECT

private slots:
    void init();

    void loadSetsUnusableFilesAside_data();
    void loadSetsUnusableFilesAside();
    void writeKeepsFormatAndAccess();

private:
    QString File(const QString& name) const { return m_directory->path() + u'/' + name; }

    std::unique_ptr<QTemporaryDir> m_directory;
};

void TestJsonStateFile::init()
{
    m_directory = std::make_unique<QTemporaryDir>();
    QVERIFY(m_directory->isValid());
}

void TestJsonStateFile::loadSetsUnusableFilesAside_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<qint64>("maxBytes");
    QTest::addColumn<bool>("accepted"); // what the caller's parse answers
    QTest::addColumn<HRESULT>("expected");
    const auto row = [](const char* name, const QByteArray& content, HRESULT expected,
                        qint64 maxBytes = 1024, bool accepted = true) {
        QTest::newRow(name) << content << maxBytes << accepted << expected;
    };
    const QByteArray intact = R"({"version":3,"value":7})";
    row("intact", intact, S_OK, intact.size());
    row("above the limit", intact, CJsonStateFile::kTooLarge, intact.size() - 1);
    row("refused by the caller", intact, CJsonStateFile::kDamaged, 1024, false);
    row("other version", R"({"version":4,"value":7})", CJsonStateFile::kDamaged);
    row("version as text", R"({"version":"3","value":7})", CJsonStateFile::kDamaged);
    row("no version", R"({"value":7})", CJsonStateFile::kDamaged);
    row("array", R"([{"version":3}])", CJsonStateFile::kDamaged);
    row("truncated", intact.left(12), CJsonStateFile::kDamaged);
    row("empty", "", CJsonStateFile::kDamaged);
    // No file (a null content): nothing to read, and nothing set aside.
    row("missing", QByteArray(), S_FALSE);
}

void TestJsonStateFile::loadSetsUnusableFilesAside()
{
    QFETCH(QByteArray, content);
    QFETCH(qint64, maxBytes);
    QFETCH(bool, accepted);
    QFETCH(HRESULT, expected);
    const QString path = File(u"state.json"_s);
    const QString aside = path + u".damaged"_s;
    if (!content.isNull())
        QVERIFY(WriteTestFile(path, content));
    // An older damaged file gives way to the newer one.
    QVERIFY(WriteTestFile(aside, "older"));

    if (FAILED(expected))
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression(u"test state file .* is damaged"_s));
    int parsed = 0;
    QJsonObject seen;
    const HRESULT hr = CJsonStateFile::Load(path, maxBytes, 3, "test state", "starting empty",
                                            [&](const QJsonObject& root) {
                                                ++parsed;
                                                seen = root;
                                                return accepted;
                                            });
    QCOMPARE(hr, expected);
    // Only a file that passed the shared checks reaches the caller.
    QCOMPARE(parsed, expected == S_OK || !accepted ? 1 : 0);
    if (parsed)
        QCOMPARE(seen.value(u"value"_s).toInt(), 7);
    QCOMPARE(QFile::exists(path), expected == S_OK);
    QFile moved(aside);
    QVERIFY(moved.open(QIODevice::ReadOnly));
    QCOMPARE(moved.readAll(), SUCCEEDED(expected) ? "older"_ba : content);
}

void TestJsonStateFile::writeKeepsFormatAndAccess()
{
    const QString path = File(u"state.json"_s);
    const QJsonObject root{{u"version"_s, 1}, {u"secret"_s, u"p"_s}};
    QVERIFY(CJsonStateFile::Write(path, root, QJsonDocument::Compact));
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), QByteArray(R"({"secret":"p","version":1})"));
    file.close();
    QVERIFY(QFile::setPermissions(path,
                                  QFile::permissions(path) | QFile::ReadGroup | QFile::ReadOther));

    // Rewriting a file others could read takes their access away.
    QVERIFY(CJsonStateFile::Write(path, root, QJsonDocument::Indented,
                                  CJsonStateFile::TAccess::OwnerOnly));
    QCOMPARE(QFile::permissions(path) &
                 (QFile::ReadGroup | QFile::ReadOther | QFile::WriteGroup | QFile::WriteOther),
             QFile::Permissions());
    QCOMPARE(CJsonStateFile::Load(path, 1024, 1, "test state", "starting empty",
                                  [&](const QJsonObject& read) { return read == root; }),
             S_OK);
}

QTEST_GUILESS_MAIN(TestJsonStateFile)
#include "tst_JsonStateFile.moc"
