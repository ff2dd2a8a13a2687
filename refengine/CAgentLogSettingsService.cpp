#include "refengine/CAgentLogSettingsService.h"

#include "core/HResult.h"
#include "refengine/CEventLog.h"
#include "refengine/CJsonStateFile.h"

#include <QJsonObject>
#include <QMutex>

using namespace Qt::StringLiterals;

namespace {

constexpr int CAgentLogSettingsVersion = 1;
constexpr qint64 CAgentLogSettingsMaxFileBytes = 64 * 1024;

// One read-modify-write at a time across the instances of the service.
QMutex CAgentLogSettingsMutex;

uint CAgentLogSettingsRead(const QString& filePath)
{
    uint destination = CAgentLogSettingsService::kOwnLog;
    const auto parse = [&destination](const QJsonObject& root) {
        const QJsonValue stored = root.value(u"destination"_s);
        if (!stored.isDouble() || (stored.toDouble() != CAgentLogSettingsService::kOwnLog &&
                                   stored.toDouble() != CAgentLogSettingsService::kSystemLog))
            return false;
        destination = static_cast<uint>(stored.toDouble());
        return true;
    };
    CJsonStateFile::Load(filePath, CAgentLogSettingsMaxFileBytes, CAgentLogSettingsVersion,
                         "log settings", "using the default", parse);
    return destination;
}

} // namespace

CAgentLogSettingsService::CAgentLogSettingsService(CEventLog& log, QString filePath,
                                                   QObject* parent)
    : CAgentLogSettingsServiceBase(parent)
    , m_log(log)
    , m_filePath(std::move(filePath))
{
    QMutexLocker locker(&CAgentLogSettingsMutex);
    m_log.SetSystemJournal(CAgentLogSettingsRead(m_filePath) == kSystemLog);
}

int CAgentLogSettingsService::GetLogDestination(uint& destination)
{
    QMutexLocker locker(&CAgentLogSettingsMutex);
    destination = CAgentLogSettingsRead(m_filePath);
    return S_OK;
}

int CAgentLogSettingsService::SetLogDestination(uint destination)
{
    if (destination != kOwnLog && destination != kSystemLog)
        return E_INVALIDARG;
    QMutexLocker locker(&CAgentLogSettingsMutex);
    const QJsonObject root{{u"version"_s, CAgentLogSettingsVersion},
                           {u"destination"_s, static_cast<double>(destination)}};
    if (!CJsonStateFile::Write(m_filePath, root))
        return kNotSaved;
    m_log.SetSystemJournal(destination == kSystemLog);
    return S_OK;
}

int CAgentLogSettingsService::ClearLog()
{
    return m_log.Clear() ? S_OK : kNotSaved;
}
