#pragma once

#include <QByteArray>
#include <QString>

#include <atomic>
#include <thread>

// Hands a password to ssh without putting it on a command line, in an environment or in a
// file: while it lives, a socket of the user's runtime folder (mode 0600) gives the password to
// each connection of this same user, which is korvane-askpass, the program ssh runs as
// SSH_ASKPASS. Environment() names the helper and the socket, never the password.
class CSshAskpass {
public:
    static const char* const kHelperName;

    explicit CSshAskpass(const QString& password);
    // Stops answering, removes the socket and wipes the password.
    ~CSshAskpass();
    CSshAskpass(const CSshAskpass&) = delete;
    CSshAskpass& operator=(const CSshAskpass&) = delete;

    // False when the socket could not be made or the helper is not installed.
    bool IsValid() const { return m_listenFd >= 0 && !m_helper.isEmpty(); }
    // The variables ssh needs: SSH_ASKPASS, SSH_ASKPASS_REQUIRE=force, KORVANE_ASKPASS_SOCKET.
    QStringList Environment() const;
    // How often the password was handed out.
    int Answers() const { return m_answers.load(); }

private:
    void Serve();

    QByteArray m_password;
    QString m_helper;
    QString m_socketPath;
    int m_listenFd = -1;
    int m_wakeFds[2] = {-1, -1};
    std::atomic<int> m_answers{0};
    std::thread m_thread;
};
