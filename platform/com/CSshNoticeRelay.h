#pragma once

#include "core/HResult.h"
#include "platform/mailslot/CMailslotStream.h"

#include <QString>
#include <QStringList>

#include <atomic>
#include <memory>
#include <sys/types.h>
#include <thread>

class IMailslot;

// This computer's end of one notice relay from another computer: ssh runs "korvane-engine
// --notice-relay NAME" there (a session of the master connection), which creates the mailslot
// NAME beside that computer's engine and sends down the session every message written into it.
// A thread of this end writes each, in order and unchanged, into this computer's mailslot of the
// same name: the listener's. So the other computer's engine, subscribed with that name, reaches
// the listener as a local engine would, sequence numbers and all.
//
// The relay ends when the session ends, when the stream breaks, or when the listener's mailslot
// has gone (a write finds it gone, or a look once a second while nothing comes); the far end
// then sees its input end and closes its mailslot, which drops the engine's subscription.
class CSshNoticeRelay {
public:
    explicit CSshNoticeRelay(QString mailslot);
    // Ends the relay and its ssh.
    ~CSshNoticeRelay();
    CSshNoticeRelay(const CSshNoticeRelay&) = delete;
    CSshNoticeRelay& operator=(const CSshNoticeRelay&) = delete;

    // Runs ssh with these arguments, whose remote command is the relay's, and waits at most
    // timeoutMs until the far end's mailslot exists. S_OK, then forwarding; else what the ssh
    // failure means (CSshSession::FailureOf), 0x800706BA when the far end did not answer in
    // time, or the Win32 error of opening the listener's mailslot.
    HRESULT Start(const QStringList& sshArguments, int timeoutMs);
    // From a successful start until the relay ends.
    bool IsRunning() const { return m_running.load(); }
    const QString& Mailslot() const { return m_mailslot; }

private:
    // Waits for the far end's greeting; bytes after it are the first messages'.
    HRESULT AwaitGreeting(int timeoutMs);
    // The forwarding thread.
    void Forward();
    // Whether this computer's mailslot of the relay's name still exists.
    bool ListenerExists() const;
    // Ends ssh: its input first, so the far end closes its mailslot; killed when it lingers.
    void EndProcess();

    const QString m_mailslot;
    pid_t m_pid = -1;
    int m_input = -1;  // ssh's standard input; closing it ends the far end
    int m_output = -1; // the frames
    int m_errors = -1; // what ssh says
    int m_wake = -1;   // an eventfd that ends the thread
    QByteArray m_errorText;
    CMailslotStream m_stream;
    std::unique_ptr<IMailslot> m_target;
    std::thread m_thread;
    std::atomic<bool> m_running{false};
};
