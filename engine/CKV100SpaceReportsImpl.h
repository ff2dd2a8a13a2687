#pragma once

#include "engine/CKV100PrivateImpl.h"

#include "FileSpaceReportsProxy.h"

// How the IFileSpaceReports service is reached: a fresh object per call.
class CKV100SpaceReportsImpl : public CKV100PrivateImpl<CFileSpaceReportsProxy> {
public:
    CKV100SpaceReportsImpl()
        : CKV100PrivateImpl(ServiceContract::FileSpaceReports)
    {}
};
