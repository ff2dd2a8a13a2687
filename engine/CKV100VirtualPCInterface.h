#pragma once

#include "core/HResult.h"
#include "core/Types.h"
#include "engine/CListenerBase.h"
#include "engine/CServiceConnection.h"

#include <QList>
#include <QObject>

#include <string>

// The virtual-machine engine's wrapper: an optimisation run, each guest in it, and the host.
class CKV100VirtualPCInterface : public QObject {
    Q_OBJECT

public:
    explicit CKV100VirtualPCInterface(QObject* parent = nullptr);
    ~CKV100VirtualPCInterface() override;

    CListenerBase<CKV100VirtualPCInterface>& Listener() { return m_listener; }

    void Dispatch(quint32 type, const QByteArray& body);

    // Creates the virtual-machine engine on this computer (a local server) and subscribes the
    // listener. On failure the previous connection stays as it was.
    HRESULT Connect(const TString& computer, const TString& user, const TString& password,
                    const TString& domain);
    // Unsubscribes, stops the listener and lets the service go. Safe when not connected.
    void Disconnect();
    bool IsConnected() const { return m_connection.IsConnected(); }
    QString ListenerName() const { return m_connection.ListenerName(); }

    // The managed guests.
    HRESULT GetGuests(TStringList* guests);
    // productKind: 0 VMware Workstation, 1 Hyper-V, 2 unknown. lastRun 0: never.
    HRESULT GetGuest(const TString& guest, TString* displayName, TString* operatingSystem,
                     uint* productKind, bool* running, double* lastRun, quint64* size);
    // Takes the guest into management.
    HRESULT AddGuest(const TString& guest, const TString& displayName,
                     const TString& operatingSystem);
    HRESULT RemoveGuest(const TString& guest);
    // Measures the guest's virtual drives again.
    HRESULT UpdateGuestSize(const TString& guest, quint64* size);
    // Those of the guests that are running or have locked virtual drives.
    HRESULT GetBlockedGuests(const TStringList& guests, TStringList* blocked);
    // The guest's virtual disk files and the number of volumes on each.
    HRESULT GetGuestDisks(const TString& guest, TStringList* diskFiles, QList<uint>* volumeCounts);
    // Excluded paths, each with its disk file and volume number.
    HRESULT GetGuestExclusions(const TString& guest, TStringList* diskFiles, QList<uint>* volumes,
                               TStringList* paths);
    HRESULT SetGuestExclusions(const TString& guest, const TStringList& diskFiles,
                               const QList<uint>& volumes, const TStringList& paths);
    // Optimises the guests' virtual drives and, as asked, the host.
    HRESULT Defragment(const TStringList& guests, bool shrink, bool defragFileSystem,
                       bool defragInternal, bool defragOffline, bool defragHostImage,
                       bool fullHostDefrag);
    HRESULT Stop();
    HRESULT GetHostStatus(bool* running, double* lastRun);

signals:
    void OpStarted();
    void OpFinished();
    void VmOpStarted(const std::wstring& guest_full_path);
    void VmOpStopped(const std::wstring& guest_full_path);
    void VmOpFailed(const std::wstring& guest_full_path, HRESULT hr);
    void VmOpCompleted(const std::wstring& guest_full_path, LONGLONG size_before,
                       LONGLONG size_after);
    void StatusChanged(const std::wstring& guest_full_path, unsigned int status,
                       double completion_percent, const std::wstring& status_message);
    void VmOpProgressText(const std::wstring& guest_full_path,
                          const std::wstring& progress_message);
    void VmHostStarted();
    void VmHostStopped();
    void VmHostFailed(HRESULT hr);
    void VmHostCompleted();
    void VmHostProgress(double completion_percent, const std::wstring& status_message);

private:
    void DispatchGuest(quint32 type, const std::wstring& guest, class CNoticeReader& reader);

    CServiceConnection m_connection{ServiceContract::VmEngine};
    CListenerBase<CKV100VirtualPCInterface> m_listener;
};
