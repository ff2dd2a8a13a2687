#include "refengine/CMountTable.h"
#include "refengine/CVolumeCatalog.h"
#include "tests/refengine/TestFiles.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QSet>
#include <QTemporaryDir>
#include <QUuid>
#include <QtTest>

#include <sys/stat.h>
#include <sys/sysmacros.h>

using namespace Qt::StringLiterals;

// The mount table reader, the choice of volumes among the mounts, volume ids and drive types,
// and the volumes of the machine the test runs on.
class TestVolumeCatalog : public QObject {
    Q_OBJECT

private slots:
    void readsMountInfoAndChoosesVolumes();
    void volumeIds();
    void driveTypeFromSysfs_data();
    void driveTypeFromSysfs();
    void volumesOfThisMachine();
    void describesADirectory();
};

namespace {

// Lines a kernel writes, and lines it never would.
const QByteArray kSampleMountInfo =
    R"(22 1 8:2 / / rw,relatime shared:1 - ext4 /dev/sda2 rw,errors=remount-ro
23 22 0:21 / /proc rw,nosuid,nodev - proc proc rw
24 22 0:22 / /run rw,nosuid - tmpfs tmpfs rw,size=1024k,mode=755
25 22 8:3 / /mnt/my\040data rw,noatime shared:5 master:2 - ext4 /dev/sda3 rw
26 25 8:3 / /mnt/my\040data/again rw - ext4 /dev/sda3 rw
27 22 8:3 / /m rw - ext4 /dev/sda3 rw
28 22 8:2 /home/user /srv/bind rw - ext4 /dev/sda2 rw
29 22 0:45 / /pool rw - btrfs /dev/sdc1 rw
30 22 7:0 / /snap/core/1 ro - squashfs /dev/loop0 ro
31 22 8:17 / /media/usb\011tab\134back rw - vfat /dev/sdb1 rw,fmask=0022
32 22 0:50 / /net rw - nfs4 server:/export rw
33 22 8:33 / /aa rw - ext4 /dev/sdc1 rw
34 22 8:33 / /bb rw - ext4 /dev/sdc1 rw
35 22 8:34 / /last rw - xfs /dev/sdc2
garbage
36 22 8:6 / /no-separator rw ext4 /dev/sda6 rw
37 22 8:7 / /nothing-after rw - ext4
x7 22 8:8 / /bad-id rw - ext4 /dev/sda8 rw
38 22 8-8 / /bad-device rw - ext4 /dev/sda8 rw
39 22 8:9 relative /bad-root rw - ext4 /dev/sda9 rw
40 22 8:10 / /short-line

41 22 8:11 / /after-blank rw - ext4 /dev/sda11 rw
)";

bool IsBracedLowerGuid(const QString& id)
{
    static const QRegularExpression form(
        u"^\\{[0-9a-f]{8}-[0-9a-f]{4}-[0-9a-f]{4}-[0-9a-f]{4}-[0-9a-f]{12}\\}$"_s);
    return form.match(id).hasMatch();
}

// The fields of each entry, "|" between them.
QStringList Lines(const CMountTable& table)
{
    QStringList lines;
    for (const CMountTable::TEntry& e : table.Entries()) {
        lines << u"%1|%2|%3:%4|"_s.arg(e.mountId).arg(e.parentId).arg(e.major).arg(e.minor) +
                     QStringList{e.root,       e.mountPoint, e.options,
                                 e.fileSystem, e.source,     e.superOptions}
                         .join(u'|');
    }
    return lines;
}

} // namespace

void TestVolumeCatalog::readsMountInfoAndChoosesVolumes()
{
    // Escapes are undone; the optional fields before the separator are not the type; a line
    // without super options still says everything that matters; malformed lines are skipped.
    const CMountTable table = CMountTable::Parse(kSampleMountInfo);
    QCOMPARE(Lines(table),
             (QStringList{u"22|1|8:2|/|/|rw,relatime|ext4|/dev/sda2|rw,errors=remount-ro"_s,
                          u"23|22|0:21|/|/proc|rw,nosuid,nodev|proc|proc|rw"_s,
                          u"24|22|0:22|/|/run|rw,nosuid|tmpfs|tmpfs|rw,size=1024k,mode=755"_s,
                          u"25|22|8:3|/|/mnt/my data|rw,noatime|ext4|/dev/sda3|rw"_s,
                          u"26|25|8:3|/|/mnt/my data/again|rw|ext4|/dev/sda3|rw"_s,
                          u"27|22|8:3|/|/m|rw|ext4|/dev/sda3|rw"_s,
                          u"28|22|8:2|/home/user|/srv/bind|rw|ext4|/dev/sda2|rw"_s,
                          u"29|22|0:45|/|/pool|rw|btrfs|/dev/sdc1|rw"_s,
                          u"30|22|7:0|/|/snap/core/1|ro|squashfs|/dev/loop0|ro"_s,
                          u"31|22|8:17|/|/media/usb\ttab\\back|rw|vfat|/dev/sdb1|rw,fmask=0022"_s,
                          u"32|22|0:50|/|/net|rw|nfs4|server:/export|rw"_s,
                          u"33|22|8:33|/|/aa|rw|ext4|/dev/sdc1|rw"_s,
                          u"34|22|8:33|/|/bb|rw|ext4|/dev/sdc1|rw"_s,
                          u"35|22|8:34|/|/last|rw|xfs|/dev/sdc2|"_s,
                          u"41|22|8:11|/|/after-blank|rw|ext4|/dev/sda11|rw"_s}));
    QCOMPARE(table.Entries()[3].Device(), makedev(8, 3));
    QVERIFY(CMountTable::Parse("\n\n  \n").Entries().isEmpty());
    // A number past 32 bits is no device number.
    QVERIFY(CMountTable::Parse("1 1 99999999999:0 / / rw - ext4 /dev/x rw").Entries().isEmpty());
    // No line end after the last line; an escape cut short by the end of the field stays.
    QCOMPARE(Lines(CMountTable::Parse("1 1 8:1 / /a\\04 rw - ext4 /dev/sda1 rw")),
             QStringList{u"1|1|8:1|/|/a\\04|rw|ext4|/dev/sda1|rw"_s});

    // Pseudo file systems, a network share, a sub-tree bind mount, an anonymous device number
    // and a read-only image are no volumes; /dev/sda3 keeps its shortest mount point, /dev/sdc1
    // the first of two as long.
    QStringList points;
    for (const CMountTable::TEntry& entry : CVolumeCatalog::VolumeMounts(table))
        points.append(entry.mountPoint);
    QCOMPARE(points, (QStringList{u"/"_s, u"/m"_s, u"/media/usb\ttab\\back"_s, u"/aa"_s, u"/last"_s,
                                  u"/after-blank"_s}));
}

void TestVolumeCatalog::volumeIds()
{
    // A full UUID keeps its value, in braces and lower case.
    QCOMPARE(
        CVolumeCatalog::VolumeId(u"0C6F3E8A-1D2B-4C5D-8E9F-A0B1C2D3E4F5"_s, u"/dev/sda1"_s, u"/"_s),
        u"{0c6f3e8a-1d2b-4c5d-8e9f-a0b1c2d3e4f5}"_s);
    // A short serial, or one as long as a UUID that is none, names the file system wherever it
    // is mounted.
    const QString serial = CVolumeCatalog::VolumeId(u"ABCD-1234"_s, u"/dev/sdb1"_s, u"/media"_s);
    QVERIFY(IsBracedLowerGuid(serial));
    QCOMPARE(QUuid(serial).version(), QUuid::Sha1);
    QCOMPARE(CVolumeCatalog::VolumeId(u"ABCD-1234"_s, u"/dev/sdc1"_s, u"/mnt"_s), serial);
    const QString odd =
        CVolumeCatalog::VolumeId(u"zzzzzzzz-1d2b-4c5d-8e9f-a0b1c2d3e4f5"_s, u"/dev/sda1"_s, u"/"_s);
    QCOMPARE(QUuid(odd).version(), QUuid::Sha1);
    // Without any, source and mount point name it, stably; a served directory its path.
    const QString bare = CVolumeCatalog::VolumeId(QString(), u"/dev/sdd1"_s, u"/data"_s);
    QCOMPARE(CVolumeCatalog::VolumeId(QString(), u"/dev/sdd1"_s, u"/data"_s), bare);
    const QSet<QString> distinct{
        serial,
        odd,
        bare,
        CVolumeCatalog::VolumeId(u"ABCD-1235"_s, u"/dev/sdb1"_s, u"/media"_s),
        CVolumeCatalog::VolumeId(QString(), u"/dev/sdd1"_s, u"/data2"_s),
        CVolumeCatalog::VolumeId(QString(), u"/dev/sdd2"_s, u"/data"_s),
        CVolumeCatalog::VolumeId(u"/srv/share"_s, QString(), QString()),
        CVolumeCatalog::DirectoryId(u"/srv/share"_s),
        CVolumeCatalog::DirectoryId(u"/srv/share2"_s)};
    QCOMPARE(distinct.size(), 9);
}

void TestVolumeCatalog::driveTypeFromSysfs_data()
{
    QTest::addColumn<QString>("disk");
    QTest::addColumn<QByteArray>("removable");
    QTest::addColumn<QByteArray>("rotational");
    QTest::addColumn<bool>("partition");
    QTest::addColumn<uint>("expected");

    const auto row = [](const char* name, const QString& disk, const char* removable,
                        const char* rotational, bool partition, uint expected) {
        QTest::newRow(name) << disk << QByteArray(removable) << QByteArray(rotational) << partition
                            << expected;
    };
    row("spinning disk", u"pci0/ata1/block/sda"_s, "0\n", "1\n", true, 1);
    row("solid state", u"pci0/nvme/block/nvme0n1"_s, "0\n", "0\n", true, 4);
    row("memory card", u"pci0/mmc/block/mmcblk0"_s, "1\n", "0\n", true, 3);
    row("removable spinning", u"pci0/ata2/block/sdb"_s, "1\n", "1\n", false, 2);
    row("usb solid state", u"pci0/usb2/2-1/block/sdc"_s, "0\n", "0\n", true, 2);
    row("no queue facts", u"pci0/virtual/block/vdz"_s, "", "", false, 1);
}

void TestVolumeCatalog::driveTypeFromSysfs()
{
    QFETCH(QString, disk);
    QFETCH(QByteArray, removable);
    QFETCH(QByteArray, rotational);
    QFETCH(bool, partition);
    QFETCH(uint, expected);

    QTemporaryDir sys;
    QVERIFY(sys.isValid());
    const QString diskPath = sys.filePath(u"devices/"_s + disk);
    QVERIFY(QDir().mkpath(diskPath));
    if (!removable.isEmpty())
        QVERIFY(WriteTestFile(diskPath + u"/removable"_s, removable));
    if (!rotational.isEmpty())
        QVERIFY(WriteTestFile(diskPath + u"/queue/rotational"_s, rotational));
    QString target = diskPath;
    if (partition) {
        // A partition has neither queue nor removable flag of its own.
        target = diskPath + u"/part1"_s;
        QVERIFY(WriteTestFile(target + u"/partition"_s, "1\n"));
    }
    QVERIFY(QDir().mkpath(sys.filePath(u"dev/block"_s)));
    QVERIFY(QFile::link(target, sys.filePath(u"dev/block/8:1"_s)));

    CVolumeCatalog::TSystemPaths paths;
    paths.sysDeviceBlock = sys.filePath(u"dev/block"_s);
    const CVolumeCatalog catalog(paths);
    QCOMPARE(catalog.DriveType(makedev(8, 1)), expected);
    // A device sysfs does not know is a hard disk.
    QCOMPARE(catalog.DriveType(makedev(8, 2)), 1u);
}

void TestVolumeCatalog::volumesOfThisMachine()
{
    const CMountTable mounts = CMountTable::Read();
    QVERIFY2(!mounts.Entries().isEmpty(), "this process's mount table could not be read");
    QSet<QString> ids;
    QSet<dev_t> devices;
    for (const TVolumeDescription& volume : CVolumeCatalog().Volumes()) {
        const QByteArray what = volume.mountPoint.toUtf8();
        QVERIFY2(IsBracedLowerGuid(volume.id) && !ids.contains(volume.id), what.constData());
        QVERIFY2(!devices.contains(volume.device) && volume.source.startsWith(u"/dev/"),
                 what.constData());
        struct stat point = {};
        QVERIFY2(::stat(what.constData(), &point) == 0 && point.st_dev == volume.device,
                 what.constData());
        QVERIFY2(!volume.directoryOnly && volume.bytesPerCluster > 0 &&
                     volume.freeClusters <= volume.totalClusters &&
                     volume.deviceBytes >= volume.totalClusters * volume.bytesPerCluster,
                 what.constData());
        ids.insert(volume.id);
        devices.insert(volume.device);
    }
    // Every block-device mount that this process can reach is there.
    for (const CMountTable::TEntry& entry : CVolumeCatalog::VolumeMounts(mounts)) {
        struct stat point = {};
        if (::stat(entry.mountPoint.toUtf8().constData(), &point) == 0 &&
            point.st_dev == entry.Device())
            QVERIFY2(devices.contains(entry.Device()), qPrintable(entry.mountPoint));
    }
}

void TestVolumeCatalog::describesADirectory()
{
    QTemporaryDir root;
    QVERIFY(root.isValid());
    QVERIFY(QDir(root.path()).mkpath(u"served/inner"_s));
    QVERIFY(QFile::link(root.filePath(u"served"_s), root.filePath(u"alias"_s)));
    const QString canonical = QFileInfo(root.filePath(u"served"_s)).canonicalFilePath();

    const CVolumeCatalog catalog;
    TVolumeDescription served;
    QCOMPARE(catalog.Describe(root.filePath(u"served"_s), &served), S_OK);
    QCOMPARE(served.mountPoint, canonical);
    QVERIFY(served.directoryOnly);
    QVERIFY(IsBracedLowerGuid(served.id));
    struct stat info = {};
    QVERIFY(::stat(canonical.toUtf8().constData(), &info) == 0);
    QCOMPARE(served.device, info.st_dev);
    QVERIFY(!served.fileSystem.isEmpty() && served.bytesPerCluster > 0 &&
            served.deviceBytes >= served.totalClusters * served.bytesPerCluster);

    // The same directory by another name is the same volume; another directory is not.
    TVolumeDescription alias;
    QCOMPARE(catalog.Describe(root.filePath(u"alias"_s) + u"/"_s, &alias), S_OK);
    QCOMPARE(alias.id, served.id);
    QCOMPARE(alias.mountPoint, canonical);
    TVolumeDescription inner;
    QCOMPARE(catalog.Describe(root.filePath(u"served/inner"_s), &inner), S_OK);
    QVERIFY(inner.id != served.id);

    // What is no directory is refused, and the description is left as it was.
    QVERIFY(WriteTestFile(root.filePath(u"file"_s), "x"));
    QCOMPARE(catalog.Describe(QString(), &inner), E_INVALIDARG);
    QCOMPARE(catalog.Describe(root.filePath(u"missing"_s), &inner),
             HRESULT_FROM_WIN32(ERROR_PATH_NOT_FOUND));
    QCOMPARE(catalog.Describe(root.filePath(u"file"_s), &inner), HRESULT_FROM_WIN32(267));
    QVERIFY(inner.id != served.id && inner.mountPoint == canonical + u"/inner"_s);
    QCOMPARE(catalog.Describe(root.path(), nullptr), E_POINTER);
}

QTEST_GUILESS_MAIN(TestVolumeCatalog)
#include "tst_VolumeCatalog.moc"
