#include "tests/support/CTestEngine.h"

#include "core/HResult.h"
#include "engine/ServiceContract.h"
#include "notify/CMailSlotTransport.h"
#include "platform/CRuntimeDirectory.h"

#include "ActivationAdaptor.h"
#include "ActivationServiceBase.h"
#include "EngineAdaptor.h"
#include "EngineServiceBase.h"

namespace {

QString ClassId(int index)
{
    const std::string_view id = ServiceContract::Engine.classIds[static_cast<size_t>(index)];
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
        const QString served = ClassId(m_engine->m_servedClassIndex);
        if (DBusContract::NormalizeGuid(clsid) != DBusContract::NormalizeGuid(served)) {
            object = QDBusObjectPath(QStringLiteral("/"));
            return REGDB_E_CLASSNOTREG;
        }
        object = QDBusObjectPath(DBusContract::ClassObjectPath(served));
        return S_OK;
    }
    int Ping() override { return S_OK; }

private:
    CTestEngine* m_engine;
};

class CTestEngine::CEngine : public CEngineServiceBase {
public:
    CEngine(CTestEngine* engine, QObject* parent)
        : CEngineServiceBase(parent)
        , m_engine(engine)
    {}
    int Subscribe(const QString& computer, const QString& listener) override
    {
        ++m_engine->m_calls;
        QMutexLocker locker(&m_engine->m_mutex);
        m_engine->m_subscriptions.append({computer, listener});
        return S_OK;
    }
    int Unsubscribe(const QString& computer, const QString& listener) override
    {
        ++m_engine->m_calls;
        QMutexLocker locker(&m_engine->m_mutex);
        m_engine->m_unsubscriptions.append({computer, listener});
        return S_OK;
    }
    int GetVolumes(QStringList& volumes) override
    {
        ++m_engine->m_calls;
        volumes = m_engine->volumes;
        return S_OK;
    }

private:
    CTestEngine* m_engine;
};

CTestEngine::CTestEngine(int servedClassIndex)
    : m_servedClassIndex(servedClassIndex)
{}

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
            auto* engine = new CEngine(this, owner);
            new CEngineAdaptor(engine);
            connection.registerObject(DBusContract::ClassObjectPath(ClassId(m_servedClassIndex)),
                                      engine, QDBusConnection::ExportAdaptors);
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
