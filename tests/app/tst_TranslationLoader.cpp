#include "app/CTranslationLoader.h"
#include "core/CTranslationCatalog.h"
#include "platform/CEngineLocation.h"
#include "platform/registry/CRegKey.h"
#include "tests/support/CTestEnvironment.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTest>
#include <QTranslator>

using namespace Qt::StringLiterals;

namespace {

const char* const kQtContext = "QPlatformTheme";
const char* const kQtSource = "Cancel";

void WriteCatalog(const QString& path)
{
    const QString text = u"#KVHOME_TRANSLATION_FILE\r\n\"Drive Map\"\t\"Laufwerkskarte\"\t"
                         u"\"Korvane\"\r\n"_s;
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    QByteArray bytes;
    for (const QChar c : text) {
        bytes.append(static_cast<char>(c.unicode() & 0xFF));
        bytes.append(static_cast<char>(c.unicode() >> 8));
    }
    QVERIFY(file.write(bytes) == bytes.size());
}

void RegisterEngineServer(const QString& command)
{
    CRegKey key;
    QCOMPARE(key.Create(HKEY_LOCAL_MACHINE, QString::fromLatin1(CEngineLocation::kServerKey)),
             ERROR_SUCCESS);
    QCOMPARE(key.SetStringValue(QString(), command), ERROR_SUCCESS);
}

} // namespace

class tst_TranslationLoader : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void primaryLanguages();
    void catalogPathFromTheRegisteredServer();
    void englishLoadsNothing();
    void germanLoadsToolkitAndCatalog();

private:
    std::unique_ptr<CTestEnvironment> m_environment;
};

void tst_TranslationLoader::init()
{
    m_environment = std::make_unique<CTestEnvironment>();
    CTranslationCatalog::Instance().Clear();
}

void tst_TranslationLoader::cleanup()
{
    for (QTranslator* translator : QCoreApplication::instance()->findChildren<QTranslator*>()) {
        QCoreApplication::removeTranslator(translator);
        delete translator;
    }
    CTranslationCatalog::Instance().Clear();
    m_environment.reset();
}

void tst_TranslationLoader::primaryLanguages()
{
    const auto id = [](const char* name) {
        return CTranslationLoader::PrimaryLanguage(QLocale(QString::fromLatin1(name)));
    };
    QCOMPARE(id("C"), 9);
    QCOMPARE(id("en_GB"), 9);
    QCOMPARE(id("de_CH"), 7);
    QCOMPARE(id("fr_FR"), 12);
    QCOMPARE(id("ja_JP"), 17);
    QCOMPARE(id("zh_TW"), 4);
    QCOMPARE(id("es_ES"), 10);
    QCOMPARE(id("ko_KR"), 18);
    QCOMPARE(id("sv_SE"), 29);
    // Tatar, 0x44, keeps its own number: it must not pass for Chinese.
    QCOMPARE(id("tt_RU"), 0x44);
    QVERIFY(CTranslationLoader::ToolkitTranslation(0x44).isEmpty());
    QCOMPARE(CTranslationLoader::ToolkitTranslation(4), u"qt_cn"_s);
    QCOMPARE(CTranslationLoader::ToolkitTranslation(17), u"qt_jp"_s);
    QVERIFY(CTranslationLoader::ToolkitTranslation(10).isEmpty());
}

void tst_TranslationLoader::catalogPathFromTheRegisteredServer()
{
    QVERIFY(CTranslationLoader::CatalogPath().isEmpty());
    RegisterEngineServer(u"  \"/opt/korvane engine/bin/korvane-engine\" "_s);
    QCOMPARE(CTranslationLoader::CatalogPath(), u"/opt/korvane engine/bin/Korvane.translation"_s);
    RegisterEngineServer(u"korvane-engine"_s);
    QVERIFY(CTranslationLoader::CatalogPath().isEmpty());
}

void tst_TranslationLoader::englishLoadsNothing()
{
    const QString engine = m_environment->Root() + u"/engine"_s;
    QVERIFY(QDir().mkpath(engine));
    WriteCatalog(engine + u"/Korvane.translation"_s);
    RegisterEngineServer(engine + u"/korvane-engine"_s);
    QCOMPARE(CTranslationLoader::Load(QCoreApplication::instance(), 9, engine), S_FALSE);
    QCOMPARE(CTranslationCatalog::Instance().Count(), 0);
    QVERIFY(QCoreApplication::instance()->findChildren<QTranslator*>().isEmpty());
}

void tst_TranslationLoader::germanLoadsToolkitAndCatalog()
{
    const QString qtGerman = u"/usr/share/qt6/translations/qtbase_de.qm"_s;
    if (!QFile::exists(qtGerman))
        QSKIP("Qt's German translation is not installed (scripts/bootstrap installs it)");
    const QString executable = m_environment->Root() + u"/bin"_s;
    const QString engine = m_environment->Root() + u"/engine"_s;
    QVERIFY(QDir().mkpath(executable));
    QVERIFY(QDir().mkpath(engine));
    QVERIFY(QFile::copy(qtGerman, executable + u"/qt_de.qm"_s));
    WriteCatalog(engine + u"/Korvane.translation"_s);
    RegisterEngineServer(u"\""_s + engine + u"/korvane-engine\""_s);

    QCOMPARE(CTranslationLoader::Load(QCoreApplication::instance(), 7, executable), S_OK);
    QCOMPARE(QCoreApplication::translate(kQtContext, kQtSource), u"Abbrechen"_s);
    QCOMPARE(CTranslationCatalog::Instance().Translate("Drive Map", "Korvane"),
             u"Laufwerkskarte"_s);

    // Without the toolkit's file nothing is installed, and the catalogue still loads.
    for (QTranslator* translator : QCoreApplication::instance()->findChildren<QTranslator*>()) {
        QCoreApplication::removeTranslator(translator);
        delete translator;
    }
    CTranslationCatalog::Instance().Clear();
    QCOMPARE(CTranslationLoader::Load(QCoreApplication::instance(), 7, engine), S_OK);
    QVERIFY(QCoreApplication::instance()->findChildren<QTranslator*>().isEmpty());
    QCOMPARE(CTranslationCatalog::Instance().Count(), 1);
}

QTEST_GUILESS_MAIN(tst_TranslationLoader)
#include "tst_TranslationLoader.moc"
