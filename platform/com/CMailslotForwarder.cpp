#include "platform/com/CMailslotForwarder.h"

#include <pthread.h>

namespace {

// How often an idle forwarder looks whether its listener is still there.
constexpr DWORD kIdleLookMs = 1000;

} // namespace

CMailslotForwarder::CMailslotForwarder(const QString& folder, QString name)
    : m_name(std::move(name))
    , m_source(CUnixMailslot::kQueueLimitBytes, folder)
{}

// The thread ends first: it uses both mailslots.
CMailslotForwarder::~CMailslotForwarder()
{
    if (m_thread.joinable()) {
        m_thread.request_stop();
        m_thread.join();
    }
}

DWORD CMailslotForwarder::Start()
{
    m_target = IMailslot::Make();
    if (const DWORD opened = m_target->Open(QString(), m_name); opened != ERROR_SUCCESS)
        return opened;
    // Reads never wait: the thread waits for messages itself.
    if (const DWORD created = m_source.Create(m_name, 0, 0); created != ERROR_SUCCESS)
        return created;
    m_running = true;
    m_thread = std::jthread([this](std::stop_token stop) { Forward(stop); });
    return ERROR_SUCCESS;
}

bool CMailslotForwarder::ListenerExists() const
{
    const std::unique_ptr<IMailslot> probe = IMailslot::Make();
    return probe->Open(QString(), m_name) != ERROR_FILE_NOT_FOUND;
}

void CMailslotForwarder::Forward(std::stop_token stop)
{
    pthread_setname_np(pthread_self(), "kv-forward");
    bool going = true;
    while (going && !stop.stop_requested()) {
        const DWORD waited = m_source.WaitForMessage(kIdleLookMs, stop);
        if (waited == ERROR_CANCELLED)
            break;
        if (waited == ERROR_SEM_TIMEOUT) {
            going = ListenerExists();
            continue;
        }
        for (;;) {
            QByteArray message;
            const DWORD read = m_source.Read(&message);
            if (read == ERROR_SEM_TIMEOUT)
                break;
            if (read != ERROR_SUCCESS || m_target->Write(message) != ERROR_SUCCESS) {
                going = false;
                break;
            }
        }
    }
    m_running = false;
    m_source.Close();
}
