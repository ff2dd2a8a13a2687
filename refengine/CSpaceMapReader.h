#pragma once

#include "core/HResult.h"

#include <QtGlobal>

#include <atomic>
#include <vector>

// What the file system itself says about its space (the GETFSMAP ioctl, ext4 and XFS, for
// CAP_SYS_ADMIN). The walk cannot see everything that takes space: the structures the file system
// keeps for itself (superblocks, group descriptors, bitmaps, inode tables) and data of files no
// walk reaches (a journal kept in a hidden inode, files it may not read). With both drawn as
// used, the gaps of the drive map are the free space.
class CSpaceMapReader {
public:
    struct TRange {
        quint64 physical = 0;
        quint64 length = 0;
    };

    // The ranges of the file system behind fd, in device order: metadata, and used space whose
    // owner the walk may or may not meet (file data). E_NOTIMPL when the file system cannot
    // tell, E_ACCESSDENIED without the capability, E_ABORT once *cancel is set (it is looked at
    // between calls); both lists are then empty.
    static HRESULT Read(int fd, std::vector<TRange>* metadata, std::vector<TRange>* data,
                        const std::atomic<bool>* cancel = nullptr);
};
