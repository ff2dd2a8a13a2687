#pragma once

#include "engine/CKV100PrivateImpl.h"

#include "FileSetProxy.h"

// How the IFileSet service is reached: a fresh object per call.
class CKV100FileSetImpl : public CKV100PrivateImpl<CFileSetProxy> {
public:
    CKV100FileSetImpl()
        : CKV100PrivateImpl(ServiceContract::FileSet)
    {}
};
