#include "refengine/CBtrfsDefragmenter.h"

#include <cerrno>
#include <fcntl.h>
#include <linux/btrfs.h>
#include <sys/ioctl.h>

IFileDefragmenter::TResult CBtrfsDefragmenter::Defragment(const TFile& file,
                                                          const TContinue& keepGoing)
{
    TResult result;
    const quint64 size = quint64(file.info.st_size);
    for (quint64 start = 0; start < size; start += kRangeBytes) {
        struct btrfs_ioctl_defrag_range_args range = {};
        range.start = start;
        range.len = std::min(kRangeBytes, size - start);
        range.extent_thresh = kExtentThreshold;
        // The file system checks write permission on the file, not on the descriptor.
        if (::ioctl(file.fd, BTRFS_IOC_DEFRAG_RANGE, &range) != 0) {
            result.error = errno;
            switch (result.error) {
            case EPERM:
            case EACCES:
            case EROFS:
                result.outcome = TOutcome::NoPermission;
                break;
            case ETXTBSY:
                result.outcome = TOutcome::InUse;
                break;
            case EOPNOTSUPP:
            case ENOTTY:
            case EINVAL:
                result.outcome = start == 0 ? TOutcome::Unsupported : TOutcome::Failed;
                break;
            default:
                result.outcome = TOutcome::Failed;
            }
            return result;
        }
        result.bytesMoved += range.len;
        if (!keepGoing(result.bytesMoved)) {
            result.outcome = TOutcome::Stopped;
            return result;
        }
    }
    result.outcome = TOutcome::Defragmented;
    return result;
}
