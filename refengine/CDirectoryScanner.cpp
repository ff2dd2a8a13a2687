#include "refengine/CDirectoryScanner.h"

#include "core/CWin32Error.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/sysmacros.h>
#include <unistd.h>

namespace {

// getdents64 buffer: a few hundred entries a call.
constexpr size_t kDirectoryScannerEntryBytes = 32 * 1024;

constexpr int kDirectoryScannerOpenFlags = O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC;

bool DirectoryScannerIsDot(const char* name)
{
    return name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0'));
}

} // namespace

CDirectoryScanner::CDirectoryScanner(TShared* shared)
    : m_shared(shared)
    , m_entries(new quint64[kDirectoryScannerEntryBytes / sizeof(quint64)])
    , m_noAtime(shared->tryNoAtime)
{
    m_tally.files100.reserve(kListLength + 1);
    m_tally.directories100.reserve(kListLength + 1);
}

CDirectoryScanner::~CDirectoryScanner() = default;

bool CDirectoryScanner::ListedBefore(const TListed& a, const TListed& b)
{
    if (a.fragments != b.fragments)
        return a.fragments > b.fragments;
    if (a.bytes != b.bytes)
        return a.bytes > b.bytes;
    return a.path < b.path;
}

void CDirectoryScanner::Bump(std::atomic<quint64>& counter, quint64 by)
{
    // Only this scanner's thread writes its counters: no read-modify-write needed.
    counter.store(counter.load(std::memory_order_relaxed) + by, std::memory_order_relaxed);
}

std::string CDirectoryScanner::CurrentDirectory() const
{
    const std::lock_guard lock(m_currentMutex);
    return m_current;
}

std::string CDirectoryScanner::Join(const std::string& directory, std::string_view name)
{
    std::string path;
    path.reserve(directory.size() + 1 + name.size());
    path = directory;
    if (!path.empty())
        path.push_back('/');
    path.append(name);
    return path;
}

bool CDirectoryScanner::KeepGoing(TShared* shared)
{
    const int control = shared->control.load(std::memory_order_acquire);
    if (control == kRun)
        return true;
    if (control == kStop)
        return false;
    std::unique_lock lock(shared->holdMutex);
    ++shared->held;
    shared->heldChanged.notify_all();
    shared->holdChanged.wait(lock, [shared] { return shared->control.load() != kHold; });
    --shared->held;
    return shared->control.load() == kRun;
}

bool CDirectoryScanner::EnterBusy(TShared* shared)
{
    std::unique_lock lock(shared->holdMutex);
    shared->holdChanged.wait(lock, [shared] { return shared->control.load() != kHold; });
    if (shared->control.load() == kStop)
        return false;
    ++shared->busy;
    return true;
}

void CDirectoryScanner::LeaveBusy(TShared* shared)
{
    {
        const std::lock_guard lock(shared->holdMutex);
        --shared->busy;
    }
    shared->heldChanged.notify_all();
}

quint8 CDirectoryScanner::FileCategory(qint64 modified) const
{
    return CategoryOfAge(m_shared->now - modified, m_shared->rareSeconds, m_shared->recentSeconds);
}

quint8 CDirectoryScanner::CategoryOfAge(qint64 ageSeconds, qint64 rareSeconds, qint64 recentSeconds)
{
    if (ageSeconds > rareSeconds)
        return CDriveMapBuilder::kRarelyModified;
    if (ageSeconds < recentSeconds)
        return CDriveMapBuilder::kRecentlyModified;
    return CDriveMapBuilder::kOccasionallyModified;
}

void CDirectoryScanner::Offer(std::vector<TListed>* list, quint32 fragments, quint64 bytes,
                              const std::string& path)
{
    const auto after = [](const TListed& a, const TListed& b) { return ListedBefore(a, b); };
    if (list->size() >= kListLength) {
        const TListed& least = list->front();
        if (fragments < least.fragments || (fragments == least.fragments && bytes <= least.bytes))
            return;
        std::pop_heap(list->begin(), list->end(), after);
        list->pop_back();
    }
    list->push_back({path, fragments, bytes});
    std::push_heap(list->begin(), list->end(), after);
}

std::string CDirectoryScanner::FileExtension(std::string_view name)
{
    const size_t dot = name.rfind('.');
    if (dot == std::string_view::npos || dot == 0 || dot + 1 == name.size() ||
        name.size() - dot - 1 > kLongestExtension)
        return {};
    std::string extension(name.substr(dot + 1));
    for (char& c : extension) {
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    }
    return extension;
}

void CDirectoryScanner::CountExtension(std::string_view name, quint64 bytes)
{
    std::string extension = FileExtension(name);
    auto found = m_tally.extensions.find(extension);
    if (found == m_tally.extensions.end()) {
        if (m_tally.extensions.size() >= kMostExtensions)
            extension.clear();
        found = m_tally.extensions.try_emplace(std::move(extension), 0, 0).first;
    }
    ++found->second.first;
    found->second.second += bytes;
}

void CDirectoryScanner::Skip(const TJob& job, std::string_view name, int error)
{
    ++m_tally.skippedCount;
    if (m_tally.skipped.size() >= kListLength)
        return;
    const bool denied = error == EACCES || error == EPERM;
    m_tally.skipped.push_back(
        {name.empty() ? job.path : Join(job.path, name), denied ? quint32(0) : quint32(3),
         denied ? E_ACCESSDENIED
                : HRESULT_FROM_WIN32(CWin32Error::FromErrno(error, ERROR_READ_FAULT))});
}

void CDirectoryScanner::MapExtents(quint8 category, bool fragmented, quint32 record)
{
    CDriveMapBuilder* map = m_shared->map;
    for (const CExtentReader::TExtent& extent : m_reader.Extents()) {
        if (!CExtentReader::Placed(extent))
            continue;
        map->AddExtent(extent.physical, extent.length, category, fragmented);
        if (m_shared->index)
            m_batch.AddBlocks(record, map->BlockOf(extent.physical),
                              map->BlockOf(extent.physical + extent.length - 1));
    }
}

void CDirectoryScanner::Scan(const TJob& job, std::vector<TJob>* subdirectories)
{
    if (!KeepGoing(m_shared))
        return;
    {
        const std::lock_guard lock(m_currentMutex);
        m_current = job.path;
    }
    const char* relative = job.path.empty() ? "." : job.path.c_str();
    int flags = kDirectoryScannerOpenFlags | O_DIRECTORY;
    int fd = ::openat(m_shared->rootFd, relative, flags | (m_noAtime ? O_NOATIME : 0));
    if (fd < 0 && errno == EPERM && m_noAtime)
        fd = ::openat(m_shared->rootFd, relative, flags);
    if (fd < 0) {
        // Gone since it was listed, or turned into something else: nothing to count.
        if (errno != ENOENT && errno != ENOTDIR && errno != ELOOP)
            Skip(job, {}, errno);
        return;
    }

    struct statx info = {};
    const unsigned int wanted = STATX_TYPE | STATX_MODE | STATX_SIZE | STATX_MTIME;
    if (::statx(fd, "", AT_EMPTY_PATH | AT_STATX_DONT_SYNC, wanted, &info) != 0) {
        Skip(job, {}, errno);
        ::close(fd);
        return;
    }
    // Another file system mounted here, or a bind mount of a part of this one: not this walk's.
    const bool mountRoot = (info.stx_attributes_mask & STATX_ATTR_MOUNT_ROOT) &&
                           (info.stx_attributes & STATX_ATTR_MOUNT_ROOT);
    if (makedev(info.stx_dev_major, info.stx_dev_minor) != m_shared->device ||
        (mountRoot && !job.path.empty()) || !S_ISDIR(info.stx_mode)) {
        ::close(fd);
        return;
    }

    bool excluded = job.excluded;
    if (!excluded && !m_shared->excluded.empty())
        excluded = m_shared->excluded.count(job.path) > 0;

    const int fragments = m_reader.Read(fd, info.stx_size);
    ++m_tally.directories;
    m_tally.directoryBytes += info.stx_size;
    Bump(m_directoriesSeen, 1);
    Bump(m_entriesSeen, 1);
    m_batch.Clear();
    const size_t slash = job.path.rfind('/');
    const std::string_view ownName = slash == std::string::npos
                                         ? std::string_view(job.path)
                                         : std::string_view(job.path).substr(slash + 1);
    m_batch.Add(ownName, fragments, info.stx_size);
    if (fragments > 1) {
        ++m_tally.fragmentedDirectories;
        m_tally.excessDirectoryFragments += static_cast<quint64>(fragments - 1);
        Offer(&m_tally.directories100, static_cast<quint32>(fragments), info.stx_size, job.path);
    }
    MapExtents(excluded ? CDriveMapBuilder::kExcluded : CDriveMapBuilder::kDirectory, fragments > 1,
               0);

    TJob here{job.path, job.parentRecord, excluded};
    const size_t firstSubdirectory = subdirectories->size();
    auto* buffer = reinterpret_cast<char*>(m_entries.get());
    bool stopped = false;
    for (;;) {
        const ssize_t got = ::getdents64(fd, buffer, kDirectoryScannerEntryBytes);
        if (got < 0) {
            Skip(job, {}, errno);
            break;
        }
        if (got == 0)
            break;
        for (ssize_t offset = 0; offset < got;) {
            const auto* entry = reinterpret_cast<const struct dirent64*>(buffer + offset);
            offset += entry->d_reclen;
            const char* name = entry->d_name;
            if (DirectoryScannerIsDot(name))
                continue;
            if (!KeepGoing(m_shared)) {
                stopped = true;
                break;
            }
            unsigned char type = entry->d_type;
            if (type == DT_UNKNOWN) {
                // Some file systems do not fill in the type.
                struct stat found = {};
                if (::fstatat(fd, name, &found, AT_SYMLINK_NOFOLLOW) != 0)
                    continue;
                type = S_ISDIR(found.st_mode) ? DT_DIR : S_ISREG(found.st_mode) ? DT_REG : DT_LNK;
            }
            if (type == DT_DIR) {
                subdirectories->push_back({Join(job.path, name), 0, excluded});
            } else if (type == DT_REG) {
                ScanFile(fd, name, here);
            } else {
                Bump(m_entriesSeen, 1);
            }
        }
        if (stopped)
            break;
    }
    ::close(fd);
    m_noAtime = m_shared->tryNoAtime;

    quint32 record = CBlockFileIndex::kNoParent;
    if (m_shared->index)
        record = m_shared->index->Append(m_batch, job.parentRecord);
    for (size_t i = firstSubdirectory; i < subdirectories->size(); ++i)
        (*subdirectories)[i].parentRecord = record;
}

void CDirectoryScanner::ScanFile(int directoryFd, const char* fileName, const TJob& job)
{
    const std::string_view name(fileName);
    Bump(m_entriesSeen, 1);
    int fd =
        ::openat(directoryFd, fileName, kDirectoryScannerOpenFlags | (m_noAtime ? O_NOATIME : 0));
    if (fd < 0 && errno == EPERM && m_noAtime) {
        // O_NOATIME needs the file's owner (or CAP_FOWNER): not for the rest of this directory.
        m_noAtime = false;
        fd = ::openat(directoryFd, fileName, kDirectoryScannerOpenFlags);
    }
    if (fd < 0) {
        if (errno != ENOENT && errno != ELOOP)
            Skip(job, name, errno);
        return;
    }
    struct stat info = {};
    if (::fstat(fd, &info) != 0) {
        Skip(job, name, errno);
        ::close(fd);
        return;
    }
    // Replaced by something else since it was listed, or a file mounted over this one.
    if (!S_ISREG(info.st_mode) || info.st_dev != m_shared->device) {
        ::close(fd);
        return;
    }
    if (info.st_nlink > 1) {
        const std::lock_guard lock(m_shared->linksMutex);
        if (!m_shared->linkedInodes.insert(info.st_ino).second) {
            ::close(fd);
            return;
        }
    }
    const quint64 bytes = static_cast<quint64>(info.st_size);
    // A file without size or blocks has no extents: no need to ask.
    const int fragments = info.st_size == 0 && info.st_blocks == 0 ? 0 : m_reader.Read(fd, bytes);
    ::close(fd);

    bool excluded = job.excluded;
    if (!excluded && !m_shared->excluded.empty())
        excluded = m_shared->excluded.count(Join(job.path, name)) > 0;
    const quint8 category =
        excluded ? quint8(CDriveMapBuilder::kExcluded) : FileCategory(info.st_mtim.tv_sec);
    const size_t slot =
        static_cast<size_t>(std::find(kFileCategories.begin(), kFileCategories.end(), category) -
                            kFileCategories.begin());

    ++m_tally.files;
    m_tally.fileBytes += bytes;
    CountExtension(name, bytes);
    ++m_tally.categoryFiles[slot];
    m_tally.categoryBytes[slot] += bytes;
    Bump(m_filesSeen, 1);
    Bump(m_bytesSeen, bytes);
    if (fragments < 0) {
        ++m_tally.unknownExtentFiles;
        m_tally.unknownExtentBytes += bytes;
    } else if (fragments > 0) {
        size_t bucket = 0;
        while (bucket + 1 < kHistogramBounds.size() &&
               static_cast<quint32>(fragments) >= kHistogramBounds[bucket + 1])
            ++bucket;
        ++m_tally.histogram[bucket];
    }
    if (excluded) {
        // Left where it is by every pass: listed, but no part of the fragmentation to mend.
        ++m_tally.excludedCount;
        Offer(&m_tally.excluded100, static_cast<quint32>(std::max(fragments, 0)), bytes,
              Join(job.path, name));
    } else if (fragments > 1) {
        ++m_tally.fragmentedFiles;
        m_tally.fragmentedFileBytes += bytes;
        m_tally.excessFileFragments += static_cast<quint64>(fragments - 1);
        m_tally.fragmentedWeightBytes += std::min(
            bytes, static_cast<quint64>(fragments - 1) * TAnalysisFigures::kExcessFragmentBytes);
        if (m_tally.files100.size() < kListLength ||
            static_cast<quint32>(fragments) >= m_tally.files100.front().fragments)
            Offer(&m_tally.files100, static_cast<quint32>(fragments), bytes, Join(job.path, name));
    }
    const quint32 record = m_shared->index ? m_batch.Add(name, fragments, bytes) : 0;
    if (fragments > 0)
        MapExtents(category, fragments > 1, record);
}
