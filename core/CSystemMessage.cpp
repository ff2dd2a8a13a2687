#include "core/CSystemMessage.h"

#include <QLatin1String>

#include <algorithm>
#include <iterator>

namespace {

struct TMessageEntry {
    HRESULT code;
    const char* text;
};

constexpr HRESULT Win32(DWORD error)
{
    return static_cast<HRESULT>(error);
}
constexpr HRESULT Com(std::uint32_t value)
{
    return static_cast<HRESULT>(value);
}

constexpr TMessageEntry MessageTable[] = {
    {Win32(ERROR_SUCCESS), "The operation completed successfully."},
    {Win32(ERROR_INVALID_FUNCTION), "Incorrect function."},
    {Win32(ERROR_FILE_NOT_FOUND), "The system cannot find the file specified."},
    {Win32(ERROR_PATH_NOT_FOUND), "The system cannot find the path specified."},
    {Win32(ERROR_ACCESS_DENIED), "Access is denied."},
    {Win32(ERROR_INVALID_HANDLE), "The handle is invalid."},
    {Win32(ERROR_NOT_ENOUGH_MEMORY),
     "Not enough memory resources are available to process this command."},
    {Win32(ERROR_INVALID_DATA), "The data is invalid."},
    {Win32(ERROR_OUTOFMEMORY),
     "Not enough memory resources are available to complete this operation."},
    {Win32(ERROR_WRITE_FAULT), "The system cannot write to the specified device."},
    {Win32(ERROR_READ_FAULT), "The system cannot read from the specified device."},
    {Win32(ERROR_SHARING_VIOLATION),
     "The process cannot access the file because it is being used by another process."},
    {Win32(ERROR_HANDLE_EOF), "Reached the end of the file."},
    {Win32(ERROR_NOT_SUPPORTED), "The request is not supported."},
    {Win32(ERROR_BAD_NETPATH), "The network path was not found."},
    {Win32(ERROR_FILE_EXISTS), "The file exists."},
    {Win32(ERROR_INVALID_PARAMETER), "The parameter is incorrect."},
    {Win32(ERROR_DISK_FULL), "There is not enough space on the disk."},
    {Win32(ERROR_SEM_TIMEOUT), "The semaphore timeout period has expired."},
    {Win32(ERROR_FILE_TOO_LARGE), "The file size exceeds the limit allowed and cannot be saved."},
    {Win32(ERROR_INSUFFICIENT_BUFFER), "The data area passed to a system call is too small."},
    {Win32(ERROR_INVALID_NAME),
     "The filename, directory name, or volume label syntax is incorrect."},
    {Win32(ERROR_DIR_NOT_EMPTY), "The directory is not empty."},
    {Win32(ERROR_ALREADY_EXISTS), "Cannot create a file when that file already exists."},
    {Win32(ERROR_FILENAME_EXCED_RANGE), "The filename or extension is too long."},
    {Win32(ERROR_MORE_DATA), "More data is available."},
    {Win32(ERROR_NO_MORE_ITEMS), "No more data is available."},
    {Win32(ERROR_BADDB), "The configuration registry database is corrupt."},
    {Win32(ERROR_BADKEY), "The configuration registry key is invalid."},
    {Win32(ERROR_CANTOPEN), "The configuration registry key could not be opened."},
    {Win32(ERROR_CANTREAD), "The configuration registry key could not be read."},
    {Win32(ERROR_CANTWRITE), "The configuration registry key could not be written."},
    {Win32(ERROR_KEY_DELETED),
     "Illegal operation attempted on a registry key that has been marked for deletion."},
    {Win32(ERROR_KEY_HAS_CHILDREN),
     "Cannot create a symbolic link in a registry key that already has subkeys or values."},
    {Win32(ERROR_SERVICE_DISABLED),
     "The service cannot be started, either because it is disabled or because it has no enabled "
     "devices associated with it."},
    {Win32(ERROR_SERVICE_DOES_NOT_EXIST),
     "The specified service does not exist as an installed service."},
    {Win32(ERROR_SHUTDOWN_IN_PROGRESS), "A system shutdown is in progress."},
    {Win32(ERROR_NO_SHUTDOWN_IN_PROGRESS),
     "Unable to abort the system shutdown because no shutdown was in progress."},
    {Win32(ERROR_CANCELLED), "The operation was canceled by the user."},
    {Win32(ERROR_PRIVILEGE_NOT_HELD), "A required privilege is not held by the client."},
    {Win32(ERROR_LOGON_FAILURE), "The user name or password is incorrect."},
    {Win32(ERROR_NO_SUCH_DOMAIN),
     "The specified domain either does not exist or could not be contacted."},
    {Win32(ERROR_FILE_CORRUPT), "The file or directory is corrupted and unreadable."},
    {Win32(RPC_S_SERVER_UNAVAILABLE), "The RPC server is unavailable."},
    {Win32(RPC_S_CALL_FAILED), "The remote procedure call failed."},

    {E_NOTIMPL, "Not implemented"},
    {E_NOINTERFACE, "No such interface supported"},
    {E_POINTER, "Invalid pointer"},
    {E_ABORT, "Operation aborted"},
    {E_FAIL, "Unspecified error"},
    {E_UNEXPECTED, "Catastrophic failure"},
    {REGDB_E_CLASSNOTREG, "Class not registered"},
    {Com(0x80080005u), "Server execution failed"},
    {Com(0x80010108u), "The object invoked has disconnected from its clients."},
    {Com(0x80010105u), "The server threw an exception."},
    {Com(0x8001011Fu), "This operation returned because the timeout period expired."},
    {Com(0x800401F0u), "CoInitialize has not been called."},
    // The console's own: the SSH connection to another computer.
    {Com(0xA0090001u), "The remote computer's SSH host key is not among this user's known hosts, "
                       "or it has changed. Check it, then accept it with ssh."},
};

const char* FindText(HRESULT code)
{
    const auto* found =
        std::find_if(std::begin(MessageTable), std::end(MessageTable),
                     [code](const TMessageEntry& entry) { return entry.code == code; });
    return found != std::end(MessageTable) ? found->text : nullptr;
}

const char* LookUp(HRESULT code)
{
    if (const char* text = FindText(code))
        return text;
    // Win32 failures wrapped as HRESULTs share the Win32 texts.
    if (IsWin32Failure(code))
        return FindText(static_cast<HRESULT>(HRESULT_CODE(code)));
    return nullptr;
}

// Callers show a text on one line in a bounded space: the table must hold no line breaks and
// no text longer than that, or trailing blanks.
constexpr bool IsSingleBoundedLine(const char* text)
{
    qsizetype length = 0;
    for (; text[length] != '\0'; ++length) {
        if (text[length] == '\r' || text[length] == '\n')
            return false;
    }
    return length > 0 && length <= CSystemMessage::MaxLength && text[length - 1] != ' ';
}

constexpr bool AllSingleBoundedLines()
{
    for (const TMessageEntry& entry : MessageTable) {
        if (!IsSingleBoundedLine(entry.text))
            return false;
    }
    return true;
}

static_assert(AllSingleBoundedLines(), "system message texts are single lines of at most 256");

} // namespace

QString CSystemMessage::Text(HRESULT code)
{
    if (const char* text = LookUp(code))
        return QLatin1String(text);
    return QStringLiteral("Unknown error: %1").arg(code);
}

QString CSystemMessage::CodeText(HRESULT code)
{
    return QLatin1String("0x") +
           QString::number(static_cast<quint32>(code), 16).toUpper().rightJustified(8, u'0');
}
