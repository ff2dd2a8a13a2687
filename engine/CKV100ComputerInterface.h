#pragma once

#include "engine/CKV100AgentInterface.h"

// Values about the connected computer and its features, from the agent's statistics object (slot
// 11) and feature object (slot 16). Holds no state of its own: every operation goes through the
// application's connected agent wrapper, and answers E_FAIL when there is none.
class CKV100ComputerInterface {
public:
    explicit CKV100ComputerInterface(CKV100AgentInterface* agent);

    // Slot 17: the volume's history as a property bag. Section "/": NumStatPoints and
    // NumFreeSpaceStatPoints (i). "/Fragmented/n": Date, Before, After; "/FreeSpaceFragmentation/n"
    // and "/Performance/n": Before, After; "/FreeSpace/n": StatsDate, FreeSpaceBefore,
    // FreeSpaceAfter, TotalSize (all d; dates OLE, sizes in bytes). Items count from 1.
    HRESULT GetHistory(const TId& volume, DBusContract::TPropertyBag* bag);
    // Slot 19: the product generation the agent belongs to (9, 10 or 11).
    HRESULT GetGeneration(uint* generation);
    // Slot 20: whether this computer is a virtual guest, and its host's name.
    HRESULT GetVirtualGuest(bool* isGuest, TString* hostName);
    // Slot 22: the product edition code, as the engine reports it.
    HRESULT GetEdition(uint* edition);
    // automatic: the agent adjusts the thresholds itself. CPU values in percent, disk I/O in bytes
    // per second; the host values apply on virtual guests.
    HRESULT GetQuietWatchThresholds(bool* automatic, uint* kernelCpu, uint* userCpu, uint* diskIo,
                                    uint* hostKernelCpu, uint* hostUserCpu, uint* hostDiskIo);
    HRESULT SetQuietWatchThresholds(bool automatic, uint kernelCpu, uint userCpu, uint diskIo,
                                    uint hostKernelCpu, uint hostUserCpu, uint hostDiskIo);
    // computerKind: 0 physical, 1 guest of a Windows based host, 2 guest of an ESX server, 3 the
    // same watched through vSphere, 4 guest of a Hyper-V server, 5 guest of a VMware Workstation
    // instance.
    HRESULT GetVirtualEnvironment(uint* computerKind, TString* host, TString* userName,
                                  TString* password);
    HRESULT SetVirtualEnvironment(uint computerKind, const TString& host, const TString& userName,
                                  const TString& password);
    // Connects to the host with the account; hr tells how it went.
    HRESULT TestVirtualHost(const TString& host, const TString& userName, const TString& password);

private:
    CKV100AgentInterface* m_agent;
};
