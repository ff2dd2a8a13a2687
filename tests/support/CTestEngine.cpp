#include "tests/support/CTestEngine.h"

#include "core/HResult.h"
#include "engine/ServiceContract.h"
#include "notify/CMailSlotTransport.h"
#include "platform/CRuntimeDirectory.h"

#include <algorithm>

#include "ActivationAdaptor.h"
#include "ActivationServiceBase.h"
#include "AgentAdaptor.h"
#include "AgentServiceBase.h"
#include "EngineAdaptor.h"
#include "EngineServiceBase.h"
#include "Tl2MD5BrowserAdaptor.h"
#include "Tl2MD5BrowserServiceBase.h"
#include "ToolAdaptor.h"

namespace {

QString ClassId(const TServiceContract& contract, int index)
{
    if (index < 0)
        return QString();
    const std::string_view id = contract.classIds[static_cast<size_t>(index)];
    return QString::fromLatin1(id.data(), static_cast<qsizetype>(id.size()));
}

} // namespace

class CTestEngine::CActivation : public CActivationServiceBase {
public:
    CActivation(CTestEngine* engine, QObject* parent)
        : CActivationServiceBase(parent)
        , m_engine(engine)
    {}
    int CreateInstance(const QString& clsid, const QString&, QDBusObjectPath& object) override
    {
        const QString wanted = DBusContract::NormalizeGuid(clsid);
        ++m_engine->m_activations;
        for (const TServed& served : m_engine->m_served) {
            if (!served.classId.isEmpty() &&
                wanted == DBusContract::NormalizeGuid(served.classId)) {
                object = QDBusObjectPath(served.path);
                return S_OK;
            }
        }
        object = QDBusObjectPath(QStringLiteral("/"));
        return REGDB_E_CLASSNOTREG;
    }
    int Ping() override { return S_OK; }

private:
    CTestEngine* m_engine;
};

class CTestEngine::CEngine : public CEngineServiceBase {
    // Records "Method:volume[:details]" and answers as the test set for the volume.
    int Record(QStringView method, const QString& volume, const QString& details = QString())
    {
        QString operation = method.toString() + u':' + volume;
        if (!details.isEmpty())
            operation += u':' + details;
        m_engine->RecordOperation(operation);
        return m_engine->volumeAnswers.value(volume, S_OK);
    }

public:
    CEngine(CTestEngine* engine, QObject* parent)
        : CEngineServiceBase(parent)
        , m_engine(engine)
    {}
    int Subscribe(const QString& computer, const QString& listener) override
    {
        ++m_engine->m_calls;
        QMutexLocker locker(&m_engine->m_mutex);
        m_engine->m_subscriptions.append({QStringLiteral("Engine"), computer, listener});
        return S_OK;
    }
    int Unsubscribe(const QString& computer, const QString& listener) override
    {
        ++m_engine->m_calls;
        QMutexLocker locker(&m_engine->m_mutex);
        m_engine->m_unsubscriptions.append({QStringLiteral("Engine"), computer, listener});
        return S_OK;
    }
    int GetVolumes(QStringList& volumes) override
    {
        ++m_engine->m_calls;
        volumes = m_engine->volumes;
        return S_OK;
    }
    int GetVersion(uint& generation, QString& version) override
    {
        ++m_engine->m_calls;
        if (m_engine->generation == 0)
            return E_NOTIMPL;
        generation = m_engine->generation;
        version = QStringLiteral("11.0 test");
        return S_OK;
    }
    int Analyze(const QString& volume) override { return Record(u"Analyze", volume); }
    int AnalyzeEx(const QString& volume) override { return Record(u"AnalyzeEx", volume); }
    int Stop(const QString& volume) override { return Record(u"Stop", volume); }
    int StopEx(const QString& volume) override { return Record(u"StopEx", volume); }
    int Pause(const QString& volume) override { return Record(u"Pause", volume); }
    int Resume(const QString& volume) override { return Record(u"Resume", volume); }
    int StartPass(const QString& volume, uint mode, int method) override
    {
        return Record(u"StartPass", volume, QStringLiteral("%1:%2").arg(mode).arg(method));
    }
    int StartPassEx(const QString& volume, uint mode, int method) override
    {
        return Record(u"StartPassEx", volume, QStringLiteral("%1:%2").arg(mode).arg(method));
    }
    int DefragmentFiles(const QString& volume, const QStringList& files) override
    {
        return Record(u"DefragmentFiles", volume, files.join(u'|'));
    }
    int GetDefaultAlgorithm(const QString& volume, int& algorithm) override
    {
        algorithm = m_engine->defaultAlgorithm;
        return Record(u"GetDefaultAlgorithm", volume);
    }
    int SetOverrideDriveType(const QString& volume, int overrideType) override
    {
        m_engine->m_overrideType = overrideType;
        return Record(u"SetOverrideDriveType", volume, QString::number(overrideType));
    }
    int GetDriveType(const QString& volume, uint& driveType) override
    {
        driveType = m_engine->m_overrideType.load() == 4 ? 4u : 1u;
        return Record(u"GetDriveType", volume);
    }
    int GetStatisticsBlock(const QString& volume, uint kind, QByteArray& block) override
    {
        block = QByteArray(static_cast<qsizetype>(kind), '\x5a');
        return Record(u"GetStatisticsBlock", volume, QString::number(kind));
    }

private:
    CTestEngine* m_engine;
};

class CTestEngine::CAgent : public CAgentServiceBase {
public:
    CAgent(CTestEngine* engine, QObject* parent)
        : CAgentServiceBase(parent)
        , m_engine(engine)
    {}
    int Subscribe(const QString& computer, const QString& listener) override
    {
        ++m_engine->m_calls;
        QMutexLocker locker(&m_engine->m_mutex);
        m_engine->m_subscriptions.append({QStringLiteral("Agent"), computer, listener});
        return S_OK;
    }
    int Unsubscribe(const QString& computer, const QString& listener) override
    {
        ++m_engine->m_calls;
        QMutexLocker locker(&m_engine->m_mutex);
        m_engine->m_unsubscriptions.append({QStringLiteral("Agent"), computer, listener});
        return S_OK;
    }
    int GetStatisticsObject(QDBusObjectPath& object) override
    {
        return SubObject(u"Statistics", object);
    }
    int GetSettingsObject(QDBusObjectPath& object) override
    {
        return SubObject(u"Settings", object);
    }
    int GetScheduleObject(QDBusObjectPath& object) override
    {
        return SubObject(u"Schedule", object);
    }
    int GetFilterObject(QDBusObjectPath& object) override { return SubObject(u"Filter", object); }
    int GetLogSettingsObject(QDBusObjectPath& object) override
    {
        return SubObject(u"LogSettings", object);
    }
    int GetFeatureObject(QDBusObjectPath& object) override { return SubObject(u"Feature", object); }

private:
    int SubObject(QStringView name, QDBusObjectPath& object)
    {
        ++m_engine->m_calls;
        object = QDBusObjectPath(m_engine->AgentObjectPath(name.toString()));
        return S_OK;
    }

    CTestEngine* m_engine;
};

class CTestEngine::CScanner : public CTl2MD5BrowserServiceBase {
public:
    CScanner(CTestEngine* engine, QObject* parent)
        : CTl2MD5BrowserServiceBase(parent)
        , m_engine(engine)
    {}
    int Subscribe(const QString& computer, const QString& listener) override
    {
        ++m_engine->m_calls;
        QMutexLocker locker(&m_engine->m_mutex);
        m_engine->m_subscriptions.append({QStringLiteral("Tool"), computer, listener});
        return S_OK;
    }
    int Unsubscribe(const QString& computer, const QString& listener) override
    {
        ++m_engine->m_calls;
        QMutexLocker locker(&m_engine->m_mutex);
        m_engine->m_unsubscriptions.append({QStringLiteral("Tool"), computer, listener});
        return S_OK;
    }
    int Scan(int mode) override
    {
        ++m_engine->m_calls;
        return mode == 2 ? S_OK : E_INVALIDARG;
    }

private:
    CTestEngine* m_engine;
};

CTestEngine::CTestEngine(int engineClassIndex, int agentClassIndex)
    : m_engineClassIndex(engineClassIndex)
    , m_agentClassIndex(agentClassIndex)
{
    Serve(ServiceContract::Engine, engineClassIndex, [this](QObject* owner) {
        auto* engine = new CEngine(this, owner);
        new CEngineAdaptor(engine);
        return engine;
    });
    Serve(ServiceContract::Agent, agentClassIndex, [this](QObject* owner) {
        auto* agent = new CAgent(this, owner);
        new CAgentAdaptor(agent);
        return agent;
    });
    Serve(ServiceContract::Tl2MD5Browser, 0, [this](QObject* owner) {
        auto* scanner = new CScanner(this, owner);
        new CTl2MD5BrowserAdaptor(scanner);
        new CToolAdaptor(scanner);
        return scanner;
    });
}

void CTestEngine::Serve(const TServiceContract& contract, int classIndex, TMakeService make)
{
    if (classIndex < 0)
        return;
    const QString classId = ClassId(contract, classIndex);
    m_served.append({classId, DBusContract::ClassObjectPath(classId), std::move(make)});
}

void CTestEngine::ServeAt(const QString& path, TMakeService make)
{
    m_served.append({QString(), path, std::move(make)});
}

QString CTestEngine::AgentObjectPath(const QString& name) const
{
    const QString agent = ClassId(ServiceContract::Agent, std::max(m_agentClassIndex, 0));
    return DBusContract::ClassObjectPath(agent) + u'/' + name;
}

void CTestEngine::RecordSubscription(const QString& service, const QString& computer,
                                     const QString& listener, bool subscribe)
{
    ++m_calls;
    QMutexLocker locker(&m_mutex);
    (subscribe ? m_subscriptions : m_unsubscriptions).append({service, computer, listener});
}

void CTestEngine::RecordOperation(const QString& operation)
{
    ++m_calls;
    QMutexLocker locker(&m_mutex);
    m_operations.append(operation);
}

CTestEngine::~CTestEngine()
{
    Stop();
}

bool CTestEngine::Start()
{
    CRuntimeDirectory::Ensure(QString(), nullptr);
    m_server = std::make_unique<CTestPeerServer>(
        CRuntimeDirectory::Path() + QStringLiteral("/engine.bus"),
        [this](QDBusConnection& connection, QObject* owner) {
            auto* activation = new CActivation(this, owner);
            new CActivationAdaptor(activation);
            connection.registerObject(QStringLiteral("/"), activation,
                                      QDBusConnection::ExportAdaptors);
            for (const TServed& served : m_served)
                connection.registerObject(served.path, served.make(owner),
                                          QDBusConnection::ExportAdaptors);
        });
    return m_server->Listen();
}

void CTestEngine::Stop()
{
    m_server.reset();
}

QList<CTestEngine::TSubscription> CTestEngine::Subscriptions() const
{
    QMutexLocker locker(&m_mutex);
    return m_subscriptions;
}

QStringList CTestEngine::Operations() const
{
    QMutexLocker locker(&m_mutex);
    return m_operations;
}

QList<CTestEngine::TSubscription> CTestEngine::Unsubscriptions() const
{
    QMutexLocker locker(&m_mutex);
    return m_unsubscriptions;
}

bool CTestEngine::Notify(const QByteArray& body)
{
    // One writer per subscriber, kept, so that its messages are numbered on from one notice to
    // the next as the reader expects.
    bool written = true;
    for (const TSubscription& subscription : Subscriptions()) {
        std::unique_ptr<CMailSlotTransport>& writer = m_writers[subscription.listener];
        if (!writer) {
            writer = std::make_unique<CMailSlotTransport>();
            if (writer->Open(subscription.computer, subscription.listener) != ERROR_SUCCESS) {
                writer.reset();
                written = false;
                continue;
            }
        }
        written = writer->Write(body) == ERROR_SUCCESS && written;
    }
    return written;
}
