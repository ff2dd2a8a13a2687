#pragma once

#include <QByteArray>

#include <sys/socket.h>
#include <sys/un.h>

// The address of a Unix socket at a path of any length. An address holds only 107 bytes of
// path, less than a runtime folder deep in a build tree or a home folder may need; a longer
// path is reached through a descriptor of its folder, whose /proc/self/fd entry names the folder
// in a few bytes. The descriptor stays open for as long as the address lives.
class CUnixSocketAddress {
public:
    explicit CUnixSocketAddress(const QByteArray& path);
    ~CUnixSocketAddress();
    CUnixSocketAddress(const CUnixSocketAddress&) = delete;
    CUnixSocketAddress& operator=(const CUnixSocketAddress&) = delete;

    // False when the path cannot be addressed; Error() then tells why as an errno value.
    bool IsValid() const { return m_error == 0; }
    int Error() const { return m_error; }

    // Both set errno and answer false on failure, as the calls they make do.
    bool Bind(int fd) const;
    bool Connect(int fd) const;

    // The longest file name a socket can have in any folder, in bytes: what the address holds
    // after the longest /proc/self/fd/N/ entry (both sizes count a terminating NUL).
    static constexpr qsizetype kLongestFileName =
        qsizetype(sizeof(sockaddr_un::sun_path) - sizeof "/proc/self/fd/2147483647/");
    static bool FitsFileName(const QByteArray& name) { return name.size() <= kLongestFileName; }

private:
    const sockaddr* Raw() const { return reinterpret_cast<const sockaddr*>(&m_address); }

    sockaddr_un m_address = {};
    int m_folder = -1;
    int m_error = 0;
};
