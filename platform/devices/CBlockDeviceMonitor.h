#pragma once

#include <QByteArray>
#include <QObject>

class QSocketNotifier;

// Tells when the machine's drives may have changed: a block device appeared or went (the kernel's
// uevents) or a file system was mounted or unmounted (/proc/self/mountinfo). Each source that
// cannot be opened, as in some containers, is left out without a word. One signal is emitted per
// wake-up of a source; coalescing bursts is the receiver's business.
class CBlockDeviceMonitor : public QObject {
    Q_OBJECT

public:
    explicit CBlockDeviceMonitor(QObject* parent = nullptr);
    ~CBlockDeviceMonitor() override;
    CBlockDeviceMonitor(const CBlockDeviceMonitor&) = delete;
    CBlockDeviceMonitor& operator=(const CBlockDeviceMonitor&) = delete;

    bool IsWatchingDevices() const { return m_ueventSocket >= 0; }
    bool IsWatchingMounts() const { return m_mountInfo >= 0; }

    // Whether a kernel uevent ("ACTION@DEVPATH" and "KEY=VALUE" fields, each ended by a NUL)
    // is well formed and concerns a block device. Anything malformed is not.
    static bool IsBlockEvent(const QByteArray& uevent);

signals:
    void DevicesChanged();

private:
    void OpenUevents();
    void OpenMountInfo();
    void ReadUevents();
    void ReadMountInfo();

    int m_ueventSocket = -1;
    int m_mountInfo = -1;
    QSocketNotifier* m_ueventNotifier = nullptr;
    QSocketNotifier* m_mountNotifier = nullptr;
};
