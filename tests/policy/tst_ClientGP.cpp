#include "platform/CMachinePolicyLock.h"
#include "platform/registry/CRegKey.h"
#include "policy/CClientGP.h"
#include "tests/support/CTestEnvironment.h"

#include <QtTest>

#include <thread>

using namespace Qt::StringLiterals;

// The console policy: its slots, the order of its sources, the one-time config.ini import and
// the machine policy critical section around the policy read.
class TestClientGP : public QObject {
    Q_OBJECT

private slots:
    void policyValuesDenyUnlessOne();
    void laterSourcesOverrideSlotBySlot();
    void configIniIsImportedOnce();
    void machinePolicySection();
};

namespace {

const QString kPolicyKey = u"Software\\Policies\\Tellmar\\Korvane\\11.0"_s;
const QString kMachineKey = u"Software\\Tellmar\\Korvane\\11.0"_s;

// The permissions the policy key names, then the two it does not.
const QList<std::pair<QString, bool (CClientGP::*)() const>> kPermissions = {
    {u"AllowLaunch"_s, &CClientGP::AllowLaunch},
    {u"AllowAdvanceConfiguration"_s, &CClientGP::AllowAdvanceConfiguration},
    {u"AllowStatus"_s, &CClientGP::AllowStatus},
    {u"AllowAnalyze"_s, &CClientGP::AllowAnalyze},
    {u"AllowOnlineDefrag"_s, &CClientGP::AllowOnlineDefrag},
    {u"AllowOfflineDefrag"_s, &CClientGP::AllowOfflineDefrag},
    {u"AllowStop"_s, &CClientGP::AllowStop},
    {u"AllowModifyDriveProps"_s, &CClientGP::AllowModifyDriveProps},
    {u"AllowModifySched"_s, &CClientGP::AllowModifySched},
    {u"AllowViewLog"_s, &CClientGP::AllowViewLog},
    {u"AllowScheduleBoottimeDefrag"_s, &CClientGP::AllowScheduleBoottimeDefrag},
    {u"AllowRunSchedule"_s, &CClientGP::AllowRunSchedule},
    {u"AllowCheckUpdate"_s, &CClientGP::AllowCheckUpdate},
    {u"AllowTrayIcon"_s, &CClientGP::AllowTrayIcon},
    {u"AllowFreeSpace"_s, &CClientGP::AllowFreeSpace},
    {u"AllowSplashScreen"_s, &CClientGP::AllowSplashScreen},
    {u"AllowAbout"_s, &CClientGP::AllowAbout},
};

void SetDWord(HKEY hive, const QString& path, const QString& name, DWORD value)
{
    CRegKey key;
    QCOMPARE(key.Create(hive, path), ERROR_SUCCESS);
    QCOMPARE(key.SetDWORDValue(name, value), ERROR_SUCCESS);
}

// The machine value, or -1 when it cannot be read.
qint64 MachineValue(const QString& name)
{
    CRegKey key;
    DWORD value = 0;
    if (key.Open(HKEY_LOCAL_MACHINE, kMachineKey, KEY_READ) != ERROR_SUCCESS ||
        key.QueryDWORDValue(name, &value) != ERROR_SUCCESS)
        return -1;
    return value;
}

QStringList Denied(const CClientGP& policy)
{
    QStringList denied;
    for (const auto& [name, query] : kPermissions) {
        if (!(policy.*query)())
            denied.append(name);
    }
    return denied;
}

QString IniDirectory(const CTestEnvironment& environment)
{
    const QString directory = environment.Root() + u"/program"_s;
    QDir().mkpath(directory);
    return directory;
}

void WriteIni(const QString& directory, const QByteArray& text)
{
    QFile ini(directory + u"/config.ini"_s);
    QVERIFY(ini.open(QIODevice::WriteOnly | QIODevice::Truncate));
    ini.write(text);
}

} // namespace

void TestClientGP::policyValuesDenyUnlessOne()
{
    CTestEnvironment environment;
    const QString iniDirectory = IniDirectory(environment);
    QCOMPARE(Denied(CClientGP(iniDirectory)), QStringList());

    // Each policy value restricts its own permission and no other.
    for (const auto& [name, query] : kPermissions.first(15)) {
        SetDWord(HKEY_CURRENT_USER, kPolicyKey, name, 0);
        QCOMPARE(Denied(CClientGP(iniDirectory)), QStringList{name});
        SetDWord(HKEY_CURRENT_USER, kPolicyKey, name, 1);
    }
    QCOMPARE(Denied(CClientGP(iniDirectory)), QStringList());

    // The policy key cannot restrict the splash screen, nothing restricts slot 11, and a value
    // that is not a DWORD is no value.
    SetDWord(HKEY_CURRENT_USER, kPolicyKey, u"AllowAnalyze"_s, 2);
    SetDWord(HKEY_CURRENT_USER, kPolicyKey, u"AllowSplashScreen"_s, 0);
    SetDWord(HKEY_CURRENT_USER, kPolicyKey, u"AllowAbout"_s, 0);
    CRegKey key;
    QCOMPARE(key.Open(HKEY_CURRENT_USER, kPolicyKey), ERROR_SUCCESS);
    QCOMPARE(key.SetStringValue(u"AllowStop"_s, u"0"_s), ERROR_SUCCESS);
    QCOMPARE(Denied(CClientGP(iniDirectory)), QStringList{u"AllowAnalyze"_s});
}

void TestClientGP::laterSourcesOverrideSlotBySlot()
{
    CTestEnvironment environment;
    const QString iniDirectory = IniDirectory(environment);
    SetDWord(HKEY_LOCAL_MACHINE, kMachineKey, u"AllowTrayIcon"_s, 1);
    SetDWord(HKEY_LOCAL_MACHINE, kMachineKey, u"AllowFreeSpace"_s, 0);
    SetDWord(HKEY_LOCAL_MACHINE, kMachineKey, u"AllowSplashScreen"_s, 0);
    SetDWord(HKEY_LOCAL_MACHINE, kMachineKey, u"AllowCheckUpdate"_s, 0);
    SetDWord(HKEY_LOCAL_MACHINE, kMachineKey, u"UseConfigIni"_s, 1);
    WriteIni(iniDirectory, "[UserInterface]\r\nAllowTrayIcon=0\r\nAllowCheckUpdate=1\r\n");
    SetDWord(HKEY_CURRENT_USER, kPolicyKey, u"AllowFreeSpace"_s, 1);
    SetDWord(HKEY_CURRENT_USER, kPolicyKey, u"AllowAdvanceConfiguration"_s, 0);
    SetDWord(HKEY_CURRENT_USER, kPolicyKey, u"AllowSplashScreen"_s, 1);

    // The ini over the machine for the tray icon and updates, the policy over the machine for
    // free space; the splash screen follows the machine whatever the policy says.
    QCOMPARE(
        Denied(CClientGP(iniDirectory)),
        QStringList({u"AllowAdvanceConfiguration"_s, u"AllowTrayIcon"_s, u"AllowSplashScreen"_s}));
}

void TestClientGP::configIniIsImportedOnce()
{
    CTestEnvironment environment;
    const QString iniDirectory = IniDirectory(environment);
    const QString marker = u"ConfigIniClientGuiCompleted"_s;

    // Without the machine's consent the file is not read.
    WriteIni(iniDirectory, "[UserInterface]\r\nAllowFreeSpace=0\r\n");
    SetDWord(HKEY_LOCAL_MACHINE, kMachineKey, u"UseConfigIni"_s, 0);
    QVERIFY(CClientGP(iniDirectory).AllowFreeSpace());
    QCOMPARE(MachineValue(marker), -1);

    // A file saved with line feeds alone counts as one with CR LF; a signed number is a value.
    SetDWord(HKEY_LOCAL_MACHINE, kMachineKey, u"UseConfigIni"_s, 1);
    WriteIni(iniDirectory, "[UserInterface]\nAllowTrayIcon=abc\n AllowFreeSpace =  0 \n"
                           "AllowCheckUpdate=12abc\nallowsplashscreen=0\n"
                           "AllowAdvanceConfiguration=-1\n");
    const QStringList imported = {u"AllowAdvanceConfiguration"_s, u"AllowCheckUpdate"_s,
                                  u"AllowFreeSpace"_s};
    QCOMPARE(Denied(CClientGP(iniDirectory)), imported);
    // What was read is kept in the machine key, with the marker.
    QCOMPARE(MachineValue(u"AllowFreeSpace"_s), 0);
    QCOMPARE(MachineValue(u"AllowCheckUpdate"_s), 12);
    QCOMPARE(MachineValue(u"AllowAdvanceConfiguration"_s), 0xFFFFFFFF);
    QCOMPARE(MachineValue(u"AllowTrayIcon"_s), -1);
    QCOMPARE(MachineValue(marker), 1);

    // A marker of any value stops the import; without it the file counts again.
    WriteIni(iniDirectory, "[UserInterface]\r\nAllowFreeSpace=1\r\nAllowTrayIcon=0\r\n");
    QCOMPARE(Denied(CClientGP(iniDirectory)), imported);
    SetDWord(HKEY_LOCAL_MACHINE, kMachineKey, marker, 0);
    QCOMPARE(Denied(CClientGP(iniDirectory)), imported);
    CRegKey key;
    QCOMPARE(key.Open(HKEY_LOCAL_MACHINE, kMachineKey), ERROR_SUCCESS);
    QCOMPARE(key.DeleteValue(marker), ERROR_SUCCESS);
    const QStringList reimported = {u"AllowAdvanceConfiguration"_s, u"AllowCheckUpdate"_s,
                                    u"AllowTrayIcon"_s};
    QCOMPARE(Denied(CClientGP(iniDirectory)), reimported);

    // A missing file is an import of nothing, and is marked all the same.
    QCOMPARE(key.DeleteValue(marker), ERROR_SUCCESS);
    QCOMPARE(Denied(CClientGP(environment.Root() + u"/nowhere"_s)), reimported);
    QCOMPARE(MachineValue(marker), 1);
}

void TestClientGP::machinePolicySection()
{
    CTestEnvironment environment;
    const QString lockFile = CMachinePolicyLock::DefaultLockFilePath();
    QCOMPARE(lockFile, environment.RegistryDirectory() + u"/machine-policy.lock"_s);
    SetDWord(HKEY_CURRENT_USER, kPolicyKey, u"AllowStop"_s, 0);

    // Another holder of the section (a lock of its own on the file, as another process's would
    // be) keeps the policy read waiting until it leaves.
    CMachinePolicyLock holder;
    QCOMPARE(holder.Enter(), ERROR_SUCCESS);
    CMachinePolicyLock lock;
    QCOMPARE(lock.Enter(50), ERROR_SEM_TIMEOUT);
    QElapsedTimer waited;
    waited.start();
    std::thread leave([&holder] {
        QThread::msleep(400);
        holder.Leave();
    });
    CClientGP policy(IniDirectory(environment));
    const qint64 elapsed = waited.elapsed();
    leave.join();
    QVERIFY(!policy.AllowStop());
    QVERIFY2(elapsed >= 390, qPrintable(QString::number(elapsed)));

    // A lock file that cannot be made does not stop the read; a policy key that has gone leaves
    // the slots as they were.
    SetDWord(HKEY_CURRENT_USER, kPolicyKey, u"AllowStop"_s, 1);
    QVERIFY(QFile::remove(lockFile));
    QVERIFY(QFile::link(environment.Root() + u"/missing/lock"_s, lockFile));
    QVERIFY(lock.Enter() != ERROR_SUCCESS);
    QCOMPARE(policy.ReloadPolicy(true), ERROR_SUCCESS);
    QVERIFY(policy.AllowStop());
    CRegKey parent;
    QCOMPARE(parent.Open(HKEY_CURRENT_USER, u"Software\\Policies\\Tellmar\\Korvane"_s),
             ERROR_SUCCESS);
    QCOMPARE(parent.RecurseDeleteKey(u"11.0"_s), ERROR_SUCCESS);
    QCOMPARE(policy.ReloadPolicy(true), static_cast<LONG>(ERROR_FILE_NOT_FOUND));
    QVERIFY(policy.AllowStop());
}

QTEST_GUILESS_MAIN(TestClientGP)
#include "tst_ClientGP.moc"
