#pragma once

#include "engine/CKV100PrivateImpl.h"

#include "FileOpProxy.h"

// How the IFileOp service is reached: a fresh object per call.
class CKV100FileOpImpl : public CKV100PrivateImpl<CFileOpProxy> {
public:
    CKV100FileOpImpl()
        : CKV100PrivateImpl(ServiceContract::FileOp)
    {}
};
