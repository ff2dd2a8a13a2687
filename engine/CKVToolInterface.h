#pragma once

#include "core/HResult.h"
#include "platform/com/CComObjectRef.h"

// The calls every tool service answers through the generic tool interface
// {0DE62A1F-FA72-49D6-9139-616397B6402B}.
class CKVToolInterface {
public:
    virtual ~CKVToolInterface() = default;

    // The search of the duplicates scanner, the analysis of the cleaner.
    virtual HRESULT Scan(int mode) = 0;
    // The cleaner's cleaning pass.
    virtual HRESULT Clean(int mode) = 0;
    // The held service object. E_INVALIDARG (Win32 error 87) for a null output or one that
    // already holds an object; E_UNEXPECTED when none is held.
    virtual HRESULT GetServiceObject(CComObjectRef* object) = 0;
};
