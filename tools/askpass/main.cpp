// korvane-askpass: the program ssh runs (SSH_ASKPASS) when the console connects to another
// computer with a password. It answers a password prompt with the password the console hands it
// through its socket (KORVANE_ASKPASS_SOCKET), so that the password is never on a command line,
// in an environment or in a file. Any other question (an unknown host key) is refused.
#include "platform/CFileDescriptor.h"
#include "platform/CUnixSocketAddress.h"

#include <cstdlib>
#include <cstring>
#include <string>
#include <strings.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

constexpr size_t kLongestPassword = 4096;

bool AsksForPassword(const char* prompt)
{
    // OpenSSH asks "user@host's password: " or "Password: ".
    const size_t length = std::strlen(prompt);
    const char* const word = "password";
    for (size_t at = 0; at + std::strlen(word) <= length; ++at) {
        if (::strncasecmp(prompt + at, word, std::strlen(word)) == 0)
            return true;
    }
    return false;
}

} // namespace

int main(int argc, char** argv)
{
    const char* socketPath = std::getenv("KORVANE_ASKPASS_SOCKET");
    if (argc < 2 || !socketPath || !AsksForPassword(argv[1]))
        return 1;
    const CFileDescriptor fd(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0));
    const CUnixSocketAddress address{QByteArray(socketPath)};
    if (fd.Get() < 0 || !address.IsValid() || !address.Connect(fd.Get()))
        return 1;
    std::string password;
    char buffer[512];
    for (;;) {
        const ssize_t read = ::read(fd.Get(), buffer, sizeof buffer);
        if (read < 0)
            return 1;
        if (read == 0)
            break;
        password.append(buffer, size_t(read));
        if (password.size() > kLongestPassword)
            return 1;
    }
    if (password.empty())
        return 1;
    password += '\n';
    const bool written =
        ::write(STDOUT_FILENO, password.data(), password.size()) == ssize_t(password.size());
    std::memset(password.data(), 0, password.size());
    std::memset(buffer, 0, sizeof buffer);
    return written ? 0 : 1;
}
