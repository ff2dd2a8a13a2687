#pragma once

#include <QProcess>
#include <QString>

// The reference engine daemon as a child process of a test: one folder served as its volume,
// its state in a folder of the test's own, listening on the runtime folder's socket. Stopped
// when it goes, if it still runs.
class CEngineDaemonProcess {
public:
    CEngineDaemonProcess() = default;
    ~CEngineDaemonProcess();
    CEngineDaemonProcess(const CEngineDaemonProcess&) = delete;
    CEngineDaemonProcess& operator=(const CEngineDaemonProcess&) = delete;

    // Whether its passes really move files (on an ext4 or btrfs volume the test made itself);
    // off, the default, they are played out on the drive map.
    void SetMovesData(bool moves) { m_movesData = moves; }
    // Starts the program and waits until its socket answers; false when it did not in time.
    bool Start(const QString& program, const QString& volume, const QString& stateFolder,
               int timeoutMs = 10000);
    // Asks it to end and waits; false when it did not end in time.
    bool Stop(int timeoutMs = 10000);

private:
    QProcess m_process;
    bool m_movesData = false;
};
