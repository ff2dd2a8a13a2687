#pragma once

#include <unistd.h>

// A file descriptor closed when it goes out of scope.
class CFileDescriptor {
public:
    explicit CFileDescriptor(int fd)
        : m_fd(fd)
    {}
    ~CFileDescriptor()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    CFileDescriptor(const CFileDescriptor&) = delete;
    CFileDescriptor& operator=(const CFileDescriptor&) = delete;

    int Get() const { return m_fd; }
    // Hands the descriptor over without closing it.
    int Release()
    {
        const int fd = m_fd;
        m_fd = -1;
        return fd;
    }
    // Closes now and reports whether the close itself succeeded.
    bool Close()
    {
        const int fd = m_fd;
        m_fd = -1;
        return fd >= 0 && ::close(fd) == 0;
    }

private:
    int m_fd;
};
