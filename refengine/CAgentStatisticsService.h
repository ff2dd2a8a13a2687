#pragma once

#include "AgentStatisticsServiceBase.h"

#include <QString>

class CHistoryStore;

// The agent's statistics object (AgentStatistics.xml): the volumes' pass history from the
// history store, and what the agent says about this computer: the product generation and
// edition the daemon gives it, and whether the computer is a virtual guest. The store must
// outlive the service.
class CAgentStatisticsService : public CAgentStatisticsServiceBase {
public:
    static constexpr uint kGeneration = 11;

    CAgentStatisticsService(CHistoryStore& history, uint edition, uint generation = kGeneration,
                            QObject* parent = nullptr);

    // Whether the system under root ("/" for this one) shows the signs of a virtual machine
    // that systemd-detect-virt reads cheaply: the firmware's vendor and product names, a
    // hypervisor type, the processor's hypervisor flag. False when none is seen.
    static bool DetectVirtualGuest(const QString& root);
    // The name of the host of the guest under root, where the hypervisor hands it to its guests
    // (Hyper-V's key-value exchange pool that hv_kvp_daemon keeps); empty when none is given.
    static QString GuestHostName(const QString& root);

    int GetHistory(const QString& volume, DBusContract::TPropertyBag& bag) override;
    int GetGeneration(uint& generation) override;
    // A guest is reported only with its host's name: a guest whose host is not named is
    // reported as no guest, with an empty name.
    int GetVirtualGuest(bool& isGuest, QString& hostName) override;
    int GetEdition(uint& edition) override;

private:
    CHistoryStore& m_history;
    const uint m_edition;
    const uint m_generation;
};
