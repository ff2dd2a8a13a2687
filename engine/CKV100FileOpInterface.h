#pragma once

#include "core/HResult.h"
#include "core/Types.h"
#include "engine/CKV100FileOpImpl.h"

#include <QByteArray>
#include <QList>
#include <QObject>

// The wrapper of file operations on the connected computer: file details, directories, deletion,
// moves and reading. Driven by the remote file views and the duplicates and recycle views.
// Connecting keeps the computer and credentials; each operation creates the service afresh.
class CKV100FileOpInterface : public QObject {
    Q_OBJECT

public:
    explicit CKV100FileOpInterface(QObject* parent = nullptr);
    ~CKV100FileOpInterface() override;

    // On failure nothing changes; operations answer E_UNEXPECTED until connected.
    HRESULT Connect(const TString& computer, const TString& user, const TString& password,
                    const TString& domain);
    void Disconnect();
    bool IsConnected() const { return m_impl.IsConnected(); }
    bool IsRemote() const { return m_impl.IsRemote(); }

    // attributes: Windows file attribute bits; size in bytes; modification as OLE date.
    HRESULT GetFileInfo(const TString& path, bool* exists, uint* attributes, quint64* size,
                        double* modified);
    // Creates the directory and any missing parents.
    HRESULT CreateDirectory(const TString& directory);
    HRESULT DeleteFile(const TString& file);
    HRESULT MoveFile(const TString& source, const TString& target);
    // At most length bytes from offset; fewer at the end of the file.
    HRESULT ReadFile(const TString& file, quint64 offset, uint length, QByteArray* data);

private:
    CKV100FileOpImpl m_impl;
};
