// Real defragmentation on ext4 and btrfs images of the test's own: files end up in fewer
// pieces with their bytes and metadata as they were, the files that must be left are left,
// stopping and killing leave everything whole, and the reserve of free space holds.

#include "refengine/CDefragRun.h"
#include "refengine/CExt4Defragmenter.h"
#include "refengine/CExtentReader.h"
#include "tests/support/CLoopVolume.h"

#include <QCryptographicHash>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTest>

#include <csignal>
#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <sys/xattr.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

// Everything a pass must keep: the bytes and the metadata.
struct TFileState {
    QByteArray sha256;
    qint64 size = 0;
    mode_t mode = 0;
    uid_t uid = 0;
    gid_t gid = 0;
    qint64 mtimeNs = 0, ctimeNs = 0;
    QByteArray xattr;
    bool operator==(const TFileState&) const = default;
};

TFileState StateOf(const QString& path)
{
    TFileState state;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return state;
    state.sha256 = QCryptographicHash::hash(file.readAll(), QCryptographicHash::Sha256).toHex();
    struct stat info = {};
    ::stat(QFile::encodeName(path).constData(), &info);
    state.size = info.st_size;
    state.mode = info.st_mode;
    state.uid = info.st_uid;
    state.gid = info.st_gid;
    state.mtimeNs = info.st_mtim.tv_sec * 1000000000LL + info.st_mtim.tv_nsec;
    state.ctimeNs = info.st_ctim.tv_sec * 1000000000LL + info.st_ctim.tv_nsec;
    char value[64] = {};
    const ssize_t length =
        ::getxattr(QFile::encodeName(path).constData(), "user.origin", value, sizeof value);
    state.xattr = length > 0 ? QByteArray(value, int(length)) : QByteArray();
    return state;
}

int FragmentsOf(const QString& path)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return -1;
    ::fsync(fd);
    CExtentReader reader;
    const int fragments = reader.Read(fd, 0);
    ::close(fd);
    return fragments;
}

// Files written a piece at a time in turns, each piece synced, end up in pieces.
bool WriteInTurns(const QStringList& paths, int pieces, int pieceBytes)
{
    QList<int> fds;
    for (const QString& path : paths)
        fds.append(
            ::open(QFile::encodeName(path).constData(), O_CREAT | O_WRONLY | O_CLOEXEC, 0640));
    bool written = !fds.contains(-1);
    QByteArray piece(pieceBytes, Qt::Uninitialized);
    for (int round = 0; written && round < pieces; ++round) {
        for (int i = 0; i < fds.size() && written; ++i) {
            for (qsizetype b = 0; b < piece.size(); ++b)
                piece[b] = char((b * 31 + round * 7 + i) & 0xFF);
            written = ::write(fds[i], piece.constData(), size_t(piece.size())) == piece.size() &&
                      ::fsync(fds[i]) == 0;
        }
    }
    for (const int fd : std::as_const(fds)) {
        if (fd >= 0)
            ::close(fd);
    }
    return written;
}

// Mode, owner, times and an extended attribute of the test's choosing.
void Decorate(const QString& path, int index)
{
    const QByteArray name = QFile::encodeName(path);
    QVERIFY(::chmod(name.constData(), index % 2 ? 0600 : 0644) == 0);
    QVERIFY(::chown(name.constData(), uid_t(1000 + index), gid_t(2000 + index)) == 0);
    QVERIFY(::setxattr(name.constData(), "user.origin", "turns", 5, 0) == 0);
    const struct timespec times[2] = {{1500000000 + index, 0}, {1400000000 + index, 123}};
    QVERIFY(::utimensat(AT_FDCWD, name.constData(), times, 0) == 0);
}

CDefragRun::TOptions OptionsFor(const CLoopVolume& volume, const QString& fileSystem)
{
    struct stat root = {};
    ::stat(QFile::encodeName(volume.Path()).constData(), &root);
    CDefragRun::TOptions options;
    options.root = volume.Path();
    options.device = root.st_dev;
    options.fileSystem = fileSystem;
    return options;
}

HRESULT RunPass(
    CDefragRun* run, const std::function<bool()>& keepGoing = [] { return true; })
{
    return run->Run(
        keepGoing, [](double, const QString&) {}, [](const CDefragRun::TFileChange&) {});
}

} // namespace

class TestOnlineDefrag : public QObject {
    Q_OBJECT

private slots:
    void fragmentedFilesBecomeWholeAndStayTheSame_data();
    void fragmentedFilesBecomeWholeAndStayTheSame();
    void filesThatMustBeLeftAreLeftAndCounted();
    void stopTakesEffectBetweenChunks();
    void killedMidPassLeavesEveryFileWhole();
    void reserveOfFreeSpaceHolds();
    void commandLineAnalysesAndDefragments();
};

// Mounts an image of that size; skips only where this machine cannot have loop devices.
#define MOUNT_OR_SKIP(volume, bytes, fileSystem)                                                   \
    do {                                                                                           \
        QString why;                                                                               \
        if (!(volume).Mount((bytes), &why, (fileSystem))) {                                        \
            if (::geteuid() != 0 || !QFile::exists(u"/dev/loop-control"_s))                        \
                QSKIP(qPrintable(why));                                                            \
            QFAIL(qPrintable(why));                                                                \
        }                                                                                          \
    } while (false)

void TestOnlineDefrag::fragmentedFilesBecomeWholeAndStayTheSame_data()
{
    QTest::addColumn<QString>("fileSystem");
    QTest::newRow("ext4") << u"ext4"_s;
    QTest::newRow("btrfs") << u"btrfs"_s;
}

void TestOnlineDefrag::fragmentedFilesBecomeWholeAndStayTheSame()
{
    QFETCH(QString, fileSystem);
    CLoopVolume volume;
    MOUNT_OR_SKIP(volume, 160 << 20, fileSystem);
    QVERIFY(QDir().mkpath(volume.FilePath(u"data"_s)));
    const QStringList paths = {volume.FilePath(u"data/a"_s), volume.FilePath(u"data/b"_s),
                               volume.FilePath(u"data/c"_s)};
    QVERIFY(WriteInTurns(paths, 48, 64 * 1024));
    QMap<QString, TFileState> before;
    for (qsizetype i = 0; i < paths.size(); ++i) {
        Decorate(paths[i], int(i));
        QVERIFY2(FragmentsOf(paths[i]) > 4, qPrintable(paths[i]));
        before.insert(paths[i], StateOf(paths[i]));
    }
    const QStringList entries =
        QDir(volume.FilePath(u"data"_s)).entryList(QDir::AllEntries | QDir::Hidden | QDir::System);

    CDefragRun run(OptionsFor(volume, fileSystem));
    QList<CDefragRun::TFileChange> changes;
    double lastFraction = 0;
    QCOMPARE(run.Run([] { return true; },
                     [&](double fraction, const QString&) {
                         QVERIFY(fraction >= lastFraction);
                         lastFraction = fraction;
                     },
                     [&](const CDefragRun::TFileChange& change) { changes.append(change); }),
             S_OK);

    for (const QString& path : paths) {
        QCOMPARE(FragmentsOf(path), 1);
        QCOMPARE(StateOf(path), before.value(path));
    }
    const CDefragRun::TFigures& figures = run.Figures();
    QCOMPARE(figures.files, quint64(3));
    QCOMPARE(figures.fragmentedBefore, quint64(3));
    QCOMPARE(figures.fragmentedAfter, quint64(0));
    QCOMPARE(figures.filesDefragmented, quint64(3));
    QCOMPARE(figures.extentsAfter, quint64(3));
    QVERIFY(figures.extentsBefore > 12);
    QCOMPARE(figures.SkippedTotal(), quint64(0));
    QCOMPARE(lastFraction, 1.0);
    // The map hears where each file was and is.
    QCOMPARE(changes.size(), 3);
    for (const CDefragRun::TFileChange& change : std::as_const(changes)) {
        QVERIFY(change.fragmentedBefore && !change.fragmentedAfter);
        QVERIFY(change.before.size() > change.after.size());
    }
    // No donor is left in the folder.
    QCOMPARE(
        QDir(volume.FilePath(u"data"_s)).entryList(QDir::AllEntries | QDir::Hidden | QDir::System),
        entries);
}

void TestOnlineDefrag::filesThatMustBeLeftAreLeftAndCounted()
{
    CLoopVolume volume;
    MOUNT_OR_SKIP(volume, 96 << 20, u"ext4"_s);
    const QStringList names = {u"immutable"_s,  u"append"_s, u"written"_s,
                               u"excluded/x"_s, u"swap"_s,   u"plain"_s};
    QVERIFY(QDir().mkpath(volume.FilePath(u"excluded"_s)));
    QStringList paths;
    for (const QString& name : names)
        paths.append(volume.FilePath(name));
    QVERIFY(WriteInTurns(paths, 24, 32 * 1024));
    QVERIFY(::symlink("plain", QFile::encodeName(volume.FilePath(u"link"_s)).constData()) == 0);
    // A file system mounted inside the volume is not the volume's.
    QVERIFY(QDir().mkpath(volume.FilePath(u"inner"_s)));
    QCOMPARE(QProcess::execute(u"mount"_s,
                               {u"-t"_s, u"tmpfs"_s, u"none"_s, volume.FilePath(u"inner"_s)}),
             0);
    const auto unmountInner =
        qScopeGuard([&] { QProcess::execute(u"umount"_s, {volume.FilePath(u"inner"_s)}); });
    QVERIFY(WriteInTurns({volume.FilePath(u"inner/t"_s)}, 4, 4096));

    const auto setFlag = [](const QString& path, int flag) {
        const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
        int flags = 0;
        const bool set = fd >= 0 && ::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0 &&
                         (flags |= flag, ::ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0);
        if (fd >= 0)
            ::close(fd);
        return set;
    };
    QVERIFY(setFlag(paths[0], FS_IMMUTABLE_FL));
    QVERIFY(setFlag(paths[1], FS_APPEND_FL));
    const auto clearFlags = qScopeGuard([&] {
        for (const QString& path : {paths[0], paths[1]}) {
            const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
            int none = 0;
            ::ioctl(fd, FS_IOC_SETFLAGS, &none);
            ::close(fd);
        }
    });
    // A swap file in use, where this machine lets the test have one.
    QVERIFY(::chmod(QFile::encodeName(paths[4]).constData(), 0600) == 0);
    const bool swapping = QProcess::execute(u"mkswap"_s, {u"-q"_s, paths[4]}) == 0 &&
                          QProcess::execute(u"swapon"_s, {paths[4]}) == 0;
    const auto swapOff = qScopeGuard([&] {
        if (swapping)
            QProcess::execute(u"swapoff"_s, {paths[4]});
    });
    if (!swapping)
        qWarning("No swap file can be used here: that rule goes untested.");
    // Another writer: an open descriptor for writing anywhere refuses the read lease.
    const int writer = ::open(QFile::encodeName(paths[2]).constData(), O_WRONLY | O_CLOEXEC);
    QVERIFY(writer >= 0);
    const auto closeWriter = qScopeGuard([&] { ::close(writer); });

    CDefragRun::TOptions options = OptionsFor(volume, u"ext4"_s);
    options.excludedPaths = {volume.FilePath(u"excluded"_s)};
    CDefragRun run(options);
    QCOMPARE(RunPass(&run), S_OK);
    const CDefragRun::TFigures& figures = run.Figures();
    QCOMPARE(figures.skipped[CDefragSkipRules::kImmutableOrAppendOnly], quint64(2));
    QCOMPARE(figures.skipped[CDefragSkipRules::kOpenForWriting], quint64(1));
    QCOMPARE(figures.skipped[CDefragSkipRules::kExcluded], quint64(1));
    QCOMPARE(figures.skipped[CDefragSkipRules::kOtherFileSystem], quint64(1));
    QCOMPARE(figures.skipped[CDefragSkipRules::kNotRegular], quint64(1));
    QCOMPARE(figures.skipped[CDefragSkipRules::kSwapFile], quint64(swapping ? 1 : 0));
    QCOMPARE(figures.filesDefragmented, quint64(swapping ? 1 : 2));
    for (qsizetype i = 0; i < (swapping ? 5 : 4); ++i)
        QVERIFY2(FragmentsOf(paths[i]) > 1, qPrintable(paths[i]));
    QCOMPARE(FragmentsOf(paths[5]), 1);

    // Listed files go through the same rules, and a file elsewhere is refused.
    CDefragRun::TOptions listed = OptionsFor(volume, u"ext4"_s);
    listed.files = {u"link"_s, volume.FilePath(u"inner/t"_s), u"written"_s};
    CDefragRun files(listed);
    QCOMPARE(RunPass(&files), S_OK);
    QCOMPARE(files.Figures().skipped[CDefragSkipRules::kNotRegular], quint64(1));
    QCOMPARE(files.Figures().skipped[CDefragSkipRules::kOtherFileSystem], quint64(1));
    QCOMPARE(files.Figures().skipped[CDefragSkipRules::kOpenForWriting], quint64(1));

    // A file system without a defragmenter moves nothing.
    CDefragRun::TOptions xfs = options;
    xfs.fileSystem = u"xfs"_s;
    CDefragRun refused(xfs);
    QCOMPARE(RunPass(&refused), HRESULT_FROM_WIN32(50));
}

void TestOnlineDefrag::stopTakesEffectBetweenChunks()
{
    CLoopVolume volume;
    MOUNT_OR_SKIP(volume, 128 << 20, u"ext4"_s);
    // Two files in turns: each is in many pieces, and more than three chunks long.
    const QStringList paths = {volume.FilePath(u"one"_s), volume.FilePath(u"two"_s)};
    const int pieces = int(3 * CExt4Defragmenter::kChunkBytes / (256 * 1024)) + 8;
    QVERIFY(WriteInTurns(paths, pieces, 256 * 1024));
    const TFileState before = StateOf(paths[0]);
    const TFileState beforeTwo = StateOf(paths[1]);
    const int fragmentsBefore = FragmentsOf(paths[0]);

    // Paused after the first chunk of the first file (the second question), both files read as
    // they did; stopped at the next question.
    int asked = 0;
    bool readWhilePaused = false;
    QList<double> fractions;
    CDefragRun run(OptionsFor(volume, u"ext4"_s));
    const HRESULT result = run.Run(
        [&] {
            if (++asked == 2)
                readWhilePaused = StateOf(paths[0]) == before && StateOf(paths[1]) == beforeTwo;
            return asked < 3;
        },
        [&](double fraction, const QString&) { fractions.append(fraction); },
        [](const CDefragRun::TFileChange&) {});
    QCOMPARE(result, E_ABORT);
    QVERIFY(readWhilePaused);
    // Stopped after one chunk of the first file: part of it moved, all of it as it was.
    QVERIFY(fractions.size() >= 1 && fractions.last() < 0.5);
    QVERIFY(run.Figures().bytesMoved >= CExt4Defragmenter::kChunkBytes);
    QVERIFY(run.Figures().bytesMoved < quint64(before.size));
    QCOMPARE(StateOf(paths[0]), before);
    QCOMPARE(StateOf(paths[1]), beforeTwo);
    QVERIFY(FragmentsOf(paths[0]) <= fragmentsBefore);

    // A second pass finishes the work. (Small images have 1 KiB blocks in groups of 8 MiB, so a
    // file this long cannot be in fewer than a few pieces.)
    CDefragRun again(OptionsFor(volume, u"ext4"_s));
    QCOMPARE(RunPass(&again), S_OK);
    QVERIFY(FragmentsOf(paths[0]) <= 4);
    QCOMPARE(StateOf(paths[0]), before);
}

void TestOnlineDefrag::killedMidPassLeavesEveryFileWhole()
{
    CLoopVolume volume;
    MOUNT_OR_SKIP(volume, 160 << 20, u"ext4"_s);
    QStringList paths;
    for (int i = 0; i < 8; ++i)
        paths.append(volume.FilePath(u"f%1"_s.arg(i)));
    QVERIFY(WriteInTurns(paths, 96, 64 * 1024));
    QMap<QString, TFileState> before;
    for (const QString& path : std::as_const(paths))
        before.insert(path, StateOf(path));
    ::sync();
    struct statvfs space = {};
    QVERIFY(::statvfs(QFile::encodeName(volume.Path()).constData(), &space) == 0);
    const quint64 freeBefore = quint64(space.f_bfree) * space.f_frsize;

    // Killed as soon as a donor takes space: in the middle of moving a file.
    QProcess engine;
    engine.start(QStringLiteral(KORVANE_ENGINE_PROGRAM),
                 {u"--defragment"_s, volume.Path(), u"--state"_s, volume.FilePath(u"none"_s)});
    QVERIFY(engine.waitForStarted());
    bool killed = false;
    const QDeadlineTimer deadline(60000);
    while (!killed && !deadline.hasExpired() && !engine.waitForFinished(0)) {
        ::statvfs(QFile::encodeName(volume.Path()).constData(), &space);
        if (quint64(space.f_bfree) * space.f_frsize + (1 << 20) < freeBefore) {
            ::kill(pid_t(engine.processId()), SIGKILL);
            killed = true;
        }
        // Polled, not waited for: the donor lives only while one file moves.
        ::usleep(200);
    }
    // A process in the middle of a system call ends when the call returns.
    QVERIFY(engine.waitForFinished(120000));
    if (!killed)
        qWarning("The pass ended before it could be killed; checking the files all the same.");
    else
        QCOMPARE(engine.exitStatus(), QProcess::CrashExit);

    for (const QString& path : std::as_const(paths))
        QCOMPARE(StateOf(path), before.value(path));
    QCOMPARE(QDir(volume.Path()).entryList(QDir::Files | QDir::Hidden | QDir::System).size(),
             paths.size());
    // The donor's space comes back, and the file system checks clean.
    const QString image = volume.ImagePath();
    QVERIFY(volume.Unmount());
    QProcess check;
    check.start(u"e2fsck"_s, {u"-f"_s, u"-n"_s, image});
    QVERIFY(check.waitForFinished(60000));
    QVERIFY2(check.exitCode() == 0, check.readAllStandardOutput().constData());
}

void TestOnlineDefrag::reserveOfFreeSpaceHolds()
{
    CLoopVolume volume;
    MOUNT_OR_SKIP(volume, 128 << 20, u"ext4"_s);
    const QStringList paths = {volume.FilePath(u"a"_s), volume.FilePath(u"b"_s)};
    QVERIFY(WriteInTurns(paths, 64, 128 * 1024)); // 8 MiB each
    struct statvfs space = {};
    const QByteArray root = QFile::encodeName(volume.Path());
    QVERIFY(::statvfs(root.constData(), &space) == 0);
    const quint64 reserve = CDefragRun::ReserveBytes(quint64(space.f_blocks) * space.f_frsize);
    const auto fillTo = [&](quint64 leftAvailable) {
        ::statvfs(root.constData(), &space);
        const quint64 available = quint64(space.f_bavail) * space.f_frsize;
        const int fd = ::open(QFile::encodeName(volume.FilePath(u"ballast"_s)).constData(),
                              O_CREAT | O_WRONLY | O_CLOEXEC, 0600);
        struct stat info = {};
        ::fstat(fd, &info);
        const bool filled = ::fallocate(fd, 0, info.st_size, off_t(available - leftAvailable)) == 0;
        ::close(fd);
        return filled;
    };
    // Room above the reserve, but not for a copy of either file: both are left (and so may be
    // the ballast, should it be in pieces).
    QVERIFY(fillTo(reserve + (4 << 20)));
    CDefragRun tight(OptionsFor(volume, u"ext4"_s));
    QCOMPARE(RunPass(&tight), S_OK);
    QVERIFY(tight.Figures().skipped[CDefragSkipRules::kNoRoom] >= 2);
    QCOMPARE(tight.Figures().filesDefragmented, quint64(0));
    // Below the reserve the pass stops.
    QVERIFY(fillTo(reserve - (1 << 20)));
    CDefragRun below(OptionsFor(volume, u"ext4"_s));
    QCOMPARE(RunPass(&below), CDefragRun::kInsufficientFreeSpace);
    QVERIFY(FragmentsOf(paths[0]) > 1 && FragmentsOf(paths[1]) > 1);
}

void TestOnlineDefrag::commandLineAnalysesAndDefragments()
{
    CLoopVolume volume;
    MOUNT_OR_SKIP(volume, 96 << 20, u"ext4"_s);
    QVERIFY(QDir().mkpath(volume.FilePath(u"d"_s)));
    const QStringList paths = {volume.FilePath(u"d/x"_s), volume.FilePath(u"d/y"_s),
                               volume.FilePath(u"root-owned"_s)};
    QVERIFY(WriteInTurns(paths, 32, 64 * 1024));
    const auto run = [](const QStringList& arguments, const QStringList& prefix = {}) {
        QProcess engine;
        const QString program = QStringLiteral(KORVANE_ENGINE_PROGRAM);
        if (prefix.isEmpty())
            engine.start(program, arguments);
        else
            engine.start(prefix.first(), prefix.mid(1) + QStringList{program} + arguments);
        engine.waitForFinished(60000);
        return std::make_pair(engine.exitCode(), QString::fromUtf8(engine.readAllStandardOutput() +
                                                                   engine.readAllStandardError()));
    };

    auto [code, output] = run({u"--analyse"_s, volume.Path()});
    QCOMPARE(code, 0);
    QVERIFY2(output.contains(u"Files seen:          3 (6.0 MiB)"_s), qPrintable(output));
    QVERIFY2(output.contains(u"Fragmented files:    3\n"_s), qPrintable(output));

    // A user may move only the files they may write (and may reach the volume's folder).
    QVERIFY(::chmod(QFile::encodeName(QFileInfo(volume.Path()).absolutePath()).constData(), 0711) ==
            0);
    std::tie(code, output) =
        run({u"--defragment"_s, paths[2]},
            {u"setpriv"_s, u"--reuid=65534"_s, u"--regid=65534"_s, u"--clear-groups"_s});
    QCOMPARE(code, 0);
    QVERIFY2(output.contains(u"no permission to write it:"_s), qPrintable(output));
    QVERIFY(FragmentsOf(paths[2]) > 1);

    // Only the files under the folder named.
    std::tie(code, output) =
        run({u"--defragment"_s, volume.FilePath(u"d"_s), u"--method"_s, u"tierlayout"_s});
    QCOMPARE(code, 0);
    QVERIFY2(output.contains(u"Fragmented files:    2 before, 0 after"_s), qPrintable(output));
    QCOMPARE(FragmentsOf(paths[0]), 1);
    QVERIFY(FragmentsOf(paths[2]) > 1);

    QCOMPARE(run({u"--defragment"_s, volume.Path(), u"--method"_s, u"fastest"_s}).first, 2);
    QCOMPARE(run({u"--defragment"_s, volume.FilePath(u"missing"_s)}).first, 1);
}

QTEST_GUILESS_MAIN(TestOnlineDefrag)
#include "tst_OnlineDefrag.moc"
