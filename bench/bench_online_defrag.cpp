// Online defragmentation by korvane-engine against the file systems' own tools.
//
// For ext4 and btrfs in turn, a 1 GiB sparse image is loop-mounted and fragmented the same way on
// every run: 12,000 small files (4 to 64 KiB) with every other one deleted, then 10 large files
// (8 to 40 MiB) and 30 medium ones (256 KiB to 1 MiB) grown in interleaved 64 KiB appends, each
// fsynced, so the allocator interleaves them; 16 files of 1 to 4 MiB are written whole, 4 left
// empty. ext4 is made to share its preallocation between files while this happens, btrfs keeps
// its metadata single so that a volume this small is not taken up by unused metadata chunks.
// Files get varied modes, owners, times and a user.* xattr; at least 25 % stays free. The image is
// copied sparsely so both runs start from the same blocks; one copy is defragmented by the system
// tool (e4defrag MOUNTPOINT, or btrfs filesystem defragment -r MOUNTPOINT), the other by
// `korvane-engine --defragment MOUNTPOINT --method defrag`, caches dropped before each.
//
// Printed per file system, tool against engine: total extents and fragmented files before and
// after (FIEMAP, counted the way filefrag counts extents), wall time (the program plus flushing
// its volume), bytes verified, files whose contents or metadata changed, files left in more
// extents than before and the worst-fragmented files, then the verdicts; with --repeat, medians.
// A ctime change is listed on its own line and is not a mismatch.
//
// Needs root, /dev/loop-control, mkfs.ext4, e4defrag, mkfs.btrfs and btrfs. Everything lives in a
// temporary folder of its own that is unmounted, detached and removed however the run ends:
//     sudo build/bench/bench_online_defrag [--engine PROGRAM] [--fs ext4|btrfs] [--repeat N]
// Exit status: 0 when the bench ran, whatever its verdicts; 2 when it cannot run on this machine;
// 1 when a step failed; 130 when interrupted.
#include <QCommandLineParser>
#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QMap>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTextStream>

#include <algorithm>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <linux/fiemap.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <sys/sysmacros.h>
#include <sys/xattr.h>
#include <unistd.h>
#include <vector>

using namespace Qt::StringLiterals;

namespace {

constexpr qint64 kMiB = 1024 * 1024;
constexpr qint64 kImageBytes = 1024 * kMiB;
// Small files: 4 KiB to 64 KiB (about 400 MiB), every other one deleted afterwards.
constexpr int kSmallFiles = 12000;
constexpr int kSmallDirectories = 40;
constexpr qint64 kSmallUnit = 4096;
// Large files grown together, one fsynced append to each in turn (240 MiB in all).
constexpr int kLargeMiB[] = {8, 12, 16, 20, 24, 28, 32, 36, 40, 24};
constexpr qint64 kAppendBytes = 64 * 1024;
// Smaller files grown the same way alongside them: 256 KiB to 1 MiB.
constexpr int kMediumFiles = 30;
// Files written whole in one go, 1 to 4 MiB, and a few empty ones.
constexpr int kWholeFiles = 16;
constexpr int kEmptyFiles = 4;
constexpr double kMinFreeShare = 0.25;
constexpr int kProgramTimeoutMs = 30 * 60 * 1000;
constexpr int kExitCannotRun = 2;
constexpr int kExitFailed = 1;
constexpr int kExitInterrupted = 130;

volatile std::sig_atomic_t g_interrupted = 0;

void OnInterrupt(int)
{
    g_interrupted = 1;
}

QTextStream& Out()
{
    static QTextStream stream(stdout);
    return stream;
}

QTextStream& Err()
{
    static QTextStream stream(stderr);
    return stream;
}

QString SystemError(const QString& what)
{
    return what + u": "_s + QString::fromLocal8Bit(std::strerror(errno));
}

// The system tools live in sbin folders that a user's PATH may leave out.
QString FindTool(const QString& name)
{
    const QString found = QStandardPaths::findExecutable(name);
    if (!found.isEmpty())
        return found;
    return QStandardPaths::findExecutable(name, {u"/usr/sbin"_s, u"/sbin"_s});
}

struct TRunResult {
    bool started = false;
    bool exited = false; // ended by itself, not by a signal or by us
    int exitCode = -1;
    qint64 milliseconds = 0;
    QString output; // stdout and stderr as they came
};

// Runs a program to its end. It is waited for in short steps so that an interrupt (when
// interruptible) or the time-out kills it rather than leaving it behind.
TRunResult
RunProgram(const QString& program, const QStringList& arguments, bool interruptible,
           const QProcessEnvironment& environment = QProcessEnvironment::systemEnvironment())
{
    TRunResult result;
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.setProcessEnvironment(environment);
    QElapsedTimer timer;
    timer.start();
    process.start(program, arguments);
    if (!process.waitForStarted(-1)) {
        result.output = program + u": "_s + process.errorString();
        return result;
    }
    result.started = true;
    while (process.state() != QProcess::NotRunning && !process.waitForFinished(100)) {
        if ((interruptible && g_interrupted) || timer.elapsed() > kProgramTimeoutMs) {
            // A defragmenter is asked to stop first, so that it ends between two moves.
            process.terminate();
            if (!process.waitForFinished(10000)) {
                process.kill();
                process.waitForFinished(-1);
            }
            result.milliseconds = timer.elapsed();
            result.output = QString::fromLocal8Bit(process.readAll()) +
                            (g_interrupted ? u"\n(interrupted)"_s : u"\n(timed out)"_s);
            return result;
        }
    }
    result.milliseconds = timer.elapsed();
    result.output = QString::fromLocal8Bit(process.readAll());
    result.exited = process.exitStatus() == QProcess::NormalExit;
    result.exitCode = process.exitCode();
    return result;
}

bool RunStep(const QString& program, const QStringList& arguments, QString* error)
{
    const TRunResult result = RunProgram(program, arguments, true);
    if (result.exited && result.exitCode == 0)
        return true;
    *error = program + u' ' + arguments.join(u' ') + u" failed:\n"_s + result.output.trimmed();
    return false;
}

QString LastLines(const QString& text, int count)
{
    // Progress that redraws itself (carriage returns, cursor moves) is read as separate lines.
    static const QRegularExpression redraw(u"\\r|\\x1b\\[[0-9;?]*[A-Za-z]"_s);
    QStringList lines = QString(text).replace(redraw, u"\n"_s).split(u'\n', Qt::SkipEmptyParts);
    lines.erase(std::remove_if(lines.begin(), lines.end(),
                               [](const QString& line) { return line.trimmed().isEmpty(); }),
                lines.end());
    if (lines.isEmpty())
        return u"(nothing)"_s;
    return lines.mid(std::max<qsizetype>(0, lines.size() - count)).join(u'\n');
}

// Set when a volume could not be unmounted: its folder must then not be removed, or the removal
// would reach into the mounted file system.
bool g_leftMounted = false;

// An image loop-mounted on a folder. Unmounted, and its loop devices detached, when it goes.
class CLoopMount {
public:
    CLoopMount(QString image, QString mountPoint)
        : m_image(std::move(image))
        , m_mountPoint(std::move(mountPoint))
    {}
    CLoopMount(const CLoopMount&) = delete;
    CLoopMount& operator=(const CLoopMount&) = delete;
    ~CLoopMount() { Unmount(); }

    const QString& MountPoint() const { return m_mountPoint; }

    bool Mount(QString* error)
    {
        if (!QDir().mkpath(m_mountPoint)) {
            *error = u"cannot make the folder "_s + m_mountPoint;
            return false;
        }
        const TRunResult result =
            RunProgram(FindTool(u"mount"_s), {u"-o"_s, u"loop"_s, m_image, m_mountPoint}, false);
        m_attached = true;
        if (!result.exited || result.exitCode != 0) {
            *error = u"mount -o loop "_s + m_image + u" failed:\n"_s + result.output.trimmed();
            Unmount();
            return false;
        }
        m_mounted = true;
        return true;
    }

    void Unmount()
    {
        if (m_mounted) {
            ::sync();
            TRunResult result = RunProgram(FindTool(u"umount"_s), {m_mountPoint}, false);
            if (!result.exited || result.exitCode != 0) {
                Err() << "bench_online_defrag: umount " << m_mountPoint
                      << " failed, detaching it lazily: " << result.output.trimmed() << Qt::endl;
                result = RunProgram(FindTool(u"umount"_s), {u"-l"_s, m_mountPoint}, false);
                if (!result.exited || result.exitCode != 0) {
                    Err() << "bench_online_defrag: " << m_mountPoint
                          << " is still mounted; its folder is left in place" << Qt::endl;
                    g_leftMounted = true;
                    return;
                }
            }
            m_mounted = false;
        }
        if (m_attached) {
            DetachLoops();
            m_attached = false;
        }
    }

private:
    // mount -o loop detaches on unmount by itself; this catches a failed mount or a lazy unmount.
    void DetachLoops() const
    {
        const TRunResult list = RunProgram(FindTool(u"losetup"_s), {u"-j"_s, m_image}, false);
        for (const QString& line : list.output.split(u'\n', Qt::SkipEmptyParts)) {
            const QString device = line.section(u':', 0, 0);
            if (device.startsWith(u"/dev/loop"_s))
                RunProgram(FindTool(u"losetup"_s), {u"-d"_s, device}, false);
        }
    }

    QString m_image;
    QString m_mountPoint;
    bool m_attached = false;
    bool m_mounted = false;
};

// Content that does not compress and differs per file and per chunk.
void FillPattern(std::vector<char>& buffer, qint64 bytes, quint64 seed)
{
    quint64 state = seed * 0x9E3779B97F4A7C15ull + 0x632BE59BD9B4E019ull;
    for (qint64 offset = 0; offset < bytes; offset += 8) {
        state ^= state << 13;
        state ^= state >> 7;
        state ^= state << 17;
        std::memcpy(buffer.data() + offset, &state, std::min<qint64>(8, bytes - offset));
    }
}

bool WriteAll(int fd, const char* data, qint64 bytes)
{
    while (bytes > 0) {
        const ssize_t written = ::write(fd, data, size_t(bytes));
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return false;
        data += written;
        bytes -= written;
    }
    return true;
}

bool WriteFile(const QString& path, std::vector<char>& buffer, qint64 bytes, quint64 seed,
               bool sync, QString* error)
{
    const QByteArray name = QFile::encodeName(path);
    const int fd = ::open(name.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) {
        *error = SystemError(path);
        return false;
    }
    if (qint64(buffer.size()) < bytes)
        buffer.resize(size_t(bytes));
    FillPattern(buffer, bytes, seed);
    bool ok = WriteAll(fd, buffer.data(), bytes) && (!sync || ::fsync(fd) == 0);
    if (!ok)
        *error = SystemError(path);
    if (::close(fd) != 0 && ok) {
        *error = SystemError(path);
        ok = false;
    }
    return ok;
}

// ext4 gives a file that grows in requests of at least mb_stream_req blocks a preallocation
// of its own, which keeps interleaved appends apart. Raised, every request comes from the
// shared per-CPU preallocation instead, so the files' appends land next to each other. The
// setting lasts as long as this mount.
bool ShareExt4Preallocation(const QString& root, QString* error)
{
    struct stat status = {};
    if (::stat(QFile::encodeName(root).constData(), &status) != 0) {
        *error = SystemError(root);
        return false;
    }
    const QString device =
        QFileInfo(u"/sys/dev/block/%1:%2"_s.arg(major(status.st_dev)).arg(minor(status.st_dev)))
            .canonicalFilePath()
            .section(u'/', -1);
    QFile setting(u"/sys/fs/ext4/"_s + device + u"/mb_stream_req"_s);
    if (device.isEmpty() || !setting.open(QIODevice::WriteOnly) || setting.write("1048576") <= 0 ||
        !setting.flush()) {
        *error = setting.fileName() + u": "_s + setting.errorString();
        return false;
    }
    return true;
}

bool SyncVolume(const QString& root, QString* error)
{
    const int fd = ::open(QFile::encodeName(root).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    const bool ok = fd >= 0 && ::syncfs(fd) == 0;
    if (!ok)
        *error = SystemError(u"syncfs "_s + root);
    if (fd >= 0)
        ::close(fd);
    return ok;
}

QStringList RegularFiles(const QString& root)
{
    QStringList files;
    QDirIterator it(root, QDir::Files | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    const QString lostFound = root + u"/lost+found/"_s;
    while (it.hasNext()) {
        const QString path = it.next();
        struct stat status = {};
        if (path.startsWith(lostFound) ||
            ::lstat(QFile::encodeName(path).constData(), &status) != 0 || !S_ISREG(status.st_mode))
            continue;
        files.append(path);
    }
    files.sort();
    return files;
}

// Modes, owners, an xattr and times that differ from file to file, so that a defragmenter that
// loses any of them is caught. Times go last: the others change ctime but not mtime.
bool SetMetadata(const QStringList& files, QString* error)
{
    constexpr mode_t kModes[] = {0644, 0600, 0640, 0755, 0444, 0664, 04750};
    for (int i = 0; i < files.size(); ++i) {
        const int fd = ::open(QFile::encodeName(files[i]).constData(), O_RDONLY | O_CLOEXEC);
        if (fd < 0) {
            *error = SystemError(files[i]);
            return false;
        }
        const QByteArray tag = "file " + QByteArray::number(i) + " of the fragmented volume";
        const timespec times[2] = {{1500000000 + i * 60, long(i % 1000) * 1000},
                                   {1600000000 + i * 3600, long(i * 7919 % 1000000000)}};
        const bool ok =
            ::fchown(fd, uid_t(1000 + i % 4), gid_t(100 + i % 3)) == 0 &&
            ::fchmod(fd, kModes[i % std::size(kModes)]) == 0 &&
            ::fsetxattr(fd, "user.kvbench", tag.constData(), size_t(tag.size()), 0) == 0 &&
            ::futimens(fd, times) == 0;
        if (!ok)
            *error = SystemError(files[i]);
        ::close(fd);
        if (!ok)
            return false;
    }
    return true;
}

// The recipe that fragments a freshly made volume; see the head of this file.
bool Fragment(const QString& root, QString* error)
{
    std::vector<char> buffer(size_t(64 * kMiB));
    QDir folder(root);
    for (const QString& sub : {u"small"_s, u"large"_s, u"medium"_s, u"whole"_s})
        folder.mkpath(sub);
    for (int d = 0; d < kSmallDirectories; ++d)
        folder.mkpath(u"small/d%1"_s.arg(d, 2, 10, QChar(u'0')));
    const auto smallPath = [&root](int i) {
        return root + u"/small/d%1/f%2"_s.arg(i % kSmallDirectories, 2, 10, QChar(u'0'))
                          .arg(i, 5, 10, QChar(u'0'));
    };
    for (int i = 0; i < kSmallFiles; ++i) {
        if (g_interrupted)
            return false;
        if (!WriteFile(smallPath(i), buffer, kSmallUnit * (1 + i * 7 % 16), quint64(i), false,
                       error))
            return false;
        // Flushing now and then keeps btrfs from reserving far more metadata than it needs.
        if (i % 1000 == 999 && !SyncVolume(root, error))
            return false;
    }
    if (!SyncVolume(root, error))
        return false;
    for (int i = 0; i < kSmallFiles; i += 2) {
        if (::unlink(QFile::encodeName(smallPath(i)).constData()) != 0) {
            *error = SystemError(smallPath(i));
            return false;
        }
    }
    if (!SyncVolume(root, error))
        return false;

    // Each append is fsynced so that it is allocated now, next to the other files' last ones.
    struct TGrown {
        QString path;
        qint64 bytes;
        int fd;
    };
    std::vector<TGrown> grown;
    for (int f = 0; f < int(std::size(kLargeMiB)); ++f)
        grown.push_back({root + u"/large/grown%1.bin"_s.arg(f), kLargeMiB[f] * kMiB, -1});
    for (int f = 0; f < kMediumFiles; ++f)
        grown.push_back({root + u"/medium/m%1.bin"_s.arg(f, 2, 10, QChar(u'0')),
                         (4 + f * 5 % 13) * kAppendBytes, -1});
    const auto closeAll = [&grown] {
        for (const TGrown& file : grown) {
            if (file.fd >= 0)
                ::close(file.fd);
        }
    };
    qint64 rounds = 0;
    for (TGrown& file : grown) {
        file.fd =
            ::open(QFile::encodeName(file.path).constData(), O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
        if (file.fd < 0) {
            *error = SystemError(file.path);
            closeAll();
            return false;
        }
        rounds = std::max(rounds, file.bytes / kAppendBytes);
    }
    for (qint64 round = 0; round < rounds; ++round) {
        for (size_t f = 0; f < grown.size(); ++f) {
            if (round * kAppendBytes >= grown[f].bytes)
                continue;
            FillPattern(buffer, kAppendBytes, (quint64(f + 1) << 32) + quint64(round));
            if (g_interrupted || !WriteAll(grown[f].fd, buffer.data(), kAppendBytes) ||
                ::fsync(grown[f].fd) != 0) {
                *error = g_interrupted ? u"interrupted"_s : SystemError(grown[f].path);
                closeAll();
                return false;
            }
        }
    }
    closeAll();

    for (int i = 0; i < kWholeFiles; ++i) {
        if (!WriteFile(root + u"/whole/w%1.bin"_s.arg(i, 2, 10, QChar(u'0')), buffer,
                       (1 + i % 4) * kMiB - i * 512, quint64(0xABCD0000 + i), true, error))
            return false;
    }
    for (int i = 0; i < kEmptyFiles; ++i) {
        if (!WriteFile(root + u"/whole/empty%1"_s.arg(i), buffer, 0, 0, false, error))
            return false;
    }
    return SetMetadata(RegularFiles(root), error) && SyncVolume(root, error);
}

double FreeShare(const QString& root)
{
    struct statvfs status = {};
    if (::statvfs(QFile::encodeName(root).constData(), &status) != 0 || status.f_blocks == 0)
        return 0.0;
    return double(status.f_bavail) / double(status.f_blocks);
}

struct TFileState {
    QByteArray sha256;
    qint64 size = 0;
    mode_t mode = 0;
    uid_t uid = 0;
    gid_t gid = 0;
    qint64 mtimeNs = 0;
    qint64 ctimeNs = 0;
    QMap<QByteArray, QByteArray> xattrs;
    qint64 extents = 0;
};

struct TVolumeState {
    QMap<QString, TFileState> files; // by path below the mount point
    qint64 extents = 0;
    qint64 fragmentedFiles = 0;
    qint64 bytes = 0;
};

// Extents as filefrag counts them: each FIEMAP extent adds one unless it carries on physically
// from the one before (right after it, or after a hole as long in both address spaces).
bool CountExtents(int fd, qint64* count, QString* error)
{
    constexpr quint32 kBatch = 256;
    std::vector<quint64> storage((sizeof(fiemap) + kBatch * sizeof(fiemap_extent)) / 8 + 1);
    auto* map = reinterpret_cast<fiemap*>(storage.data());
    quint64 start = 0;
    bool first = true;
    bool last = false;
    fiemap_extent previous = {};
    qint64 extents = 0;
    while (!last) {
        std::fill(storage.begin(), storage.end(), 0);
        map->fm_start = start;
        map->fm_length = FIEMAP_MAX_OFFSET - start;
        map->fm_flags = first ? FIEMAP_FLAG_SYNC : 0;
        map->fm_extent_count = kBatch;
        if (::ioctl(fd, FS_IOC_FIEMAP, map) != 0) {
            *error = SystemError(u"FIEMAP"_s);
            return false;
        }
        if (map->fm_mapped_extents == 0)
            break;
        for (quint32 i = 0; i < map->fm_mapped_extents; ++i) {
            const fiemap_extent& extent = map->fm_extents[i];
            const bool continues =
                !first && (extent.fe_physical == previous.fe_physical + previous.fe_length ||
                           extent.fe_physical ==
                               previous.fe_physical + (extent.fe_logical - previous.fe_logical));
            if (!continues)
                ++extents;
            previous = extent;
            first = false;
            last = (extent.fe_flags & FIEMAP_EXTENT_LAST) != 0;
        }
        start = previous.fe_logical + previous.fe_length;
    }
    *count = extents;
    return true;
}

bool ReadXattrs(int fd, QMap<QByteArray, QByteArray>* xattrs, QString* error)
{
    const ssize_t listSize = ::flistxattr(fd, nullptr, 0);
    if (listSize < 0) {
        *error = SystemError(u"listxattr"_s);
        return false;
    }
    QByteArray names(listSize, '\0');
    const ssize_t listed = ::flistxattr(fd, names.data(), size_t(names.size()));
    if (listed < 0) {
        *error = SystemError(u"listxattr"_s);
        return false;
    }
    names.truncate(listed);
    for (const QByteArray& name : names.split('\0')) {
        if (name.isEmpty())
            continue;
        const ssize_t valueSize = ::fgetxattr(fd, name.constData(), nullptr, 0);
        QByteArray value(std::max<ssize_t>(valueSize, 0), '\0');
        const ssize_t read =
            valueSize < 0 ? -1
                          : ::fgetxattr(fd, name.constData(), value.data(), size_t(value.size()));
        if (read < 0) {
            *error = SystemError(u"getxattr "_s + QString::fromLocal8Bit(name));
            return false;
        }
        value.truncate(read);
        xattrs->insert(name, value);
    }
    return true;
}

bool ReadFileState(const QString& path, TFileState* file, QString* error)
{
    const QByteArray name = QFile::encodeName(path);
    // O_NOATIME: reading for the hash must not leave the file different from before.
    int fd = ::open(name.constData(), O_RDONLY | O_NOATIME | O_CLOEXEC);
    if (fd < 0)
        fd = ::open(name.constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        *error = SystemError(path);
        return false;
    }
    struct stat status = {};
    bool ok = ::fstat(fd, &status) == 0;
    if (!ok)
        *error = SystemError(path);
    ok = ok && CountExtents(fd, &file->extents, error) && ReadXattrs(fd, &file->xattrs, error);
    QCryptographicHash hash(QCryptographicHash::Sha256);
    std::vector<char> buffer(static_cast<size_t>(kMiB));
    while (ok) {
        const ssize_t read = ::read(fd, buffer.data(), buffer.size());
        if (read < 0 && errno == EINTR)
            continue;
        if (read < 0) {
            *error = SystemError(path);
            ok = false;
        }
        if (read <= 0)
            break;
        hash.addData(QByteArrayView(buffer.data(), read));
    }
    ::close(fd);
    if (!ok) {
        *error = path + u": "_s + *error;
        return false;
    }
    file->sha256 = hash.result();
    file->size = status.st_size;
    file->mode = status.st_mode;
    file->uid = status.st_uid;
    file->gid = status.st_gid;
    file->mtimeNs = qint64(status.st_mtim.tv_sec) * 1000000000 + status.st_mtim.tv_nsec;
    file->ctimeNs = qint64(status.st_ctim.tv_sec) * 1000000000 + status.st_ctim.tv_nsec;
    return true;
}

bool ReadVolume(const QString& root, TVolumeState* volume, QString* error)
{
    *volume = {};
    const QStringList files = RegularFiles(root);
    for (const QString& path : files) {
        if (g_interrupted) {
            *error = u"interrupted"_s;
            return false;
        }
        TFileState file;
        if (!ReadFileState(path, &file, error))
            return false;
        volume->extents += file.extents;
        volume->fragmentedFiles += file.extents > 1 ? 1 : 0;
        volume->bytes += file.size;
        volume->files.insert(path.mid(root.size() + 1), file);
    }
    return true;
}

struct TComparison {
    qint64 mismatches = 0;
    qint64 ctimeChanged = 0;
    QStringList details;
    qint64 morePieces = 0; // files a defragmenter left in more extents than it found
    QStringList morePiecesDetails;
};

// Every file must come out as it went in; files that appear (a leftover donor, say) count too.
TComparison Compare(const TVolumeState& before, const TVolumeState& after)
{
    TComparison comparison;
    const auto note = [&comparison](const QString& path, const QStringList& what) {
        ++comparison.mismatches;
        if (comparison.details.size() < 10)
            comparison.details.append(path + u": "_s + what.join(u", "_s));
    };
    for (auto it = before.files.cbegin(); it != before.files.cend(); ++it) {
        const auto found = after.files.constFind(it.key());
        if (found == after.files.cend()) {
            note(it.key(), {u"missing"_s});
            continue;
        }
        const TFileState& was = it.value();
        const TFileState& is = found.value();
        QStringList what;
        if (was.sha256 != is.sha256)
            what.append(u"SHA-256"_s);
        if (was.size != is.size)
            what.append(u"size %1 -> %2"_s.arg(was.size).arg(is.size));
        if (was.mode != is.mode)
            what.append(u"mode %1 -> %2"_s.arg(was.mode, 0, 8).arg(is.mode, 0, 8));
        if (was.uid != is.uid || was.gid != is.gid)
            what.append(
                u"owner %1:%2 -> %3:%4"_s.arg(was.uid).arg(was.gid).arg(is.uid).arg(is.gid));
        if (was.mtimeNs != is.mtimeNs)
            what.append(u"mtime %1 -> %2"_s.arg(was.mtimeNs).arg(is.mtimeNs));
        if (was.xattrs != is.xattrs)
            what.append(u"xattrs"_s);
        if (!what.isEmpty())
            note(it.key(), what);
        if (was.ctimeNs != is.ctimeNs)
            ++comparison.ctimeChanged;
        if (is.extents > was.extents) {
            ++comparison.morePieces;
            if (comparison.morePiecesDetails.size() < 5)
                comparison.morePiecesDetails.append(
                    u"%1 %2 -> %3"_s.arg(it.key()).arg(was.extents).arg(is.extents));
        }
    }
    for (auto it = after.files.cbegin(); it != after.files.cend(); ++it) {
        if (!before.files.contains(it.key()))
            note(it.key(), {u"appeared"_s});
    }
    return comparison;
}

// Neither run may profit from what the other, or the measuring, left in the page cache.
QString DropCaches()
{
    ::sync();
    QFile control(u"/proc/sys/vm/drop_caches"_s);
    if (!control.open(QIODevice::WriteOnly) || control.write("3") != 1 || !control.flush())
        return u"caches not dropped: "_s + control.errorString();
    return {};
}

struct TSide {
    QString name;
    TVolumeState before;
    TVolumeState after;
    TRunResult run;
    qint64 wallMs = 0;
    QString loadAtStart;
    TComparison comparison;
};

struct TFileSystemResult {
    QString type;
    double freeShare = 0.0;
    TSide tool;
    TSide engine;
    QStringList notes;
};

// Times a defragmenter on a mounted volume, up to its writes being on the device.
bool TimeDefragmenter(TSide* side, const QString& program, const QStringList& arguments,
                      const QString& root, const QProcessEnvironment& environment, QString* error)
{
    // Others may be using the machine: the load says how far the times can be trusted.
    QFile load(u"/proc/loadavg"_s);
    if (load.open(QIODevice::ReadOnly))
        side->loadAtStart = QString::fromLatin1(load.readAll()).section(u' ', 0, 2);
    QElapsedTimer timer;
    timer.start();
    side->run = RunProgram(program, arguments, true, environment);
    const bool synced = SyncVolume(root, error);
    side->wallMs = timer.elapsed();
    if (g_interrupted) {
        *error = u"interrupted"_s;
        return false;
    }
    if (!side->run.started) {
        *error = side->run.output;
        return false;
    }
    return synced;
}

bool RunFileSystem(const QString& type, const QString& folder, const QString& engine,
                   TFileSystemResult* result, QString* error)
{
    result->type = type;
    const bool ext4 = type == u"ext4"_s;
    const QString imageA = folder + u"/tool.img"_s;
    const QString imageB = folder + u"/engine.img"_s;
    if (!QDir().mkpath(folder)) {
        *error = u"cannot make "_s + folder;
        return false;
    }
    QFile image(imageA);
    if (!image.open(QIODevice::WriteOnly) || !image.resize(kImageBytes)) {
        *error = imageA + u": "_s + image.errorString();
        return false;
    }
    image.close();
    const bool made = ext4 ? RunStep(FindTool(u"mkfs.ext4"_s), {u"-q"_s, u"-F"_s, imageA}, error)
                           : RunStep(FindTool(u"mkfs.btrfs"_s),
                                     {u"-q"_s, u"-f"_s, u"-m"_s, u"single"_s, imageA}, error);
    if (!made)
        return false;

    Out() << type << ": fragmenting a " << kImageBytes / kMiB << " MiB volume..." << Qt::endl;
    {
        CLoopMount mount(imageA, folder + u"/tool"_s);
        if (!mount.Mount(error))
            return false;
        if ((ext4 && !ShareExt4Preallocation(mount.MountPoint(), error)) ||
            !Fragment(mount.MountPoint(), error)) {
            if (g_interrupted)
                *error = u"interrupted"_s;
            return false;
        }
        result->freeShare = FreeShare(mount.MountPoint());
    }
    if (result->freeShare < kMinFreeShare) {
        *error =
            u"the fragmented volume has only %1 % free"_s.arg(result->freeShare * 100, 0, 'f', 1);
        return false;
    }
    if (!RunStep(FindTool(u"cp"_s), {u"--sparse=always"_s, imageA, imageB}, error))
        return false;

    CLoopMount toolMount(imageA, folder + u"/tool"_s);
    CLoopMount engineMount(imageB, folder + u"/engine"_s);
    if (!toolMount.Mount(error) || !engineMount.Mount(error))
        return false;
    const QString toolRoot = toolMount.MountPoint();
    const QString engineRoot = engineMount.MountPoint();
    Out() << type << ": reading both volumes..." << Qt::endl;
    if (!ReadVolume(toolRoot, &result->tool.before, error) ||
        !ReadVolume(engineRoot, &result->engine.before, error))
        return false;

    // The engine keeps its settings, log and sockets in the bench's folder, not the machine's.
    QProcessEnvironment engineEnvironment = QProcessEnvironment::systemEnvironment();
    const QString engineState = folder + u"/engine-state"_s;
    engineEnvironment.insert(u"KORVANE_ENGINE_STATE_DIR"_s, engineState);
    engineEnvironment.insert(u"KORVANE_REGISTRY_DIR"_s, folder + u"/engine-registry"_s);
    engineEnvironment.insert(u"KORVANE_RUNTIME_DIR"_s, folder + u"/engine-run"_s);
    engineEnvironment.insert(u"XDG_CONFIG_HOME"_s, folder + u"/engine-config"_s);
    QDir().mkpath(engineState);

    result->tool.name = ext4 ? u"e4defrag"_s : u"btrfs defrag"_s;
    result->engine.name = u"korvane-engine"_s;
    const QString toolProgram = FindTool(ext4 ? u"e4defrag"_s : u"btrfs"_s);
    const QStringList toolArguments =
        ext4 ? QStringList{toolRoot}
             : QStringList{u"filesystem"_s, u"defragment"_s, u"-r"_s, toolRoot};
    const QStringList engineArguments = {u"--defragment"_s, engineRoot,   u"--method"_s,
                                         u"defrag"_s,       u"--state"_s, engineState};

    QString note = DropCaches();
    Out() << type << ": " << result->tool.name << "..." << Qt::endl;
    if (!TimeDefragmenter(&result->tool, toolProgram, toolArguments, toolRoot,
                          QProcessEnvironment::systemEnvironment(), error))
        return false;
    const QString second = DropCaches();
    if (note.isEmpty())
        note = second;
    Out() << type << ": " << engine << ' ' << engineArguments.join(u' ') << Qt::endl;
    if (!TimeDefragmenter(&result->engine, engine, engineArguments, engineRoot, engineEnvironment,
                          error))
        return false;
    if (!note.isEmpty())
        result->notes.append(note);

    Out() << type << ": verifying both volumes..." << Qt::endl;
    if (!ReadVolume(toolRoot, &result->tool.after, error) ||
        !ReadVolume(engineRoot, &result->engine.after, error))
        return false;
    result->tool.comparison = Compare(result->tool.before, result->tool.after);
    result->engine.comparison = Compare(result->engine.before, result->engine.after);
    return true;
}

QString RunText(const TSide& side)
{
    if (!side.run.exited)
        return u"killed"_s;
    return u"exit %1"_s.arg(side.run.exitCode);
}

// The files left in most pieces, as "path extents-after (before)".
QStringList MostFragmented(const TSide& side, int count)
{
    std::vector<std::pair<qint64, QString>> files;
    for (auto it = side.after.files.cbegin(); it != side.after.files.cend(); ++it) {
        if (it.value().extents > 1)
            files.emplace_back(it.value().extents, it.key());
    }
    std::sort(files.begin(), files.end(),
              [](const auto& a, const auto& b) { return a.first > b.first; });
    QStringList worst;
    for (size_t i = 0; i < files.size() && i < size_t(count); ++i)
        worst.append(u"%1 %2 (%3)"_s.arg(files[i].second)
                         .arg(files[i].first)
                         .arg(side.before.files.value(files[i].second).extents));
    return worst;
}

QString YesNo(bool value)
{
    return value ? u"yes"_s : u"NO"_s;
}

void Print(const TFileSystemResult& result)
{
    const TSide& tool = result.tool;
    const TSide& engine = result.engine;
    QTextStream& out = Out();
    out << Qt::endl
        << result.type << ": " << kImageBytes / kMiB << " MiB image, " << tool.before.files.size()
        << " files, " << tool.before.bytes / kMiB << " MiB of data, "
        << QString::number(result.freeShare * 100, 'f', 1) << " % free" << Qt::endl;
    const auto row = [&out](const QString& label, const QString& left, const QString& right) {
        out << "  " << qSetFieldWidth(28) << Qt::left << label << qSetFieldWidth(16) << Qt::right
            << left << right << qSetFieldWidth(0) << Qt::left << Qt::endl;
    };
    const auto number = [](qint64 value) { return QString::number(value); };
    row(QString(), tool.name, engine.name);
    row(u"total extents before"_s, number(tool.before.extents), number(engine.before.extents));
    row(u"total extents after"_s, number(tool.after.extents), number(engine.after.extents));
    row(u"fragmented files before"_s, number(tool.before.fragmentedFiles),
        number(engine.before.fragmentedFiles));
    row(u"fragmented files after"_s, number(tool.after.fragmentedFiles),
        number(engine.after.fragmentedFiles));
    row(u"wall time (s)"_s, QString::number(tool.wallMs / 1000.0, 'f', 2),
        QString::number(engine.wallMs / 1000.0, 'f', 2));
    row(u"load average at start"_s, tool.loadAtStart, engine.loadAtStart);
    row(u"bytes verified"_s, number(tool.after.bytes), number(engine.after.bytes));
    row(u"mismatches"_s, number(tool.comparison.mismatches), number(engine.comparison.mismatches));
    row(u"files in more extents after"_s, number(tool.comparison.morePieces),
        number(engine.comparison.morePieces));
    row(u"ctime changed (not counted)"_s, number(tool.comparison.ctimeChanged),
        number(engine.comparison.ctimeChanged));
    row(u"program"_s, RunText(tool), RunText(engine));

    const double ratio = tool.wallMs > 0 ? double(engine.wallMs) / double(tool.wallMs) : 0.0;
    const bool engineRan = engine.run.exited && engine.run.exitCode == 0;
    out << "  verdicts:" << Qt::endl
        << "    engine ran to success:             " << YesNo(engineRan) << Qt::endl
        << "    extents after <= tool's:           "
        << YesNo(engine.after.extents <= tool.after.extents) << " (" << engine.after.extents
        << " vs " << tool.after.extents << ")" << Qt::endl
        << "    fragmented files after <= tool's:  "
        << YesNo(engine.after.fragmentedFiles <= tool.after.fragmentedFiles) << " ("
        << engine.after.fragmentedFiles << " vs " << tool.after.fragmentedFiles << ")" << Qt::endl
        << "    time ratio engine/tool:            " << QString::number(ratio, 'f', 2)
        << " (<= 1.0 wanted: " << YesNo(ratio <= 1.0) << ")" << Qt::endl
        << "    engine mismatches:                 " << engine.comparison.mismatches
        << " (0 wanted: " << YesNo(engine.comparison.mismatches == 0) << ")" << Qt::endl;
    for (const TSide* side : {&tool, &engine}) {
        for (const QString& detail : side->comparison.details)
            out << "  " << side->name << " changed " << detail << Qt::endl;
    }
    for (const TSide* side : {&tool, &engine}) {
        const QStringList worst = MostFragmented(*side, 5);
        if (!worst.isEmpty())
            out << "  most fragmented after " << side->name << ": " << worst.join(u", "_s)
                << Qt::endl;
        if (!side->comparison.morePiecesDetails.isEmpty())
            out << "  in more extents after " << side->name << ": "
                << side->comparison.morePiecesDetails.join(u", "_s) << Qt::endl;
    }
    for (const QString& note : result.notes)
        out << "  note: " << note << Qt::endl;
    out << "  " << tool.name << " said (last lines):" << Qt::endl
        << LastLines(tool.run.output, 3).replace(u'\n', u"\n    "_s).prepend(u"    "_s) << Qt::endl
        << "  " << engine.name << " said (last lines):" << Qt::endl
        << LastLines(engine.run.output, 16).replace(u'\n', u"\n    "_s).prepend(u"    "_s)
        << Qt::endl;
}

double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    const size_t middle = values.size() / 2;
    return values.size() % 2 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

// The machine is shared, so single times wander: medians over the runs say more.
void PrintSummary(const std::vector<TFileSystemResult>& results)
{
    std::vector<double> ratios;
    std::vector<double> toolExtents;
    std::vector<double> engineExtents;
    std::vector<double> toolFragmented;
    std::vector<double> engineFragmented;
    qint64 mismatches = 0;
    for (const TFileSystemResult& result : results) {
        if (result.tool.wallMs > 0)
            ratios.push_back(double(result.engine.wallMs) / double(result.tool.wallMs));
        toolExtents.push_back(double(result.tool.after.extents));
        engineExtents.push_back(double(result.engine.after.extents));
        toolFragmented.push_back(double(result.tool.after.fragmentedFiles));
        engineFragmented.push_back(double(result.engine.after.fragmentedFiles));
        mismatches += result.engine.comparison.mismatches;
    }
    const auto range = [](const std::vector<double>& values, int decimals) {
        const auto [low, high] = std::minmax_element(values.begin(), values.end());
        return u"%1 (%2 to %3)"_s.arg(Median(values), 0, 'f', decimals)
            .arg(*low, 0, 'f', decimals)
            .arg(*high, 0, 'f', decimals);
    };
    Out() << Qt::endl
          << results.front().type << ": medians over " << results.size()
          << " runs (lowest to highest)" << Qt::endl
          << "  time ratio engine/tool:     " << range(ratios, 2) << Qt::endl
          << "  extents after, tool:        " << range(toolExtents, 1) << Qt::endl
          << "  extents after, engine:      " << range(engineExtents, 1) << Qt::endl
          << "  fragmented after, tool:     " << range(toolFragmented, 1) << Qt::endl
          << "  fragmented after, engine:   " << range(engineFragmented, 1) << Qt::endl
          << "  engine mismatches, all runs: " << mismatches << Qt::endl;
}

// What this machine lacks for the bench, one line each; empty when it can run.
QStringList MissingHere(const QStringList& types, const QString& engine)
{
    QStringList missing;
    if (::geteuid() != 0)
        missing.append(u"root: the bench makes file systems, loop-mounts them and drops caches; "
                       "run it with sudo"_s);
    if (!QFileInfo::exists(u"/dev/loop-control"_s))
        missing.append(u"/dev/loop-control: no loop devices here"_s);
    QStringList tools = {u"mount"_s, u"umount"_s, u"losetup"_s, u"cp"_s};
    if (types.contains(u"ext4"_s))
        tools << u"mkfs.ext4"_s << u"e4defrag"_s;
    if (types.contains(u"btrfs"_s))
        tools << u"mkfs.btrfs"_s << u"btrfs"_s;
    for (const QString& tool : tools) {
        if (FindTool(tool).isEmpty())
            missing.append(tool + u": not installed"_s);
    }
    const QFileInfo program(engine);
    if (!program.isFile() || !program.isExecutable())
        missing.append(engine + u": no such engine program (pass --engine PROGRAM)"_s);
    return missing;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication application(argc, argv);
    QCommandLineParser parser;
    parser.setApplicationDescription(
        u"Defragments two copies of a fragmented ext4 and btrfs volume, one with the system "
        "tool and one with korvane-engine, and compares extents, time and file integrity."_s);
    parser.addHelpOption();
    const QCommandLineOption engineOption(u"engine"_s, u"The engine program to run."_s,
                                          u"program"_s, QStringLiteral(KORVANE_ENGINE_PROGRAM));
    const QCommandLineOption fsOption(u"fs"_s, u"Only this file system: ext4 or btrfs."_s,
                                      u"type"_s);
    const QCommandLineOption repeatOption(
        u"repeat"_s, u"Runs per file system, each on fresh images (default 1)."_s, u"count"_s,
        u"1"_s);
    parser.addOptions({engineOption, fsOption, repeatOption});
    parser.process(application);
    bool repeatValid = false;
    const int repeat = parser.value(repeatOption).toInt(&repeatValid);
    if (!repeatValid || repeat < 1 || repeat > 100) {
        Err() << "bench_online_defrag: --repeat wants a count from 1 to 100" << Qt::endl;
        return kExitCannotRun;
    }

    QStringList types = {u"ext4"_s, u"btrfs"_s};
    if (parser.isSet(fsOption)) {
        if (!types.contains(parser.value(fsOption))) {
            Err() << "bench_online_defrag: --fs wants ext4 or btrfs" << Qt::endl;
            return kExitCannotRun;
        }
        types = {parser.value(fsOption)};
    }
    const QString engine = QFileInfo(parser.value(engineOption)).absoluteFilePath();
    const QStringList missing = MissingHere(types, engine);
    if (!missing.isEmpty()) {
        Err() << "bench_online_defrag: cannot run here; missing:" << Qt::endl;
        for (const QString& line : missing)
            Err() << "  " << line << Qt::endl;
        return kExitCannotRun;
    }

    struct sigaction action = {};
    action.sa_handler = OnInterrupt;
    action.sa_flags = SA_RESTART;
    for (const int signal : {SIGINT, SIGTERM, SIGHUP})
        ::sigaction(signal, &action, nullptr);

    QTemporaryDir work(QDir::tempPath() + u"/bench_online_defrag-XXXXXX"_s);
    if (!work.isValid()) {
        Err() << "bench_online_defrag: no temporary folder: " << work.errorString() << Qt::endl;
        return kExitFailed;
    }
    Out() << "engine: " << engine << Qt::endl << "work folder: " << work.path() << Qt::endl;
    int status = 0;
    for (const QString& type : types) {
        std::vector<TFileSystemResult> results;
        for (int round = 1; round <= repeat && !g_interrupted; ++round) {
            TFileSystemResult result;
            QString error;
            const QString folder = work.path() + u"/%1-%2"_s.arg(type).arg(round);
            if (RunFileSystem(type, folder, engine, &result, &error)) {
                Print(result);
                results.push_back(std::move(result));
            } else {
                Err() << "bench_online_defrag: " << type << ": " << error << Qt::endl;
                status = g_interrupted ? kExitInterrupted : kExitFailed;
            }
            // Both images of a run take up to a GiB; they go before the next ones are made.
            if (!g_leftMounted)
                QDir(folder).removeRecursively();
        }
        if (results.size() > 1)
            PrintSummary(results);
        if (g_interrupted)
            break;
    }
    work.setAutoRemove(!g_leftMounted);
    return status;
}
