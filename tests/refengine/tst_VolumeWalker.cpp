#include "refengine/CDirectoryScanner.h"
#include "refengine/CDriveMapBuilder.h"
#include "refengine/CExtentReader.h"
#include "refengine/CMountTable.h"
#include "refengine/CSpaceMapReader.h"
#include "refengine/CVolumeCatalog.h"
#include "refengine/CVolumeWalker.h"
#include "tests/refengine/TestFiles.h"
#include "tests/support/CLoopVolume.h"

#include <QDirIterator>
#include <QHash>
#include <QProcess>
#include <QRegularExpression>
#include <QSet>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QUuid>
#include <QtTest>

#include <atomic>
#include <ctime>
#include <fcntl.h>
#include <linux/fiemap.h>
#include <memory>
#include <optional>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <thread>

using namespace Qt::StringLiterals;

// The volumes of this machine and their facts; fragment counting and the drive map on their own,
// walks of temporary trees on whatever file system holds them, and, as root, walks of an ext4
// image checked against filefrag.
class TestVolumeWalker : public QObject {
    Q_OBJECT

private slots:
    void cleanup();

    void readsMountInfoAndChoosesVolumes();
    void volumeIds();
    void driveTypeFromSysfs_data();
    void driveTypeFromSysfs();

    void countsFragmentsAsFilefrag_data();
    void countsFragmentsAsFilefrag();
    void blockCodeIsTheCategoryWithMostBytes();
    void freeRunsAreTheGaps();
    void snapshotsWhileThreadsAdd();

    void walksATemporaryTree();
    void walksABigTreeAsToldByItsCallback();

    void loopMountedImageAgainstFilefrag();
    void fileExtensions_data();
    void fileExtensions();
    void excludedPathsAreLeftOutOfTheWalk();

private:
    // Mounts made by a test, unmounted by cleanup() whatever happened.
    QStringList m_mounts;
    // Paths made unreadable, made readable again by cleanup().
    QStringList m_locked;
    std::unique_ptr<QTemporaryDir> m_scratch;
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

constexpr qint64 kDay = 24 * 60 * 60;

bool WriteFile(const QString& path, qint64 bytes, bool sync = true)
{
    return WriteTestFile(path, QByteArray(bytes, 'k'), sync);
}

bool SetModified(const QString& path, qint64 when)
{
    const struct timespec times[2] = {{when, 0}, {when, 0}};
    return ::utimensat(AT_FDCWD, QFile::encodeName(path).constData(), times, 0) == 0;
}

// Runs a tool; answers its exit code (-1 when it could not run) and what it wrote.
int RunTool(const QString& program, const QStringList& arguments, QByteArray* output = nullptr)
{
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(program, arguments);
    if (!process.waitForFinished(120000))
        return -1;
    if (output)
        *output = process.readAll();
    return process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
}

// "filefrag -v" of each path: the count of its "N extents found" line.
QHash<QString, int> FilefragCounts(const QString& filefrag, const QStringList& paths)
{
    QByteArray output;
    RunTool(filefrag, QStringList{u"-v"_s} + paths, &output);
    static const QRegularExpression line(u"^(.*): (\\d+) extents? found$"_s,
                                         QRegularExpression::MultilineOption);
    QHash<QString, int> counts;
    auto match = line.globalMatch(QString::fromUtf8(output));
    while (match.hasNext()) {
        const QRegularExpressionMatch found = match.next();
        counts.insert(found.captured(1), found.captured(2).toInt());
    }
    return counts;
}

// "category:files:bytes" of each row of the category table; directories without their bytes,
// which are the file system's.
QStringList Categories(const TAnalysisFigures& figures)
{
    QStringList rows;
    for (const TAnalysisFigures::TCategory& row : figures.categories) {
        rows << u"%1:%2"_s.arg(row.category).arg(row.files) +
                    (row.category == CDriveMapBuilder::kDirectory ? QString()
                                                                  : u":%1"_s.arg(row.bytes));
    }
    return rows;
}

// Every block's files, by path.
QHash<QString, CVolumeWalker::TBlockFile> IndexedItems(const CVolumeWalker& walker)
{
    QHash<QString, CVolumeWalker::TBlockFile> items;
    for (int block = 0; block < CDriveMapBuilder::kBlocks; ++block) {
        for (const CVolumeWalker::TBlockFile& item : walker.BlockFiles(block))
            items.insert(item.path, item);
    }
    return items;
}

// What a walk found about its files, one line a figure; the free space is left out, as the
// file system holding the files may change it between two walks.
QStringList FileFigures(const CVolumeWalker& walker)
{
    const TAnalysisFigures& f = walker.Figures();
    QStringList lines{u"%1 files, %2 directories, %3 bytes"_s.arg(f.files)
                          .arg(f.directories)
                          .arg(f.totalFileBytes),
                      u"%1 fragmented, %2 excess, %3 unknown, %4%"_s.arg(f.fragmentedFiles)
                          .arg(f.excessFileFragments)
                          .arg(f.unknownExtentFiles)
                          .arg(f.fileFragmentationPercent)};
    lines += Categories(f);
    const auto items = IndexedItems(walker);
    QStringList indexed;
    for (auto it = items.cbegin(); it != items.cend(); ++it)
        indexed << u"%1: %2 fragments, %3 bytes"_s.arg(it.key()).arg(it->fragments).arg(it->bytes);
    indexed.sort();
    return lines + indexed;
}

} // namespace

void TestVolumeWalker::cleanup()
{
    for (const QString& path : std::as_const(m_locked))
        QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    m_locked.clear();
    while (!m_mounts.isEmpty()) {
        const QString point = m_mounts.takeLast();
        if (RunTool(u"umount"_s, {point}) != 0)
            RunTool(u"umount"_s, {u"-l"_s, point});
    }
    m_scratch.reset();
}

void TestVolumeWalker::readsMountInfoAndChoosesVolumes()
{
    // Escapes are undone; the optional fields before the separator are not the type; a line
    // without super options still says everything that matters; malformed lines are skipped.
    const CMountTable table = CMountTable::Parse(kSampleMountInfo);
    const QStringList lines = Lines(table);
    QCOMPARE(lines.size(), 15);
    QCOMPARE(lines.last(), u"41|22|8:11|/|/after-blank|rw|ext4|/dev/sda11|rw"_s);
    QCOMPARE(lines[3], u"25|22|8:3|/|/mnt/my data|rw,noatime|ext4|/dev/sda3|rw"_s);
    QCOMPARE(lines[6], u"28|22|8:2|/home/user|/srv/bind|rw|ext4|/dev/sda2|rw"_s);
    QCOMPARE(lines[9], u"31|22|8:17|/|/media/usb\ttab\\back|rw|vfat|/dev/sdb1|rw,fmask=0022"_s);
    QCOMPARE(lines[13], u"35|22|8:34|/|/last|rw|xfs|/dev/sdc2|"_s);
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

void TestVolumeWalker::volumeIds()
{
    const auto id = [](const QString& uuid, const QString& source, const QString& mountPoint) {
        return CVolumeCatalog::VolumeId(uuid, source, mountPoint);
    };
    // A full UUID keeps its value, in braces and lower case.
    QCOMPARE(id(u"0C6F3E8A-1D2B-4C5D-8E9F-A0B1C2D3E4F5"_s, u"/dev/sda1"_s, u"/"_s),
             u"{0c6f3e8a-1d2b-4c5d-8e9f-a0b1c2d3e4f5}"_s);
    // A short serial, or one as long as a UUID that is none, names the file system wherever it
    // is mounted; without any, source and mount point name it; a served directory its path.
    const QString serial = id(u"ABCD-1234"_s, u"/dev/sdb1"_s, u"/media"_s);
    const QString odd = id(u"zzzzzzzz-1d2b-4c5d-8e9f-a0b1c2d3e4f5"_s, u"/dev/sda1"_s, u"/"_s);
    QCOMPARE(QUuid(serial).toString(QUuid::WithBraces), serial);
    QVERIFY(QUuid(serial).version() == QUuid::Sha1 && QUuid(odd).version() == QUuid::Sha1);
    QCOMPARE(id(u"ABCD-1234"_s, u"/dev/sdc1"_s, u"/mnt"_s), serial);
    const QString bare = id(QString(), u"/dev/sdd1"_s, u"/data"_s);
    QCOMPARE(id(QString(), u"/dev/sdd1"_s, u"/data"_s), bare);
    const QSet<QString> distinct{serial,
                                 odd,
                                 bare,
                                 id(u"ABCD-1235"_s, u"/dev/sdb1"_s, u"/media"_s),
                                 id(QString(), u"/dev/sdd1"_s, u"/data2"_s),
                                 id(QString(), u"/dev/sdd2"_s, u"/data"_s),
                                 id(u"/srv/share"_s, QString(), QString()),
                                 CVolumeCatalog::DirectoryId(u"/srv/share"_s),
                                 CVolumeCatalog::DirectoryId(u"/srv/share2"_s)};
    QCOMPARE(distinct.size(), 9);
}

void TestVolumeWalker::driveTypeFromSysfs_data()
{
    QTest::addColumn<QString>("disk");
    QTest::addColumn<QByteArray>("removable");
    QTest::addColumn<QByteArray>("rotational");
    QTest::addColumn<bool>("partition");
    QTest::addColumn<uint>("expected");
    QTest::addColumn<QString>("bus"); // the bus the disk's device names, when it names one

    const auto row = [](const char* name, const QString& disk, const char* removable,
                        const char* rotational, bool partition, uint expected,
                        const QString& bus = QString()) {
        QTest::newRow(name) << disk << QByteArray(removable) << QByteArray(rotational) << partition
                            << expected << bus;
    };
    row("spinning disk", u"pci0/ata1/block/sda"_s, "0\n", "1\n", true, 1);
    row("solid state", u"pci0/nvme/block/nvme0n1"_s, "0\n", "0\n", true, 4);
    row("memory card, removable", u"pci0/mmc/block/mmcblk0"_s, "1\n", "0\n", true, 3);
    row("memory card, fixed", u"pci0/mmc/block/mmcblk1"_s, "0\n", "0\n", true, 3);
    row("memory card through its host", u"pci0/mmc_host/mmc0/mmc0:0001/block/xda"_s, "0\n", "0\n",
        false, 3);
    row("memory card by its device's bus", u"pci0/sdhci/block/disk0"_s, "0\n", "1\n", true, 3,
        u"mmc"_s);
    row("other bus", u"pci0/scsi/block/sdd"_s, "0\n", "1\n", true, 1, u"scsi"_s);
    row("removable spinning", u"pci0/ata2/block/sdb"_s, "1\n", "1\n", false, 2);
    row("usb solid state", u"pci0/usb2/2-1/block/sdc"_s, "0\n", "0\n", true, 2);
    row("no queue facts", u"pci0/virtual/block/vdz"_s, "", "", false, 1);
}

void TestVolumeWalker::driveTypeFromSysfs()
{
    QFETCH(QString, disk);
    QFETCH(QByteArray, removable);
    QFETCH(QByteArray, rotational);
    QFETCH(bool, partition);
    QFETCH(uint, expected);
    QFETCH(QString, bus);

    QTemporaryDir sys;
    QVERIFY(sys.isValid());
    const QString diskPath = sys.filePath(u"devices/"_s + disk);
    QVERIFY(QDir().mkpath(diskPath));
    if (!bus.isEmpty()) {
        QVERIFY(QDir().mkpath(sys.filePath(u"bus/"_s + bus)));
        QVERIFY(QDir().mkpath(diskPath + u"/device"_s));
        QVERIFY(QFile::link(sys.filePath(u"bus/"_s + bus), diskPath + u"/device/subsystem"_s));
    }
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

void TestVolumeWalker::countsFragmentsAsFilefrag_data()
{
    using TExtents = QList<CExtentReader::TExtent>;
    QTest::addColumn<TExtents>("extents");
    QTest::addColumn<int>("fragments");
    const auto extent = [](quint64 logical, quint64 physical) {
        return CExtentReader::TExtent{logical, physical, 4096, 0};
    };

    QTest::newRow("no extents") << TExtents{} << 0;
    QTest::newRow("one") << TExtents{extent(0, 4096)} << 1;
    QTest::newRow("split but adjacent") << TExtents{extent(0, 4096), extent(4096, 8192)} << 1;
    QTest::newRow("hole, continuing at the logical distance")
        << TExtents{extent(0, 100000), extent(65536, 165536)} << 1;
    QTest::newRow("hole, continuing right after")
        << TExtents{extent(0, 100000), extent(65536, 104096)} << 1;
    QTest::newRow("two places") << TExtents{extent(0, 4096), extent(4096, 81920)} << 2;
    QTest::newRow("back and forth")
        << TExtents{extent(0, 81920), extent(4096, 4096), extent(8192, 8192), extent(12288, 90112)}
        << 3;
    QTest::newRow("starting after a hole") << TExtents{extent(65536, 4096)} << 1;
    QTest::newRow("waiting for allocation")
        << TExtents{{0, 0, 4096, FIEMAP_EXTENT_DELALLOC | FIEMAP_EXTENT_UNKNOWN}} << 1;
}

void TestVolumeWalker::countsFragmentsAsFilefrag()
{
    QFETCH(QList<CExtentReader::TExtent>, extents);
    QFETCH(int, fragments);
    QCOMPARE(CExtentReader::CountFragments(std::span(extents.cbegin(), extents.cend())), fragments);
    // Fed one at a time, as batches of the ioctl arrive, the count is the same.
    CExtentReader::TFragmentCounter counter;
    for (const CExtentReader::TExtent& extent : extents)
        counter.Add(extent);
    QCOMPARE(counter.Count(), fragments);
}

void TestVolumeWalker::blockCodeIsTheCategoryWithMostBytes()
{
    // 100 bytes a block.
    CDriveMapBuilder map(360000);
    QVERIFY(map.AddExtent(0, 60, CDriveMapBuilder::kRarelyModified, false));
    QVERIFY(map.AddExtent(60, 40, CDriveMapBuilder::kRecentlyModified, false));
    QVERIFY(map.AddExtent(100, 30, CDriveMapBuilder::kOccasionallyModified, true));
    QVERIFY(map.AddExtent(130, 70, CDriveMapBuilder::kDirectory, false));
    QVERIFY(map.AddExtent(250, 230, CDriveMapBuilder::kRecentlyModified, false));
    QVERIFY(map.AddExtent(10000, 50, CDriveMapBuilder::kUsed, false));
    QVERIFY(map.AddExtent(10050, 50, CDriveMapBuilder::kExcluded, false));
    QVERIFY(map.AddExtent(360000 + 5000, 10, CDriveMapBuilder::kRarelyModified, false));
    // Refused: nothing changes.
    QVERIFY(!map.AddExtent(20000, 100, 5, true));
    QVERIFY(!map.AddExtent(20000, 0, CDriveMapBuilder::kDirectory, true));

    // Block 1: directory bytes win, a fragmented file lies there. Block 100: a tie goes to the
    // lower code. Past the end counts in the last block. Untouched blocks are not yet known while
    // walking, free once final.
    const auto pick = [](const CDriveMapBuilder::TCodes& codes) {
        return QList<quint8>{codes[0], codes[1],   codes[2],   codes[3],   codes[4],
                             codes[5], codes[100], codes[200], codes[3599]};
    };
    QCOMPARE(pick(map.Codes(false)), (QList<quint8>{1, 0x14, 3, 3, 3, 13, 10, 13, 1}));
    QCOMPARE(pick(map.Codes(true)), (QList<quint8>{1, 0x14, 3, 3, 3, 9, 10, 9, 1}));

    // Block boundaries hold on a volume too large for them to be reckoned in 64 bits.
    const quint64 huge = quint64(1) << 62;
    for (const quint64 byte : {quint64(0), huge / 3, huge / 2 + 1, huge - 1}) {
        const int block = CDriveMapBuilder::BlockOf(byte, huge);
        QVERIFY(CDriveMapBuilder::BlockStart(block, huge) <= byte);
        QVERIFY(byte < CDriveMapBuilder::BlockStart(block + 1, huge));
    }
    QCOMPARE(CDriveMapBuilder::BlockStart(CDriveMapBuilder::kBlocks, huge), huge);
}

void TestVolumeWalker::freeRunsAreTheGaps()
{
    CDriveMapBuilder map(1000);
    QVERIFY(map.AddExtent(0, 100, CDriveMapBuilder::kRarelyModified, false));
    QVERIFY(map.AddExtent(100, 100, CDriveMapBuilder::kRarelyModified, false));
    // Ranges added on another thread count as well.
    std::thread other([&map] {
        map.AddExtent(350, 100, CDriveMapBuilder::kDirectory, false);
        map.AddExtent(900, 100, CDriveMapBuilder::kUsed, false);
    });
    other.join();
    QVERIFY(map.AddExtent(300, 100, CDriveMapBuilder::kRecentlyModified, false));
    const CDriveMapBuilder::TFreeSpace free = map.FreeSpace();
    QCOMPARE(free.runs, quint64(2)); // [200, 300) and [450, 900)
    QCOMPARE(free.largestRun, quint64(450));
    QCOMPARE(free.bytes, quint64(550));
    // Short runs: the largest never counts as one.
    QCOMPARE(map.FreeSpace(300).shortRunBytes, quint64(100));
    QCOMPARE(map.FreeSpace(1000).shortRunBytes, quint64(100));
    QCOMPARE(map.FreeSpace(50).shortRunBytes, quint64(0));

    // What is used but was not met fills only the gaps.
    map.AddUncovered({{150, 200}, {600, 50}, {0, 10}}, CDriveMapBuilder::kUsed);
    const CDriveMapBuilder::TFreeSpace filled = map.FreeSpace();
    QCOMPARE(filled.runs, quint64(2)); // [450, 600) and [650, 900)
    QCOMPARE(filled.largestRun, quint64(250));
    QCOMPARE(filled.bytes, quint64(400));
    const CDriveMapBuilder::TCodes codes = map.Codes(true);
    QCOMPARE((QList<quint8>{codes[map.BlockOf(5)], codes[map.BlockOf(160)], codes[map.BlockOf(250)],
                            codes[map.BlockOf(620)], codes[map.BlockOf(500)]}),
             (QList<quint8>{1, 1, 10, 10, 9}));
}

void TestVolumeWalker::snapshotsWhileThreadsAdd()
{
    // Four threads fill a quarter of the map each, one category each, while this thread takes
    // snapshots; the end result is the same as if they had taken turns.
    constexpr quint64 kBlockBytes = 4096;
    CDriveMapBuilder map(kBlockBytes * CDriveMapBuilder::kBlocks);
    std::atomic<bool> done{false};
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&map, t] {
            const quint8 category = quint8(t + 1);
            for (int block = t * 900; block < (t + 1) * 900; ++block) {
                for (quint64 piece = 0; piece < 8; ++piece)
                    map.AddExtent(block * kBlockBytes + piece * 512, 512, category, block % 7 == 0);
            }
        });
    }
    std::thread watcher([&map, &done] {
        while (!done.load()) {
            const CDriveMapBuilder::TCodes codes = map.Codes(false);
            for (const quint8 code : codes) {
                const quint8 category = code & 0x0F;
                if (!(category == 13 || (category >= 1 && category <= 4)))
                    qFatal("impossible block code %u", unsigned(code));
            }
        }
    });
    for (std::thread& thread : threads)
        thread.join();
    done.store(true);
    watcher.join();

    const CDriveMapBuilder::TCodes codes = map.Codes(true);
    for (int block = 0; block < CDriveMapBuilder::kBlocks; ++block) {
        const quint8 expected = quint8(block / 900 + 1) | (block % 7 == 0 ? 0x10 : 0);
        QCOMPARE(codes[block], expected);
    }
    QCOMPARE(map.FreeSpace().runs, quint64(0));
}

void TestVolumeWalker::walksATemporaryTree()
{
    // Kept until cleanup() has made everything readable again, so that it can be removed.
    m_scratch = std::make_unique<QTemporaryDir>();
    const QTemporaryDir& root = *m_scratch;
    QVERIFY(root.isValid());
    const qint64 now = std::time(nullptr);
    const std::tuple<const char*, int, int> tree[] = {
        {"old.txt", 100, 100},   {"a/middle.txt", 200, 45},  {"a/new.txt", 300, 0},
        {"a/b/one.txt", 400, 0}, {"c/excluded.txt", 500, 0}, {"empty", 0, 0}};
    for (const auto& [name, bytes, days] : tree) {
        QVERIFY(WriteFile(root.filePath(QString::fromLatin1(name)), bytes, false));
        QVERIFY(SetModified(root.filePath(QString::fromLatin1(name)), now - days * kDay));
    }
    // Counted once however many names it has; a link and a fifo are no files to walk.
    QVERIFY(::link(QFile::encodeName(root.filePath(u"a/new.txt"_s)).constData(),
                   QFile::encodeName(root.filePath(u"a/b/hard"_s)).constData()) == 0);
    QVERIFY(QFile::link(root.filePath(u"a"_s), root.filePath(u"link"_s)));
    QVERIFY(::mkfifo(QFile::encodeName(root.filePath(u"fifo"_s)).constData(), 0600) == 0);

    TVolumeDescription volume;
    QCOMPARE(CVolumeCatalog().Describe(root.path(), &volume), S_OK);
    TWalkOptions options;
    options.now = now;
    options.excludedPaths = {volume.mountPoint + u"/c"_s, u"/elsewhere/entirely"_s};
    CVolumeWalker walker(volume, options);
    QList<TWalkProgress> reports;
    QCOMPARE(walker.Run([&reports](const TWalkProgress& progress) {
        reports.append(progress);
        return true;
    }),
             S_OK);

    const TAnalysisFigures& figures = walker.Figures();
    QCOMPARE(FileFigures(walker).first(), u"6 files, 4 directories, 1500 bytes"_s);
    QCOMPARE(Categories(figures),
             (QStringList{u"1:1:100"_s, u"2:1:200"_s, u"3:3:700"_s, u"4:4"_s, u"11:1:500"_s}));
    QCOMPARE(figures.skippedItems, quint64(0));
    // Every file with data has a fragment count or is counted as unknown.
    quint64 counted = figures.unknownExtentFiles;
    for (const TAnalysisFigures::TBucket& bucket : figures.fragmentHistogram)
        counted += bucket.files;
    QCOMPARE(counted, quint64(5));

    // Reported from the start, the last report complete.
    QVERIFY(reports.size() >= 2 && reports.first().files == 0);
    const TWalkProgress& last = reports.last();
    QCOMPARE(
        u"%1 %2 %3 %4"_s.arg(last.files).arg(last.directories).arg(last.bytes).arg(last.percent),
        u"6 4 1500 100"_s);

    // A path relative to the volume is taken from its mount point; what is not on the volume is
    // refused, and the answer left as it was.
    CVolumeWalker::TFileBlocks blocks;
    QCOMPARE(CVolumeWalker::FileBlocks(volume, u"a/new.txt"_s, &blocks), S_OK);
    QVERIFY(blocks.fragments != 0);
    QCOMPARE(CVolumeWalker::FileBlocks(volume, volume.mountPoint + u"/empty"_s, &blocks), S_OK);
    QVERIFY(blocks.blocks.isEmpty());
    blocks.fragments = 7;
    QCOMPARE(CVolumeWalker::FileBlocks(volume, QString(), &blocks), E_INVALIDARG);
    QCOMPARE(CVolumeWalker::FileBlocks(volume, u"missing"_s, &blocks),
             HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND));
    QCOMPARE(CVolumeWalker::FileBlocks(volume, u"/proc/self/status"_s, &blocks), E_INVALIDARG);
    QCOMPARE(blocks.fragments, 7);
    QCOMPARE(CVolumeWalker::FileBlocks(volume, u"x"_s, nullptr), E_POINTER);

    // A directory served by another name is the same volume; what is no directory is none.
    const CVolumeCatalog catalog;
    TVolumeDescription served, alias;
    QCOMPARE(catalog.Describe(root.filePath(u"a"_s), &served), S_OK);
    QCOMPARE(catalog.Describe(root.filePath(u"link"_s) + u'/', &alias), S_OK);
    QVERIFY(served.id == alias.id && served.mountPoint == alias.mountPoint &&
            served.id != volume.id);
    QCOMPARE(catalog.Describe(root.filePath(u"empty"_s), &alias), HRESULT_FROM_WIN32(267));
    QCOMPARE(catalog.Describe(root.filePath(u"missing"_s), &alias),
             HRESULT_FROM_WIN32(ERROR_PATH_NOT_FOUND));
    QCOMPARE(alias.id, served.id);

    // Unreadable entries are skipped and counted; root reads everything whatever its mode.
    if (::geteuid() == 0)
        return;
    m_locked << root.filePath(u"a/b"_s) << root.filePath(u"old.txt"_s);
    for (const QString& path : std::as_const(m_locked))
        QVERIFY(QFile::setPermissions(path, {}));
    CVolumeWalker locked(volume, options);
    QCOMPARE(locked.Run({}), S_OK);
    QStringList skipped;
    for (const TAnalysisFigures::TSkippedItem& item : locked.Figures().skipped)
        skipped << u"%1 %2 %3"_s.arg(item.path).arg(item.reason).arg(quint32(item.error), 0, 16);
    QCOMPARE(skipped, (QStringList{volume.mountPoint + u"/a/b 0 80070005"_s,
                                   volume.mountPoint + u"/old.txt 0 80070005"_s}));
    QCOMPARE(FileFigures(locked).first(), u"4 files, 3 directories, 1000 bytes"_s);
    QCOMPARE(locked.Figures().skippedItems, quint64(2));
}

void TestVolumeWalker::walksABigTreeAsToldByItsCallback()
{
    // 2000 files in 40 directories over three levels, of many sizes and ages.
    QTemporaryDir root;
    QVERIFY(root.isValid());
    const qint64 now = std::time(nullptr);
    for (int d = 0; d < 40; ++d) {
        const QString directory = u"d%1/e%2/f%3"_s.arg(d % 3).arg(d % 5).arg(d);
        for (int f = 0; f < 50; ++f) {
            const QString path = root.filePath(directory + u"/file%1"_s.arg(f));
            QVERIFY(WriteFile(path, 10 + 97 * f, false));
            QVERIFY(SetModified(path, now - (f % 4) * 25 * kDay));
        }
    }
    // Written files get their places on disk when the kernel writes them back: before that two
    // walks could see them in different places.
    ::sync();
    TVolumeDescription volume;
    QCOMPARE(CVolumeCatalog().Describe(root.path(), &volume), S_OK);
    TWalkOptions four;
    four.threads = 4;
    four.now = now;
    // What else the file system holds may change between the walks; these files do not.
    four.readSpaceMap = false;
    TWalkOptions one = four;
    one.threads = 1;

    // Declined at the start: nothing is counted, and a walker walks once.
    CVolumeWalker stopped(volume, four);
    int calls = 0;
    QCOMPARE(stopped.Run([&calls](const TWalkProgress&) { return ++calls < 0; }), E_ABORT);
    QCOMPARE(calls, 1);
    QCOMPARE(stopped.Figures().files, quint64(0));
    QCOMPARE(stopped.Run({}), E_UNEXPECTED);

    // Held by the callback, the walk adds nothing to the map.
    CVolumeWalker together(volume, four);
    calls = 0;
    bool movedWhileHeld = false;
    QCOMPARE(together.Run([&](const TWalkProgress& progress) {
        ++calls;
        if (progress.percent >= 100)
            return true;
        const CDriveMapBuilder::TCodes before = together.Map().Codes(false);
        std::this_thread::sleep_for(std::chrono::milliseconds(calls == 1 ? 150 : 20));
        movedWhileHeld = movedWhileHeld || together.Map().Codes(false) != before;
        return true;
    }),
             S_OK);
    QVERIFY(!movedWhileHeld);

    // Four threads find what one finds.
    CVolumeWalker alone(volume, one);
    QCOMPARE(alone.Run({}), S_OK);
    QCOMPARE(alone.Figures().files, quint64(2000));
    QCOMPARE(FileFigures(together), FileFigures(alone));
}

void TestVolumeWalker::loopMountedImageAgainstFilefrag()
{
    if (::geteuid() != 0)
        QSKIP("Mounting an ext4 image on a loop device needs root.");
    const QStringList sbin = {u"/usr/sbin"_s, u"/sbin"_s, u"/usr/bin"_s, u"/bin"_s};
    const QString mkfs = QStandardPaths::findExecutable(u"mkfs.ext4"_s, sbin);
    const QString filefrag = QStandardPaths::findExecutable(u"filefrag"_s, sbin);
    if (mkfs.isEmpty() || filefrag.isEmpty())
        QSKIP("e2fsprogs (mkfs.ext4, filefrag) is not installed.");

    m_scratch = std::make_unique<QTemporaryDir>();
    QVERIFY(m_scratch->isValid());
    const QString image = m_scratch->filePath(u"volume.img"_s);
    QVERIFY(WriteTestFile(image, QByteArray()) && QFile::resize(image, 48 << 20));
    QByteArray output;
    QVERIFY2(RunTool(mkfs, {u"-q"_s, u"-F"_s, image}, &output) == 0, output.constData());
    const QString mount = m_scratch->filePath(u"mnt"_s);
    QVERIFY(QDir().mkpath(mount));
    if (RunTool(u"mount"_s, {u"-o"_s, u"loop"_s, image, mount}, &output) != 0)
        QSKIP(qPrintable(u"No loop device can be used here: "_s +
                         QString::fromLocal8Bit(output).trimmed()));
    m_mounts << mount;
    const QString canonical = QFileInfo(mount).canonicalFilePath();

    // Files written a piece at a time in turns end up in pieces.
    const qint64 now = std::time(nullptr);
    QStringList files;
    {
        std::vector<std::unique_ptr<QFile>> turns;
        for (int i = 0; i < 4; ++i) {
            files << canonical + u"/turns/part%1"_s.arg(i);
            QDir().mkpath(canonical + u"/turns"_s);
            turns.push_back(std::make_unique<QFile>(files.last()));
            QVERIFY(turns.back()->open(QIODevice::WriteOnly));
        }
        const QByteArray piece(12 * 1024, 't');
        for (int round = 0; round < 20; ++round) {
            for (auto& file : turns) {
                QVERIFY(file->write(piece) == piece.size() && file->flush());
                QVERIFY(::fsync(file->handle()) == 0);
            }
            // Directory entries between the rounds: the directory grows in pieces too.
            for (int e = 0; e < 15; ++e) {
                files << canonical + u"/many/r%1-%2"_s.arg(round).arg(e);
                QVERIFY(WriteFile(files.last(), 100 + e));
            }
        }
    }
    // The first rarely modified, the second occasionally, the others recently.
    for (int i = 0; i < 30; ++i) {
        files << canonical + u"/tree/sub%1/file%2"_s.arg(i % 3).arg(i);
        QVERIFY(WriteFile(files.last(), 1000 * i + 1));
        QVERIFY(SetModified(files.last(), now - (i == 0 ? 100 : i == 1 ? 45 : 0) * kDay));
    }
    // A file with a hole, one preallocated and partly written, one empty.
    const auto writeTwice = [&files](const QString& path, qint64 preallocate, qint64 second) {
        files << path;
        QFile file(path);
        const QByteArray page(4096, 'p');
        return file.open(QIODevice::WriteOnly) &&
               (!preallocate || ::fallocate(file.handle(), 0, 0, preallocate) == 0) &&
               file.write(page) == page.size() && file.seek(second) &&
               file.write(page) == page.size() && file.flush() && ::fsync(file.handle()) == 0;
    };
    QVERIFY(writeTwice(canonical + u"/sparse"_s, 0, 1 << 20));
    QVERIFY(writeTwice(canonical + u"/preallocated"_s, 1 << 20, 40960));
    files << canonical + u"/empty"_s;
    QVERIFY(WriteFile(files.last(), 0));

    // Another file system mounted inside is not walked.
    const QString nested = canonical + u"/nested"_s;
    QVERIFY(QDir().mkpath(nested));
    QVERIFY2(RunTool(u"mount"_s, {u"-t"_s, u"tmpfs"_s, u"-o"_s, u"size=1m"_s, u"tmpfs"_s, nested},
                     &output) == 0,
             output.constData());
    m_mounts << nested;
    QVERIFY(WriteFile(nested + u"/hidden"_s, 100 * 1024));
    QVERIFY(WriteFile(nested + u"/d/small"_s, 10));

    TVolumeDescription volume;
    for (const TVolumeDescription& candidate : CVolumeCatalog().Volumes()) {
        if (candidate.mountPoint == canonical)
            volume = candidate;
    }
    QVERIFY2(!volume.id.isEmpty(), "the mounted image is not among the machine's volumes");
    QCOMPARE(volume.fileSystem, u"ext4"_s);
    QVERIFY(volume.deviceBytes >= quint64(48) << 20);

    TWalkOptions options;
    options.now = now;
    options.threads = 2;
    CVolumeWalker walker(volume, options);
    std::optional<CDriveMapBuilder::TCodes> atStart;
    QCOMPARE(walker.Run([&](const TWalkProgress&) {
        if (!atStart)
            atStart = walker.Map().Codes(false);
        return true;
    }),
             S_OK);
    const TAnalysisFigures& figures = walker.Figures();

    // Each file and directory against filefrag, and the walk's own counts against both.
    QStringList directories = {canonical};
    QDirIterator it(canonical, QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        if (!path.startsWith(nested))
            directories << path;
    }
    const QHash<QString, int> expected = FilefragCounts(filefrag, files + directories);
    QCOMPARE(expected.size(), files.size() + directories.size());
    const auto indexed = IndexedItems(walker);
    const CDriveMapBuilder::TCodes final = walker.Map().Codes(true);
    quint64 fragmented = 0, excess = 0, weighed = 0, bytes = 0;
    int most = 0;
    for (const QString& path : files + directories) {
        const int count = expected.value(path);
        CVolumeWalker::TFileBlocks blocks;
        QCOMPARE(CVolumeWalker::FileBlocks(volume, path, &blocks), S_OK);
        QVERIFY2(blocks.fragments == count,
                 qPrintable(u"%1: %2, filefrag %3"_s.arg(path).arg(blocks.fragments).arg(count)));
        if (indexed.contains(path))
            QCOMPARE(indexed[path].fragments, count);
        else
            QVERIFY2(blocks.blocks.isEmpty(), qPrintable(path));
        // The index has the file in every block it lies in.
        for (const quint32 block : blocks.blocks) {
            bool found = false;
            for (const CVolumeWalker::TBlockFile& item : walker.BlockFiles(int(block)))
                found = found || item.path == path;
            QVERIFY2(found, qPrintable(path));
        }
        if (!files.contains(path))
            continue;
        const quint64 size = quint64(QFileInfo(path).size());
        bytes += size;
        if (count > 1) {
            ++fragmented;
            excess += quint64(count - 1);
            weighed += std::min(size, quint64(count - 1) * TAnalysisFigures::kExcessFragmentBytes);
            most = std::max(most, count);
            for (const quint32 block : blocks.blocks)
                QVERIFY(final[block] & CDriveMapBuilder::kFragmentedFlag);
        }
    }
    QVERIFY2(fragmented >= 4, "the files written in turns should be in pieces");
    QCOMPARE(FileFigures(walker).mid(0, 6),
             (QStringList{u"%1 files, %2 directories, %3 bytes"_s.arg(files.size())
                              .arg(directories.size())
                              .arg(bytes),
                          u"%1 fragmented, %2 excess, 0 unknown, %3%"_s.arg(fragmented)
                              .arg(excess)
                              .arg(100.0 * double(weighed) / double(bytes)),
                          u"1:1:1"_s, u"2:1:1001"_s,
                          u"3:%1:%2"_s.arg(files.size() - 2).arg(bytes - 1002),
                          u"4:%1"_s.arg(directories.size())}));
    QCOMPARE(figures.mostFragmentedFiles.first().fragments, quint32(most));

    // The map: untouched blocks are not yet known while walking, free at the end; what the
    // file system keeps for itself is metadata from the start when it can tell.
    std::vector<CSpaceMapReader::TRange> metadata, data;
    {
        const int fd = ::open(QFile::encodeName(canonical).constData(), O_RDONLY | O_DIRECTORY);
        QVERIFY(fd >= 0);
        CSpaceMapReader::Read(fd, &metadata, &data);
        ::close(fd);
    }
    const auto has = [](const CDriveMapBuilder::TCodes& codes, auto test) {
        return std::any_of(codes.begin(), codes.end(), test);
    };
    QVERIFY(has(*atStart, [](quint8 code) { return code == 13; }));
    QVERIFY(!has(*atStart, [](quint8 code) { return code != 13 && code != 7; }));
    QVERIFY(!has(final, [](quint8 code) { return code == 13; }));
    QVERIFY(has(final, [](quint8 code) { return code == 9; }));
    QVERIFY(has(final, [](quint8 code) { return (code & 0x0F) >= 1 && (code & 0x0F) <= 3; }));
    QVERIFY(has(final, [](quint8 code) { return (code & 0x0F) == 4; }));
    QVERIFY(metadata.empty() || has(final, [](quint8 code) { return code == 7; }));

    QVERIFY(figures.freeRuns >= 1 && figures.largestFreeRun > 0 &&
            figures.largestFreeRun <= walker.Map().FreeSpace().bytes);
    QVERIFY(figures.freeBytes > 0 && figures.freeBytes < figures.totalBytes &&
            figures.totalBytes <= volume.deviceBytes);
    QVERIFY(figures.freeSpaceFragmentationPercent < 100);
    if (!metadata.empty()) {
        // With what the file system uses for itself in the map, its gaps are the free space,
        // but for what its allocator holds in reserve for files being written (the bitmaps count
        // it used, statvfs free).
        const double gaps = double(walker.Map().FreeSpace().bytes);
        QVERIFY2(qAbs(gaps - double(figures.freeBytes)) < 0.02 * double(volume.deviceBytes),
                 qPrintable(u"gaps %1, free %2"_s.arg(gaps).arg(figures.freeBytes)));
    }

    // The tmpfs inside, served on its own, has files whose extents cannot be known.
    TVolumeDescription memory;
    QVERIFY(CVolumeCatalog().Describe(nested, &memory) == S_OK && memory.fileSystem == u"tmpfs");
    CVolumeWalker unknown(memory);
    QCOMPARE(unknown.Run({}), S_OK);
    QCOMPARE(FileFigures(unknown).mid(0, 2),
             (QStringList{u"2 files, 2 directories, 102410 bytes"_s,
                          u"0 fragmented, 0 excess, 2 unknown, 0%"_s}));
    for (const quint8 code : unknown.Map().Codes(true))
        QCOMPARE(code, quint8(9));
    CVolumeWalker::TFileBlocks blocks;
    QCOMPARE(CVolumeWalker::FileBlocks(memory, u"hidden"_s, &blocks), S_OK);
    QCOMPARE(blocks.fragments, -1);
    QVERIFY(blocks.blocks.isEmpty());

    // Taken away while the walk starts: the volume is gone.
    CVolumeWalker again(volume, options);
    bool detached = false;
    const HRESULT hr = again.Run([&](const TWalkProgress&) {
        if (!detached)
            detached = RunTool(u"umount"_s, {u"-l"_s, canonical}) == 0;
        return true;
    });
    QVERIFY(detached);
    m_mounts.clear();
    QCOMPARE(hr, CVolumeWalker::kDeviceGone);
}

void TestVolumeWalker::fileExtensions_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("extension");
    QTest::newRow("plain") << u"notes.txt"_s << u"txt"_s;
    QTest::newRow("upper case, last dot") << u"Backup.TAR.GZ"_s << u"gz"_s;
    QTest::newRow("hidden file") << u".profile"_s << QString();
    QTest::newRow("sixteen bytes") << u"a.abcdefghijklmnop"_s << u"abcdefghijklmnop"_s;
    QTest::newRow("longer") << u"a.abcdefghijklmnopq"_s << QString();
    QTest::newRow("non-ASCII kept") << u"Bild.JPÉG"_s << u"jpÉg"_s;
}

void TestVolumeWalker::fileExtensions()
{
    QFETCH(QString, name);
    QFETCH(QString, extension);
    QCOMPARE(QString::fromStdString(CDirectoryScanner::FileExtension(name.toStdString())),
             extension);
}

void TestVolumeWalker::excludedPathsAreLeftOutOfTheWalk()
{
    CLoopVolume loop;
    if (QString why; !loop.Mount(24 << 20, &why))
        QSKIP(qPrintable(why));
    // Two files written a piece at a time in turns end up in pieces; one of them is excluded.
    {
        QVERIFY(QDir().mkpath(loop.FilePath(u"keep"_s)) && QDir().mkpath(loop.FilePath(u"skip"_s)));
        QFile kept(loop.FilePath(u"keep/turns"_s)), skipped(loop.FilePath(u"skip/turns"_s));
        QVERIFY(kept.open(QIODevice::WriteOnly) && skipped.open(QIODevice::WriteOnly));
        const QByteArray piece(12 * 1024, 't');
        for (int round = 0; round < 20; ++round) {
            for (QFile* file : {&kept, &skipped}) {
                QVERIFY(file->write(piece) == piece.size() && file->flush());
                QVERIFY(::fsync(file->handle()) == 0);
            }
        }
    }
    const std::pair<const char*, int> others[] = {{"keep/notes.txt", 100}, {"keep/photo.JPG", 3000},
                                                  {"keep/.hidden", 50},    {"keep/one.log", 70},
                                                  {"skip/deep/c.TXT", 40}, {"noext", 10}};
    for (const auto& [name, bytes] : others)
        QVERIFY(WriteFile(loop.FilePath(QString::fromLatin1(name)), bytes));

    TVolumeDescription volume;
    QCOMPARE(CVolumeCatalog().Describe(loop.Path(), &volume), S_OK);
    TWalkOptions options;
    options.threads = 2;
    options.excludedPaths = {loop.FilePath(u"skip"_s), loop.FilePath(u"keep/one.log"_s),
                             u"/elsewhere"_s};
    CVolumeWalker walker(volume, options);
    QCOMPARE(walker.Run({}), S_OK);
    const TAnalysisFigures& figures = walker.Figures();

    // The excluded files are listed, most fragments first, and drawn as excluded.
    QStringList excluded;
    for (const TAnalysisFigures::TFragmentedItem& item : figures.excludedFiles)
        excluded << item.path.mid(loop.Path().size() + 1);
    QVERIFY(!excluded.isEmpty());
    QCOMPARE(excluded.first(), u"skip/turns"_s);
    QVERIFY(figures.excludedFiles.first().fragments > 1);
    excluded.sort();
    QCOMPARE(excluded, (QStringList{u"keep/one.log"_s, u"skip/deep/c.TXT"_s, u"skip/turns"_s}));
    QCOMPARE(figures.excludedFileCount, quint64(3));
    QVERIFY(Categories(figures).contains(u"11:3:%1"_s.arg(20 * 12 * 1024 + 70 + 40)));

    // Only the file left in place counts as fragmented.
    QCOMPARE(figures.fragmentedFiles, quint64(1));
    QCOMPARE(figures.mostFragmentedFiles.size(), 1);
    QCOMPARE(figures.mostFragmentedFiles.first().path, loop.FilePath(u"keep/turns"_s));
    QCOMPARE(figures.excessFileFragments,
             quint64(figures.mostFragmentedFiles.first().fragments - 1));

    // Every file by extension, excluded ones too.
    QStringList types;
    for (const TAnalysisFigures::TFileType& type : figures.fileTypes)
        types << u"%1:%2:%3"_s.arg(type.extension).arg(type.files).arg(type.bytes);
    types.sort();
    QCOMPARE(types, (QStringList{u":4:%1"_s.arg(2 * 20 * 12 * 1024 + 50 + 10), u"jpg:1:3000"_s,
                                 u"log:1:70"_s, u"txt:2:140"_s}));
}

QTEST_GUILESS_MAIN(TestVolumeWalker)
#include "tst_VolumeWalker.moc"
