#include "engine/CServiceConnection.h"

#include "platform/CComputerName.h"
#include "platform/com/CDBusResult.h"

CServiceConnection::CServiceConnection(const TServiceContract& contract)
    : m_contract(contract)
{}

QStringList CServiceConnection::ClassIds(const TServiceContract& contract)
{
    QStringList ids;
    for (std::size_t i = 0; i < contract.ClassIdCount(); ++i)
        ids.append(QString::fromLatin1(contract.classIds[i].data(),
                                       static_cast<qsizetype>(contract.classIds[i].size())));
    return ids;
}

QString CServiceConnection::InterfaceId(const TServiceContract& contract)
{
    return QString::fromLatin1(contract.interfaceId.data(),
                               static_cast<qsizetype>(contract.interfaceId.size()));
}

HRESULT CServiceConnection::Create(const QString& computer, const TComCredentials& credentials,
                                   CComObjectRef* object) const
{
    // Local servers and in-process parts run on this computer whatever computer the console
    // drives.
    const QString target =
        m_contract.where == TServiceContract::TWhere::LocalOrRemote ? computer : QString();
    return IComActivator::Instance().CreateInstance(TriedClassIds(), InterfaceId(m_contract),
                                                    target, credentials, object);
}

QStringList CServiceConnection::TriedClassIds() const
{
    QMutexLocker locker(&m_mutex);
    return m_classOrder.isEmpty() ? ClassIds(m_contract) : m_classOrder;
}

void CServiceConnection::SetClassOrder(const QStringList& classIds)
{
    const QStringList known = ClassIds(m_contract);
    QStringList order;
    for (const QString& id : classIds) {
        for (const QString& candidate : known) {
            if (candidate.compare(id, Qt::CaseInsensitive) == 0 && !order.contains(candidate))
                order.append(candidate);
        }
    }
    QMutexLocker locker(&m_mutex);
    m_classOrder = order;
}

HRESULT CServiceConnection::Probe(const TString& computer, const TString& user,
                                  const TString& password, const TString& domain) const
{
    CComObjectRef probe;
    return Create(QString::fromStdWString(computer),
                  {QString::fromStdWString(user), QString::fromStdWString(password),
                   QString::fromStdWString(domain)},
                  &probe);
}

HRESULT CServiceConnection::Connect(const TString& computer, const TString& user,
                                    const TString& password, const TString& domain)
{
    const TComCredentials credentials{QString::fromStdWString(user),
                                      QString::fromStdWString(password),
                                      QString::fromStdWString(domain)};
    // First see that the object can be created at all, so that a failure changes nothing.
    CComObjectRef probe;
    const HRESULT created = Create(QString::fromStdWString(computer), credentials, &probe);
    if (FAILED(created))
        return created;
    {
        QMutexLocker locker(&m_mutex);
        m_computer = QString::fromStdWString(computer);
        m_credentials = credentials;
    }
    return InternalConnect();
}

HRESULT CServiceConnection::InternalConnect()
{
    Disconnect();
    QString computer;
    TComCredentials credentials;
    {
        QMutexLocker locker(&m_mutex);
        computer = m_computer;
        credentials = m_credentials;
    }
    CComObjectRef object;
    const HRESULT result = Create(computer, credentials, &object);
    if (SUCCEEDED(result)) {
        QMutexLocker locker(&m_mutex);
        m_object = object;
    }
    return result;
}

void CServiceConnection::Disconnect()
{
    QMutexLocker locker(&m_mutex);
    m_object = CComObjectRef();
}

bool CServiceConnection::IsConnected() const
{
    QMutexLocker locker(&m_mutex);
    return m_object.IsValid();
}

bool CServiceConnection::IsRemote() const
{
    QMutexLocker locker(&m_mutex);
    return !CComputerName::IsLocal(m_computer);
}

int CServiceConnection::ClassIndex() const
{
    QMutexLocker locker(&m_mutex);
    if (!m_object.IsValid())
        return -1;
    if (m_classOrder.isEmpty())
        return m_object.ClassIndex();
    const int tried = m_object.ClassIndex();
    if (tried < 0 || tried >= m_classOrder.size())
        return -1;
    return static_cast<int>(ClassIds(m_contract).indexOf(m_classOrder.at(tried)));
}

HRESULT CServiceConnection::Call(const std::function<HRESULT(const CComObjectRef&)>& call)
{
    CComObjectRef object;
    {
        QMutexLocker locker(&m_mutex);
        object = m_object;
    }
    if (!object.IsValid())
        return E_UNEXPECTED;
    HRESULT result = call(object);
    if (result != CDBusResult::RpcServerUnavailable)
        return result;
    if (FAILED(InternalConnect()))
        return result;
    {
        QMutexLocker locker(&m_mutex);
        object = m_object;
    }
    return call(object);
}
