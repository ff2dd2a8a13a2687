#include "policy/CClientGP.h"

#include "platform/CExecutablePath.h"
#include "platform/CMachinePolicyLock.h"
#include "platform/registry/CRegKey.h"
#include "policy/CIniFile.h"

namespace {

const QString kPolicyKeyPath = QStringLiteral("Software\\Policies\\Tellmar\\Korvane\\11.0");
const QString kMachineKeyPath = QStringLiteral("Software\\Tellmar\\Korvane\\11.0");
const QString kUseConfigIni = QStringLiteral("UseConfigIni");
const QString kImportCompleted = QStringLiteral("ConfigIniClientGuiCompleted");
const QString kConfigIniFileName = QStringLiteral("config.ini");
const QByteArray kConfigIniSection = QByteArrayLiteral("UserInterface");

struct TNamedSlot {
    CClientGP::TSlot slot;
    const char* name;
};

// The values of the machine key, which are also the keys of config.ini, in their reading order.
constexpr TNamedSlot kMachineSlots[] = {
    {CClientGP::kAdvanceConfiguration, "AllowAdvanceConfiguration"},
    {CClientGP::kTrayIcon, "AllowTrayIcon"},
    {CClientGP::kFreeSpace, "AllowFreeSpace"},
    {CClientGP::kSplashScreen, "AllowSplashScreen"},
    {CClientGP::kCheckUpdate, "AllowCheckUpdate"},
};

// The values of the policy key. The splash screen is not among them: only the machine key and
// config.ini decide it.
constexpr TNamedSlot kPolicySlots[] = {
    {CClientGP::kLaunch, "AllowLaunch"},
    {CClientGP::kAdvanceConfiguration, "AllowAdvanceConfiguration"},
    {CClientGP::kStatus, "AllowStatus"},
    {CClientGP::kAnalyze, "AllowAnalyze"},
    {CClientGP::kOnlineDefrag, "AllowOnlineDefrag"},
    {CClientGP::kOfflineDefrag, "AllowOfflineDefrag"},
    {CClientGP::kStop, "AllowStop"},
    {CClientGP::kModifyDriveProps, "AllowModifyDriveProps"},
    {CClientGP::kModifySched, "AllowModifySched"},
    {CClientGP::kViewLog, "AllowViewLog"},
    {CClientGP::kScheduleBoottimeDefrag, "AllowScheduleBoottimeDefrag"},
    {CClientGP::kRunSchedule, "AllowRunSchedule"},
    {CClientGP::kCheckUpdate, "AllowCheckUpdate"},
    {CClientGP::kTrayIcon, "AllowTrayIcon"},
    {CClientGP::kFreeSpace, "AllowFreeSpace"},
};

} // namespace

CClientGP::CClientGP()
    : CClientGP(CExecutablePath::Directory())
{}

CClientGP::CClientGP(const QString& configIniDirectory)
    : m_configIniDirectory(configIniDirectory)
{
    ClearAll();
    LoadMachineValues();
    ImportConfigIni();
    ReloadPolicy(true);
}

void CClientGP::LoadMachineValues()
{
    CRegKey key;
    if (key.Open(HKEY_LOCAL_MACHINE, kMachineKeyPath, KEY_READ) != ERROR_SUCCESS)
        return;
    CGuard guard(*this);
    for (const TNamedSlot& entry : kMachineSlots) {
        DWORD value = 0;
        if (key.QueryDWORDValue(QString::fromLatin1(entry.name), &value) == ERROR_SUCCESS)
            Store(entry.slot, value);
    }
}

void CClientGP::ImportConfigIni()
{
    CRegKey key;
    if (key.Open(HKEY_LOCAL_MACHINE, kMachineKeyPath, KEY_READ | KEY_WRITE) != ERROR_SUCCESS)
        return;
    DWORD useConfigIni = 0;
    if (key.QueryDWORDValue(kUseConfigIni, &useConfigIni) != ERROR_SUCCESS || useConfigIni == 0)
        return;
    // Whatever its value, the marker means the import has run on this machine.
    DWORD completed = 0;
    if (key.QueryDWORDValue(kImportCompleted, &completed) == ERROR_SUCCESS)
        return;

    // A missing or unreadable file counts as an import of nothing: the marker below is written
    // all the same, so that the file is not looked for at every start.
    CIniFile ini;
    if (!m_configIniDirectory.isEmpty())
        ini.Load(m_configIniDirectory + u'/' + kConfigIniFileName);
    {
        CGuard guard(*this);
        for (const TNamedSlot& entry : kMachineSlots) {
            DWORD value = 0;
            if (ini.NumberValue(kConfigIniSection, QByteArray(entry.name), &value))
                Store(entry.slot, value);
        }
    }
    for (const TNamedSlot& entry : kMachineSlots) {
        DWORD value = 0;
        if (Value(entry.slot, &value))
            key.SetDWORDValue(QString::fromLatin1(entry.name), value);
    }
    key.SetDWORDValue(kImportCompleted, 1);
}

LONG CClientGP::ReloadPolicy(bool enterMachinePolicySection)
{
    // A section that cannot be entered does not stop the read: a policy read without it is
    // better than none.
    CMachinePolicyLock section;
    if (enterMachinePolicySection)
        section.Enter();

    CRegKey key;
    const LONG opened = key.Open(HKEY_CURRENT_USER, kPolicyKeyPath, KEY_QUERY_VALUE);
    if (opened == ERROR_SUCCESS) {
        CGuard guard(*this);
        for (const TNamedSlot& entry : kPolicySlots) {
            DWORD value = 0;
            if (key.QueryDWORDValue(QString::fromLatin1(entry.name), &value) == ERROR_SUCCESS)
                Store(entry.slot, value);
        }
        key.Close();
    }
    section.Leave();
    return opened;
}
