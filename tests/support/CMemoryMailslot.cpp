#include "tests/support/CMemoryMailslot.h"

#include "platform/CComputerName.h"

#include <chrono>
#include <condition_variable>
#include <deque>
#include <map>
#include <mutex>

using namespace Qt::StringLiterals;

namespace {

// Failures on demand by mailslot name: the error, and how many more calls answer it (-1: until
// set again).
using TFailures = std::map<QString, std::pair<DWORD, int>>;

// The error a failure of NAME answers now, counting the call. Called under the lock.
DWORD TakeFailure(TFailures& failures, const QString& name)
{
    const auto it = failures.find(name);
    if (it == failures.end() || it->second.second == 0)
        return ERROR_SUCCESS;
    if (it->second.second > 0)
        --it->second.second;
    return it->second.first;
}

bool IsValidName(const QString& name)
{
    return !name.isEmpty() && name != u"."_s && name != u".."_s && !name.contains(u'/') &&
           !name.contains(QChar(u'\0'));
}

} // namespace

struct CMemoryMailslot::TSlot {
    std::deque<QByteArray> queue;
    bool alive = true; // false once the server closed it or Reset forgot it
};

struct CMemoryMailslot::TState {
    std::mutex mutex;
    // One for all mailslots: tests have few, and a spurious wake-up only re-checks.
    std::condition_variable changed;
    std::map<QString, std::shared_ptr<TSlot>> mailslots;
    TFailures readFailures;
    TFailures writeFailures;
};

CMemoryMailslot::TState& CMemoryMailslot::State()
{
    static TState state;
    return state;
}

CMemoryMailslot::~CMemoryMailslot()
{
    Close();
}

DWORD CMemoryMailslot::Create(const QString& name, DWORD maxMessageSize, DWORD readTimeoutMs)
{
    if (IsOpen())
        return ERROR_INVALID_HANDLE;
    if (!IsValidName(name))
        return ERROR_INVALID_NAME;
    std::lock_guard lock(State().mutex);
    auto& slot = State().mailslots[name];
    if (slot)
        return ERROR_ALREADY_EXISTS;
    slot = std::make_shared<TSlot>();
    m_slot = slot;
    m_name = name;
    m_server = true;
    m_maxMessageSize = maxMessageSize;
    m_readTimeoutMs = readTimeoutMs;
    return ERROR_SUCCESS;
}

DWORD CMemoryMailslot::NextMessageSize(DWORD* size)
{
    if (!IsOpen() || !m_server)
        return ERROR_INVALID_HANDLE;
    if (!size)
        return ERROR_INVALID_PARAMETER;
    std::lock_guard lock(State().mutex);
    if (!m_slot->alive)
        return ERROR_INVALID_HANDLE;
    if (const DWORD error = TakeFailure(State().readFailures, m_name))
        return error;
    *size = m_slot->queue.empty() ? MAILSLOT_NO_MESSAGE
                                  : static_cast<DWORD>(m_slot->queue.front().size());
    return ERROR_SUCCESS;
}

DWORD CMemoryMailslot::Read(QByteArray* message)
{
    if (!IsOpen() || !m_server)
        return ERROR_INVALID_HANDLE;
    if (!message)
        return ERROR_INVALID_PARAMETER;
    std::unique_lock lock(State().mutex);
    if (!m_slot->alive)
        return ERROR_INVALID_HANDLE;
    if (const DWORD error = TakeFailure(State().readFailures, m_name))
        return error;
    const auto ready = [this] { return !m_slot->queue.empty() || !m_slot->alive; };
    if (m_readTimeoutMs == MAILSLOT_WAIT_FOREVER)
        State().changed.wait(lock, ready);
    else
        State().changed.wait_for(lock, std::chrono::milliseconds(m_readTimeoutMs), ready);
    if (!m_slot->alive)
        return ERROR_INVALID_HANDLE;
    if (m_slot->queue.empty())
        return ERROR_SEM_TIMEOUT;
    QByteArray next = std::move(m_slot->queue.front());
    m_slot->queue.pop_front();
    if (m_maxMessageSize != 0 && static_cast<quint64>(next.size()) > m_maxMessageSize)
        return ERROR_INVALID_DATA;
    *message = std::move(next);
    return ERROR_SUCCESS;
}

DWORD CMemoryMailslot::Open(const QString& computer, const QString& name)
{
    if (IsOpen())
        return ERROR_INVALID_HANDLE;
    if (!CComputerName::IsLocal(computer))
        return ERROR_BAD_NETPATH;
    if (!IsValidName(name))
        return ERROR_INVALID_NAME;
    std::lock_guard lock(State().mutex);
    const auto it = State().mailslots.find(name);
    if (it == State().mailslots.end())
        return ERROR_FILE_NOT_FOUND;
    m_slot = it->second;
    m_name = name;
    m_server = false;
    return ERROR_SUCCESS;
}

DWORD CMemoryMailslot::Write(const QByteArray& message)
{
    if (!IsOpen() || m_server)
        return ERROR_INVALID_HANDLE;
    {
        std::lock_guard lock(State().mutex);
        if (!m_slot->alive)
            return ERROR_FILE_NOT_FOUND;
        if (const DWORD error = TakeFailure(State().writeFailures, m_name))
            return error;
        m_slot->queue.push_back(message);
    }
    State().changed.notify_all();
    return ERROR_SUCCESS;
}

void CMemoryMailslot::Close()
{
    if (m_server) {
        {
            std::lock_guard lock(State().mutex);
            m_slot->alive = false;
            m_slot->queue.clear();
            // Reset may have forgotten this slot and a new one may have the name since.
            const auto it = State().mailslots.find(m_name);
            if (it != State().mailslots.end() && it->second == m_slot)
                State().mailslots.erase(it);
        }
        State().changed.notify_all();
    }
    m_slot.reset();
    m_name.clear();
    m_server = false;
}

void CMemoryMailslot::FailReads(const QString& name, DWORD error, int times)
{
    std::lock_guard lock(State().mutex);
    State().readFailures.erase(name);
    if (error != ERROR_SUCCESS)
        State().readFailures[name] = {error, times};
}

void CMemoryMailslot::FailWrites(const QString& name, DWORD error, int times)
{
    std::lock_guard lock(State().mutex);
    State().writeFailures.erase(name);
    if (error != ERROR_SUCCESS)
        State().writeFailures[name] = {error, times};
}

void CMemoryMailslot::Reset()
{
    {
        std::lock_guard lock(State().mutex);
        for (auto& [name, slot] : State().mailslots) {
            slot->alive = false;
            slot->queue.clear();
        }
        State().mailslots.clear();
        State().readFailures.clear();
        State().writeFailures.clear();
    }
    State().changed.notify_all();
}

void CMemoryMailslot::Install()
{
    IMailslot::SetFactory([] { return std::make_unique<CMemoryMailslot>(); });
}
