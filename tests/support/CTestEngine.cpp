#include "tests/support/CTestEngine.h"

#include "core/HResult.h"
#include "engine/ServiceContract.h"
#include "notify/CMailSlotTransport.h"
#include "platform/CRuntimeDirectory.h"
#include "tests/support/CTestSubscribable.h"

#include <QDeadlineTimer>

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

class CTestEngine::CEngine : public CTestSubscribable<CEngineServiceBase> {
    // Records "Method:volume[:details]" and answers as the test set for the volume.
    int Record(QStringView method, const QString& volume, const QString& details = QString())
    {
        QString operation = method.toString() + u':' + volume;
        if (!details.isEmpty())
            operation += u':' + details;
        Engine()->RecordOperation(operation);
        return Engine()->OperationAnswer(operation, method.toString(), volume);
    }

    // Records a Set call and, unless the test made it fail, applies it to the volume's record.
    int Store(QStringView method, const QString& volume, const QString& details,
              const std::function<void(TVolumeData&)>& change)
    {
        const int answer = Record(method, volume, details);
        if (answer >= 0)
            Engine()->UpdateVolumeData(volume, change);
        return answer;
    }

    // Counts a call and answers a value the test set.
    template <typename T>
    int Answer(T& out, const T& value)
    {
        ++Engine()->m_calls;
        out = value;
        return S_OK;
    }

public:
    CEngine(CTestEngine* engine, QObject* parent)
        : CTestSubscribable(engine, QStringLiteral("Engine"), parent)
    {}
    int GetVolumes(QStringList& volumes) override { return Answer(volumes, Engine()->volumes); }
    int GetVersion(uint& generation, QString& version) override
    {
        version = QStringLiteral("11.0 test");
        return Engine()->generation == 0 ? E_NOTIMPL : Answer(generation, Engine()->generation);
    }
    int GetProductEdition(uint& edition) override { return Answer(edition, Engine()->edition); }
    int GetAgentClassIds(QStringList& ids) override { return Answer(ids, Engine()->agentClassIds); }
    int GetProductDisplayName(QString& name) override
    {
        return Answer(name, Engine()->displayName);
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
        algorithm = Engine()->defaultAlgorithm;
        return Record(u"GetDefaultAlgorithm", volume);
    }
    int SetOverrideDriveType(const QString& volume, int overrideType) override
    {
        Engine()->m_overrideType = overrideType;
        return Record(u"SetOverrideDriveType", volume, QString::number(overrideType));
    }
    int GetDriveType(const QString& volume, uint& driveType) override
    {
        driveType =
            Engine()->m_overrideType.load() == 4 ? 4u : Engine()->VolumeData(volume).driveType;
        return Record(u"GetDriveType", volume);
    }
    int GetOverrideDriveType(const QString& volume, int& overrideType) override
    {
        overrideType = Engine()->m_overrideType.load();
        return Record(u"GetOverrideDriveType", volume);
    }
    int SetDefaultAlgorithm(const QString& volume, int algorithm) override
    {
        return Record(u"SetDefaultAlgorithm", volume, QString::number(algorithm));
    }
    int SetBootTime(const QString& volume, int status) override
    {
        return Record(u"SetBootTime", volume, QString::number(status));
    }
    int IsChkdskScheduled(const QString& volume, bool& scheduled) override
    {
        scheduled = Engine()->chkdskScheduled;
        return Record(u"IsChkdskScheduled", volume);
    }
    int DefragSystemFilesOffline(const QString& volume, bool force) override
    {
        return Record(u"DefragSystemFilesOffline", volume,
                      force ? QStringLiteral("force") : QStringLiteral("ask"));
    }
    int GetFileFragmentCount(const QString& volume, const QString& file, uint& fragments) override
    {
        fragments = Engine()->FileFragments(file);
        return Record(u"GetFileFragmentCount", volume, file);
    }
    int GetLastErrorText(QString& text) override
    {
        return Answer(text, QStringLiteral("The volume is locked."));
    }
    int GetVolumeInfo(const QString& volume, QString& mountName, QString& label,
                      QString& fileSystem, uint& driveType, uint& status, double& lastDefragmented,
                      uint& extraWord1, uint& extraWord2, int& bootTimeStatus,
                      double& sizeMegabytes, double& dataDate) override
    {
        const TVolumeData data = Engine()->VolumeData(volume);
        mountName = data.mountName;
        label = data.label;
        fileSystem = data.fileSystem;
        driveType = data.driveType;
        status = data.status;
        lastDefragmented = data.lastDefragmented;
        extraWord1 = data.extraWord1;
        extraWord2 = data.extraWord2;
        bootTimeStatus = data.bootTimeStatus;
        sizeMegabytes = data.sizeMegabytes;
        dataDate = data.dataDate;
        return Record(u"GetVolumeInfo", volume);
    }
    int GetLastDefragmented(const QString& volume, double& date) override
    {
        const TVolumeData data = Engine()->VolumeData(volume);
        Record(u"GetLastDefragmented", volume);
        if (data.lastDefragmentedAnswer < 0)
            return data.lastDefragmentedAnswer;
        date = data.lastDefragmented;
        return S_OK;
    }
    int GetStatus(const QString& volume, uint& status, double& completionPercent,
                  double& estimatedEnd, QString& statusText) override
    {
        const TVolumeData data = Engine()->VolumeData(volume);
        status = data.status;
        completionPercent = 0;
        estimatedEnd = 0;
        statusText.clear();
        return Record(u"GetStatus", volume);
    }
    int GetFragmentation(const QString& volume, bool& analysed, double& fileFragmentation,
                         double& freeSpaceFragmentation) override
    {
        const TVolumeData data = Engine()->VolumeData(volume);
        analysed = data.analysed;
        fileFragmentation = data.fileFragmentation;
        freeSpaceFragmentation = data.freeSpaceFragmentation;
        return Record(u"GetFragmentation", volume);
    }
    int GetDriveMap(const QString& volume, QList<uint>& blocks) override
    {
        blocks = Engine()->VolumeData(volume).driveMap;
        return Record(u"GetDriveMap", volume);
    }
    int HasAnalysisData(const QString& volume, bool& available) override
    {
        available = Engine()->VolumeData(volume).analysed;
        return Record(u"HasAnalysisData", volume);
    }
    int GetBlockFiles(const QString& volume, uint block, QStringList& files,
                      QList<int>& excessFragments, QList<qlonglong>& bytesUsed) override
    {
        const TBlockFiles answer = Engine()->WaitForBlockFiles(volume, block);
        files = answer.files;
        excessFragments = answer.excessFragments;
        bytesUsed = answer.bytesUsed;
        return Record(u"GetBlockFiles", volume, QString::number(block));
    }
    // Drive settings: a Get answers the stored value, a Set stores unless its answer fails.
    int GetFragmentationThreshold(const QString& volume, uint& percent) override
    {
        percent = Engine()->VolumeData(volume).threshold;
        return Record(u"GetFragmentationThreshold", volume);
    }
    int SetFragmentationThreshold(const QString& volume, uint percent) override
    {
        return Store(u"SetFragmentationThreshold", volume, QString::number(percent),
                     [&](TVolumeData& data) { data.threshold = percent; });
    }
    int GetOptiwise(const QString& volume, bool& enabled) override
    {
        enabled = Engine()->VolumeData(volume).optiwise;
        return Record(u"GetOptiwise", volume);
    }
    int SetOptiwise(const QString& volume, bool enabled) override
    {
        return Store(u"SetOptiwise", volume, QString::number(enabled),
                     [&](TVolumeData& data) { data.optiwise = enabled; });
    }
    int GetTierLayout(const QString& volume, QList<uint>& zoneOrder,
                      QList<qulonglong>& freeSpaceGapsKb, uint& rareAgeDays, uint& recentAgeDays,
                      bool& aggressive, bool& ignoreLargeFragments, uint& largeFragmentMb) override
    {
        const TVolumeData data = Engine()->VolumeData(volume);
        zoneOrder = data.zoneOrder;
        freeSpaceGapsKb = data.freeSpaceGapsKb;
        rareAgeDays = data.rareAgeDays;
        recentAgeDays = data.recentAgeDays;
        aggressive = data.aggressive;
        ignoreLargeFragments = data.ignoreLargeFragments;
        largeFragmentMb = data.largeFragmentMb;
        return Record(u"GetTierLayout", volume);
    }
    int SetTierLayout(const QString& volume, const QList<uint>& zoneOrder,
                      const QList<qulonglong>& freeSpaceGapsKb, uint rareAgeDays,
                      uint recentAgeDays, bool aggressive, bool ignoreLargeFragments,
                      uint largeFragmentMb) override
    {
        return Store(u"SetTierLayout", volume, QString(), [&](TVolumeData& data) {
            data.zoneOrder = zoneOrder;
            data.freeSpaceGapsKb = freeSpaceGapsKb;
            data.rareAgeDays = rareAgeDays;
            data.recentAgeDays = recentAgeDays;
            data.aggressive = aggressive;
            data.ignoreLargeFragments = ignoreLargeFragments;
            data.largeFragmentMb = largeFragmentMb;
        });
    }
    int GetBootTimeSettings(const QString& volume, uint& fileKinds, bool& everyReboot) override
    {
        const TVolumeData data = Engine()->VolumeData(volume);
        fileKinds = data.bootFileKinds;
        everyReboot = data.everyReboot;
        return Record(u"GetBootTimeSettings", volume);
    }
    int SetBootTimeSettings(const QString& volume, uint fileKinds, bool everyReboot) override
    {
        return Store(u"SetBootTimeSettings", volume,
                     QStringLiteral("%1:%2").arg(fileKinds).arg(everyReboot),
                     [&](TVolumeData& data) {
                         data.bootFileKinds = fileKinds;
                         data.everyReboot = everyReboot;
                     });
    }
    int GetExcludedFiles(const QString& volume, QStringList& files) override
    {
        files = Engine()->VolumeData(volume).excludedFiles;
        return Record(u"GetExcludedFiles", volume);
    }
    int SetExcludedFiles(const QString& volume, const QStringList& files) override
    {
        return Store(u"SetExcludedFiles", volume, files.join(u'|'),
                     [&](TVolumeData& data) { data.excludedFiles = files; });
    }
    int GetDriveGeometry(const QString& volume, uint& serialHigh, uint& serialLow,
                         uint& bytesPerCluster, qulonglong& totalClusters, qulonglong& freeClusters,
                         qulonglong& usedClusters) override
    {
        const TVolumeData data = Engine()->VolumeData(volume);
        serialHigh = data.serialHigh;
        serialLow = data.serialLow;
        bytesPerCluster = data.bytesPerCluster;
        totalClusters = data.totalClusters;
        freeClusters = data.freeClusters;
        usedClusters = data.usedClusters;
        return Record(u"GetDriveGeometry", volume);
    }
    int GetStatisticsBlock(const QString& volume, uint kind, QByteArray& block) override
    {
        block = Engine()->VolumeData(volume).statisticsBlocks.value(
            kind, QByteArray(static_cast<qsizetype>(kind), '\x5a'));
        return Record(u"GetStatisticsBlock", volume, QString::number(kind));
    }
};

class CTestEngine::CAgent : public CTestSubscribable<CAgentServiceBase> {
public:
    CAgent(CTestEngine* engine, QObject* parent)
        : CTestSubscribable(engine, QStringLiteral("Agent"), parent)
    {}
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
        ++Engine()->m_calls;
        object = QDBusObjectPath(Engine()->AgentObjectPath(name.toString()));
        return S_OK;
    }
};

class CTestEngine::CScanner : public CTestSubscribable<CTl2MD5BrowserServiceBase> {
public:
    CScanner(CTestEngine* engine, QObject* parent)
        : CTestSubscribable(engine, QStringLiteral("Tool"), parent)
    {}
    int Scan(int mode) override
    {
        ++Engine()->m_calls;
        return mode == 2 ? S_OK : E_INVALIDARG;
    }
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

void CTestEngine::SetOperationAnswer(const QString& operation, int answer)
{
    QMutexLocker locker(&m_mutex);
    m_operationAnswers.insert(operation, answer);
}

int CTestEngine::OperationAnswer(const QString& operation, const QString& method,
                                 const QString& volume) const
{
    QMutexLocker locker(&m_mutex);
    for (const QString& key : {operation, method})
        if (const auto found = m_operationAnswers.constFind(key);
            found != m_operationAnswers.cend())
            return found.value();
    return volumeAnswers.value(volume, S_OK);
}

void CTestEngine::SetFileFragments(const QString& file, uint fragments)
{
    QMutexLocker locker(&m_mutex);
    m_fileFragments.insert(file, fragments);
}

uint CTestEngine::FileFragments(const QString& file) const
{
    QMutexLocker locker(&m_mutex);
    return m_fileFragments.value(file, 0);
}

void CTestEngine::SetBlockFiles(const QString& volume, uint block, const TBlockFiles& files)
{
    QMutexLocker locker(&m_mutex);
    m_blockFiles.insert(volume + u':' + QString::number(block), files);
}

void CTestEngine::HoldBlockFiles(bool hold)
{
    QMutexLocker locker(&m_mutex);
    m_holdBlockFiles = hold;
    if (!hold)
        m_blockFilesReleased.wakeAll();
}

int CTestEngine::HeldBlockFiles() const
{
    QMutexLocker locker(&m_mutex);
    return m_heldBlockFiles;
}

CTestEngine::TBlockFiles CTestEngine::WaitForBlockFiles(const QString& volume, uint block)
{
    QMutexLocker locker(&m_mutex);
    if (m_holdBlockFiles) {
        ++m_heldBlockFiles;
        QDeadlineTimer deadline(30000);
        while (m_holdBlockFiles && !deadline.hasExpired())
            m_blockFilesReleased.wait(&m_mutex, deadline);
        --m_heldBlockFiles;
    }
    return m_blockFiles.value(volume + u':' + QString::number(block));
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

void CTestEngine::SetVolumeData(const QString& volume, const TVolumeData& data)
{
    QMutexLocker locker(&m_mutex);
    m_volumeData.insert(volume, data);
}

CTestEngine::TVolumeData CTestEngine::VolumeData(const QString& volume) const
{
    QMutexLocker locker(&m_mutex);
    auto found = m_volumeData.constFind(volume);
    if (found != m_volumeData.constEnd())
        return found.value();
    TVolumeData data;
    data.mountName = volume;
    return data;
}

void CTestEngine::UpdateVolumeData(const QString& volume,
                                   const std::function<void(TVolumeData&)>& change)
{
    QMutexLocker locker(&m_mutex);
    auto found = m_volumeData.find(volume);
    if (found == m_volumeData.end()) {
        TVolumeData data;
        data.mountName = volume;
        found = m_volumeData.insert(volume, data);
    }
    change(found.value());
}
