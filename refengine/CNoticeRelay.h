#pragma once

#include <QString>

// "korvane-engine --notice-relay NAME": the far end of a console's notice relay over SSH. It
// creates the mailslot NAME on this machine, beside the engine the console's bridge reaches (the
// console subscribes that name with the engine), and sends every message written into it down
// standard output as CMailslotStream frames, in order and unchanged. It ends when standard input
// ends (the console let the relay go, or the session died) or standard output can take no more.
class CNoticeRelay {
public:
    // 0 when the relay ran and ended as above; 1, with the reason in error, when the mailslot
    // could not be made or failed.
    static int Run(const QString& name, int inFd, int outFd, QString* error);
};
