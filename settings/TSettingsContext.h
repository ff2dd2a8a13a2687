#pragma once

#include <QString>

class CClientGP;
class CKV100AgentInterface;
class CSettings;

// What the settings pages work with: the connected computer's agent (every engine setting is
// read and written through it), the console policy, the console's own preferences, and what is
// known of the connection. The objects belong to the caller and outlive the notebook.
struct TSettingsContext {
    CKV100AgentInterface* agent = nullptr;
    const CClientGP* policy = nullptr;
    CSettings* preferences = nullptr;
    // The computer as the connection named it; empty for this one.
    QString computer;
    bool remote = false;
    // The connected computer is a virtual guest: the host thresholds and the virtual environment
    // apply.
    bool virtualGuest = false;
    // The product edition code of the connected computer.
    uint edition = 0;
};
