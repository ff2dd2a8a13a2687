// Files per second of the analysis walk against filefrag over the same tree: 100 directories of
// 1000 small files, written once and read warm. The walk reads the directories itself; filefrag
// is given every file by relative path (as few processes as the argument limit allows). The
// tree goes under /var/tmp, or under the directory named as the first argument; not on tmpfs,
// where neither finds any extents.
#include "refengine/CVolumeCatalog.h"
#include "refengine/CVolumeWalker.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTextStream>

#include <algorithm>
#include <cstring>
#include <fcntl.h>
#include <sys/vfs.h>
#include <thread>
#include <unistd.h>
#include <vector>

using namespace Qt::StringLiterals;

namespace {

constexpr int kDirectories = 100;
constexpr int kFilesPerDirectory = 1000;
constexpr int kRounds = 5;
constexpr long kTmpfsMagic = 0x01021994;

QString FileName(int directory, int file)
{
    return u"d%1/f%2"_s.arg(directory, 3, 10, QChar(u'0')).arg(file, 4, 10, QChar(u'0'));
}

bool MakeTree(const QString& root)
{
    QByteArray data(512, 'w');
    for (int d = 0; d < kDirectories; ++d) {
        if (!QDir(root).mkpath(FileName(d, 0).section(u'/', 0, 0)))
            return false;
        for (int f = 0; f < kFilesPerDirectory; ++f) {
            const QByteArray path = QFile::encodeName(root + u'/' + FileName(d, f));
            const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
            if (fd < 0)
                return false;
            // A few hundred bytes each.
            const size_t size = 200 + static_cast<size_t>((d * 7 + f * 13) % 300);
            const bool written = ::write(fd, data.constData(), size) == static_cast<ssize_t>(size);
            ::close(fd);
            if (!written)
                return false;
        }
    }
    // Written out, so that the files have their places on the device.
    const int fd = ::open(QFile::encodeName(root).constData(), O_RDONLY | O_DIRECTORY);
    const bool synced = fd >= 0 && ::syncfs(fd) == 0;
    if (fd >= 0)
        ::close(fd);
    return synced;
}

// Seconds the walk takes (0 threads: as many as it picks), and the files it counted.
double TimeWalk(const TVolumeDescription& volume, int threads, quint64* files)
{
    QElapsedTimer clock;
    clock.start();
    TWalkOptions options;
    options.threads = threads;
    CVolumeWalker walker(volume, options);
    if (FAILED(walker.Run({})))
        return -1;
    const double seconds = clock.nsecsElapsed() / 1e9;
    *files = walker.Figures().files;
    return seconds;
}

// The relative paths split into command lines that fit the argument limit.
std::vector<QStringList> CommandLines(const QStringList& paths)
{
    long limit = ::sysconf(_SC_ARG_MAX);
    if (limit <= 0)
        limit = 128 * 1024;
    qsizetype environment = 0;
    for (char** variable = environ; *variable; ++variable)
        environment += static_cast<qsizetype>(std::strlen(*variable) + 1 + sizeof(char*));
    // Room for the program's name and a margin for what the kernel adds.
    const qsizetype room = limit - environment - 64 * 1024;
    std::vector<QStringList> lines(1);
    qsizetype used = 0;
    for (const QString& path : paths) {
        const qsizetype cost = path.size() + 1 + static_cast<qsizetype>(sizeof(char*));
        if (used + cost > room && !lines.back().isEmpty()) {
            lines.emplace_back();
            used = 0;
        }
        lines.back().append(path);
        used += cost;
    }
    return lines;
}

// Seconds filefrag takes over every file, summed over its processes.
double TimeFilefrag(const QString& filefrag, const QString& root,
                    const std::vector<QStringList>& lines)
{
    double seconds = 0;
    for (const QStringList& line : lines) {
        QProcess process;
        process.setWorkingDirectory(root);
        process.setStandardOutputFile(QProcess::nullDevice());
        process.setStandardErrorFile(QProcess::nullDevice());
        QElapsedTimer clock;
        clock.start();
        process.start(filefrag, line);
        if (!process.waitForFinished(600000) || process.exitCode() != 0)
            return -1;
        seconds += clock.nsecsElapsed() / 1e9;
    }
    return seconds;
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication application(argc, argv);
    QTextStream out(stdout);
    const QStringList arguments = application.arguments();
    const QString base = arguments.size() > 1 ? arguments[1] : u"/var/tmp"_s;

    struct statfs where = {};
    if (::statfs(QFile::encodeName(base).constData(), &where) != 0) {
        out << "bench_walk: cannot use " << base << "\n";
        return 1;
    }
    if (static_cast<long>(where.f_type) == kTmpfsMagic) {
        out << "bench_walk: " << base << " is a tmpfs, where files have no extents; name "
            << "a directory on a disk file system\n";
        return 1;
    }
    const QString filefrag = [] {
        const QString found = QStandardPaths::findExecutable(u"filefrag"_s);
        return found.isEmpty()
                   ? QStandardPaths::findExecutable(u"filefrag"_s, {u"/usr/sbin"_s, u"/sbin"_s})
                   : found;
    }();
    if (filefrag.isEmpty()) {
        out << "bench_walk: filefrag (e2fsprogs) is not installed\n";
        return 1;
    }

    QTemporaryDir tree(base + u"/bench_walk-XXXXXX"_s);
    if (!tree.isValid()) {
        out << "bench_walk: cannot make a folder under " << base << "\n";
        return 1;
    }
    out << "Writing " << kDirectories * kFilesPerDirectory << " files under " << tree.path()
        << "...\n";
    out.flush();
    if (!MakeTree(tree.path())) {
        out << "bench_walk: writing the tree failed\n";
        return 1;
    }
    TVolumeDescription volume;
    if (FAILED(CVolumeCatalog().Describe(tree.path(), &volume))) {
        out << "bench_walk: the tree cannot be described as a volume\n";
        return 1;
    }
    QStringList paths;
    paths.reserve(kDirectories * kFilesPerDirectory);
    for (int d = 0; d < kDirectories; ++d) {
        for (int f = 0; f < kFilesPerDirectory; ++f)
            paths.append(FileName(d, f));
    }
    const std::vector<QStringList> lines = CommandLines(paths);

    // Warm: every inode and directory block read once by each.
    quint64 files = 0;
    TimeWalk(volume, 0, &files);
    TimeFilefrag(filefrag, tree.path(), lines);

    // Best of several rounds: the machine may be busy with other work now and then.
    double walkBest = -1, singleBest = -1, filefragBest = -1;
    const auto best = [](double* kept, double value) {
        *kept = *kept < 0 ? value : std::min(*kept, value);
    };
    for (int round = 0; round < kRounds; ++round) {
        const double walk = TimeWalk(volume, 0, &files);
        const double single = TimeWalk(volume, 1, &files);
        const double frag = TimeFilefrag(filefrag, tree.path(), lines);
        if (walk < 0 || single < 0 || frag < 0) {
            out << "bench_walk: a run failed\n";
            return 1;
        }
        best(&walkBest, walk);
        best(&singleBest, single);
        best(&filefragBest, frag);
    }

    const double count = kDirectories * kFilesPerDirectory;
    out << "files walked: " << files << " (" << volume.fileSystem << ", "
        << std::thread::hardware_concurrency() << " processors)\n";
    out << QString::asprintf("walk      %8.3f s  %10.0f files/s\n", walkBest, count / walkBest);
    out << QString::asprintf("  1 thread%8.3f s  %10.0f files/s\n", singleBest, count / singleBest);
    out << QString::asprintf("filefrag  %8.3f s  %10.0f files/s  (%zu process%s)\n", filefragBest,
                             count / filefragBest, lines.size(), lines.size() == 1 ? "" : "es");
    out << QString::asprintf("ratio walk/filefrag: %.2f (best of %d rounds, warm)\n",
                             filefragBest / walkBest, kRounds);
    return 0;
}
