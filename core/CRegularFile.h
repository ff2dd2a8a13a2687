#pragma once

#include "core/HResult.h"

#include <QByteArray>
#include <QString>

#include <sys/stat.h>

// A file named from outside the console (a catalogue, a template, a settings file, a hive) opened
// so that nothing put in its place can hang the caller: the open never waits (a named pipe would
// otherwise block it until another process opened the other end), and only a regular file is
// kept open. Closed when it goes out of scope.
class CRegularFile {
public:
    CRegularFile() = default;
    ~CRegularFile();
    CRegularFile(const CRegularFile&) = delete;
    CRegularFile& operator=(const CRegularFile&) = delete;

    // Opens PATH with the open(2) flags given (O_RDONLY, or O_WRONLY | O_CREAT and the like; the
    // mode is for a file made). ERROR_SUCCESS; ERROR_FILE_NOT_FOUND for a missing file and
    // ERROR_PATH_NOT_FOUND for a missing folder; ERROR_ACCESS_DENIED when it may not be opened
    // or is a folder, a named pipe, a device or a socket; otherwise the failing call's code.
    // Nothing stays open on failure, and Reason() says what went wrong.
    DWORD Open(const QString& path, int flags, mode_t mode = 0666);
    bool IsOpen() const { return m_fd >= 0; }
    int Descriptor() const { return m_fd; }
    // What fstat told when the file was opened.
    const struct stat& Status() const { return m_status; }

    // Reads from the current position to the end. ERROR_FILE_TOO_LARGE, reading nothing, when
    // the file is larger than maxSize, and when it grows beyond it while it is read; contents
    // is set only on success.
    DWORD ReadToEnd(qint64 maxSize, QByteArray* contents);
    // Writes all of BYTES, resuming interrupted and partial writes.
    DWORD WriteAll(const QByteArray& bytes);
    // ERROR_SUCCESS, or the error of the close itself (a write may only fail there).
    DWORD Close();
    // The last failure in words, for logs.
    const QString& Reason() const { return m_reason; }

    // Open(PATH, O_RDONLY) and ReadToEnd(maxSize) at once.
    static DWORD ReadAll(const QString& path, qint64 maxSize, QByteArray* contents);
    // Puts BYTES under PATH so that PATH holds either what it held or all of BYTES: they are
    // written to a hidden file beside it and renamed over it once on the disk. Only a regular
    // file is replaced. ERROR_SUCCESS, or the code of the failing step; nothing is left behind.
    static DWORD Replace(const QString& path, const QByteArray& bytes);

private:
    DWORD Fail(int error, DWORD fallback);

    int m_fd = -1;
    struct stat m_status {};
    QString m_path;
    QString m_reason;
};
