#include "refengine/CVolumeWalker.h"

#include "core/CWin32Error.h"
#include "platform/CFileDescriptor.h"
#include "refengine/CDirectoryScanner.h"
#include "refengine/CExtentReader.h"
#include "refengine/CSpaceMapReader.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <ctime>
#include <fcntl.h>
#include <mutex>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <thread>
#include <tuple>
#include <unordered_map>

using namespace Qt::StringLiterals;

namespace {

constexpr int kVolumeWalkerMostThreads = 4;
constexpr qint64 kVolumeWalkerDay = 24 * 60 * 60;

// The directories waiting to be read, shared by the walking threads. Taken last in, first out,
// so the walk goes depth first and few directories wait at a time.
struct TVolumeWalkerQueue {
    std::mutex mutex;
    std::condition_variable changed;
    // Signalled when a thread finishes, for the thread that reports progress.
    std::condition_variable done;
    std::vector<CDirectoryScanner::TJob> jobs;
    int busy = 0;
    int finished = 0;
};

void VolumeWalkerWork(CDirectoryScanner* scanner, CDirectoryScanner::TShared* shared,
                      TVolumeWalkerQueue* queue)
{
    std::vector<CDirectoryScanner::TJob> found;
    for (;;) {
        CDirectoryScanner::TJob job;
        {
            std::unique_lock lock(queue->mutex);
            queue->changed.wait(lock, [queue, shared] {
                return !queue->jobs.empty() || queue->busy == 0 ||
                       shared->control.load() == CDirectoryScanner::kStop;
            });
            if (queue->jobs.empty() || shared->control.load() == CDirectoryScanner::kStop) {
                ++queue->finished;
                queue->changed.notify_all();
                queue->done.notify_all();
                return;
            }
            job = std::move(queue->jobs.back());
            queue->jobs.pop_back();
            ++queue->busy;
        }
        found.clear();
        if (CDirectoryScanner::EnterBusy(shared)) {
            scanner->Scan(job, &found);
            CDirectoryScanner::LeaveBusy(shared);
        }
        bool wake = false;
        {
            const std::lock_guard lock(queue->mutex);
            // Reversed, so that the first subdirectory is read first.
            for (auto it = found.rbegin(); it != found.rend(); ++it)
                queue->jobs.push_back(std::move(*it));
            --queue->busy;
            // Idle threads wait for work, or for there being none left at all.
            wake = !found.empty() || queue->busy == 0;
        }
        if (wake)
            queue->changed.notify_all();
    }
}

void VolumeWalkerSetControl(CDirectoryScanner::TShared* shared, TVolumeWalkerQueue* queue,
                            int control)
{
    {
        std::unique_lock lock(shared->holdMutex);
        shared->control.store(control, std::memory_order_release);
        // A hold holds once every busy thread waits in it.
        if (control == CDirectoryScanner::kHold)
            shared->heldChanged.wait(lock, [shared] { return shared->held >= shared->busy; });
    }
    shared->holdChanged.notify_all();
    if (control == CDirectoryScanner::kStop) {
        // Under the queue's lock, so that no thread misses it between its test and its wait.
        {
            const std::lock_guard lock(queue->mutex);
        }
        queue->changed.notify_all();
    }
}

HRESULT VolumeWalkerErrno(int error, DWORD fallback)
{
    return HRESULT_FROM_WIN32(CWin32Error::FromErrno(error, fallback));
}

QString VolumeWalkerFullPath(const QString& mountPoint, const std::string& relative)
{
    if (relative.empty())
        return mountPoint;
    QString path = mountPoint;
    if (!path.endsWith(u'/'))
        path += u'/';
    return path + QFile::decodeName(QByteArray::fromStdString(relative));
}

QList<TAnalysisFigures::TFragmentedItem>
VolumeWalkerTopList(std::vector<CDirectoryScanner::TListed> all, const QString& mountPoint)
{
    std::sort(all.begin(), all.end(), CDirectoryScanner::ListedBefore);
    if (all.size() > CDirectoryScanner::kListLength)
        all.resize(CDirectoryScanner::kListLength);
    QList<TAnalysisFigures::TFragmentedItem> list;
    list.reserve(static_cast<qsizetype>(all.size()));
    for (const CDirectoryScanner::TListed& item : all)
        list.append({VolumeWalkerFullPath(mountPoint, item.path), item.fragments, item.bytes});
    return list;
}

QList<TAnalysisFigures::TFileType> VolumeWalkerFileTypes(
    const std::unordered_map<std::string, std::pair<quint64, quint64>>& extensions)
{
    QList<TAnalysisFigures::TFileType> types;
    types.reserve(static_cast<qsizetype>(extensions.size()));
    for (const auto& [extension, counts] : extensions)
        types.append(
            {QFile::decodeName(QByteArray::fromStdString(extension)), counts.first, counts.second});
    std::sort(types.begin(), types.end(), [](const auto& a, const auto& b) {
        return std::tie(b.bytes, b.files, a.extension) < std::tie(a.bytes, a.files, b.extension);
    });
    // The rarest fold into the empty extension, which keeps its place by its new size.
    if (types.size() > TAnalysisFigures::kMostFileTypes) {
        TAnalysisFigures::TFileType rest;
        for (qsizetype i = types.size() - 1; i >= 0; --i) {
            if (i < TAnalysisFigures::kMostFileTypes - 1 && !types[i].extension.isEmpty())
                continue;
            rest.files += types[i].files;
            rest.bytes += types[i].bytes;
            types.removeAt(i);
        }
        const auto place = std::find_if(types.begin(), types.end(), [&rest](const auto& type) {
            return std::tie(type.bytes, type.files) < std::tie(rest.bytes, rest.files);
        });
        types.insert(place, rest);
    }
    return types;
}

} // namespace

CVolumeWalker::CVolumeWalker(const TVolumeDescription& volume, TWalkOptions options)
    : m_volume(volume)
    , m_options(std::move(options))
    , m_map(std::make_unique<CDriveMapBuilder>(MapBytes(volume)))
{}

CVolumeWalker::~CVolumeWalker() = default;

quint64 CVolumeWalker::MapBytes(const TVolumeDescription& volume)
{
    const quint64 fileSystemBytes = volume.totalClusters * volume.bytesPerCluster;
    return std::max(volume.deviceBytes, fileSystemBytes);
}

bool CVolumeWalker::VolumePresent() const
{
    struct stat root = {};
    return ::stat(QFile::encodeName(m_volume.mountPoint).constData(), &root) == 0 &&
           S_ISDIR(root.st_mode) && root.st_dev == m_volume.device;
}

QList<CVolumeWalker::TBlockFile> CVolumeWalker::BlockFiles(int block) const
{
    return m_index ? m_index->Items(block) : QList<TBlockFile>();
}

HRESULT CVolumeWalker::Run(const std::function<bool(const TWalkProgress&)>& onProgress)
{
    if (m_started)
        return E_UNEXPECTED;
    m_started = true;
    QElapsedTimer clock;
    clock.start();

    const CFileDescriptor root(::open(QFile::encodeName(m_volume.mountPoint).constData(),
                                      O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (root.Get() < 0) {
        const int error = errno;
        if (error == EACCES || error == EPERM)
            return E_ACCESSDENIED;
        if (error == ENOENT || error == ENOTDIR || error == ENODEV || error == ENXIO ||
            error == EIO)
            return kDeviceGone;
        return VolumeWalkerErrno(error, ERROR_READ_FAULT);
    }
    struct stat rootInfo = {};
    if (::fstat(root.Get(), &rootInfo) != 0 || rootInfo.st_dev != m_volume.device)
        return kDeviceGone;

    CDirectoryScanner::TShared shared;
    shared.rootFd = root.Get();
    shared.device = m_volume.device;
    shared.now = m_options.now ? m_options.now : static_cast<qint64>(std::time(nullptr));
    shared.rareSeconds = static_cast<qint64>(m_options.rareAgeDays) * kVolumeWalkerDay;
    shared.recentSeconds = static_cast<qint64>(m_options.recentAgeDays) * kVolumeWalkerDay;
    shared.map = m_map.get();
    if (m_options.indexBlocks) {
        m_index = std::make_unique<CBlockFileIndex>(m_volume.mountPoint);
        shared.index = m_index.get();
    }
    const QString rootPath = QDir::cleanPath(m_volume.mountPoint);
    const QString rootPrefix = rootPath.endsWith(u'/') ? rootPath : rootPath + u'/';
    for (const QString& excluded : m_options.excludedPaths) {
        const QString clean = QDir::cleanPath(excluded);
        if (clean == rootPath)
            shared.excluded.insert(std::string());
        else if (clean.startsWith(rootPrefix))
            shared.excluded.insert(QFile::encodeName(clean.mid(rootPrefix.size())).toStdString());
    }

    int threads = m_options.threads;
    if (threads <= 0)
        threads = std::clamp(static_cast<int>(std::thread::hardware_concurrency()), 1,
                             kVolumeWalkerMostThreads);
    std::vector<std::unique_ptr<CDirectoryScanner>> scanners;
    for (int i = 0; i < threads; ++i)
        scanners.push_back(std::make_unique<CDirectoryScanner>(&shared));

    TVolumeWalkerQueue queue;
    const bool rootExcluded = shared.excluded.count(std::string()) > 0;
    queue.jobs.push_back({std::string(), CBlockFileIndex::kNoParent, rootExcluded});

    const auto progress = [&scanners, this](bool complete) {
        TWalkProgress report;
        quint64 entries = 0;
        for (const auto& scanner : scanners) {
            report.files += scanner->FilesSeen();
            report.directories += scanner->DirectoriesSeen();
            report.bytes += scanner->BytesSeen();
            entries += scanner->EntriesSeen();
            if (report.currentPath.isEmpty() && !complete) {
                const std::string current = scanner->CurrentDirectory();
                if (!current.empty())
                    report.currentPath = VolumeWalkerFullPath(m_volume.mountPoint, current);
            }
        }
        if (complete) {
            report.percent = 100;
        } else if (m_volume.usedInodes > 0) {
            report.percent = 100.0 * static_cast<double>(entries) / m_volume.usedInodes;
        } else {
            const quint64 used =
                (m_volume.totalClusters - std::min(m_volume.freeClusters, m_volume.totalClusters)) *
                m_volume.bytesPerCluster;
            report.percent = used ? 100.0 * static_cast<double>(report.bytes) / used : 0;
        }
        if (!complete)
            report.percent = std::min(report.percent, 99.0);
        return report;
    };

    HRESULT result = S_OK;
    // Before the threads start: a callback that declines at once walks nothing.
    if (onProgress && !onProgress(progress(false)))
        return E_ABORT;

    // The file system's own structures are drawn as soon as they are known, on a thread of their
    // own: asking takes time in proportion to the file system's size, which the walk need not
    // wait for. The used space the walk does not meet is drawn once it is over.
    std::vector<CSpaceMapReader::TRange> data;
    std::atomic<bool> cancelSpaceMap{false};
    const auto readSpaceMap = [this, &root, &data, &cancelSpaceMap, &shared] {
        std::vector<CSpaceMapReader::TRange> metadata;
        if (FAILED(CSpaceMapReader::Read(root.Get(), &metadata, &data, &cancelSpaceMap)))
            return;
        if (!CDirectoryScanner::EnterBusy(&shared))
            return;
        for (const CSpaceMapReader::TRange& range : metadata)
            m_map->AddExtent(range.physical, range.length, CDriveMapBuilder::kMetadata, false);
        CDirectoryScanner::LeaveBusy(&shared);
    };
    std::thread spaceMap;
    if (m_options.readSpaceMap) {
        try {
            spaceMap = std::thread(readSpaceMap);
        } catch (...) {
            readSpaceMap();
        }
    }

    std::vector<std::thread> workers;
    try {
        for (const auto& scanner : scanners)
            workers.emplace_back(VolumeWalkerWork, scanner.get(), &shared, &queue);
    } catch (...) {
        // No more threads to be had: the ones running do the walk.
        if (workers.empty()) {
            cancelSpaceMap.store(true);
            if (spaceMap.joinable())
                spaceMap.join();
            return E_OUTOFMEMORY;
        }
    }
    const int running = static_cast<int>(workers.size());

    for (;;) {
        {
            std::unique_lock lock(queue.mutex);
            if (queue.done.wait_for(lock, std::chrono::milliseconds(kProgressIntervalMs),
                                    [&queue, running] { return queue.finished == running; }))
                break;
        }
        if (!VolumePresent()) {
            result = kDeviceGone;
            VolumeWalkerSetControl(&shared, &queue, CDirectoryScanner::kStop);
            break;
        }
        if (!onProgress)
            continue;
        const TWalkProgress report = progress(false);
        VolumeWalkerSetControl(&shared, &queue, CDirectoryScanner::kHold);
        const bool goOn = onProgress(report);
        VolumeWalkerSetControl(&shared, &queue,
                               goOn ? CDirectoryScanner::kRun : CDirectoryScanner::kStop);
        if (!goOn) {
            result = E_ABORT;
            break;
        }
    }
    for (std::thread& worker : workers)
        worker.join();
    if (FAILED(result))
        cancelSpaceMap.store(true);
    if (spaceMap.joinable())
        spaceMap.join();
    if (FAILED(result))
        return result;
    if (!VolumePresent())
        return kDeviceGone;

    // Figures from the threads' tallies.
    TAnalysisFigures figures;
    std::vector<CDirectoryScanner::TListed> files100, directories100, excluded100;
    std::unordered_map<std::string, std::pair<quint64, quint64>> extensions;
    std::vector<CDirectoryScanner::TSkipped> skipped;
    std::array<quint64, CDirectoryScanner::kFileCategories.size()> categoryFiles{}, categoryBytes{};
    std::array<quint64, CDirectoryScanner::kHistogramBounds.size()> histogram{};
    quint64 directoryBytes = 0, unknownBytes = 0, weightBytes = 0;
    for (const auto& scanner : scanners) {
        const CDirectoryScanner::TTally& tally = scanner->Tally();
        figures.files += tally.files;
        figures.directories += tally.directories;
        figures.totalFileBytes += tally.fileBytes;
        figures.fragmentedFiles += tally.fragmentedFiles;
        figures.fragmentedFileBytes += tally.fragmentedFileBytes;
        figures.excessFileFragments += tally.excessFileFragments;
        figures.fragmentedDirectories += tally.fragmentedDirectories;
        figures.excessDirectoryFragments += tally.excessDirectoryFragments;
        figures.unknownExtentFiles += tally.unknownExtentFiles;
        figures.skippedItems += tally.skippedCount;
        directoryBytes += tally.directoryBytes;
        unknownBytes += tally.unknownExtentBytes;
        weightBytes += tally.fragmentedWeightBytes;
        for (size_t i = 0; i < categoryFiles.size(); ++i) {
            categoryFiles[i] += tally.categoryFiles[i];
            categoryBytes[i] += tally.categoryBytes[i];
        }
        for (size_t i = 0; i < histogram.size(); ++i)
            histogram[i] += tally.histogram[i];
        files100.insert(files100.end(), tally.files100.begin(), tally.files100.end());
        directories100.insert(directories100.end(), tally.directories100.begin(),
                              tally.directories100.end());
        skipped.insert(skipped.end(), tally.skipped.begin(), tally.skipped.end());
        figures.excludedFileCount += tally.excludedCount;
        excluded100.insert(excluded100.end(), tally.excluded100.begin(), tally.excluded100.end());
        for (const auto& [extension, counts] : tally.extensions) {
            auto& sum = extensions[extension];
            sum.first += counts.first;
            sum.second += counts.second;
        }
    }
    for (size_t i = 0; i < categoryFiles.size(); ++i) {
        const quint8 category = CDirectoryScanner::kFileCategories[i];
        if (category == CDriveMapBuilder::kExcluded && categoryFiles[i] == 0)
            continue;
        figures.categories.append({category, categoryFiles[i], categoryBytes[i]});
        if (category == CDriveMapBuilder::kRecentlyModified)
            figures.categories.append(
                {CDriveMapBuilder::kDirectory, figures.directories, directoryBytes});
    }
    for (size_t i = 0; i < histogram.size(); ++i)
        figures.fragmentHistogram.append({CDirectoryScanner::kHistogramBounds[i], histogram[i]});
    figures.mostFragmentedFiles = VolumeWalkerTopList(std::move(files100), m_volume.mountPoint);
    figures.mostFragmentedDirectories =
        VolumeWalkerTopList(std::move(directories100), m_volume.mountPoint);
    figures.excludedFiles = VolumeWalkerTopList(std::move(excluded100), m_volume.mountPoint);
    figures.fileTypes = VolumeWalkerFileTypes(extensions);
    std::sort(skipped.begin(), skipped.end(),
              [](const auto& a, const auto& b) { return a.path < b.path; });
    for (const CDirectoryScanner::TSkipped& item : skipped) {
        if (figures.skipped.size() >= TAnalysisFigures::kListLength)
            break;
        figures.skipped.append(
            {VolumeWalkerFullPath(m_volume.mountPoint, item.path), item.reason, item.error});
    }

    if (!data.empty()) {
        std::vector<std::pair<quint64, quint64>> unseen;
        unseen.reserve(data.size());
        for (const CSpaceMapReader::TRange& range : data)
            unseen.emplace_back(range.physical, range.length);
        std::vector<CSpaceMapReader::TRange>().swap(data);
        m_map->AddUncovered(std::move(unseen), CDriveMapBuilder::kUsed);
    }
    const CDriveMapBuilder::TFreeSpace free =
        m_map->FreeSpace(TAnalysisFigures::kShortFreeRunBytes);
    figures.freeRuns = free.runs;
    figures.largestFreeRun = free.largestRun;
    struct statvfs space = {};
    if (::fstatvfs(root.Get(), &space) == 0) {
        const quint64 unit = space.f_frsize ? space.f_frsize : space.f_bsize;
        figures.freeBytes = quint64(space.f_bfree) * unit;
        figures.totalBytes = quint64(space.f_blocks) * unit;
    }
    const quint64 knownBytes = figures.totalFileBytes - unknownBytes;
    figures.fileFragmentationPercent =
        knownBytes ? 100.0 * static_cast<double>(weightBytes) / knownBytes : 0;
    figures.directoryFragmentationPercent =
        figures.directories
            ? 100.0 * static_cast<double>(figures.fragmentedDirectories) / figures.directories
            : 0;
    figures.freeSpaceFragmentationPercent =
        free.bytes ? 100.0 * static_cast<double>(free.shortRunBytes) / free.bytes : 0;
    figures.performance = std::clamp(100.0 - 0.7 * figures.fileFragmentationPercent -
                                         0.3 * figures.freeSpaceFragmentationPercent,
                                     0.0, 100.0);
    if (m_index)
        m_index->Finish();
    figures.durationMs = clock.elapsed();
    m_figures = std::move(figures);

    if (onProgress)
        onProgress(progress(true));
    return S_OK;
}

HRESULT CVolumeWalker::FileBlocks(const TVolumeDescription& volume, const QString& path,
                                  TFileBlocks* result)
{
    if (!result)
        return E_POINTER;
    if (path.isEmpty())
        return E_INVALIDARG;
    const QString full = QDir::isAbsolutePath(path) ? path : volume.mountPoint + u'/' + path;
    const CFileDescriptor fd(::open(QFile::encodeName(full).constData(),
                                    O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
    if (fd.Get() < 0)
        return errno == ENOENT ? HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND)
                               : VolumeWalkerErrno(errno, ERROR_READ_FAULT);
    struct stat info = {};
    if (::fstat(fd.Get(), &info) != 0)
        return VolumeWalkerErrno(errno, ERROR_READ_FAULT);
    if ((!S_ISREG(info.st_mode) && !S_ISDIR(info.st_mode)) || info.st_dev != volume.device)
        return E_INVALIDARG;

    CExtentReader reader;
    TFileBlocks found;
    found.fragments = reader.Read(fd.Get(), static_cast<quint64>(info.st_size));
    const quint64 span = MapBytes(volume);
    for (const CExtentReader::TExtent& extent : reader.Extents()) {
        if (!CExtentReader::Placed(extent))
            continue;
        const int first = CDriveMapBuilder::BlockOf(extent.physical, span);
        const int last = CDriveMapBuilder::BlockOf(extent.physical + extent.length - 1, span);
        for (int block = first; block <= last; ++block)
            found.blocks.append(static_cast<quint32>(block));
    }
    std::sort(found.blocks.begin(), found.blocks.end());
    found.blocks.erase(std::unique(found.blocks.begin(), found.blocks.end()), found.blocks.end());
    *result = std::move(found);
    return S_OK;
}
