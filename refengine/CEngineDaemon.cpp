#include "refengine/CEngineDaemon.h"

#include "ActivationAdaptor.h"
#include "AgentAdaptor.h"
#include "AgentFeatureAdaptor.h"
#include "AgentFilterAdaptor.h"
#include "AgentLogSettingsAdaptor.h"
#include "AgentScheduleAdaptor.h"
#include "AgentSettingsAdaptor.h"
#include "AgentStatisticsAdaptor.h"
#include "EngineAdaptor.h"
#include "ExchangeEngineAdaptor.h"
#include "FileBrowserExAdaptor.h"
#include "FileOpAdaptor.h"
#include "FileSetAdaptor.h"
#include "FileSpaceReportsAdaptor.h"
#include "TempRecycleCleanAdaptor.h"
#include "Tl2MD5BrowserAdaptor.h"
#include "ToolAdaptor.h"
#include "VmEngineAdaptor.h"
#include "engine/ServiceContract.h"
#include "engine/contract/ContractTypes.h"
#include "refengine/CActivationService.h"
#include "refengine/CAgentFeatureService.h"
#include "refengine/CAgentFilterService.h"
#include "refengine/CAgentLogSettingsService.h"
#include "refengine/CAgentScheduleService.h"
#include "refengine/CAgentService.h"
#include "refengine/CAgentSettingsService.h"
#include "refengine/CAgentSettingsStore.h"
#include "refengine/CAgentStatisticsService.h"
#include "refengine/CEngineService.h"
#include "refengine/CEventLog.h"
#include "refengine/CFileBrowserService.h"
#include "refengine/CHistoryStore.h"
#include "refengine/CScheduleRunner.h"
#include "refengine/CScheduleStore.h"
#include "refengine/CUPowerState.h"
#include "refengine/CUnavailableService.h"
#include "refengine/CUpdateCheck.h"
#include "refengine/CVolumeCatalog.h"
#include "refengine/CVolumeSettingsStore.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusServer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTimer>

#include <cerrno>
#include <cstring>
#include <memory>

#include <sys/stat.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

// The first update check waits for the computer to have settled after its start; later ones
// come weekly.
constexpr int CEngineDaemonFirstUpdateCheckMs = 10 * 60 * 1000;
constexpr int CEngineDaemonUpdateCheckMs = 7 * 24 * 60 * 60 * 1000;

QString DaemonClassPath(const TServiceContract& contract)
{
    return DBusContract::ClassObjectPath(QString::fromLatin1(contract.classIds[0]));
}

QString DaemonId(std::string_view id)
{
    return QString::fromLatin1(id.data(), qsizetype(id.size()));
}

// Whether a daemon answers on the socket.
bool DaemonAnswers(const QString& socketPath)
{
    const QString name = u"korvane-engine-probe"_s;
    bool answers = false;
    {
        QDBusConnection probe = QDBusConnection::connectToPeer(u"unix:path="_s + socketPath, name);
        if (probe.isConnected()) {
            const QDBusMessage reply =
                probe.call(QDBusMessage::createMethodCall(
                               QString(), u"/"_s, u"com.tellmar.korvane.Activation"_s, u"Ping"_s),
                           QDBus::Block, 2000);
            answers = reply.type() == QDBusMessage::ReplyMessage;
        }
    }
    QDBusConnection::disconnectFromPeer(name);
    return answers;
}

} // namespace

// Everything the daemon serves, and the stores behind it, in the order they must be made (and,
// backwards, ended: services before the stores they use).
class CEngineDaemon::CServices {
public:
    CServices(const CEngineDaemon::TOptions& options)
        : volumeStore(options.stateDirectory + u"/volumes.json"_s)
        , history(options.stateDirectory + u"/history.json"_s)
        , log(options.stateDirectory + u"/log.json"_s)
        , schedules(options.stateDirectory + u"/schedules.json"_s)
        , settings(options.stateDirectory + u"/settings.json"_s)
        , runner(schedules, agentNotices, log)
        , volumeDirectories(options.volumes)
    {}

    QList<TVolumeDescription> Volumes() const
    {
        const CVolumeCatalog catalog;
        if (volumeDirectories.isEmpty())
            return catalog.Volumes();
        QList<TVolumeDescription> volumes;
        for (const QString& directory : volumeDirectories) {
            TVolumeDescription description;
            if (SUCCEEDED(catalog.Describe(directory, &description)))
                volumes.append(description);
        }
        return volumes;
    }

    CVolumeSettingsStore volumeStore;
    CHistoryStore history;
    CEventLog log;
    CScheduleStore schedules;
    CAgentSettingsStore settings;
    CNoticeSink agentNotices;
    CScheduleRunner runner;
    CUPowerState power;
    // The volumes whose passes a running schedule started, by schedule name.
    QHash<QString, QStringList> scheduledVolumes;
    const QStringList volumeDirectories;
    // Parented to the daemon; listed here to be reached.
    CEngineService* engine = nullptr;
};

CEngineDaemon::CEngineDaemon(TOptions options, QObject* parent)
    : QObject(parent)
    , m_options(std::move(options))
{}

CEngineDaemon::~CEngineDaemon()
{
    delete m_server;
    m_server = nullptr;
    // The server forgets the socket it was given under its first name; it is removed here, unless
    // another daemon has put its own in its place since.
    struct stat placed {};
    const QByteArray socketPath = QFile::encodeName(m_options.socketPath);
    if (m_socketInode != 0 && ::stat(socketPath.constData(), &placed) == 0 &&
        placed.st_ino == m_socketInode)
        ::unlink(socketPath.constData());
    // The services (children) go before the stores they use, and before the connections close:
    // each unregisters itself from connections that are still whole.
    qDeleteAll(children());
    for (const QString& name : std::as_const(m_names))
        QDBusConnection::disconnectFromPeer(name);
}

void CEngineDaemon::Serve(const QString& path, QObject* object)
{
    m_objects.append({path, object});
}

HRESULT CEngineDaemon::Start(QString* error)
{
    DBusContract::RegisterTypes();
    if (m_options.stateDirectory.isEmpty() || !QDir().mkpath(m_options.stateDirectory)) {
        *error = u"The engine's state folder %1 cannot be made."_s.arg(m_options.stateDirectory);
        return HRESULT_FROM_WIN32(ERROR_CANTWRITE);
    }
    m_services = std::make_unique<CServices>(m_options);
    CServices& s = *m_services;

    QStringList agentClassIds;
    for (std::string_view id : ServiceContract::Agent.classIds) {
        if (!id.empty())
            agentClassIds.append(DaemonId(id));
    }
    CEngineService::TOptions engineOptions;
    engineOptions.edition = m_options.edition;
    engineOptions.agentClassIds = agentClassIds;
    engineOptions.volumes = [&s] { return s.Volumes(); };
    engineOptions.settings = [&s] { return s.settings.Settings(); };
    engineOptions.power = &s.power;
    engineOptions.moveData = !m_options.simulate;
    engineOptions.log = [&s](qint32 type, qint32 id, const QString& message) {
        s.log.Append(u"Engine"_s, type, id, message);
    };
    engineOptions.history = [&s](const CVolumePass::THistoryPoint& point) {
        s.history.AddStatisticsPoint(
            point.volume, {point.date, point.fileFragmentationBefore, point.fileFragmentationAfter,
                           point.freeSpaceFragmentationBefore, point.freeSpaceFragmentationAfter,
                           point.performanceBefore, point.performanceAfter});
        s.history.AddFreeSpacePoint(point.volume,
                                    {point.date, quint64(point.freeBytesBefore),
                                     quint64(point.freeBytesAfter), quint64(point.totalBytes)});
    };
    engineOptions.historySeries = [&s](const QString& volume, QList<QList<double>>* series) {
        const CHistoryStore::TSeries found = s.history.Series(volume);
        *series = {found.performanceBefore,
                   found.performanceAfter,
                   found.fileFragmentationBefore,
                   found.fileFragmentationAfter,
                   found.freeSpaceFragmentationBefore,
                   found.freeSpaceFragmentationAfter};
    };
    auto* engine = new CEngineService(&s.volumeStore, engineOptions, this);
    s.engine = engine;
    new CEngineAdaptor(engine);

    auto* activation = new CActivationService(this);
    new CActivationAdaptor(activation);
    Serve(QString::fromLatin1(DBusContract::kActivationPath), activation);

    const auto serveClass = [this, activation](const TServiceContract& contract, QObject* object,
                                               QStringList interfaceIds = {}) {
        const QString path = DaemonClassPath(contract);
        interfaceIds.prepend(DaemonId(contract.interfaceId));
        for (std::string_view id : contract.classIds) {
            if (!id.empty())
                activation->AddClass(DaemonId(id), path, interfaceIds);
        }
        Serve(path, object);
    };
    serveClass(ServiceContract::Engine, engine);

    // The agent and its sub-objects.
    const QString agentPath = DaemonClassPath(ServiceContract::Agent);
    auto* agent = new CAgentService(s.agentNotices, s.log, agentPath, this);
    new CAgentAdaptor(agent);
    serveClass(ServiceContract::Agent, agent);
    using TSub = CAgentService::TSubObject;
    auto* statistics = new CAgentStatisticsService(s.history, m_options.edition,
                                                   CAgentStatisticsService::kGeneration, this);
    new CAgentStatisticsAdaptor(statistics);
    Serve(agent->SubObjectPath(TSub::Statistics), statistics);
    auto* settings = new CAgentSettingsService(s.settings, this);
    new CAgentSettingsAdaptor(settings);
    Serve(agent->SubObjectPath(TSub::Settings), settings);
    auto* schedule = new CAgentScheduleService(s.schedules, s.runner, this);
    new CAgentScheduleAdaptor(schedule);
    Serve(agent->SubObjectPath(TSub::Schedule), schedule);
    const auto drives = [&s] {
        QList<CDirectoryListing::TDrive> list;
        for (const TVolumeDescription& volume : s.Volumes())
            list.append({volume.mountPoint, volume.id, volume.driveType});
        return list;
    };
    auto* filter = new CAgentFilterService(
        drives, m_options.stateDirectory + u"/duplicateexclusions.json"_s, this);
    new CAgentFilterAdaptor(filter);
    Serve(agent->SubObjectPath(TSub::Filter), filter);
    auto* logSettings = new CAgentLogSettingsService(
        s.log, m_options.stateDirectory + u"/logsettings.json"_s, this);
    new CAgentLogSettingsAdaptor(logSettings);
    Serve(agent->SubObjectPath(TSub::LogSettings), logSettings);
    auto* feature = new CAgentFeatureService(m_options.stateDirectory + u"/feature.json"_s, this);
    new CAgentFeatureAdaptor(feature);
    Serve(agent->SubObjectPath(TSub::Feature), feature);

    // Due schedule items start their passes here; the runner hears when they have all ended.
    connect(
        &s.runner, &CScheduleRunner::PassesRequested, this,
        [&s](const QString& scheduleName, const QString& itemName, const QStringList& volumes,
             bool allVolumes, uint methodFlags, uint itemFlags) {
            Q_UNUSED(itemFlags);
            const QStringList targets = allVolumes ? s.engine->VolumeIds() : volumes;
            // As the console reads a schedule: the highest method bit set wins.
            int method = -1;
            if (methodFlags & CScheduleRunner::kMethodDefrag)
                method = 1;
            if (methodFlags & CScheduleRunner::kMethodTierLayout)
                method = 0;
            if (methodFlags & CScheduleRunner::kMethodConsolidate)
                method = 2;
            if (methodFlags & CScheduleRunner::kMethodDefault)
                method = -1; // the drive's default
            const bool online =
                methodFlags &
                (CScheduleRunner::kMethodTierLayout | CScheduleRunner::kMethodDefrag |
                 CScheduleRunner::kMethodConsolidate | CScheduleRunner::kMethodDefault);
            auto pending = std::make_shared<int>(0);
            auto failure = std::make_shared<HRESULT>(S_OK);
            s.scheduledVolumes.remove(scheduleName);
            for (const QString& volume : targets) {
                ++*pending;
                s.scheduledVolumes[scheduleName].append(volume);
                const auto ended = [&s, pending, failure, scheduleName, itemName, volume] {
                    s.scheduledVolumes[scheduleName].removeOne(volume);
                    if (--*pending == 0) {
                        s.scheduledVolumes.remove(scheduleName);
                        s.runner.PassesFinished(scheduleName, itemName, *failure);
                    }
                };
                const HRESULT started = s.engine->StartScheduled(volume, !online, method, ended);
                if (started == CEngineService::kDriveNotAllowed) {
                    // A drive the settings keep from defragmentation is left out, not failed.
                    --*pending;
                    s.scheduledVolumes[scheduleName].removeOne(volume);
                    s.log.Append(u"Engine"_s, CEventLog::kInformation, 111,
                                 u"Schedule %1 skips the drive %2: the settings do not allow "
                                 u"defragmenting drives of its type."_s.arg(scheduleName, volume));
                } else if (FAILED(started)) {
                    --*pending;
                    s.scheduledVolumes[scheduleName].removeOne(volume);
                    *failure = started;
                    s.log.Append(u"Engine"_s, CEventLog::kWarning, 106,
                                 u"Schedule %1: the pass on %2 could not start (0x%3)."_s.arg(
                                     scheduleName, volume, QString::number(quint32(started), 16)));
                }
            }
            if (*pending == 0) {
                s.scheduledVolumes.remove(scheduleName);
                s.runner.PassesFinished(scheduleName, itemName,
                                        targets.isEmpty() ? S_FALSE : *failure);
            }
        });
    // Only the passes the schedule started: a pass the console started on the same volume stays.
    connect(&s.runner, &CScheduleRunner::StopRequested, this,
            [&s](const QString& scheduleName, const QString&) {
                for (const QString& volume : s.scheduledVolumes.value(scheduleName))
                    s.engine->Stop(volume);
            });
    connect(&s.runner, &CScheduleRunner::PauseRequested, this,
            [&s](const QString& scheduleName, const QString&, bool paused) {
                for (const QString& volume : s.scheduledVolumes.value(scheduleName)) {
                    if (paused)
                        s.engine->Pause(volume);
                    else
                        s.engine->Resume(volume);
                }
            });
    s.runner.SetRunMissed([&s] { return s.settings.Settings().missedSchedules == 0; });
    s.runner.Start();

    // Updates are looked for while the settings ask for it; the check only logs what it finds.
    auto* updates = new CUpdateCheck([&s] { return s.settings.Settings(); }, u"11.0"_s,
                                     [&s](qint32 type, qint32 id, const QString& message) {
                                         s.log.Append(u"Engine"_s, type, id, message);
                                     },
                                     this);
    auto* updateTimer = new QTimer(this);
    updateTimer->setSingleShot(true);
    connect(updateTimer, &QTimer::timeout, updates, [updates, updateTimer] {
        if (updates->Enabled())
            updates->Check();
        updateTimer->start(CEngineDaemonUpdateCheckMs);
    });
    updateTimer->start(CEngineDaemonFirstUpdateCheckMs);

    // The file browser, over the same volumes as the filter object.
    auto* browser = new CFileBrowserService(drives, this);
    new CFileBrowserExAdaptor(browser);
    serveClass(ServiceContract::FileBrowserEx, browser);

    // The services this engine does not provide yet.
    using TSpaceReports = CUnavailableService<CFileSpaceReportsServiceBase>;
    auto* spaceReports = new TSpaceReports(this);
    new CFileSpaceReportsAdaptor(spaceReports);
    serveClass(ServiceContract::FileSpaceReports, spaceReports);
    auto* fileOp = new CFileOpServiceBase(this);
    new CFileOpAdaptor(fileOp);
    serveClass(ServiceContract::FileOp, fileOp);
    auto* fileSet = new CFileSetServiceBase(this);
    new CFileSetAdaptor(fileSet);
    serveClass(ServiceContract::FileSet, fileSet);
    const QString toolInterface = u"{0DE62A1F-FA72-49D6-9139-616397B6402B}"_s;
    auto* duplicates = new CUnavailableService<CTl2MD5BrowserServiceBase>(this);
    new CTl2MD5BrowserAdaptor(duplicates);
    new CToolAdaptor(duplicates);
    serveClass(ServiceContract::Tl2MD5Browser, duplicates, {toolInterface});
    auto* cleaner = new CUnavailableService<CTempRecycleCleanServiceBase>(this);
    new CTempRecycleCleanAdaptor(cleaner);
    new CToolAdaptor(cleaner);
    serveClass(ServiceContract::TempRecycleClean, cleaner, {toolInterface});
    auto* exchange = new CUnavailableService<CExchangeEngineServiceBase>(this);
    new CExchangeEngineAdaptor(exchange);
    serveClass(ServiceContract::ExchangeEngine, exchange);
    auto* machines = new CUnavailableService<CVmEngineServiceBase>(this);
    new CVmEngineAdaptor(machines);
    serveClass(ServiceContract::VmEngine, machines);

    // The socket: a stale one is taken over, a live one is left to its daemon.
    const QString socketPath = m_options.socketPath;
    QDir().mkpath(QFileInfo(socketPath).absolutePath());
    if (QFileInfo::exists(socketPath)) {
        if (DaemonAnswers(socketPath)) {
            *error = u"Another engine already serves %1."_s.arg(socketPath);
            return HRESULT_FROM_WIN32(ERROR_ALREADY_EXISTS);
        }
        QFile::remove(socketPath);
    }
    // The server listens under a name of its own, which becomes the socket's only once the
    // server is whole: a connection accepted while QDBusServer is still being made is handed to
    // nobody, and its caller is left with a connection that serves no object at all.
    const QString staging = u"%1.%2"_s.arg(socketPath).arg(QCoreApplication::applicationPid());
    QFile::remove(staging);
    m_server = new QDBusServer(u"unix:path="_s + staging, this);
    if (!m_server->isConnected()) {
        *error = u"The engine cannot listen on %1: %2"_s.arg(socketPath,
                                                             m_server->lastError().message());
        return HRESULT_FROM_WIN32(ERROR_ACCESS_DENIED);
    }
    // A console on another machine reaches the engine through "--stdio-bridge" over SSH, and
    // claims its own machine's user, which the bus library would refuse here: it is let in as
    // anonymous. The socket's mode below is what admits anyone at all.
    m_server->setAnonymousAuthenticationAllowed(true);
    connect(m_server, &QDBusServer::newConnection, this, &CEngineDaemon::OnNewConnection);
    // Only the engine's own user may connect: a console of another user passes over this socket
    // and starts an engine of its own.
    ::chmod(QFile::encodeName(staging).constData(), 0600);
    if (::rename(QFile::encodeName(staging).constData(),
                 QFile::encodeName(socketPath).constData()) != 0) {
        const int code = errno;
        delete m_server;
        m_server = nullptr;
        QFile::remove(staging);
        *error = u"The engine cannot place its socket at %1: %2"_s.arg(
            socketPath, QString::fromLocal8Bit(std::strerror(code)));
        return HRESULT_FROM_WIN32(ERROR_ACCESS_DENIED);
    }
    struct stat placed {};
    if (::stat(QFile::encodeName(socketPath).constData(), &placed) == 0)
        m_socketInode = placed.st_ino;
    s.log.Append(u"Engine"_s, CEventLog::kInformation, 1,
                 u"The engine started, serving %1."_s.arg(socketPath));
    return S_OK;
}

void CEngineDaemon::OnNewConnection(const QDBusConnection& connection)
{
    QDBusConnection peer(connection);
    for (const auto& [path, object] : std::as_const(m_objects))
        peer.registerObject(path, object, QDBusConnection::ExportAdaptors);
    // When the console goes, its connection is let go; its subscriptions end by themselves when
    // its mailslots are gone.
    const QString name = peer.name();
    peer.connect(QString(), u"/org/freedesktop/DBus/Local"_s, u"org.freedesktop.DBus.Local"_s,
                 u"Disconnected"_s, this, SLOT(OnPeerDisconnected()));
    m_names.append(name);
}

void CEngineDaemon::OnPeerDisconnected()
{
    if (!calledFromDBus())
        return;
    const QString name = connection().name();
    m_names.removeAll(name);
    // Not from within the connection's own delivery.
    QMetaObject::invokeMethod(
        this, [name] { QDBusConnection::disconnectFromPeer(name); }, Qt::QueuedConnection);
}
