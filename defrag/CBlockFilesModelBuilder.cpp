#include "defrag/CBlockFilesModelBuilder.h"

#include "defrag/CDefrager.h"
#include "engine/CKV100EngineInterface.h"

#include <QMutex>
#include <QSemaphore>
#include <QThreadPool>

#include <algorithm>

namespace {

std::atomic<int> s_runningJobs{0};

// Where the name of a path begins: after its last separator of either kind.
qsizetype NameStart(const QString& path)
{
    return std::max(path.lastIndexOf(u'/'), path.lastIndexOf(u'\\')) + 1;
}

} // namespace

QString TBlockFile::Path() const
{
    if (folder.isEmpty())
        return name;
    if (folder.endsWith(u'/') || folder.endsWith(u'\\'))
        return folder + name;
    const QChar separator = folder.contains(u'/') || !folder.contains(u'\\') ? u'/' : u'\\';
    return folder + separator + name;
}

// What the worker and the builder share: the builder's relay while the build lasts (null once
// it ended), under the mutex, and the stop request. The worker hands over a batch only for a
// credit, which the builder gives back once it took the batch: the GUI thread then takes a batch
// or two per turn of its event loop, rather than every batch of a long list in one turn.
struct CBlockFilesModelBuilder::TJob {
    QMutex mutex;
    CRelay* relay = nullptr;
    std::atomic<bool> stop{false};
    QSemaphore credits{2};
};

// Carries a job's results from the worker to the builder's thread, queued.
class CBlockFilesModelBuilder::CRelay : public QObject {
    Q_OBJECT

public:
    using QObject::QObject;

signals:
    void Rows(quint64 build, const TBlockFileList& rows, int progress);
    void Done(quint64 build, HRESULT result);
};

CBlockFilesModelBuilder::CBlockFilesModelBuilder(CKV100EngineInterface& engine, QObject* parent)
    : CBlockFilesModelBuilder(
          [&engine](const TId& volume, uint block, TStringList* files, QList<int>* excess,
                    QList<qlonglong>* bytes) {
              return engine.GetBlockFiles(volume, block, files, excess, bytes);
          },
          parent)
{}

CBlockFilesModelBuilder::CBlockFilesModelBuilder(TFetch fetch, QObject* parent)
    : QObject(parent)
    , m_fetch(std::move(fetch))
{
    qRegisterMetaType<TBlockFileList>("TBlockFileList");
    qRegisterMetaType<HRESULT>("HRESULT");
    m_relay = new CRelay(this);
    connect(m_relay, &CRelay::Rows, this, &CBlockFilesModelBuilder::OnRows, Qt::QueuedConnection);
    connect(m_relay, &CRelay::Done, this, &CBlockFilesModelBuilder::OnDone, Qt::QueuedConnection);
}

CBlockFilesModelBuilder::~CBlockFilesModelBuilder()
{
    Detach();
}

int CBlockFilesModelBuilder::RunningJobs()
{
    return s_runningJobs.load();
}

HRESULT CBlockFilesModelBuilder::MakeRows(const TStringList& files,
                                          const QList<int>& excessFragments,
                                          const QList<qlonglong>& bytes, TBlockFileList* rows)
{
    rows->clear();
    const auto count = qsizetype(files.size());
    if (excessFragments.size() != count || bytes.size() != count)
        return E_UNEXPECTED;
    rows->reserve(count);
    qsizetype i = 0;
    for (const TString& file : files) {
        const qsizetype at = i++;
        if (file.empty())
            continue;
        const QString path = QString::fromStdWString(file);
        const qsizetype nameStart = NameStart(path);
        TBlockFile row;
        row.name = path.mid(nameStart);
        // The root keeps its separator; other folders lose the one before the name.
        row.folder = path.left(nameStart <= 1 ? nameStart : nameStart - 1);
        if (row.folder.endsWith(u':') && nameStart > 0)
            row.folder = path.left(nameStart); // "C:\"
        row.excessFragments = std::max(excessFragments.at(at), -1);
        row.bytesUsed = bytes.at(at);
        rows->append(std::move(row));
    }
    return S_OK;
}

void CBlockFilesModelBuilder::Start(const TId& volume, int block)
{
    if (Detach())
        emit Stopped();
    const quint64 build = ++m_build;
    m_running = true;
    m_result = S_OK;
    emit Started();
    emit Progress(0);
    if (block < 0 || block >= int(CDefrager::kMapBlockCount) || !m_fetch) {
        OnDone(build, E_INVALIDARG);
        return;
    }
    m_job = std::make_shared<TJob>();
    m_job->relay = m_relay;
    ++s_runningJobs;
    QThreadPool::globalInstance()->start([job = m_job, fetch = m_fetch, volume, block, build] {
        struct TCount {
            ~TCount() { --s_runningJobs; }
        } count;
        TStringList files;
        QList<int> excess;
        QList<qlonglong> bytes;
        HRESULT result = job->stop ? E_ABORT : fetch(volume, uint(block), &files, &excess, &bytes);
        TBlockFileList rows;
        if (SUCCEEDED(result) && !job->stop)
            result = MakeRows(files, excess, bytes, &rows);
        const qsizetype total = rows.size();
        for (qsizetype at = 0; SUCCEEDED(result) && at < total; at += kBatchRows) {
            while (!job->credits.tryAcquire(1, 20))
                if (job->stop)
                    return;
            if (job->stop)
                return;
            const TBlockFileList batch = rows.mid(at, kBatchRows);
            const int progress = int((at + batch.size()) * 100 / total);
            QMutexLocker locker(&job->mutex);
            if (!job->relay)
                return;
            emit job->relay->Rows(build, batch, progress);
        }
        QMutexLocker locker(&job->mutex);
        if (job->relay)
            emit job->relay->Done(build, result);
    });
}

void CBlockFilesModelBuilder::Stop()
{
    if (Detach())
        emit Stopped();
}

bool CBlockFilesModelBuilder::Detach()
{
    if (!m_running)
        return false;
    m_running = false;
    ++m_build; // whatever of the build is still queued is dropped
    if (m_job) {
        m_job->stop = true;
        QMutexLocker locker(&m_job->mutex);
        m_job->relay = nullptr;
    }
    m_job.reset();
    return true;
}

void CBlockFilesModelBuilder::OnRows(quint64 build, const TBlockFileList& rows, int progress)
{
    if (build != m_build || !m_running)
        return;
    if (m_job)
        m_job->credits.release();
    if (!rows.isEmpty())
        emit RowsReady(rows);
    if (build == m_build && m_running) // not stopped by a receiver of the rows
        emit Progress(progress);
}

void CBlockFilesModelBuilder::OnDone(quint64 build, HRESULT result)
{
    if (build != m_build || !m_running)
        return;
    m_running = false;
    m_job.reset();
    m_result = result;
    if (SUCCEEDED(result)) {
        emit Progress(100);
        emit Completed();
    } else {
        emit Failed(result);
    }
}

#include "CBlockFilesModelBuilder.moc"
