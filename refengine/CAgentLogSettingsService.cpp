#include "refengine/CAgentLogSettingsService.h"

#include "core/HResult.h"
#include "refengine/CEventLog.h"

#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMutex>
#include <QSaveFile>
#include <QtDebug>

using namespace Qt::StringLiterals;

namespace {

constexpr int CAgentLogSettingsVersion = 1;

// One read-modify-write at a time across the instances of the service.
QMutex CAgentLogSettingsMutex;

uint CAgentLogSettingsRead(const QString& filePath)
{
    QFile file(filePath);
    if (!file.exists() || !file.open(QIODevice::ReadOnly))
        return CAgentLogSettingsService::kOwnLog;
    const QByteArray bytes = file.size() > 64 * 1024 ? QByteArray() : file.readAll();
    file.close();
    const QJsonObject root = QJsonDocument::fromJson(bytes).object();
    const QJsonValue destination = root.value(u"destination"_s);
    if (root.value(u"version"_s).toInt(-1) == CAgentLogSettingsVersion && destination.isDouble() &&
        (destination.toDouble() == CAgentLogSettingsService::kOwnLog ||
         destination.toDouble() == CAgentLogSettingsService::kSystemLog))
        return static_cast<uint>(destination.toDouble());
    const QString aside = filePath + u".damaged"_s;
    QFile::remove(aside);
    QFile::rename(filePath, aside);
    qWarning("Log settings %s are damaged; using the default", qUtf8Printable(filePath));
    return CAgentLogSettingsService::kOwnLog;
}

} // namespace

CAgentLogSettingsService::CAgentLogSettingsService(CEventLog& log, QString filePath,
                                                   QObject* parent)
    : CAgentLogSettingsServiceBase(parent)
    , m_log(log)
    , m_filePath(std::move(filePath))
{}

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
    QSaveFile file(m_filePath);
    if (!file.open(QIODevice::WriteOnly))
        return kNotSaved;
    const QJsonObject root{{u"version"_s, CAgentLogSettingsVersion},
                           {u"destination"_s, static_cast<double>(destination)}};
    file.write(QJsonDocument(root).toJson(QJsonDocument::Indented));
    return file.commit() ? S_OK : kNotSaved;
}

int CAgentLogSettingsService::ClearLog()
{
    return m_log.Clear() ? S_OK : kNotSaved;
}
