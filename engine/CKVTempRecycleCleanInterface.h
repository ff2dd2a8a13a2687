#pragma once

#include "engine/CTlStateBaseInterface.h"

// The cleaner's wrapper: states 10, 11 and 12 are started, stopped and finished; progress
// comes as a percent with a message (2005).
class CKVTempRecycleCleanInterface : public CTlStateBaseInterface {
    Q_OBJECT

public:
    explicit CKVTempRecycleCleanInterface(QObject* parent = nullptr);
    ~CKVTempRecycleCleanInterface() override;

    void OnState(quint32 state) override;
    void OnFailure(HRESULT hr) override;
    void OnPercentMessage(quint32 percent, const std::wstring& message) override;
};
