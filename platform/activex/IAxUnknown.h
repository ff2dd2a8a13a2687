#pragma once

#include "core/HResult.h"

#include <QUuid>

#include <cstdint>

// Reference counts as COM reports them.
using ULONG = std::uint32_t;

// The identity of a COM-style object: its interfaces are found by identifier and it lives as long
// as somebody holds a reference.
class IAxUnknown {
public:
    virtual ~IAxUnknown() = default;
    // S_OK and the interface IID (with a reference taken) in OBJECT, or E_NOINTERFACE and null.
    virtual HRESULT QueryInterface(const QUuid& iid, void** object) = 0;
    virtual ULONG AddRef() = 0;
    virtual ULONG Release() = 0;
};
