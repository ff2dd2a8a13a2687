#pragma once

#include "core/HResult.h"

#include <QString>

// The machine policy critical section: one lock for every process of the computer, held while
// policy values are read or written so that a reader never sees half of a policy change. It is
// an advisory lock (flock) on a lock file beside the machine's registry hive. The section is
// left when the object goes, and with the process, whatever way it ends.
class CMachinePolicyLock {
public:
    // How long Enter() waits by default. Writers hold the section for the moment a few values
    // take to write; a holder stuck beyond this delays a reader no further.
    static constexpr int kDefaultWaitMs = 30000;

    // The lock file beside the machine's hive: "<machine registry folder>/machine-policy.lock".
    CMachinePolicyLock();
    explicit CMachinePolicyLock(const QString& lockFilePath);
    ~CMachinePolicyLock();
    CMachinePolicyLock(const CMachinePolicyLock&) = delete;
    CMachinePolicyLock& operator=(const CMachinePolicyLock&) = delete;

    // Waits up to WAITMS milliseconds (without limit when negative) until no other holder is in
    // the section, and enters it. Answers ERROR_SUCCESS (also when already entered),
    // ERROR_SEM_TIMEOUT after waiting in vain, or the error of creating or locking the lock
    // file. The lock file is created when missing; its folder is not.
    DWORD Enter(int waitMs = kDefaultWaitMs);
    void Leave();
    bool IsEntered() const { return m_fd >= 0; }

    const QString& LockFilePath() const { return m_path; }
    static QString DefaultLockFilePath();

private:
    QString m_path;
    int m_fd = -1;
};
