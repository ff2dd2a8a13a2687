#include "platform/activex/CAxAggregated.h"

CAxAggregated::CAxAggregated(IAxUnknown* controllingUnknown)
    : m_controllingUnknown(controllingUnknown)
{}

void CAxAggregated::SetControllingUnknown(IAxUnknown* controlling)
{
    m_controllingUnknown = controlling;
}

HRESULT CAxAggregated::QueryInterface(const QUuid& iid, void** object)
{
    if (!object)
        return E_POINTER;
    void* found = nullptr;
    if (queryInterface(iid, &found) != S_OK || !found) {
        *object = nullptr;
        return E_NOINTERFACE;
    }
    *object = found;
    AddRef();
    return S_OK;
}

ULONG CAxAggregated::AddRef()
{
    return m_controllingUnknown ? m_controllingUnknown->AddRef() : 1;
}

ULONG CAxAggregated::Release()
{
    return m_controllingUnknown ? m_controllingUnknown->Release() : 1;
}
