#include "refengine/CExtentReader.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <linux/fiemap.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/stat.h>

namespace {

// Extents asked for per FIEMAP call. Most files have one; a fragmented file needs a few calls.
constexpr quint32 kExtentReaderBatch = 64;
constexpr size_t kExtentReaderRequestBytes =
    sizeof(struct fiemap) + kExtentReaderBatch * sizeof(struct fiemap_extent);

constexpr quint32 kExtentReaderUnplaced = FIEMAP_EXTENT_UNKNOWN | FIEMAP_EXTENT_DELALLOC |
                                          FIEMAP_EXTENT_DATA_INLINE | FIEMAP_EXTENT_DATA_TAIL;

// errno values of a file system that has no such ioctl at all.
bool ExtentReaderUnsupported(int error)
{
    return error == EOPNOTSUPP || error == ENOTTY || error == ENOSYS;
}

} // namespace

void CExtentReader::TFragmentCounter::Add(const TExtent& extent)
{
    const quint64 dense = m_last.physical + m_last.length;
    const quint64 byOffset = m_last.physical + extent.logical - m_last.logical;
    if (extent.logical != 0 && extent.physical != byOffset && extent.physical != dense)
        ++m_count;
    else if (m_count == 0)
        m_count = 1;
    m_last = extent;
}

CExtentReader::CExtentReader()
    : m_request(new quint64[(kExtentReaderRequestBytes + 7) / 8])
{
    m_extents.reserve(kExtentReaderBatch);
}

CExtentReader::~CExtentReader() = default;

bool CExtentReader::Placed(const TExtent& extent)
{
    return (extent.flags & kExtentReaderUnplaced) == 0 && extent.length > 0;
}

int CExtentReader::CountFragments(std::span<const TExtent> extents)
{
    TFragmentCounter counter;
    for (const TExtent& extent : extents)
        counter.Add(extent);
    return counter.Count();
}

int CExtentReader::Read(int fd, quint64 sizeBytes)
{
    m_extents.clear();
    m_fragments = kUnknownFragments;
    m_method = TMethod::Unknown;
    int error = 0;
    if (!m_fiemapUnsupported) {
        if (ReadFiemap(fd, &error)) {
            m_method = TMethod::Fiemap;
            Finish();
            return m_fragments;
        }
        if (!ExtentReaderUnsupported(error))
            return m_fragments;
        m_fiemapUnsupported = true;
    }
    if (!m_fibmapUnsupported) {
        m_extents.clear();
        if (ReadFibmap(fd, sizeBytes, &error)) {
            m_method = TMethod::Fibmap;
            Finish();
            return m_fragments;
        }
        // Without CAP_SYS_RAWIO every file answers the same; so does every regular file of a
        // file system without block mapping (EINVAL), though a directory might not.
        struct stat info = {};
        if (ExtentReaderUnsupported(error) || error == EPERM ||
            (error == EINVAL && ::fstat(fd, &info) == 0 && S_ISREG(info.st_mode)))
            m_fibmapUnsupported = true;
        m_extents.clear();
    }
    return m_fragments;
}

bool CExtentReader::ReadFiemap(int fd, int* error)
{
    auto* request = reinterpret_cast<struct fiemap*>(m_request.get());
    quint64 start = 0;
    for (;;) {
        std::memset(request, 0, sizeof(struct fiemap));
        request->fm_start = start;
        request->fm_length = FIEMAP_MAX_OFFSET;
        request->fm_extent_count = kExtentReaderBatch;
        if (::ioctl(fd, FS_IOC_FIEMAP, request) != 0) {
            *error = errno;
            return false;
        }
        const quint32 mapped = std::min(request->fm_mapped_extents, kExtentReaderBatch);
        bool last = false;
        for (quint32 i = 0; i < mapped; ++i) {
            const struct fiemap_extent& found = request->fm_extents[i];
            m_extents.push_back(
                {found.fe_logical, found.fe_physical, found.fe_length, found.fe_flags});
            last = last || (found.fe_flags & FIEMAP_EXTENT_LAST);
        }
        // A short answer holds everything up to the end: no need to ask again for nothing.
        if (last || mapped < kExtentReaderBatch)
            return true;
        const TExtent& tail = m_extents.back();
        if (tail.logical + tail.length <= start)
            return true; // no progress: stop rather than ask forever
        start = tail.logical + tail.length;
    }
}

bool CExtentReader::ReadFibmap(int fd, quint64 sizeBytes, int* error)
{
    int blockSize = 0;
    if (::ioctl(fd, FIGETBSZ, &blockSize) != 0) {
        *error = errno;
        return false;
    }
    if (blockSize <= 0) {
        *error = EINVAL;
        return false;
    }
    const quint64 unit = static_cast<quint64>(blockSize);
    const quint64 blocks = (sizeBytes + unit - 1) / unit;
    for (quint64 block = 0; block < blocks; ++block) {
        // FIBMAP takes and answers 32-bit block numbers.
        if (block > 0x7FFFFFFFu) {
            *error = EFBIG;
            return false;
        }
        int mapped = static_cast<int>(block);
        if (::ioctl(fd, FIBMAP, &mapped) != 0) {
            *error = errno;
            return false;
        }
        if (mapped == 0)
            continue; // a hole
        const quint64 physical = static_cast<quint64>(static_cast<unsigned int>(mapped)) * unit;
        const quint64 logical = block * unit;
        if (!m_extents.empty()) {
            TExtent& previous = m_extents.back();
            if (previous.logical + previous.length == logical &&
                previous.physical + previous.length == physical) {
                previous.length += unit;
                continue;
            }
        }
        m_extents.push_back({logical, physical, unit, 0});
    }
    if (!m_extents.empty())
        m_extents.back().flags |= FIEMAP_EXTENT_LAST;
    return true;
}

void CExtentReader::Finish()
{
    m_fragments = CountFragments(m_extents);
    for (TExtent& extent : m_extents) {
        if (!Placed(extent))
            extent.physical = 0;
    }
}
