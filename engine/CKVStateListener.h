#pragma once

#include "core/HResult.h"
#include "engine/CListenerBase.h"

#include <string>

// The listener of a tool service (duplicates scanner, cleaner). Each decoded notice reaches one
// of the callbacks below, which do nothing unless the tool overrides them.
class CKVStateListener : public CListenerBase<CKVStateListener> {
public:
    CKVStateListener();
    ~CKVStateListener() override;

    void Dispatch(quint32 type, const QByteArray& body) override;

    virtual void OnProgress(const std::wstring& message, double percent); // 2001
    virtual void OnState(quint32 state);                                  // 2000
    virtual void OnFailure(HRESULT hr);                                   // 2002
    virtual void OnCounts(quint32 first, quint32 second, quint32 third, quint32 fourth,
                          const std::wstring& text); // 2003
    virtual void OnItem(quint32 first, quint32 second, quint32 third,
                        const std::wstring& text);                               // 2004
    virtual void OnMessage(quint32 value, const std::wstring& text);             // 2006
    virtual void OnPercentMessage(quint32 percent, const std::wstring& message); // 2005
};
