#pragma once

// The session's idle state as logind tells it over the system bus (the manager's IdleHint and
// IdleSinceHint). Without a system bus or logind the session is never idle.
class CLogindIdle {
public:
    CLogindIdle() = delete;

    // The OLE date since which the session has been idle; 0 when it is busy or nobody can say.
    static double IdleSince();
};
