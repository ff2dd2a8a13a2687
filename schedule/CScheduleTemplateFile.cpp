#include "schedule/CScheduleTemplateFile.h"

#include "core/CRegularFile.h"

#include <fcntl.h>

DWORD CScheduleTemplateFile::Write(const QString& fileName, const QByteArray& contents)
{
    CRegularFile file;
    DWORD result = file.Open(fileName, O_WRONLY | O_CREAT);
    if (result == ERROR_SUCCESS)
        result = file.WriteAll(contents);
    const DWORD closed = file.Close();
    return result != ERROR_SUCCESS ? result : closed;
}

DWORD CScheduleTemplateFile::Read(const QString& fileName, QByteArray& contents)
{
    return CRegularFile::ReadAll(fileName, kMaximumSize, &contents);
}
