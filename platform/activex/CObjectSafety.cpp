#include "platform/activex/CObjectSafety.h"

CObjectSafety::CObjectSafety(IAxUnknown* controllingUnknown)
    : CAxAggregated(controllingUnknown)
{}

HRESULT CObjectSafety::QueryInterface(const QUuid& iid, void** object)
{
    return CAxAggregated::QueryInterface(iid, object);
}

ULONG CObjectSafety::AddRef()
{
    return CAxAggregated::AddRef();
}

ULONG CObjectSafety::Release()
{
    return CAxAggregated::Release();
}

HRESULT CObjectSafety::queryInterface(const QUuid& iid, void** iface)
{
    if (iid != IObjectSafety::kIid)
        return E_NOINTERFACE;
    *iface = static_cast<IObjectSafety*>(this);
    return S_OK;
}

HRESULT CObjectSafety::GetInterfaceSafetyOptions(const QUuid& /*iid*/, DWORD* supportedOptions,
                                                 DWORD* enabledOptions)
{
    if (!supportedOptions || !enabledOptions)
        return E_POINTER;
    *supportedOptions = kSafeOptions;
    *enabledOptions = kSafeOptions;
    return S_OK;
}

HRESULT CObjectSafety::SetInterfaceSafetyOptions(const QUuid& /*iid*/, DWORD /*optionSetMask*/,
                                                 DWORD /*enabledOptions*/)
{
    return S_OK;
}
