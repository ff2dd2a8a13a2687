#pragma once

#include "core/HResult.h"
#include "core/Types.h"
#include "engine/CKV100FileBrowserImpl.h"

#include <QByteArray>
#include <QList>
#include <QObject>

// The wrapper of the connected computer's drives and directories as the remote file views
// browse them.
// Connecting keeps the computer and credentials; each operation creates the service afresh.
class CKV100FileBrowserInterface : public QObject {
    Q_OBJECT

public:
    explicit CKV100FileBrowserInterface(QObject* parent = nullptr);
    ~CKV100FileBrowserInterface() override;

    // On failure nothing changes; operations answer E_UNEXPECTED until connected.
    HRESULT Connect(const TString& computer, const TString& user, const TString& password,
                    const TString& domain);
    void Disconnect();
    bool IsConnected() const { return m_impl.IsConnected(); }
    bool IsRemote() const { return m_impl.IsRemote(); }

    // Root paths and drive types (as GetDriveType of the engine; 5 network).
    HRESULT GetDrives(TStringList* roots, QList<uint>* driveTypes);
    // As ListDirectory of AgentFilter.
    HRESULT ListDirectory(const TString& directory, TStringList* names, QList<uint>* attributes,
                          QList<qulonglong>* sizes, QList<double>* modified);
    // Paths under a directory whose names match one of the wildcard patterns.
    HRESULT FindFiles(const TString& directory, const TStringList& patterns, bool recursive,
                      TStringList* files);

private:
    CKV100FileBrowserImpl m_impl;
};
