#include "refengine/CSpaceMapReader.h"

#include "core/CWin32Error.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <linux/fsmap.h>
#include <memory>
#include <sys/ioctl.h>

namespace {

constexpr unsigned int kSpaceMapReaderBatch = 256;

void SpaceMapReaderAppend(std::vector<CSpaceMapReader::TRange>* ranges, quint64 physical,
                          quint64 length)
{
    if (!ranges->empty() && ranges->back().physical + ranges->back().length == physical)
        ranges->back().length += length;
    else
        ranges->push_back({physical, length});
}

} // namespace

HRESULT CSpaceMapReader::Read(int fd, std::vector<TRange>* metadata, std::vector<TRange>* data,
                              const std::atomic<bool>* cancel)
{
    if (!metadata || !data)
        return E_POINTER;
    metadata->clear();
    data->clear();
    const size_t bytes = fsmap_sizeof(kSpaceMapReaderBatch);
    std::unique_ptr<quint64[]> storage(new quint64[(bytes + 7) / 8]);
    auto* head = reinterpret_cast<struct fsmap_head*>(storage.get());
    std::memset(head, 0, sizeof(struct fsmap_head));
    head->fmh_keys[1].fmr_device = ~0u;
    head->fmh_keys[1].fmr_flags = ~0u;
    head->fmh_keys[1].fmr_physical = ~0ull;
    head->fmh_keys[1].fmr_owner = ~0ull;
    head->fmh_keys[1].fmr_offset = ~0ull;

    bool haveDevice = false;
    quint32 device = 0;
    for (;;) {
        if (cancel && cancel->load(std::memory_order_relaxed)) {
            metadata->clear();
            data->clear();
            return E_ABORT;
        }
        head->fmh_count = kSpaceMapReaderBatch;
        head->fmh_entries = 0;
        if (::ioctl(fd, FS_IOC_GETFSMAP, head) != 0) {
            const int error = errno;
            metadata->clear();
            data->clear();
            if (error == EOPNOTSUPP || error == ENOTTY || error == EINVAL)
                return E_NOTIMPL;
            return HRESULT_FROM_WIN32(CWin32Error::FromErrno(error, ERROR_READ_FAULT));
        }
        const unsigned int entries = std::min(head->fmh_entries, kSpaceMapReaderBatch);
        if (entries == 0)
            return S_OK;
        for (unsigned int i = 0; i < entries; ++i) {
            const struct fsmap& record = head->fmh_recs[i];
            // A file system with a separate log or real-time device also maps those.
            if (!haveDevice) {
                haveDevice = true;
                device = record.fmr_device;
            }
            if (record.fmr_device != device || record.fmr_length == 0)
                continue;
            const bool special = record.fmr_flags & FMR_OF_SPECIAL_OWNER;
            if (special && record.fmr_owner == FMR_OWN_FREE)
                continue;
            // ext4 does not know the owners of data blocks; XFS names the inode.
            const bool fileData = !special || record.fmr_owner == FMR_OWN_UNKNOWN;
            SpaceMapReaderAppend(fileData ? data : metadata, record.fmr_physical,
                                 record.fmr_length);
        }
        if (head->fmh_recs[entries - 1].fmr_flags & FMR_OF_LAST)
            return S_OK;
        fsmap_advance(head);
    }
}
