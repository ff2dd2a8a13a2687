#include "engine/contract/ContractTypes.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>
#include <QTest>
#include <QXmlStreamReader>

using namespace Qt::StringLiterals;

// The contract's identifiers and the introspection XML the proxies and adaptors come from.
class TestContract : public QObject {
    Q_OBJECT

private slots:
    void classIdsMapToPaths();
    void everyXmlFollowsTheConventions();
};

void TestContract::classIdsMapToPaths()
{
    const QString expected = u"/clsid/E433A430_6353_4E11_8484_45F98CE62D44"_s;
    QCOMPARE(DBusContract::ClassObjectPath(u"{E433A430-6353-4e11-8484-45F98CE62D44}"), expected);
    QCOMPARE(DBusContract::ClassObjectPath(u"e433a430-6353-4e11-8484-45f98ce62d44"), expected);
    for (const char16_t* malformed :
         {u"{E433A430-6353-4e11-8484-45F98CE62D4}", u"{E433A430-6353-4e11-8484-45F98CE62D4G}",
          u"{E433A430-6353-4e11-8484-45F98CE62D44", u"E433A430_6353_4e11_8484_45F98CE62D44"})
        QVERIFY(DBusContract::ClassObjectPath(malformed).isEmpty());
}

// What the calls rely on: one interface per file named after it, and every method answering
// the HRESULT ("hr", an int) before any other value.
void TestContract::everyXmlFollowsTheConventions()
{
    const QDir dir(QStringLiteral(KV_CONTRACT_DIR));
    const QStringList files = dir.entryList({u"*.xml"_s}, QDir::Files);
    QVERIFY(!files.isEmpty());
    for (const QString& file : files) {
        QFile xmlFile(dir.filePath(file));
        QVERIFY(xmlFile.open(QIODevice::ReadOnly));
        QXmlStreamReader xml(&xmlFile);
        QStringList interfaces;
        QSet<QString> methods;
        QString method;
        int outs = 0;
        while (!xml.atEnd()) {
            xml.readNext();
            const QString where = file + u' ' + method;
            const auto attributes = xml.attributes();
            if (xml.isStartElement() && xml.name() == u"interface") {
                interfaces.append(attributes.value(QLatin1String("name")).toString());
            } else if (xml.isStartElement() && xml.name() == u"method") {
                method = attributes.value(QLatin1String("name")).toString();
                QVERIFY2(!methods.contains(method), qPrintable(where + method));
                methods.insert(method);
                outs = 0;
            } else if (xml.isStartElement() && xml.name() == u"arg" &&
                       attributes.value(QLatin1String("direction")) == u"out" && outs++ == 0) {
                QVERIFY2(attributes.value(QLatin1String("name")) == u"hr" &&
                             attributes.value(QLatin1String("type")) == u"i",
                         qPrintable(where));
            } else if (xml.isEndElement() && xml.name() == u"method") {
                QVERIFY2(outs > 0, qPrintable(where));
                method.clear();
            }
        }
        QVERIFY2(!xml.hasError(), qPrintable(file + u' ' + xml.errorString()));
        QCOMPARE(interfaces, QStringList{QLatin1String(DBusContract::kInterfacePrefix) +
                                         QFileInfo(file).completeBaseName()});
        QVERIFY2(!methods.isEmpty(), qPrintable(file));
    }
}

QTEST_GUILESS_MAIN(TestContract)
#include "tst_Contract.moc"
