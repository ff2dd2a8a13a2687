#pragma once

#include "platform/activex/IAxUnknown.h"

// The interface through which a container asks a control whether it is safe to script and to
// initialise from untrusted data. It carries its own unknown methods rather than deriving
// IAxUnknown, so that an object implementing it beside another interface keeps one identity.
class IObjectSafety {
public:
    // {CB5BDC81-93C1-11CF-8F20-00805F2CD064}
    static constexpr QUuid kIid =
        QUuid(0xCB5BDC81, 0x93C1, 0x11CF, 0x8F, 0x20, 0x00, 0x80, 0x5F, 0x2C, 0xD0, 0x64);
    static constexpr DWORD kInterfaceSafeForUntrustedCaller = 1;
    static constexpr DWORD kInterfaceSafeForUntrustedData = 2;

    virtual HRESULT QueryInterface(const QUuid& iid, void** object) = 0;
    virtual ULONG AddRef() = 0;
    virtual ULONG Release() = 0;

    // The options the object supports and those currently enabled, for the interface IID.
    virtual HRESULT GetInterfaceSafetyOptions(const QUuid& iid, DWORD* supportedOptions,
                                              DWORD* enabledOptions) = 0;
    // Enables (or disables) the options of OPTION_SET_MASK to the values of ENABLED_OPTIONS.
    virtual HRESULT SetInterfaceSafetyOptions(const QUuid& iid, DWORD optionSetMask,
                                              DWORD enabledOptions) = 0;

protected:
    // Lifetime goes through Release, never through this interface.
    ~IObjectSafety() = default;
};
