#include "refengine/CExt4Defragmenter.h"

#include "platform/CFileDescriptor.h"
#include "refengine/CExtentReader.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <cerrno>
#include <fcntl.h>
#include <linux/fs.h>
#include <memory>
#include <sched.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace {

// The kernel's interface for moving extents, which its user-space headers do not carry.
struct TExt4MoveExtent {
    quint32 reserved = 0;
    quint32 donorFd = 0;
    quint64 originalStart = 0; // in blocks
    quint64 donorStart = 0;
    quint64 length = 0;
    quint64 movedLength = 0;
};
constexpr unsigned long kExt4MoveExtent = _IOWR('f', 15, TExt4MoveExtent);

// Pages under writeback make a move answer EBUSY for a moment.
constexpr int kExt4BusyRetries = 20;

// The data's logical ranges in whole blocks, touching ones joined.
CExt4Defragmenter::TRanges Ext4DataRanges(const std::vector<CExtentReader::TExtent>& extents,
                                          quint64 block)
{
    CExt4Defragmenter::TRanges ranges;
    for (const CExtentReader::TExtent& extent : extents) {
        const quint64 first = extent.logical / block;
        const quint64 end = (extent.logical + extent.length + block - 1) / block;
        if (!ranges.isEmpty() && ranges.last().first + ranges.last().second >= first)
            ranges.last().second =
                std::max(ranges.last().first + ranges.last().second, end) - ranges.last().first;
        else
            ranges.append({first, end - first});
    }
    return ranges;
}

IFileDefragmenter::TOutcome Ext4OutcomeOf(int error)
{
    switch (error) {
    case EACCES:
    case EPERM:
    case EROFS:
        return IFileDefragmenter::TOutcome::NoPermission;
    case ETXTBSY:
        return IFileDefragmenter::TOutcome::InUse;
    case EOPNOTSUPP:
    case EINVAL:
    case ENOTTY:
        return IFileDefragmenter::TOutcome::Unsupported;
    default:
        return IFileDefragmenter::TOutcome::Failed;
    }
}

} // namespace

int CExt4Defragmenter::OpenDonor(const TFile& file, TPlace place)
{
    const int first = place == kRoot          ? file.fallbackDirectoryFd
                      : place == kBesideFreed ? file.freedDirectoryFd
                                              : file.directoryFd;
    const std::array<int, 2> places{first, first == file.directoryFd ? file.fallbackDirectoryFd
                                                                     : file.directoryFd};
    for (const int directory : places) {
        if (directory < 0)
            continue;
        const int donor = ::openat(directory, ".", O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
        if (donor >= 0)
            return donor;
        if (errno != EISDIR && errno != EOPNOTSUPP)
            continue; // not writable here: try the next place
        // No unnamed files on this kernel: a named one, gone from its directory at once.
        static std::atomic<unsigned> serial{0};
        const QByteArray name = ".korvane-donor-" + QByteArray::number(::getpid()) + '-' +
                                QByteArray::number(serial.fetch_add(1));
        const int named = ::openat(directory, name.constData(),
                                   O_CREAT | O_EXCL | O_RDWR | O_CLOEXEC | O_NOFOLLOW, 0600);
        if (named < 0)
            continue;
        ::unlinkat(directory, name.constData(), 0);
        return named;
    }
    return -1;
}

int CExt4Defragmenter::AllocateDonor(const TFile& file, const TRanges& ranges, quint64 block,
                                     TPlace place, int* fragments)
{
    CFileDescriptor donor(OpenDonor(file, place));
    if (donor.Get() < 0)
        return -1;
    // Blocks are charged to the owner of the file that holds them; as the system service the
    // donor would charge root's quota for the file's owner's data. Should that fail, the
    // quota is off by the file's size until the donor goes, which is moments.
    if (::geteuid() == 0) {
        [[maybe_unused]] const int owned =
            ::fchown(donor.Get(), file.info.st_uid, file.info.st_gid);
    }
    for (const auto& [first, count] : ranges) {
        if (::fallocate(donor.Get(), 0, off_t(first * block), off_t(count * block)) != 0)
            return -1;
    }
    CExtentReader reader;
    *fragments = reader.Read(donor.Get(), quint64(file.info.st_size));
    if (*fragments < 0) {
        errno = EOPNOTSUPP;
        return -1;
    }
    return donor.Release();
}

IFileDefragmenter::TResult CExt4Defragmenter::Defragment(const TFile& file,
                                                         const TContinue& keepGoing)
{
    TResult result;
    // Written, not just dirty: moving extents works on blocks that exist.
    if (::fdatasync(file.fd) != 0) {
        result.error = errno;
        result.outcome = Ext4OutcomeOf(result.error);
        return result;
    }
    int blockSize = 0;
    if (::ioctl(file.fd, FIGETBSZ, &blockSize) != 0 || blockSize <= 0) {
        result.error = errno ? errno : EINVAL;
        result.outcome = TOutcome::Unsupported;
        return result;
    }
    const quint64 block = quint64(blockSize);
    CExtentReader reader;
    const int fragments = reader.Read(file.fd, quint64(file.info.st_size));
    if (fragments <= 1) {
        result.outcome = fragments < 0 ? TOutcome::Unsupported : TOutcome::NotImproved;
        return result;
    }
    for (const CExtentReader::TExtent& extent : reader.Extents()) {
        if (!CExtentReader::Placed(extent)) {
            result.outcome = TOutcome::Unsupported; // inline or unknown data
            return result;
        }
    }
    const TRanges ranges = Ext4DataRanges(reader.Extents(), block);

    const CFileDescriptor original(
        ::openat(file.directoryFd, file.name, O_RDWR | O_NOFOLLOW | O_CLOEXEC | O_NOCTTY));
    struct stat opened = {};
    if (original.Get() < 0 || ::fstat(original.Get(), &opened) != 0) {
        result.error = errno;
        result.outcome = Ext4OutcomeOf(result.error);
        return result;
    }
    if (opened.st_dev != file.info.st_dev || opened.st_ino != file.info.st_ino) {
        result.error = ESTALE; // replaced under its name meanwhile
        result.outcome = TOutcome::Failed;
        return result;
    }
    // The file's extents can be at most this long, so a longer file is whole in fewer pieces
    // only up to a point.
    const quint64 longestExtent = quint64(32768) * block;
    const int ideal =
        int(std::max<quint64>(1, (quint64(file.info.st_size) + longestExtent - 1) / longestExtent));
    quint64 allocated = 0;
    for (const auto& range : ranges)
        allocated += range.second * block;
    std::array<std::unique_ptr<CFileDescriptor>, kPlaces> donors;
    int best = -1;
    int bestFragments = fragments;
    for (int attempt = 0; attempt < kPlaces; ++attempt) {
        if (attempt == kBesideFreed && file.freedDirectoryFd < 0)
            continue;
        // Each further try holds the earlier donors' space meanwhile.
        const auto held = std::count_if(donors.begin(), donors.end(),
                                        [](const auto& donor) { return donor != nullptr; });
        if (held > 0 && (bestFragments <= ideal || quint64(held) * allocated > file.spareBytes))
            break;
        int donorFragments = 0;
        const int fd = AllocateDonor(file, ranges, block, TPlace(attempt), &donorFragments);
        if (fd < 0) {
            if (attempt == 0 && errno != ENOSPC && errno != EDQUOT && errno != EACCES) {
                result.error = errno;
                result.outcome = Ext4OutcomeOf(result.error);
                return result;
            }
            continue;
        }
        donors[size_t(attempt)] = std::make_unique<CFileDescriptor>(fd);
        if (donorFragments < bestFragments) {
            best = attempt;
            bestFragments = donorFragments;
        }
    }
    if (best < 0) {
        result.outcome = TOutcome::NotImproved;
        return result;
    }
    // The others give their space back before the move.
    for (int attempt = 0; attempt < kPlaces; ++attempt) {
        if (attempt != best)
            donors[size_t(attempt)].reset();
    }
    const CFileDescriptor& donor = *donors[size_t(best)];

    const quint64 chunk = std::max<quint64>(1, kChunkBytes / block);
    for (const auto& [first, count] : ranges) {
        quint64 next = first;
        const quint64 end = first + count;
        while (next < end) {
            TExt4MoveExtent move;
            move.donorFd = quint32(donor.Get());
            move.originalStart = next;
            move.donorStart = next;
            move.length = std::min(chunk, end - next);
            int busy = 0;
            while (::ioctl(original.Get(), kExt4MoveExtent, &move) != 0) {
                if (errno == EBUSY && ++busy < kExt4BusyRetries && move.movedLength == 0) {
                    ::sched_yield();
                    continue;
                }
                result.error = errno;
                // The extents moved so far are whole and the file reads right: nothing to undo.
                result.outcome =
                    result.bytesMoved == 0 ? Ext4OutcomeOf(result.error) : TOutcome::Failed;
                return result;
            }
            if (move.movedLength == 0)
                break; // nothing more to move in this range (the file shrank meanwhile)
            next += move.movedLength;
            result.bytesMoved += move.movedLength * block;
            if (!keepGoing(result.bytesMoved)) {
                result.outcome = TOutcome::Stopped;
                return result;
            }
        }
    }
    result.outcome = TOutcome::Defragmented;
    return result;
}
