#include "platform/com/CSshAskpass.h"

#include "platform/CEngineLocation.h"
#include "platform/CFileDescriptor.h"
#include "platform/CRuntimeDirectory.h"
#include "platform/CUnixSocketAddress.h"

#include <QFile>
#include <QUuid>

#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

const char* const CSshAskpass::kHelperName = "korvane-askpass";

CSshAskpass::CSshAskpass(const QString& password)
    : m_password(password.toUtf8())
    , m_helper(CEngineLocation::HelperProgram(QString::fromLatin1(kHelperName)))
{
    QString folder;
    if (m_helper.isEmpty() || CRuntimeDirectory::Ensure(u"ssh"_s, &folder) != ERROR_SUCCESS)
        return;
    m_socketPath = folder + u"/askpass-"_s + QUuid::createUuid().toString(QUuid::Id128).left(16);
    const QByteArray encoded = QFile::encodeName(m_socketPath);
    const CUnixSocketAddress address(encoded);
    CFileDescriptor listening(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0));
    // Made unreachable for others before it exists; the folder is the user's own as well.
    const mode_t mask = ::umask(0177);
    const bool bound = listening.Get() >= 0 && address.IsValid() && address.Bind(listening.Get());
    ::umask(mask);
    if (!bound || ::listen(listening.Get(), 4) != 0 || ::pipe2(m_wakeFds, O_CLOEXEC) != 0)
        return;
    m_listenFd = listening.Release();
    m_thread = std::thread([this] { Serve(); });
}

CSshAskpass::~CSshAskpass()
{
    if (m_thread.joinable()) {
        const char byte = 1;
        [[maybe_unused]] const ssize_t written = ::write(m_wakeFds[1], &byte, 1);
        m_thread.join();
    }
    for (int fd : {m_listenFd, m_wakeFds[0], m_wakeFds[1]}) {
        if (fd >= 0)
            ::close(fd);
    }
    if (!m_socketPath.isEmpty())
        QFile::remove(m_socketPath);
    std::memset(m_password.data(), 0, size_t(m_password.size()));
}

QStringList CSshAskpass::Environment() const
{
    return {u"SSH_ASKPASS="_s + m_helper, u"SSH_ASKPASS_REQUIRE=force"_s,
            u"KORVANE_ASKPASS_SOCKET="_s + m_socketPath};
}

void CSshAskpass::Serve()
{
    for (;;) {
        pollfd polled[2] = {{m_listenFd, POLLIN, 0}, {m_wakeFds[0], POLLIN, 0}};
        if (::poll(polled, 2, -1) < 0)
            continue;
        if (polled[1].revents != 0)
            return;
        const CFileDescriptor peer(::accept4(m_listenFd, nullptr, nullptr, SOCK_CLOEXEC));
        if (peer.Get() < 0)
            continue;
        // Only this user's own processes are answered.
        struct ucred credentials = {};
        socklen_t length = sizeof credentials;
        if (::getsockopt(peer.Get(), SOL_SOCKET, SO_PEERCRED, &credentials, &length) != 0 ||
            credentials.uid != ::geteuid())
            continue;
        const ssize_t written =
            ::send(peer.Get(), m_password.constData(), size_t(m_password.size()), MSG_NOSIGNAL);
        if (written == m_password.size())
            ++m_answers;
    }
}
