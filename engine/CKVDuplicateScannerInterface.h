#pragma once

#include "engine/CTlStateBaseInterface.h"

// The duplicates scanner's wrapper: states 1, 2 and 3 are started, stopped and finished;
// progress comes as a message with a percent (2001).
class CKVDuplicateScannerInterface : public CTlStateBaseInterface {
    Q_OBJECT

public:
    explicit CKVDuplicateScannerInterface(QObject* parent = nullptr);
    ~CKVDuplicateScannerInterface() override;

    void OnProgress(const std::wstring& message, double percent) override;
    void OnState(quint32 state) override;
    void OnFailure(HRESULT hr) override;
};
