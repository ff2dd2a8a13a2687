#pragma once

#include "platform/mailslot/CUnixMailslot.h"

#include <QString>

#include <atomic>
#include <memory>
#include <thread>

// Carries what is written into the mailslot NAME of another runtime folder of this computer (the
// system service's, where that engine looks for its subscribers) into this process's own mailslot
// of the same name (a listener's), in order and unchanged, on a thread of its own. It ends once
// the listener's mailslot has gone (a write finds it gone, or a look once a second while nothing
// comes), closing its own, so that the engine drops the subscription.
class CMailslotForwarder {
public:
    CMailslotForwarder(const QString& folder, QString name);
    ~CMailslotForwarder();
    CMailslotForwarder(const CMailslotForwarder&) = delete;
    CMailslotForwarder& operator=(const CMailslotForwarder&) = delete;

    // Creates the mailslot in the folder and opens the listener's; 0 or the first error.
    DWORD Start();
    bool IsRunning() const { return m_running.load(); }

private:
    void Forward(std::stop_token stop);
    bool ListenerExists() const;

    const QString m_name;
    CUnixMailslot m_source;
    std::unique_ptr<IMailslot> m_target;
    std::atomic<bool> m_running{false};
    std::jthread m_thread;
};
