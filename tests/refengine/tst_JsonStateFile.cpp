#include "refengine/CJsonStateFile.h"

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
    void missingFileIsNotDamaged();
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
    const QByteArray intact = R"({"version":3,"value":7})";
    QTest::newRow("intact") << intact << qint64(intact.size()) << true << S_OK;
    QTest::newRow("above the limit")
        << intact << qint64(intact.size() - 1) << true << CJsonStateFile::kTooLarge;
    QTest::newRow("refused by the caller")
        << intact << qint64(1024) << false << CJsonStateFile::kDamaged;
    QTest::newRow("other version") << QByteArray(R"({"version":4,"value":7})") << qint64(1024)
                                   << true << CJsonStateFile::kDamaged;
    QTest::newRow("version as text") << QByteArray(R"({"version":"3","value":7})") << qint64(1024)
                                     << true << CJsonStateFile::kDamaged;
    QTest::newRow("no version") << QByteArray(R"({"value":7})") << qint64(1024) << true
                                << CJsonStateFile::kDamaged;
    QTest::newRow("array") << QByteArray(R"([{"version":3}])") << qint64(1024) << true
                           << CJsonStateFile::kDamaged;
    QTest::newRow("truncated") << intact.left(12) << qint64(1024) << true
                               << CJsonStateFile::kDamaged;
    QTest::newRow("empty") << QByteArray() << qint64(1024) << true << CJsonStateFile::kDamaged;
}

void TestJsonStateFile::loadSetsUnusableFilesAside()
{
    QFETCH(QByteArray, content);
    QFETCH(qint64, maxBytes);
    QFETCH(bool, accepted);
    QFETCH(HRESULT, expected);
    const QString path = File(u"state.json"_s);
    const QString aside = path + u".damaged"_s;
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(content);
    file.close();
    // An older damaged file gives way to the newer one.
    QFile older(aside);
    QVERIFY(older.open(QIODevice::WriteOnly));
    older.write("older");
    older.close();

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
    QCOMPARE(QFile::exists(path), SUCCEEDED(expected));
    QFile moved(aside);
    QVERIFY(moved.open(QIODevice::ReadOnly));
    QCOMPARE(moved.readAll(), SUCCEEDED(expected) ? QByteArray("older") : content);
}

void TestJsonStateFile::missingFileIsNotDamaged()
{
    const QString path = File(u"absent.json"_s);
    bool parsed = false;
    QCOMPARE(CJsonStateFile::Load(path, 1024, 1, "test state", "starting empty",
                                  [&](const QJsonObject&) { return parsed = true; }),
             S_FALSE);
    QVERIFY(!parsed);
    QVERIFY(!QFile::exists(path + u".damaged"_s));
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
