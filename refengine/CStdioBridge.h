#pragma once

#include <QString>
#include <QStringList>

#include <functional>

// "korvane-engine --stdio-bridge": carries a console's D-Bus connection from standard input and
// output (an SSH session) to this machine's engine socket and back, byte for byte, so that a
// console elsewhere talks to this engine as a local console would. The engine is the system
// service's when this user may connect to it, else the user's own, started when none runs.
class CStdioBridge {
public:
    // The first socket of sockets (in order of preference) that this user may connect to and
    // that exists; empty when none does.
    static QString ReachableSocket(const QStringList& sockets);

    // Finds the engine among sockets, starting one with startEngine (which answers false when it
    // cannot) and waiting up to waitMs for its socket when none runs. False, with the reason in
    // error, when there is none.
    static bool FindEngine(const QStringList& sockets, const std::function<bool()>& startEngine,
                           int waitMs, QString* socket, QString* error);

    // Copies inFd to the socket and the socket to outFd until both directions have ended: an
    // end of input is passed on as the socket's end of writing, the engine's hang-up ends the
    // output. 0 when the engine was reached and both ended; 1 when it could not be reached.
    static int Run(int inFd, int outFd, const QString& socket, QString* error);
};
