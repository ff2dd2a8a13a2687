#pragma once

#include "platform/activex/CAxAggregated.h"
#include "platform/activex/IObjectSafety.h"

// The object-safety aggregate of a control: it declares the control safe for untrusted callers and
// untrusted data, and answers no other interface.
class CObjectSafety : public CAxAggregated, public IObjectSafety {
public:
    explicit CObjectSafety(IAxUnknown* controllingUnknown = nullptr);

    static constexpr DWORD kSafeOptions =
        kInterfaceSafeForUntrustedCaller | kInterfaceSafeForUntrustedData;

    // The one implementation behind both faces.
    HRESULT QueryInterface(const QUuid& iid, void** object) override;
    ULONG AddRef() override;
    ULONG Release() override;

    HRESULT queryInterface(const QUuid& iid, void** iface) override;

    // Both kSafeOptions, for any interface; E_POINTER when an output is null.
    HRESULT GetInterfaceSafetyOptions(const QUuid& iid, DWORD* supportedOptions,
                                      DWORD* enabledOptions) override;
    // Accepts anything: the control is always safe.
    HRESULT SetInterfaceSafetyOptions(const QUuid& iid, DWORD optionSetMask,
                                      DWORD enabledOptions) override;
};
