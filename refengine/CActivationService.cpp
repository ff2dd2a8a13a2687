#include "refengine/CActivationService.h"

#include "core/HResult.h"

CActivationService::CActivationService(QObject* parent)
    : CActivationServiceBase(parent)
{}

void CActivationService::AddClass(const QString& classId, const QString& path,
                                  const QStringList& interfaceIds)
{
    TClass served{path, {}};
    for (const QString& id : interfaceIds)
        served.interfaceIds.append(DBusContract::NormalizeGuid(id));
    m_classes.insert(DBusContract::NormalizeGuid(classId), served);
}

int CActivationService::CreateInstance(const QString& clsid, const QString& iid,
                                       QDBusObjectPath& object)
{
    object = QDBusObjectPath(QString::fromLatin1(DBusContract::kActivationPath));
    const QString classId = DBusContract::NormalizeGuid(clsid);
    const auto found = m_classes.constFind(classId);
    if (classId.isEmpty() || found == m_classes.constEnd())
        return REGDB_E_CLASSNOTREG;
    const QString interfaceId = DBusContract::NormalizeGuid(iid);
    if (interfaceId.isEmpty() || !found->interfaceIds.contains(interfaceId))
        return E_NOINTERFACE;
    object = QDBusObjectPath(found->path);
    return S_OK;
}

int CActivationService::Ping()
{
    return S_OK;
}
