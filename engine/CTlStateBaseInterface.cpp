#include "engine/CTlStateBaseInterface.h"

#include "engine/CEngineMetaTypes.h"

#include "ToolProxy.h"

#include <climits>
#include <cmath>

CTlStateBaseInterface::CTlStateBaseInterface(const TServiceContract& contract, QObject* parent)
    : QObject(parent)
    , m_connection(contract)
{
    CEngineMetaTypes::Register();
    m_connection.SetListener<CToolProxy>(this);
}

CTlStateBaseInterface::~CTlStateBaseInterface()
{
    CTlStateBaseInterface::Disconnect();
}

bool CTlStateBaseInterface::IsConnected() const
{
    return m_connection.IsConnected();
}

void CTlStateBaseInterface::Disconnect()
{
    m_connection.Disconnect();
}

HRESULT CTlStateBaseInterface::Connect(const TString& computer, const TString& user,
                                       const TString& password, const TString& domain)
{
    return m_connection.Connect(computer, user, password, domain);
}

HRESULT CTlStateBaseInterface::Scan(int mode)
{
    return m_connection.Fetch(ServiceCall::Timeout::Normal, &CToolProxy::Scan,
                              CServiceConnection::In(mode));
}

HRESULT CTlStateBaseInterface::Clean(int mode)
{
    return m_connection.Fetch(ServiceCall::Timeout::Normal, &CToolProxy::Clean,
                              CServiceConnection::In(mode));
}

HRESULT CTlStateBaseInterface::GetServiceObject(CComObjectRef* object)
{
    if (!object || object->IsValid())
        return HRESULT_FROM_WIN32(ERROR_INVALID_PARAMETER);
    return m_connection.Call([object](const CComObjectRef& held) {
        *object = held;
        return S_OK;
    });
}

int CTlStateBaseInterface::TruncatedPercent(double percent)
{
    if (std::isnan(percent))
        return 0;
    if (percent >= static_cast<double>(INT_MAX))
        return INT_MAX;
    if (percent <= static_cast<double>(INT_MIN))
        return INT_MIN;
    return static_cast<int>(percent);
}

HRESULT CTlStateBaseInterface::Stop(int mode)
{
    return m_connection.Fetch(ServiceCall::Timeout::Normal, &CToolProxy::Stop,
                              CServiceConnection::In(mode));
}

HRESULT CTlStateBaseInterface::GetScanResults(QByteArray* results)
{
    return m_connection.Fetch(ServiceCall::Timeout::Long, &CToolProxy::GetScanResults,
                              CServiceConnection::In(), results);
}

HRESULT CTlStateBaseInterface::GetDeletionResults(QByteArray* results)
{
    return m_connection.Fetch(ServiceCall::Timeout::Long, &CToolProxy::GetDeletionResults,
                              CServiceConnection::In(), results);
}

HRESULT CTlStateBaseInterface::DeleteFiles(const QByteArray& request, int mode)
{
    return m_connection.Fetch(ServiceCall::Timeout::Long, &CToolProxy::DeleteFiles,
                              CServiceConnection::In(request, mode));
}
