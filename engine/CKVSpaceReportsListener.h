#pragma once

#include "engine/CListenerBase.h"

class CKV100SpaceReportsInterface;

// The listener of the space reports service: decodes its notices into the signals of the
// wrapper that owns it.
class CKVSpaceReportsListener : public CListenerBase<CKVSpaceReportsListener> {
public:
    explicit CKVSpaceReportsListener(CKV100SpaceReportsInterface* wrapper);

    void Dispatch(quint32 type, const QByteArray& body) override;

private:
    CKV100SpaceReportsInterface* m_wrapper;
};
