#pragma once

#include "core/HResult.h"
#include "core/Types.h"
#include "engine/CKV100SpaceReportsImpl.h"
#include "engine/CKVSpaceReportsListener.h"

#include <QList>

#include <QObject>

#include <string>

// The space reports service's wrapper, driven by the space reports builder; its listener is a
// CKVSpaceReportsListener. Connecting keeps the computer and credentials and subscribes the
// listener; each operation creates the service afresh.
class CKV100SpaceReportsInterface : public QObject {
    Q_OBJECT

public:
    explicit CKV100SpaceReportsInterface(QObject* parent = nullptr);
    ~CKV100SpaceReportsInterface() override;

    CKVSpaceReportsListener& Listener() { return m_listener; }

    // Keeps the computer and subscribes the listener. On failure the previous connection stays
    // as it was; operations answer E_UNEXPECTED until connected.
    HRESULT Connect(const TString& computer, const TString& user, const TString& password,
                    const TString& domain);
    // Unsubscribes, stops the listener and forgets the computer. Safe when not connected.
    void Disconnect();
    bool IsConnected() const { return m_impl.IsConnected(); }
    bool IsRemote() const { return m_impl.IsRemote(); }
    QString ListenerName() const { return m_impl.ListenerName(); }

    // Starts scanning the directories; answers the new set identifier.
    HRESULT StartScan(const TStringList& directories, TString* setId);
    HRESULT StopScan(const TString& setId);
    // At most maxCount folders, largest first; sizes in bytes.
    HRESULT GetLargestFolders(const TString& setId, uint maxCount, TStringList* folders,
                              QList<qulonglong>* bytes, QList<uint>* files);
    // At most maxCount files, largest first.
    HRESULT GetLargestFiles(const TString& setId, uint maxCount, TStringList* files,
                            QList<qulonglong>* bytes, QList<double>* modified);
    // Bytes and file counts per extension (lower case, without the dot).
    HRESULT GetFileTypeTotals(const TString& setId, TStringList* extensions,
                              QList<qulonglong>* bytes, QList<uint>* files);
    // Forgets a finished scan.
    HRESULT ReleaseScan(const TString& setId);

signals:
    void Started(const std::wstring& set_id);
    void Completed(const std::wstring& set_id);
    void Progress(const std::wstring& set_id, double progress);
    void Failed(const std::wstring& set_id, HRESULT hr);
    void Stopped(const std::wstring& set_id);

private:
    CKV100SpaceReportsImpl m_impl;
    CKVSpaceReportsListener m_listener;
};
