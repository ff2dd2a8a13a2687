#pragma once

#include "engine/CKV100PrivateImpl.h"

#include "FileBrowserExProxy.h"

// How the IFileBrowserEx service is reached: a fresh object per call.
class CKV100FileBrowserImpl : public CKV100PrivateImpl<CFileBrowserExProxy> {
public:
    CKV100FileBrowserImpl()
        : CKV100PrivateImpl(ServiceContract::FileBrowserEx)
    {}
};
