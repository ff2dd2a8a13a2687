#include "notify/CMailSlotTransport.h"

#include "platform/CComputerName.h"
#include "platform/mailslot/IMailslot.h"

#include <QUuid>
#include <QtEndian>

CMailSlotTransport::CMailSlotTransport(bool acceptRepeats)
    : m_acceptRepeats(acceptRepeats)
{}

CMailSlotTransport::~CMailSlotTransport()
{
    Close();
    CloseClient();
}

QString CMailSlotTransport::NewName()
{
    return QUuid::createUuid().toString(QUuid::WithoutBraces).toLower();
}

DWORD CMailSlotTransport::Create(const QString& name)
{
    Close();
    std::unique_ptr<IMailslot> handle = IMailslot::Make();
    const DWORD result = handle->Create(name, 0, kReadTimeoutMs);
    if (result != ERROR_SUCCESS)
        return result;
    m_handle = std::move(handle);
    m_sequence = kNoMessageAccepted;
    return ERROR_SUCCESS;
}

DWORD CMailSlotTransport::Open(const QString& computer, const QString& name)
{
    CloseClient();
    m_remote = !CComputerName::IsLocal(computer);
    std::unique_ptr<IMailslot> handle = IMailslot::Make();
    const DWORD result = handle->Open(computer, name);
    if (result != ERROR_SUCCESS)
        return result;
    m_handle = std::move(handle);
    m_sequence = 0;
    return ERROR_SUCCESS;
}

DWORD CMailSlotTransport::HasMessage(bool& available)
{
    if (!m_handle)
        return ERROR_INVALID_HANDLE;
    DWORD size = MAILSLOT_NO_MESSAGE;
    const DWORD result = m_handle->NextMessageSize(&size);
    if (result != ERROR_SUCCESS)
        return result;
    available = size != MAILSLOT_NO_MESSAGE;
    return ERROR_SUCCESS;
}

DWORD CMailSlotTransport::WaitForMessage(DWORD timeoutMs, std::stop_token stop)
{
    if (!m_handle)
        return ERROR_INVALID_HANDLE;
    return m_handle->WaitForMessage(timeoutMs, std::move(stop));
}

DWORD CMailSlotTransport::Read(QByteArray& body, bool& nothing)
{
    nothing = false;
    if (!m_handle)
        return ERROR_INVALID_HANDLE;
    DWORD size = MAILSLOT_NO_MESSAGE;
    DWORD result = m_handle->NextMessageSize(&size);
    if (result != ERROR_SUCCESS)
        return result;
    if (size == MAILSLOT_NO_MESSAGE) {
        nothing = true;
        return ERROR_SUCCESS;
    }
    QByteArray message;
    result = m_handle->Read(&message);
    if (result != ERROR_SUCCESS)
        return result;
    if (message.size() < 4) {
        nothing = true;
        return ERROR_SUCCESS;
    }
    const quint32 sequence = qFromLittleEndian<quint32>(message.constData());
    if (sequence == m_sequence && !m_acceptRepeats) {
        nothing = true;
        return ERROR_SUCCESS;
    }
    m_sequence = sequence;
    message.remove(0, 4); // in place: the message is not shared
    body = std::move(message);
    return ERROR_SUCCESS;
}

DWORD CMailSlotTransport::Write(const QByteArray& body)
{
    if (!m_handle)
        return ERROR_INVALID_HANDLE;
    QByteArray message(4, Qt::Uninitialized);
    qToLittleEndian<quint32>(m_sequence, message.data());
    message.append(body);
    const DWORD result = m_handle->Write(message);
    if (result == ERROR_SUCCESS)
        ++m_sequence;
    return result;
}

DWORD CMailSlotTransport::Close()
{
    if (m_handle) {
        m_handle->Close();
        m_handle.reset();
    }
    return ERROR_SUCCESS;
}

DWORD CMailSlotTransport::CloseClient()
{
    return Close();
}
