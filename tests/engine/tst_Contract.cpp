#include "ActivationAdaptor.h"
#include "ActivationProxy.h"
#include "ActivationServiceBase.h"
#include "AgentStatisticsAdaptor.h"
#include "AgentStatisticsProxy.h"
#include "AgentStatisticsServiceBase.h"
#include "EngineAdaptor.h"
#include "EngineProxy.h"
#include "EngineServiceBase.h"
#include "engine/ServiceContract.h"
#include "engine/contract/ContractTypes.h"

#include <QAtomicInt>
#include <QDBusConnection>
#include <QDBusServer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <QXmlStreamReader>

#include <memory>

namespace {

const QString kPeerName = QStringLiteral("tst_contract");
const QString kVolume = QStringLiteral("\\\\?\\Volume{6f1c2a55-0000-0000-0000-100000000000}\\");

QString FromView(std::string_view text)
{
    return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
}

QString EnginePath()
{
    return DBusContract::ClassObjectPath(FromView(ServiceContract::Engine.classIds[0]));
}

QString StatisticsPath()
{
    return DBusContract::ClassObjectPath(FromView(ServiceContract::Agent.classIds[0])) +
           QStringLiteral("/Statistics");
}

// Serves the engine's first class ID only.
class CTestActivation : public CActivationServiceBase {
public:
    int CreateInstance(const QString& clsid, const QString& iid, QDBusObjectPath& object) override
    {
        object = QDBusObjectPath(QStringLiteral("/"));
        if (DBusContract::ClassObjectPath(clsid) != EnginePath())
            return REGDB_E_CLASSNOTREG;
        if (DBusContract::InterfaceForIid(iid) !=
            QLatin1String(CEngineProxy::staticInterfaceName()))
            return E_NOINTERFACE;
        object = QDBusObjectPath(EnginePath());
        return S_OK;
    }
    int Ping() override { return S_OK; }
};

class CTestEngine : public CEngineServiceBase {
public:
    int GetVolumeInfo(const QString& volume, QString& mountName, QString& label,
                      QString& fileSystem, uint& driveType, uint& status, double& lastDefragmented,
                      uint& extraWord1, uint& extraWord2, int& bootTimeStatus,
                      double& sizeMegabytes, double& dataDate) override
    {
        if (volume != kVolume)
            return HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND);
        mountName = QStringLiteral("/mnt/data");
        label = QStringLiteral("Data");
        fileSystem = QStringLiteral("NTFS");
        driveType = 4;
        status = 9;
        lastDefragmented = 45000.25;
        extraWord1 = 1;
        extraWord2 = 0xFFFFFFFFu;
        bootTimeStatus = -1;
        sizeMegabytes = 3600.0;
        dataDate = 45001.5;
        return S_FALSE;
    }
    int GetFileExtents(const QString& /*volume*/, const QString& file, QList<uint>& blocks) override
    {
        blocks = {0, 7, 3599};
        return file.isEmpty() ? E_INVALIDARG : S_OK;
    }
};

class CTestStatistics : public CAgentStatisticsServiceBase {
public:
    int GetHistory(const QString& /*volume*/, DBusContract::TPropertyBag& bag) override
    {
        bag[QStringLiteral("/")][QStringLiteral("NumStatPoints")] = 1;
        bag[QStringLiteral("/Fragmented/1")][QStringLiteral("Date")] = 45000.5;
        bag[QStringLiteral("/Fragmented/1")][QStringLiteral("Source")] = QStringLiteral("agent");
        return S_OK;
    }
};

// The daemon's side: its own thread, as a separate process would be, so that the test can make
// blocking calls.
class CServerThread : public QThread {
public:
    explicit CServerThread(QString address)
        : m_address(std::move(address))
    {}

    QAtomicInt listening; // 1 listening, -1 failed
    QAtomicInt connections;

protected:
    void run() override
    {
        CTestActivation activation;
        new CActivationAdaptor(&activation);
        CTestEngine engine;
        new CEngineAdaptor(&engine);
        CTestStatistics statistics;
        new CAgentStatisticsAdaptor(&statistics);

        QDBusServer server(m_address);
        QObject::connect(&server, &QDBusServer::newConnection, &server,
                         [&](const QDBusConnection& peer) {
                             QDBusConnection connection(peer);
                             connection.registerObject(QLatin1String(DBusContract::kActivationPath),
                                                       &activation);
                             connection.registerObject(EnginePath(), &engine);
                             connection.registerObject(StatisticsPath(), &statistics);
                             connections.ref();
                         });
        listening.storeRelease(server.isConnected() ? 1 : -1);
        exec();
    }

private:
    QString m_address;
};

} // namespace

class TestContract : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();

    void createInstanceAnswersHrThenPath();
    void createInstanceRefusesOtherClassesAndInterfaces();
    void engineCallReturnsHrAndEveryOutValue();
    void numberListsAndPropertyBagsTravel();
    void methodsNotOverriddenAnswerNotImplemented();
    void callToAnUnservedPathIsADBusError();

    void classIdsMapToObjectPaths();
    void everyServiceInterfaceIdHasItsXml();
    void everyXmlFollowsTheConventions();

private:
    QDBusConnection Peer() const { return QDBusConnection(kPeerName); }

    QTemporaryDir m_dir;
    std::unique_ptr<CServerThread> m_server;
};

// No RegisterTypes() here: the service bases register the contract's types themselves.
void TestContract::initTestCase()
{
    QVERIFY(m_dir.isValid());
    const QString address = QStringLiteral("unix:path=") + m_dir.filePath(QStringLiteral("bus"));
    m_server = std::make_unique<CServerThread>(address);
    m_server->start();
    QTRY_VERIFY(m_server->listening.loadAcquire() != 0);
    QCOMPARE(m_server->listening.loadAcquire(), 1);

    const QDBusConnection peer = QDBusConnection::connectToPeer(address, kPeerName);
    QVERIFY2(peer.isConnected(), qPrintable(peer.lastError().message()));
    QTRY_COMPARE(m_server->connections.loadAcquire(), 1);
}

void TestContract::cleanupTestCase()
{
    QDBusConnection::disconnectFromPeer(kPeerName);
    if (m_server) {
        m_server->quit();
        m_server->wait();
    }
}

void TestContract::createInstanceAnswersHrThenPath()
{
    CActivationProxy activation(QString(), QStringLiteral("/"), Peer());
    QCOMPARE(activation.Ping().value(), S_OK);

    // Class and interface IDs in another spelling name the same class.
    const QString clsid = FromView(ServiceContract::Engine.classIds[0]).toLower();
    const QString iid = FromView(ServiceContract::Engine.interfaceId).mid(1, 36);
    QDBusPendingReply<int, QDBusObjectPath> reply = activation.CreateInstance(clsid, iid);
    reply.waitForFinished();
    QVERIFY2(!reply.isError(), qPrintable(reply.error().message()));
    QCOMPARE(reply.reply().signature(), QStringLiteral("io"));
    QCOMPARE(reply.argumentAt<0>(), S_OK);
    QCOMPARE(reply.argumentAt<1>().path(),
             QStringLiteral("/clsid/22DAA0A2_0E27_4CC4_9588_EEEE76358306"));
}

void TestContract::createInstanceRefusesOtherClassesAndInterfaces()
{
    CActivationProxy activation(QString(), QStringLiteral("/"), Peer());
    QDBusObjectPath object(QStringLiteral("/stale"));
    QDBusReply<int> hr =
        activation.CreateInstance(FromView(ServiceContract::VmEngine.classIds[0]),
                                  FromView(ServiceContract::VmEngine.interfaceId), object);
    QVERIFY(hr.isValid());
    QCOMPARE(hr.value(), REGDB_E_CLASSNOTREG);
    QCOMPARE(hr.value(), DBusContract::kClassNotRegistered);
    QCOMPARE(object.path(), QStringLiteral("/"));

    hr = activation.CreateInstance(FromView(ServiceContract::Engine.classIds[0]),
                                   FromView(ServiceContract::Agent.interfaceId), object);
    QCOMPARE(hr.value(), E_NOINTERFACE);
    QCOMPARE(object.path(), QStringLiteral("/"));
}

void TestContract::engineCallReturnsHrAndEveryOutValue()
{
    CEngineProxy engine(QString(), EnginePath(), Peer());
    QString mountName, label, fileSystem;
    uint driveType = 0, status = 0, extraWord1 = 0, extraWord2 = 0;
    double lastDefragmented = 0, sizeMegabytes = 0, dataDate = 0;
    int bootTimeStatus = 0;
    QDBusReply<int> hr = engine.GetVolumeInfo(kVolume, mountName, label, fileSystem, driveType,
                                              status, lastDefragmented, extraWord1, extraWord2,
                                              bootTimeStatus, sizeMegabytes, dataDate);
    QVERIFY2(hr.isValid(), qPrintable(hr.error().message()));
    QCOMPARE(hr.value(), S_FALSE);
    QCOMPARE(mountName, QStringLiteral("/mnt/data"));
    QCOMPARE(label, QStringLiteral("Data"));
    QCOMPARE(fileSystem, QStringLiteral("NTFS"));
    QCOMPARE(driveType, 4u);
    QCOMPARE(status, 9u);
    QCOMPARE(lastDefragmented, 45000.25);
    QCOMPARE(extraWord1, 1u);
    QCOMPARE(extraWord2, 0xFFFFFFFFu);
    QCOMPARE(bootTimeStatus, -1);
    QCOMPARE(sizeMegabytes, 3600.0);
    QCOMPARE(dataDate, 45001.5);

    // A failing HRESULT arrives unchanged, as a normal reply.
    auto unknown = engine.GetVolumeInfo(QStringLiteral("nope"));
    unknown.waitForFinished();
    QVERIFY(!unknown.isError());
    QCOMPARE(unknown.argumentAt<0>(), HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND));
}

void TestContract::numberListsAndPropertyBagsTravel()
{
    CEngineProxy engine(QString(), EnginePath(), Peer());
    QList<uint> blocks;
    QDBusReply<int> hr = engine.GetFileExtents(kVolume, QStringLiteral("/a"), blocks);
    QCOMPARE(hr.value(), S_OK);
    QCOMPARE(blocks, (QList<uint>{0, 7, 3599}));

    CAgentStatisticsProxy statistics(QString(), StatisticsPath(), Peer());
    DBusContract::TPropertyBag bag;
    hr = statistics.GetHistory(kVolume, bag);
    QVERIFY2(hr.isValid(), qPrintable(hr.error().message()));
    QCOMPARE(hr.value(), S_OK);
    const QVariant count = bag.value(QStringLiteral("/")).value(QStringLiteral("NumStatPoints"));
    QCOMPARE(count.typeId(), int(QMetaType::Int));
    QCOMPARE(count.toInt(), 1);
    const QVariantMap item = bag.value(QStringLiteral("/Fragmented/1"));
    QCOMPARE(item.value(QStringLiteral("Date")).typeId(), int(QMetaType::Double));
    QCOMPARE(item.value(QStringLiteral("Date")).toDouble(), 45000.5);
    QCOMPARE(item.value(QStringLiteral("Source")).toString(), QStringLiteral("agent"));
}

void TestContract::methodsNotOverriddenAnswerNotImplemented()
{
    CEngineProxy engine(QString(), EnginePath(), Peer());
    QCOMPARE(engine.Pause(kVolume).value(), E_NOTIMPL);
}

void TestContract::callToAnUnservedPathIsADBusError()
{
    const QString nobody =
        DBusContract::ClassObjectPath(FromView(ServiceContract::Agent.classIds[1]));
    CEngineProxy ghost(QString(), nobody, Peer());
    QDBusPendingReply<int> reply = ghost.Analyze(kVolume);
    reply.waitForFinished();
    QVERIFY(reply.isError());
    QCOMPARE(reply.error().type(), QDBusError::UnknownObject);

    // The blocking form: no HRESULT at all, and the out value is left alone.
    uint edition = 77;
    const QDBusReply<int> hr = ghost.GetProductEdition(edition);
    QVERIFY(!hr.isValid());
    QCOMPARE(edition, 77u);
}

void TestContract::classIdsMapToObjectPaths()
{
    const QString expected = QStringLiteral("/clsid/E433A430_6353_4E11_8484_45F98CE62D44");
    QCOMPARE(DBusContract::ClassObjectPath(u"{E433A430-6353-4e11-8484-45F98CE62D44}"), expected);
    QCOMPARE(DBusContract::ClassObjectPath(u"e433a430-6353-4e11-8484-45f98ce62d44"), expected);
    QVERIFY(DBusContract::ClassObjectPath(u"{E433A430-6353-4e11-8484-45F98CE62D4}").isEmpty());
    QVERIFY(DBusContract::ClassObjectPath(u"{E433A430-6353-4e11-8484-45F98CE62D4G}").isEmpty());
    QVERIFY(DBusContract::ClassObjectPath(u"{E433A430-6353-4e11-8484-45F98CE62D44").isEmpty());
    QVERIFY(DBusContract::ClassObjectPath(u"E433A430_6353_4e11_8484_45F98CE62D44").isEmpty());
}

void TestContract::everyServiceInterfaceIdHasItsXml()
{
    QStringList iids;
    for (const TServiceContract* service : ServiceContract::All)
        iids.append(FromView(service->interfaceId));
    iids.append(QStringLiteral("{0de62a1f-fa72-49d6-9139-616397b6402b}")); // the tool interface
    const QString prefix = QLatin1String(DBusContract::kInterfacePrefix);
    for (const QString& iid : iids) {
        const QString name = DBusContract::InterfaceForIid(iid);
        QVERIFY2(name.startsWith(prefix), qPrintable(iid));
        const QString file = name.mid(prefix.size()) + QStringLiteral(".xml");
        QVERIFY2(QFile::exists(QDir(QStringLiteral(KV_CONTRACT_DIR)).filePath(file)),
                 qPrintable(file));
    }
    QVERIFY(DBusContract::InterfaceForIid(u"{00000000-0000-0000-C000-000000000046}").isEmpty());
}

void TestContract::everyXmlFollowsTheConventions()
{
    const QDir dir(QStringLiteral(KV_CONTRACT_DIR));
    const QStringList files = dir.entryList({QStringLiteral("*.xml")}, QDir::Files);
    QCOMPARE(files.size(), 19);
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
            if (xml.isStartElement() && xml.name() == QLatin1String("interface")) {
                interfaces.append(xml.attributes().value(QLatin1String("name")).toString());
            } else if (xml.isStartElement() && xml.name() == QLatin1String("method")) {
                method = xml.attributes().value(QLatin1String("name")).toString();
                QVERIFY2(!methods.contains(method), qPrintable(file + u' ' + method));
                methods.insert(method);
                outs = 0;
            } else if (xml.isStartElement() && xml.name() == QLatin1String("arg")) {
                const auto attributes = xml.attributes();
                if (attributes.value(QLatin1String("direction")) != QLatin1String("out"))
                    continue;
                if (outs++ == 0) {
                    QVERIFY2(attributes.value(QLatin1String("name")) == QLatin1String("hr"),
                             qPrintable(where));
                    QVERIFY2(attributes.value(QLatin1String("type")) == QLatin1String("i"),
                             qPrintable(where));
                }
            } else if (xml.isEndElement() && xml.name() == QLatin1String("method")) {
                QVERIFY2(outs > 0, qPrintable(where));
                method.clear();
            }
        }
        QVERIFY2(!xml.hasError(), qPrintable(file + u' ' + xml.errorString()));
        const QString expected =
            QLatin1String(DBusContract::kInterfacePrefix) + QFileInfo(file).completeBaseName();
        QCOMPARE(interfaces, QStringList{expected});
        QVERIFY2(!methods.isEmpty(), qPrintable(file));
    }
}

QTEST_GUILESS_MAIN(TestContract)
#include "tst_Contract.moc"
