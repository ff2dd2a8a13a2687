#include "core/CWin32Error.h"

#include <cerrno>

DWORD CWin32Error::FromErrno(int error, DWORD fallback)
{
    switch (error) {
    case 0:
        return ERROR_SUCCESS;
    case EACCES:
    case EPERM:
    case EROFS:
        return ERROR_ACCESS_DENIED;
    case ENOSPC:
    case EDQUOT:
        return ERROR_DISK_FULL;
    case ENOENT:
    case ENOTDIR:
        return ERROR_PATH_NOT_FOUND;
    case ENOMEM:
    case ENOBUFS:
        return ERROR_NOT_ENOUGH_MEMORY;
    case EEXIST:
    case EADDRINUSE:
        return ERROR_ALREADY_EXISTS;
    case ENAMETOOLONG:
        return ERROR_FILENAME_EXCED_RANGE;
    case EBADF:
        return ERROR_INVALID_HANDLE;
    case EINVAL:
        return ERROR_INVALID_PARAMETER;
    case EAGAIN:
    case ETIMEDOUT:
        return ERROR_SEM_TIMEOUT;
    case ECONNREFUSED:
        return ERROR_FILE_NOT_FOUND;
    default:
        return fallback;
    }
}
