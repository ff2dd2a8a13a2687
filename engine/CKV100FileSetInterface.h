#pragma once

#include "core/HResult.h"
#include "core/Types.h"
#include "engine/CKV100FileSetImpl.h"

#include <QByteArray>
#include <QList>
#include <QObject>

// The wrapper of sets of files on the connected computer picked by pattern, with their totals.
// Driven by the remote file views and the duplicates and recycle views.
// Connecting keeps the computer and credentials; each operation creates the service afresh.
class CKV100FileSetInterface : public QObject {
    Q_OBJECT

public:
    explicit CKV100FileSetInterface(QObject* parent = nullptr);
    ~CKV100FileSetInterface() override;

    // On failure nothing changes; operations answer E_UNEXPECTED until connected.
    HRESULT Connect(const TString& computer, const TString& user, const TString& password,
                    const TString& domain);
    void Disconnect();
    bool IsConnected() const { return m_impl.IsConnected(); }
    bool IsRemote() const { return m_impl.IsRemote(); }

    // Files under a directory whose names match one of the wildcard patterns; at most maxCount.
    // Sizes in bytes, modification as OLE date.
    HRESULT FindFiles(const TString& directory, const TStringList& patterns, bool recursive,
                      uint maxCount, TStringList* files, QList<qulonglong>* sizes,
                      QList<double>* modified);
    // Bytes, files and folders under the given paths, recursively.
    HRESULT GetTotals(const TStringList& paths, quint64* bytes, uint* files, uint* folders);

private:
    CKV100FileSetImpl m_impl;
};
