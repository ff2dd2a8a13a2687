#pragma once

#include "engine/CKV100AgentInterface.h"

// The product settings, from the agent's settings object (slot 12): one Get/Set pair per
// property. Holds no state of its own: every operation goes through the application's connected
// agent wrapper, and answers E_FAIL when there is none.
class CKV100ConfigurationInterface {
public:
    explicit CKV100ConfigurationInterface(CKV100AgentInterface* agent);

    // Slot 7: boot file layout: 0 managed by the product (recommended), 1 every layout.ini managed,
    // 2 left to the system, 3 disabled.
    HRESULT GetGeneral(uint* bootFileLayout);
    HRESULT SetGeneral(uint bootFileLayout);
    // Slot 9: 0 notify when an update is available, 1 always install, 2 never check.
    HRESULT GetAutoUpdate(uint* installOption);
    HRESULT SetAutoUpdate(uint installOption);
    // Slot 11: update server and URL path.
    HRESULT GetUpdateServer(TString* server, TString* urlPath);
    HRESULT SetUpdateServer(const TString& server, const TString& urlPath);
    // Slot 17.
    HRESULT GetProxyUserName(TString* userName);
    HRESULT SetProxyUserName(const TString& userName);
    // Slot 19.
    HRESULT GetProxyPassword(TString* password);
    HRESULT SetProxyPassword(const TString& password);
    // Slot 21: missed schedules (0 run at restart, 1 reschedule) and waking from standby.
    HRESULT GetCadence(uint* missedSchedules, bool* wakeFromStandby);
    HRESULT SetCadence(uint missedSchedules, bool wakeFromStandby);
    // Slot 23: stop running passes on battery; do not start passes on battery.
    HRESULT GetPower(bool* stopOnBattery, bool* noStartOnBattery);
    HRESULT SetPower(bool stopOnBattery, bool noStartOnBattery);
    // Slot 27: 0 below normal, 1 normal, 2 above normal.
    HRESULT GetCpuPriority(uint* priority);
    HRESULT SetCpuPriority(uint priority);
    // Slot 29: throttle disk I/O while other processes need it.
    HRESULT GetIoThrottling(bool* enabled);
    HRESULT SetIoThrottling(bool enabled);
    // Slot 31: the extension lists of the seven file-type groups in use.
    HRESULT GetFileTypes(TStringList* text, TStringList* pictures, TStringList* video,
                         TStringList* programs, TStringList* music, TStringList* temporary,
                         TStringList* userDefined);
    // Slot 32: the factory extension lists of the same groups.
    HRESULT GetDefaultFileTypes(TStringList* text, TStringList* pictures, TStringList* video,
                                TStringList* programs, TStringList* music, TStringList* temporary,
                                TStringList* userDefined);
    // Slots 34 and 35: the lists set by the user; GetFileTypes answers these where set.
    HRESULT GetCustomFileTypes(TStringList* text, TStringList* pictures, TStringList* video,
                               TStringList* programs, TStringList* music, TStringList* temporary,
                               TStringList* userDefined);
    HRESULT SetCustomFileTypes(const TStringList& text, const TStringList& pictures,
                               const TStringList& video, const TStringList& programs,
                               const TStringList& music, const TStringList& temporary,
                               const TStringList& userDefined);
    // Slot 36: USB and Firewire hard disks may be defragmented.
    HRESULT GetAllowExternalDrives(bool* allowed);
    HRESULT SetAllowExternalDrives(bool allowed);
    // Slot 38.
    HRESULT GetAllowFlashDrives(bool* allowed);
    HRESULT SetAllowFlashDrives(bool allowed);
    // Slot 41: account for the Exchange engine.
    HRESULT GetExchangeUserName(TString* userName);
    HRESULT SetExchangeUserName(const TString& userName);
    // Slot 43.
    HRESULT GetExchangePassword(TString* password);
    HRESULT SetExchangePassword(const TString& password);
    // Slot 45.
    HRESULT GetExchangeServerName(TString* serverName);
    HRESULT SetExchangeServerName(const TString& serverName);
    // Slot 47: SMTP server, sender and recipient of the Exchange notices.
    HRESULT GetExchangeNotifyEmail(TString* smtpServer, TString* sender, TString* recipient);
    HRESULT SetExchangeNotifyEmail(const TString& smtpServer, const TString& sender,
                                   const TString& recipient);
    // Slot 49: volumes with shadow copies: 0 not defragmented, 1 compatible mode, 2 normally.
    HRESULT GetVssMode(uint* mode);
    HRESULT SetVssMode(uint mode);
    // Slot 71: compatible-mode threshold in percent of the disk.
    HRESULT GetVssThreshold(uint* percent);
    HRESULT SetVssThreshold(uint percent);
    // Slot 74.
    HRESULT GetAllowSsdDrives(bool* allowed);
    HRESULT SetAllowSsdDrives(bool allowed);
    // Not a numbered slot: keeps the hibernation file out of boot-time passes.
    HRESULT GetExcludeHibernationFile(bool* excluded);
    HRESULT SetExcludeHibernationFile(bool excluded);
    // Sends a message through the given server; hr tells how it went.
    HRESULT SendTestEmail(const TString& smtpServer, const TString& sender,
                          const TString& recipient, const TString& subject, const TString& body);
    // Whether an Exchange server answers under the name, asked from the connected computer.
    HRESULT TestExchangeServerName(const TString& serverName, bool* valid);

private:
    CKV100AgentInterface* m_agent;
};
