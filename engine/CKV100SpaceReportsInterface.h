#pragma once

#include "core/HResult.h"
#include "engine/CKVSpaceReportsListener.h"

#include <QObject>

#include <string>

// The space reports service's wrapper; its listener is a CKVSpaceReportsListener.
class CKV100SpaceReportsInterface : public QObject {
    Q_OBJECT

public:
    explicit CKV100SpaceReportsInterface(QObject* parent = nullptr);
    ~CKV100SpaceReportsInterface() override;

    CKVSpaceReportsListener& Listener() { return m_listener; }

signals:
    void Started(const std::wstring& set_id);
    void Completed(const std::wstring& set_id);
    void Progress(const std::wstring& set_id, double progress);
    void Failed(const std::wstring& set_id, HRESULT hr);
    void Stopped(const std::wstring& set_id);

private:
    CKVSpaceReportsListener m_listener;
};
