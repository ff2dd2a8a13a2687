#pragma once

#include "engine/CTlStateBaseInterface.h"

#include <QList>

// The cleaner's wrapper: states 10, 11 and 12 are started, stopped and finished; progress
// comes as a percent with a message (2005).
class CKVTempRecycleCleanInterface : public CTlStateBaseInterface {
    Q_OBJECT

public:
    explicit CKVTempRecycleCleanInterface(QObject* parent = nullptr);
    ~CKVTempRecycleCleanInterface() override;

    // The drives the next pass works on.
    HRESULT GetDrives(TStringList* drives);
    HRESULT SetDrives(const TStringList& drives);
    // option 1: recycle bins, 2: temporary files; value 1 when cleaned, else 0.
    HRESULT GetOption(uint option, uint* value);
    HRESULT SetOption(uint option, uint value);
    // Per drive of the last pass: free space before and after, files and bytes cleaned from the
    // recycle bin and from temporary files.
    HRESULT GetResults(TStringList* drives, QList<qulonglong>* freeBefore,
                       QList<qulonglong>* freeAfter, QList<uint>* recycleFiles,
                       QList<qulonglong>* recycleBytes, QList<uint>* tempFiles,
                       QList<qulonglong>* tempBytes);

    void OnState(quint32 state) override;
    void OnFailure(HRESULT hr) override;
    void OnPercentMessage(quint32 percent, const std::wstring& message) override;
};
