#pragma once

#include "core/HResult.h"
#include "core/Types.h"

#include <QList>
#include <QMetaType>
#include <QObject>
#include <QString>

#include <atomic>
#include <functional>
#include <memory>

class CKV100EngineInterface;

// One file of a drive-map block as the list shows it.
struct TBlockFile {
    QString name;
    QString folder;
    // Fragments beyond the first; negative when the engine does not know.
    int excessFragments = -1;
    // Bytes the file takes; not positive when the engine does not know.
    qlonglong bytesUsed = 0;

    QString Path() const;
};
using TBlockFileList = QList<TBlockFile>;
Q_DECLARE_METATYPE(TBlockFile)
Q_DECLARE_METATYPE(TBlockFileList)

// Lists the files of one drive-map block without making the GUI thread wait: the engine is asked
// on a pooled worker thread, and its answer comes back in batches of rows by queued signals.
//
// A build ends with exactly one of Completed() (every row delivered), Stopped() (Stop(), a new
// Start or the builder's end) or Failed() (the engine's failure, such as a volume that is gone);
// whatever rows were delivered before stay delivered. Nothing of a build arrives after it ended.
//
// The worker calls the engine wrapper itself, as the other pooled readers do, so the wrapper must
// outlive every job (the application's wrappers do: the application waits for the pool before
// it lets them go). A job whose engine call is still under way when its build ends runs on
// unseen until the call returns, then drops its answer; RunningJobs() counts such jobs.
// GUI thread only, apart from the fetch.
class CBlockFilesModelBuilder : public QObject {
    Q_OBJECT

public:
    // Asks the engine for the files of a block: full paths, excess fragments and bytes, as
    // CKV100EngineInterface::GetBlockFiles answers. Runs on a worker thread.
    using TFetch = std::function<HRESULT(const TId& volume, uint block, TStringList* files,
                                         QList<int>* excessFragments, QList<qlonglong>* bytes)>;

    static constexpr int kBatchRows = 1000;

    explicit CBlockFilesModelBuilder(CKV100EngineInterface& engine, QObject* parent = nullptr);
    CBlockFilesModelBuilder(TFetch fetch, QObject* parent = nullptr);
    ~CBlockFilesModelBuilder() override;

    // Starts listing a block (0..3599) of a volume, ending a build under way first. A block
    // outside the map fails at once with E_INVALIDARG.
    void Start(const TId& volume, int block);
    // Ends the build under way, if any, with Stopped().
    void Stop();

    bool IsRunning() const { return m_running; }
    // How the last build that ended by itself went: S_OK, or the engine's or the answer's failure.
    HRESULT Result() const { return m_result; }

    // Worker jobs not yet returned, over every builder of the process.
    static int RunningJobs();

    // Splits the engine's answer into rows; E_UNEXPECTED (and no rows) when its lists do not
    // match in length. Rows without a path are left out.
    static HRESULT MakeRows(const TStringList& files, const QList<int>& excessFragments,
                            const QList<qlonglong>& bytes, TBlockFileList* rows);

signals:
    void Started();
    // Percent of the block's rows delivered.
    void Progress(int progress);
    // A batch of rows, in the engine's order.
    void RowsReady(const TBlockFileList& rows);
    void Completed();
    void Stopped();
    void Failed(HRESULT result);

private:
    struct TJob;
    class CRelay;

    void OnRows(quint64 build, const TBlockFileList& rows, int progress);
    void OnDone(quint64 build, HRESULT result);
    // Ends the build under way without a signal; false when none ran.
    bool Detach();

    TFetch m_fetch;
    CRelay* m_relay = nullptr;
    std::shared_ptr<TJob> m_job;
    quint64 m_build = 0;
    bool m_running = false;
    HRESULT m_result = S_OK;
};
