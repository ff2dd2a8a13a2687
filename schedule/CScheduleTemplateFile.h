#pragma once

#include "core/HResult.h"

#include <QByteArray>
#include <QString>

// The file side of schedule templates, whose names the user chooses: both operations answer 0
// or the Win32 error code of the failing call, and refuse at once (ERROR_ACCESS_DENIED) what is
// not a regular file, such as a folder or a named pipe (CRegularFile).
class CScheduleTemplateFile {
public:
    // Files larger than this are not templates; reading one answers ERROR_FILE_TOO_LARGE rather
    // than taking it into memory.
    static constexpr qint64 kMaximumSize = 64 * 1024 * 1024;

    CScheduleTemplateFile() = delete;

    // Opens the file for writing, creating it when absent but not truncating it (bytes past the
    // new contents stay), and writes the whole buffer with one write.
    static DWORD Write(const QString& fileName, const QByteArray& contents);
    // Opens an existing file and takes all of it with one read; contents is only set on
    // success.
    static DWORD Read(const QString& fileName, QByteArray& contents);
};
