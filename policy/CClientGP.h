#pragma once

#include "platform/registry/RegistryTypes.h"
#include "policy/CGP.h"

#include <QString>

// The restrictions an administrator places on this console, read once when the console starts.
// Sources, later ones overriding earlier ones slot by slot where a value was actually read:
//  1. the machine key (HKEY_LOCAL_MACHINE\Software\Tellmar\Korvane\11.0);
//  2. config.ini beside the executable, imported into the machine key once per machine when
//     the machine key's UseConfigIni asks for it;
//  3. the policy key (HKEY_CURRENT_USER\Software\Policies\Tellmar\Korvane\11.0), read inside
//     the machine policy critical section.
// A permission nobody restricted is granted. Every registry and file failure is silent: the
// slots it would have filled stay as they were. The queries do not lock: the slots do not
// change after construction.
class CClientGP : public CGP {
public:
    // The slots, in their fixed order.
    enum TSlot : int {
        kLaunch = 1,
        kAdvanceConfiguration,
        kStatus,
        kAnalyze,
        kOnlineDefrag,
        kOfflineDefrag,
        kStop,
        kModifyDriveProps,
        kModifySched,
        kViewLog,
        kAbout,
        kScheduleBoottimeDefrag,
        kRunSchedule,
        kCheckUpdate,
        kTrayIcon,
        kFreeSpace,
        kSplashScreen,
    };

    // Loads every source, with config.ini looked for beside the running executable.
    CClientGP();
    // Loads every source, with config.ini looked for in CONFIGINIDIRECTORY.
    explicit CClientGP(const QString& configIniDirectory);

    // Reads the policy key again over the slots, inside the machine policy critical section when
    // asked to. Answers the result of opening the key: on failure nothing is stored.
    LONG ReloadPolicy(bool enterMachinePolicySection);

    bool AllowLaunch() const { return IsGranted(kLaunch); }
    bool AllowAdvanceConfiguration() const { return IsGranted(kAdvanceConfiguration); }
    bool AllowStatus() const { return IsGranted(kStatus); }
    bool AllowAnalyze() const { return IsGranted(kAnalyze); }
    bool AllowOnlineDefrag() const { return IsGranted(kOnlineDefrag); }
    bool AllowOfflineDefrag() const { return IsGranted(kOfflineDefrag); }
    bool AllowStop() const { return IsGranted(kStop); }
    bool AllowModifyDriveProps() const { return IsGranted(kModifyDriveProps); }
    bool AllowModifySched() const { return IsGranted(kModifySched); }
    bool AllowViewLog() const { return IsGranted(kViewLog); }
    // No value name fills this slot, so it is never denied. Its users are the main ribbon's
    // corner menu and the product resources ribbon, the two places that offer "About"; the
    // product's identity stays reachable under any restriction.
    bool AllowAbout() const { return IsGranted(kAbout); }
    bool AllowScheduleBoottimeDefrag() const { return IsGranted(kScheduleBoottimeDefrag); }
    bool AllowRunSchedule() const { return IsGranted(kRunSchedule); }
    bool AllowCheckUpdate() const { return IsGranted(kCheckUpdate); }
    bool AllowTrayIcon() const { return IsGranted(kTrayIcon); }
    bool AllowFreeSpace() const { return IsGranted(kFreeSpace); }
    bool AllowSplashScreen() const { return IsGranted(kSplashScreen); }

private:
    void LoadMachineValues();
    void ImportConfigIni();

    QString m_configIniDirectory;
};
