#pragma once

#include "core/HResult.h"

#include <QByteArray>
#include <QProcess>
#include <QString>

// An SSH server on 127.0.0.1 that plays another machine, for tests and benches that run as root:
// its own sshd with host and client keys made in a folder of the caller's, in a mount namespace
// whose /run is a tmpfs of its own (sshd insists on /run/sshd) and whose /etc/shadow is a copy
// that gives root the password asked for. Three ports: the engine's (sessions find
// korvane-engine and the remote runtime folder given to Start), one whose sessions lack
// korvane-engine, and one for passwords only. ssh of this process then goes through a wrapper
// first on the PATH, which adds the configuration UseClient chose.
class CDBusActivator;
class CComObjectRef;

class CTestSshServer {
public:
    explicit CTestSshServer(QString folder);
    ~CTestSshServer();
    CTestSshServer(const CTestSshServer&) = delete;
    CTestSshServer& operator=(const CTestSshServer&) = delete;

    // Why no server can run here (not root, sshd or a mount namespace missing); empty when one
    // can.
    static QString Unavailable();

    // Starts sshd, whose engine sessions run remoteProgram as korvane-engine with
    // KORVANE_RUNTIME_DIR=remoteRuntime; false, with the reason, when it does not come up.
    bool Start(const QString& remoteProgram, const QString& remoteRuntime,
               const QByteArray& rootPassword, QString* error);
    void Stop();

    quint16 EnginePort() const { return m_ports[0]; }
    quint16 BarePort() const { return m_ports[1]; }
    quint16 PasswordPort() const { return m_ports[2]; }

    // Points ssh at port, with the client key, trusting the server's host key or knowing none.
    bool UseClient(quint16 port, bool hostKnown);

    // Creates the engine's object on 127.0.0.1 through ACTIVATOR, as the console's wrapper does.
    static HRESULT CreateEngine(CDBusActivator& activator, const QString& user,
                                const QString& password, CComObjectRef* engine);

private:
    QString Path(const QString& name) const;

    QString m_folder;
    QProcess m_sshd;
    quint16 m_ports[3] = {};
};
