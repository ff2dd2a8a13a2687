#pragma once

#include "core/HResult.h"
#include "engine/CListenerBase.h"

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

    CListenerBase<CKV100VirtualPCInterface> m_listener;
};
