#pragma once

#include "core/HResult.h"

#include <QString>
#include <QStringList>

#include <map>
#include <memory>

class CSshNoticeRelay;

// The SSH connection that carries D-Bus peer connections to the engine of another computer:
// one master connection (OpenSSH connection sharing) per computer and user, opened with the
// user's own keys, agent, configuration and known hosts, and kept until Close. Each D-Bus
// connection is then a session of it that runs "korvane-engine --stdio-bridge" there
// (BusAddress). An empty user is the caller's own identity. Each process has masters of its own,
// which Close ends.
class CSshSession {
public:
    // The remote computer's host key is not among the known hosts, or has changed.
    static constexpr HRESULT kHostKeyNotTrusted = static_cast<HRESULT>(0xA0090001u);
    // The program that runs ssh (found on the PATH).
    static const char* const kProgram;
    // What runs on the remote computer.
    static const char* const kRemoteProgram;

    CSshSession(QString computer, QString user);
    // Closes the master connection this session opened.
    ~CSshSession();
    CSshSession(const CSshSession&) = delete;
    CSshSession& operator=(const CSshSession&) = delete;

    // Opens the master connection unless it is open, waiting at most timeoutMs. A password,
    // when given, is offered to the server through CSshAskpass after the user's keys. S_OK;
    // E_ACCESSDENIED when the login is refused; 0x800706BA when the computer is unknown,
    // unreachable or refuses, or ssh is not installed here; kHostKeyNotTrusted.
    HRESULT Open(int timeoutMs, const QString& password = QString());
    // Why a session of the open master could not reach the engine there: REGDB_E_CLASSNOTREG
    // when korvane-engine is not installed there, else 0x800706BA.
    HRESULT Diagnose(int timeoutMs) const;
    // Whether the master connection is up.
    bool IsOpen() const;
    // Ends the master connection, and with it every D-Bus connection it carries.
    void Close();

    // The D-Bus address of a new connection to the remote engine through the master.
    QString BusAddress() const;
    // Makes sure that a notice relay (CSshNoticeRelay) runs for this computer's mailslot NAME,
    // starting one through the master when none does, waiting at most timeoutMs. S_OK, or why
    // the relay could not start; E_INVALIDARG for a name that is not a plain mailslot name.
    HRESULT RelayNotices(const QString& mailslot, int timeoutMs);

    // What a failed ssh run means, from its exit code and what it wrote on standard error.
    static HRESULT FailureOf(int exitCode, const QString& standardError);
    // VALUE as a D-Bus address value: bytes outside [-0-9A-Za-z_/.*] as %XX.
    static QString EscapeAddressValue(const QString& value);

private:
    QStringList CommonArguments() const;
    // The arguments of ssh that run COMMAND there as a session of the master.
    QStringList SessionArguments(const QStringList& command) const;
    // Runs ssh with arguments, waiting at most timeoutMs; the exit code, -1 when it did not run
    // to its end.
    int RunSsh(const QStringList& arguments, int timeoutMs, QString* standardError,
               const QStringList& environment = {}) const;

    QString m_computer;
    QString m_user;
    QString m_controlPath;
    bool m_opened = false; // a master may run that this session started
    // The relays by mailslot name.
    std::map<QString, std::unique_ptr<CSshNoticeRelay>> m_relays;
};
