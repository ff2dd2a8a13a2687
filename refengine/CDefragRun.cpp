#include "refengine/CDefragRun.h"

#include "platform/CFileDescriptor.h"
#include "refengine/CDirectoryScanner.h"
#include "refengine/CDriveMapBuilder.h"

#include <QDateTime>
#include <QFile>

#include <algorithm>
#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <linux/fiemap.h>
#include <sys/statvfs.h>
#include <unistd.h>

namespace {

constexpr qint64 kDefragRunDay = 24 * 60 * 60;
// Entries read between two questions whether to go on, while looking for files.
constexpr int kDefragRunEntriesPerCheck = 256;

// Read-only, without touching the file's access time where the engine may ask for that.
int DefragRunOpenFile(int directoryFd, const char* name)
{
    const int flags = O_RDONLY | O_NOFOLLOW | O_CLOEXEC | O_NOCTTY | O_NONBLOCK;
    const int fd = ::openat(directoryFd, name, flags | O_NOATIME);
    if (fd >= 0 || errno != EPERM)
        return fd;
    return ::openat(directoryFd, name, flags);
}

quint64 DefragRunFirstPhysical(const std::vector<CExtentReader::TExtent>& extents)
{
    for (const CExtentReader::TExtent& extent : extents) {
        if (CExtentReader::Placed(extent))
            return extent.physical;
    }
    return 0;
}

} // namespace

quint64 CDefragRun::TFigures::SkippedTotal() const
{
    quint64 total = 0;
    for (const quint64 count : skipped)
        total += count;
    return total;
}

CDefragRun::CDefragRun(TOptions options)
    : m_options(std::move(options))
    , m_root(QFile::encodeName(m_options.root))
    , m_rules(m_options.device, m_options.excludedPaths)
    , m_defragmenter(IFileDefragmenter::For(m_options.fileSystem))
{}

CDefragRun::~CDefragRun()
{
    if (m_rootFd >= 0)
        ::close(m_rootFd);
}

quint64 CDefragRun::ReserveBytes(quint64 volumeBytes)
{
    const quint64 gib = quint64(1) << 30;
    return std::max(volumeBytes / 20, std::min(gib, volumeBytes / 10));
}

void CDefragRun::Skip(const QByteArray& path, CDefragSkipRules::TReason reason, int error)
{
    ++m_figures.skipped[reason];
    if (m_figures.skippedItems.size() < kListLength)
        m_figures.skippedItems.append({QFile::decodeName(path), reason, error});
}

quint8 CDefragRun::CategoryOf(qint64 modified) const
{
    return CDirectoryScanner::CategoryOfAge(m_now - modified,
                                            qint64(m_options.rareAgeDays) * kDefragRunDay,
                                            qint64(m_options.recentAgeDays) * kDefragRunDay);
}

int CDefragRun::RankOf(quint8 category) const
{
    // Zones 2, 3 and 4 hold the rarely, occasionally and recently modified files.
    const uint zone = uint(category) + 1;
    QList<uint> order = m_options.zoneOrder;
    QList<uint> sorted = order;
    std::sort(sorted.begin(), sorted.end());
    if (sorted != QList<uint>{0, 1, 2, 3, 4})
        order = {0, 1, 2, 3, 4};
    return int(order.indexOf(zone));
}

void CDefragRun::Consider(int directoryFd, const char* name, const QByteArray& path,
                          const struct stat& info)
{
    if (!S_ISREG(info.st_mode)) {
        Skip(path, CDefragSkipRules::kNotRegular);
        return;
    }
    if (info.st_nlink > 1) {
        if (m_linkedInodes.contains(quint64(info.st_ino)))
            return;
        m_linkedInodes.insert(quint64(info.st_ino));
    }
    ++m_figures.files;
    m_figures.bytes += quint64(info.st_size);
    const CFileDescriptor fd(DefragRunOpenFile(directoryFd, name));
    if (fd.Get() < 0) {
        Skip(path, CDefragSkipRules::kNoPermission, errno);
        return;
    }
    const int fragments = m_reader.Read(fd.Get(), quint64(info.st_size));
    if (fragments < 0) {
        Skip(path, CDefragSkipRules::kUnsupported);
        return;
    }
    m_figures.extentsBefore += quint64(fragments);
    if (fragments <= 1)
        return;
    ++m_figures.fragmentedBefore;
    const CDefragSkipRules::TReason reason = m_rules.ByStatus(path, info);
    if (reason != CDefragSkipRules::kReasonCount) {
        Skip(path, reason);
        return;
    }
    TCandidate candidate;
    candidate.path = path;
    candidate.size = quint64(info.st_size);
    candidate.firstPhysical = DefragRunFirstPhysical(m_reader.Extents());
    candidate.fragments = fragments;
    candidate.category = CategoryOf(info.st_mtim.tv_sec);
    candidate.rank = RankOf(candidate.category);
    m_candidates.push_back(std::move(candidate));
}

HRESULT CDefragRun::Enumerate(const TContinue& keepGoing)
{
    std::vector<QByteArray> pending{m_root};
    int entries = 0;
    while (!pending.empty()) {
        const QByteArray directory = std::move(pending.back());
        pending.pop_back();
        const int fd =
            ::open(directory.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        if (fd < 0)
            continue; // unreadable folders are the analysis's to report
        DIR* listing = ::fdopendir(fd);
        if (!listing) {
            ::close(fd);
            continue;
        }
        const QByteArray prefix = directory.endsWith('/') ? directory : directory + '/';
        while (const struct dirent* entry = ::readdir(listing)) {
            const char* name = entry->d_name;
            if (name[0] == '.' && (name[1] == 0 || (name[1] == '.' && name[2] == 0)))
                continue;
            if (++entries % kDefragRunEntriesPerCheck == 0 && !keepGoing()) {
                ::closedir(listing);
                return E_ABORT;
            }
            struct stat info = {};
            if (::fstatat(fd, name, &info, AT_SYMLINK_NOFOLLOW) != 0)
                continue;
            const QByteArray path = prefix + name;
            if (S_ISDIR(info.st_mode)) {
                if (info.st_dev == m_options.device)
                    pending.push_back(path);
                else
                    Skip(path, CDefragSkipRules::kOtherFileSystem);
                continue;
            }
            Consider(fd, name, path, info);
        }
        ::closedir(listing);
    }
    return S_OK;
}

HRESULT CDefragRun::EnumerateListed()
{
    for (const QString& listed : m_options.files) {
        if (listed.isEmpty())
            continue;
        const QByteArray encoded = QFile::encodeName(listed);
        const QByteArray path = encoded.startsWith('/') ? encoded : m_root + '/' + encoded;
        const qsizetype slash = path.lastIndexOf('/');
        const QByteArray directory = slash == 0 ? QByteArray("/") : path.left(slash);
        const QByteArray name = path.mid(slash + 1);
        const CFileDescriptor directoryFd(
            ::open(directory.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
        struct stat info = {};
        if (directoryFd.Get() < 0 ||
            ::fstatat(directoryFd.Get(), name.constData(), &info, AT_SYMLINK_NOFOLLOW) != 0) {
            Skip(path, CDefragSkipRules::kFailed, errno);
            continue;
        }
        if (S_ISREG(info.st_mode) && info.st_dev != m_options.device) {
            Skip(path, CDefragSkipRules::kOtherFileSystem);
            continue;
        }
        Consider(directoryFd.Get(), name.constData(), path, info);
    }
    return S_OK;
}

bool CDefragRun::VolumePresent() const
{
    struct stat root = {};
    return ::stat(m_root.constData(), &root) == 0 && root.st_dev == m_options.device;
}

HRESULT CDefragRun::Run(const TContinue& keepGoing, const TProgress& progress,
                        const TChanged& changed)
{
    m_now = m_options.now != 0 ? m_options.now : QDateTime::currentSecsSinceEpoch();
    m_rootFd = ::open(m_root.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    struct stat root = {};
    if (m_rootFd < 0 || ::fstat(m_rootFd, &root) != 0 || root.st_dev != m_options.device)
        return E_INVALIDARG;
    if (!m_options.analyseOnly && !m_defragmenter)
        return HRESULT_FROM_WIN32(50); // ERROR_NOT_SUPPORTED
    progress(0, m_options.root);
    const HRESULT found = m_options.files.isEmpty() ? Enumerate(keepGoing) : EnumerateListed();
    m_figures.extentsAfter = m_figures.extentsBefore;
    m_figures.fragmentedAfter = m_figures.fragmentedBefore;
    if (FAILED(found) || m_options.analyseOnly)
        return found;

    // Largest first: a long file needs a long free run, which the short ones, fitting in the
    // gaps, would otherwise break up. TierLayout and Consolidate Free Space go zone by zone.
    const bool byZone = m_options.method != kDefragOnly;
    std::sort(m_candidates.begin(), m_candidates.end(),
              [byZone](const TCandidate& a, const TCandidate& b) {
                  if (byZone && a.rank != b.rank)
                      return a.rank < b.rank;
                  if (a.size != b.size)
                      return a.size > b.size;
                  return a.firstPhysical < b.firstPhysical;
              });
    quint64 total = 0;
    for (const TCandidate& candidate : m_candidates)
        total += candidate.size;
    HRESULT result = S_OK;
    quint64 done = 0;
    for (size_t index = 0; index < m_candidates.size(); ++index) {
        TCandidate& candidate = m_candidates[index];
        // The next file's data are read while this one moves: the move reads them anyway.
        if (index + 1 < m_candidates.size() && m_defragmenter->GainsFromReadAhead())
            ReadAhead(m_candidates[index + 1]);
        result = keepGoing() ? Move(candidate, done, total, keepGoing, progress, changed) : E_ABORT;
        if (result != S_OK)
            break;
        done += candidate.size;
    }
    WriteOut(changed);
    // The files moved first leave their old places free, often in the long runs that a file
    // still in pieces lacked: one more try for those.
    for (TCandidate& candidate : m_candidates) {
        if (result != S_OK)
            break;
        const bool again =
            candidate.reason == CDefragSkipRules::kNotImproved ||
            (candidate.reason == CDefragSkipRules::kReasonCount && candidate.now > 1);
        if (!again)
            continue;
        candidate.reason = CDefragSkipRules::kReasonCount;
        result =
            keepGoing() ? Move(candidate, total, total, keepGoing, progress, changed) : E_ABORT;
    }
    WriteOut(changed);
    Settle();
    if (result == S_OK)
        progress(1.0, QString());
    return result;
}

HRESULT CDefragRun::Move(TCandidate& candidate, quint64 doneBefore, quint64 total,
                         const TContinue& keepGoing, const TProgress& progress,
                         const TChanged& changed)
{
    if (!VolumePresent())
        return kDeviceGone;
    struct statvfs space = {};
    if (::fstatvfs(m_rootFd, &space) != 0)
        return kDeviceGone;
    const quint64 available = quint64(space.f_bavail) * space.f_frsize;
    const quint64 reserve = ReserveBytes(quint64(space.f_blocks) * space.f_frsize);
    if (available < reserve)
        return kInsufficientFreeSpace;
    if (available - reserve < candidate.size) {
        Leave(&candidate, CDefragSkipRules::kNoRoom);
        return S_OK;
    }

    const QString path = QFile::decodeName(candidate.path);
    const qsizetype slash = candidate.path.lastIndexOf('/');
    const QByteArray directory = slash == 0 ? QByteArray("/") : candidate.path.left(slash);
    const QByteArray name = candidate.path.mid(slash + 1);
    const CFileDescriptor directoryFd(
        ::open(directory.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    const CFileDescriptor fd(
        directoryFd.Get() < 0 ? -1 : DefragRunOpenFile(directoryFd.Get(), name.constData()));
    IFileDefragmenter::TFile file;
    if (fd.Get() < 0 || ::fstat(fd.Get(), &file.info) != 0) {
        Leave(&candidate, CDefragSkipRules::kFailed, errno);
        return S_OK;
    }
    CDefragSkipRules::TReason reason = m_rules.ByStatus(candidate.path, file.info);
    if (reason == CDefragSkipRules::kReasonCount)
        reason = m_rules.ByDescriptor(fd.Get());
    if (reason != CDefragSkipRules::kReasonCount) {
        Leave(&candidate, reason);
        return S_OK;
    }
    const int fragments = m_reader.Read(fd.Get(), quint64(file.info.st_size));
    if (fragments < 0) {
        Leave(&candidate, CDefragSkipRules::kUnsupported);
        return S_OK;
    }
    TFileChange change;
    change.before = m_reader.Extents();
    change.category = candidate.category;
    change.fragmentedBefore = fragments > 1;
    if (m_defragmenter->SkipsSharedExtents()) {
        for (const CExtentReader::TExtent& extent : change.before) {
            if (extent.flags & (FIEMAP_EXTENT_SHARED | FIEMAP_EXTENT_ENCODED)) {
                Leave(&candidate, (extent.flags & FIEMAP_EXTENT_SHARED)
                                      ? CDefragSkipRules::kSharedExtents
                                      : CDefragSkipRules::kCompressed);
                return S_OK;
            }
        }
    }

    IFileDefragmenter::TResult result;
    if (fragments > 1) {
        file.fd = fd.Get();
        file.directoryFd = directoryFd.Get();
        file.fallbackDirectoryFd = m_rootFd;
        const CFileDescriptor freedFd(
            m_freedDirectory.isEmpty() || m_freedDirectory == directory
                ? -1
                : ::open(m_freedDirectory.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
        file.name = name.constData();
        file.fragments = fragments;
        file.freedDirectoryFd = freedFd.Get();
        file.spareBytes = available - reserve - candidate.size;
        const quint64 size = quint64(file.info.st_size);
        result = m_defragmenter->Defragment(file, [&](quint64 bytesMoved) {
            const double fraction =
                total > 0 ? double(doneBefore + std::min(bytesMoved, size)) / double(total) : 1.0;
            progress(std::min(fraction, 1.0), path);
            return keepGoing();
        });
    } else {
        result.outcome = IFileDefragmenter::TOutcome::NotImproved; // whole already
    }
    m_figures.bytesMoved += result.bytesMoved;

    if (m_defragmenter->WritesOutLater() && result.bytesMoved > 0 &&
        (result.outcome == IFileDefragmenter::TOutcome::Defragmented ||
         result.outcome == IFileDefragmenter::TOutcome::Stopped)) {
        m_pending.push_back({size_t(&candidate - m_candidates.data()), fragments, change});
        m_pendingBytes += quint64(file.info.st_size);
        if (m_pendingBytes >= kWriteOutBytes)
            WriteOut(changed);
        return result.outcome == IFileDefragmenter::TOutcome::Stopped ? E_ABORT : S_OK;
    }
    const int after = m_reader.Read(fd.Get(), quint64(file.info.st_size));
    const int now = after < 0 ? fragments : after;
    candidate.now = now;
    if (now < fragments && result.bytesMoved >= kFreedRunBytes)
        m_freedDirectory = directory;
    if (after >= 0 && result.bytesMoved > 0) {
        change.after = m_reader.Extents();
        change.fragmentedAfter = now > 1;
        changed(change);
    }

    using TOutcome = IFileDefragmenter::TOutcome;
    switch (result.outcome) {
    case TOutcome::Defragmented:
    case TOutcome::NotImproved:
        if (now >= fragments && fragments > 1)
            Leave(&candidate, CDefragSkipRules::kNotImproved);
        break;
    case TOutcome::Stopped:
        return E_ABORT;
    case TOutcome::Unsupported:
        Leave(&candidate, CDefragSkipRules::kUnsupported, result.error);
        break;
    case TOutcome::NoPermission:
        Leave(&candidate, CDefragSkipRules::kNoPermission, result.error);
        break;
    case TOutcome::InUse:
        Leave(&candidate, CDefragSkipRules::kInUse, result.error);
        break;
    case TOutcome::Failed:
        Leave(&candidate, CDefragSkipRules::kFailed, result.error);
        break;
    }
    return S_OK;
}

void CDefragRun::Leave(TCandidate* candidate, CDefragSkipRules::TReason reason, int error)
{
    candidate->reason = reason;
    candidate->error = error;
}

void CDefragRun::ReadAhead(const TCandidate& candidate)
{
    const CFileDescriptor fd(::open(candidate.path.constData(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC |
                                                                    O_NOCTTY | O_NONBLOCK |
                                                                    O_NOATIME));
    if (fd.Get() >= 0)
        ::posix_fadvise(fd.Get(), 0, 0, POSIX_FADV_WILLNEED);
}

void CDefragRun::WriteOut(const TChanged& changed)
{
    if (m_pending.empty())
        return;
    ::syncfs(m_rootFd);
    for (TPending& pending : m_pending) {
        TCandidate& candidate = m_candidates[pending.candidate];
        const CFileDescriptor fd(::open(candidate.path.constData(),
                                        O_RDONLY | O_NOFOLLOW | O_CLOEXEC | O_NOCTTY | O_NONBLOCK));
        struct stat info = {};
        const int now = fd.Get() < 0 || ::fstat(fd.Get(), &info) != 0
                            ? -1
                            : m_reader.Read(fd.Get(), quint64(info.st_size));
        if (now < 0)
            continue; // gone meanwhile: it counts as it was
        candidate.now = now;
        if (now >= pending.fragments && pending.fragments > 1)
            Leave(&candidate, CDefragSkipRules::kNotImproved);
        pending.change.after = m_reader.Extents();
        pending.change.fragmentedAfter = now > 1;
        changed(pending.change);
    }
    m_pending.clear();
    m_pendingBytes = 0;
}

void CDefragRun::Settle()
{
    for (const TCandidate& candidate : m_candidates) {
        const int now = candidate.now >= 0 ? candidate.now : candidate.fragments;
        m_figures.extentsAfter =
            m_figures.extentsAfter + quint64(now) - quint64(candidate.fragments);
        if (candidate.fragments > 1 && now <= 1)
            --m_figures.fragmentedAfter;
        if (now < candidate.fragments)
            ++m_figures.filesDefragmented;
        // A file that a later round could not improve further was improved all the same.
        const bool improved = now < candidate.fragments;
        if (candidate.reason != CDefragSkipRules::kReasonCount &&
            !(improved && candidate.reason == CDefragSkipRules::kNotImproved))
            Skip(candidate.path, candidate.reason, candidate.error);
    }
}
