#pragma once

#include "core/HResult.h"

// Win32 error codes for the errno values of the Linux calls behind the platform stand-ins.
class CWin32Error {
public:
    // The code of an errno value; fallback for the values without a better match.
    static DWORD FromErrno(int error, DWORD fallback);
};
