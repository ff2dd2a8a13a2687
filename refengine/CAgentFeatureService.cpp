#include "refengine/CAgentFeatureService.h"

#include "core/HResult.h"
#include "refengine/CJsonStateFile.h"

#include <QJsonObject>
#include <QMutex>

#include <algorithm>
#include <cmath>
#include <limits>

using namespace Qt::StringLiterals;

namespace {

constexpr int CAgentFeatureVersion = 1;
constexpr qint64 CAgentFeatureMaxFileBytes = 64 * 1024;
constexpr uint CAgentFeatureMaxPercent = 100;

// One read-modify-write at a time across the instances of the service.
QMutex CAgentFeatureMutex;

bool CAgentFeatureUInt(const QJsonObject& object, const QString& key, uint* value)
{
    const QJsonValue stored = object.value(key);
    const double real = stored.toDouble(-1.0);
    if (!stored.isDouble() || !std::isfinite(real) || real != std::trunc(real) || real < 0 ||
        real > std::numeric_limits<uint>::max())
        return false;
    *value = static_cast<uint>(real);
    return true;
}

bool CAgentFeatureText(const QJsonObject& object, const QString& key, QString* value)
{
    const QJsonValue stored = object.value(key);
    if (!stored.isString())
        return false;
    *value = stored.toString();
    return true;
}

bool CAgentFeatureValidText(const QString& text)
{
    return text.size() <= CAgentFeatureService::kMaxTextLength &&
           std::none_of(text.cbegin(), text.cend(),
                        [](QChar c) { return c.unicode() < 0x20 || c.unicode() == 0x7F; });
}

bool CAgentFeatureValid(const CAgentFeatureService::TThresholds& t)
{
    return t.kernelCpu <= CAgentFeatureMaxPercent && t.userCpu <= CAgentFeatureMaxPercent &&
           t.hostKernelCpu <= CAgentFeatureMaxPercent && t.hostUserCpu <= CAgentFeatureMaxPercent;
}

bool CAgentFeatureValid(const CAgentFeatureService::TVirtualEnvironment& e)
{
    return e.computerKind <= CAgentFeatureService::kMaxComputerKind &&
           (e.computerKind == 0 || !e.host.trimmed().isEmpty()) && CAgentFeatureValidText(e.host) &&
           CAgentFeatureValidText(e.userName) && CAgentFeatureValidText(e.password);
}

} // namespace

CAgentFeatureService::CAgentFeatureService(QString filePath, QObject* parent)
    : CAgentFeatureServiceBase(parent)
    , m_filePath(std::move(filePath))
{}

CAgentFeatureService::TState CAgentFeatureService::Read() const
{
    TState state;
    const auto parse = [&state](const QJsonObject& root) {
        const QJsonObject thresholds = root.value(u"quietWatch"_s).toObject();
        const QJsonObject environment = root.value(u"virtualEnvironment"_s).toObject();
        const QJsonValue automatic = thresholds.value(u"automatic"_s);
        TThresholds& t = state.thresholds;
        TVirtualEnvironment& e = state.environment;
        t.automatic = automatic.toBool();
        return automatic.isBool() && CAgentFeatureUInt(thresholds, u"kernelCpu"_s, &t.kernelCpu) &&
               CAgentFeatureUInt(thresholds, u"userCpu"_s, &t.userCpu) &&
               CAgentFeatureUInt(thresholds, u"diskIo"_s, &t.diskIo) &&
               CAgentFeatureUInt(thresholds, u"hostKernelCpu"_s, &t.hostKernelCpu) &&
               CAgentFeatureUInt(thresholds, u"hostUserCpu"_s, &t.hostUserCpu) &&
               CAgentFeatureUInt(thresholds, u"hostDiskIo"_s, &t.hostDiskIo) &&
               CAgentFeatureUInt(environment, u"computerKind"_s, &e.computerKind) &&
               CAgentFeatureText(environment, u"host"_s, &e.host) &&
               CAgentFeatureText(environment, u"userName"_s, &e.userName) &&
               CAgentFeatureText(environment, u"password"_s, &e.password) &&
               CAgentFeatureValid(t) && CAgentFeatureValid(e);
    };
    if (CJsonStateFile::Load(m_filePath, CAgentFeatureMaxFileBytes, CAgentFeatureVersion,
                             "feature settings", "using the defaults", parse) != S_OK)
        return {};
    return state;
}

bool CAgentFeatureService::Write(const TState& state) const
{
    const TThresholds& t = state.thresholds;
    const TVirtualEnvironment& e = state.environment;
    const QJsonObject root{
        {u"version"_s, CAgentFeatureVersion},
        {u"quietWatch"_s, QJsonObject{{u"automatic"_s, t.automatic},
                                      {u"kernelCpu"_s, static_cast<double>(t.kernelCpu)},
                                      {u"userCpu"_s, static_cast<double>(t.userCpu)},
                                      {u"diskIo"_s, static_cast<double>(t.diskIo)},
                                      {u"hostKernelCpu"_s, static_cast<double>(t.hostKernelCpu)},
                                      {u"hostUserCpu"_s, static_cast<double>(t.hostUserCpu)},
                                      {u"hostDiskIo"_s, static_cast<double>(t.hostDiskIo)}}},
        {u"virtualEnvironment"_s,
         QJsonObject{{u"computerKind"_s, static_cast<double>(e.computerKind)},
                     {u"host"_s, e.host},
                     {u"userName"_s, e.userName},
                     {u"password"_s, e.password}}}};
    return CJsonStateFile::Write(m_filePath, root, QJsonDocument::Indented,
                                 CJsonStateFile::TAccess::OwnerOnly);
}

int CAgentFeatureService::GetQuietWatchThresholds(bool& automatic, uint& kernelCpu, uint& userCpu,
                                                  uint& diskIo, uint& hostKernelCpu,
                                                  uint& hostUserCpu, uint& hostDiskIo)
{
    QMutexLocker locker(&CAgentFeatureMutex);
    const TThresholds t = Read().thresholds;
    automatic = t.automatic;
    kernelCpu = t.kernelCpu;
    userCpu = t.userCpu;
    diskIo = t.diskIo;
    hostKernelCpu = t.hostKernelCpu;
    hostUserCpu = t.hostUserCpu;
    hostDiskIo = t.hostDiskIo;
    return S_OK;
}

int CAgentFeatureService::SetQuietWatchThresholds(bool automatic, uint kernelCpu, uint userCpu,
                                                  uint diskIo, uint hostKernelCpu, uint hostUserCpu,
                                                  uint hostDiskIo)
{
    const TThresholds thresholds{automatic,     kernelCpu,   userCpu,   diskIo,
                                 hostKernelCpu, hostUserCpu, hostDiskIo};
    if (!CAgentFeatureValid(thresholds))
        return E_INVALIDARG;
    QMutexLocker locker(&CAgentFeatureMutex);
    TState state = Read();
    state.thresholds = thresholds;
    return Write(state) ? S_OK : kNotSaved;
}

int CAgentFeatureService::GetVirtualEnvironment(uint& computerKind, QString& host,
                                                QString& userName, QString& password)
{
    QMutexLocker locker(&CAgentFeatureMutex);
    const TVirtualEnvironment e = Read().environment;
    computerKind = e.computerKind;
    host = e.host;
    userName = e.userName;
    password = e.password;
    return S_OK;
}

int CAgentFeatureService::SetVirtualEnvironment(uint computerKind, const QString& host,
                                                const QString& userName, const QString& password)
{
    const TVirtualEnvironment environment{computerKind, host, userName, password};
    if (!CAgentFeatureValid(environment))
        return E_INVALIDARG;
    QMutexLocker locker(&CAgentFeatureMutex);
    TState state = Read();
    state.environment = environment;
    return Write(state) ? S_OK : kNotSaved;
}

int CAgentFeatureService::TestVirtualHost(const QString& host, const QString&, const QString&)
{
    if (host.trimmed().isEmpty() || !CAgentFeatureValidText(host))
        return E_INVALIDARG;
    return kHostNotReachable;
}
