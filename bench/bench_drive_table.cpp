// Status and fragmentation notices per second applied to the drive table: 64 volumes in the
// drive model, the table model with its sort proxy and a shown view attached, the event loop
// turned every 20 ms (a 50 Hz screen) so that the view repaints what changed, as the event loop
// coalesces a stream of notices into one repaint per turn. Measured once with the
// drive model's setters called directly and once with engine notices through the feed, with
// the table sorted by name and by fragmentation (where every fragmentation notice moves a row).
#include "defrag/CDefragFeed.h"
#include "defrag/CEditorTableView.h"
#include "defrag/COptimizeSettingsWidget.h"
#include "defrag/COptimizeTableModel.h"
#include "engine/CKV100EngineInterface.h"
#include "schedule/CCadence.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QRandomGenerator>
#include <QTextStream>

#include <vector>

namespace {

constexpr int kVolumes = 64;
constexpr int kNotices = 200000;
constexpr qint64 kFrameNanoseconds = 20 * 1000 * 1000;

struct TNotice {
    std::size_t volume;
    bool status;
    double value;
};

std::vector<TNotice> MakeNotices()
{
    QRandomGenerator random(20240611);
    std::vector<TNotice> notices;
    notices.reserve(kNotices);
    for (int i = 0; i < kNotices; ++i)
        notices.push_back(
            {random.bounded(static_cast<quint32>(kVolumes)), (i % 2) == 0, random.bounded(100.0)});
    return notices;
}

template <typename TApply>
double Rate(const std::vector<TNotice>& notices, TApply apply)
{
    QElapsedTimer timer;
    timer.start();
    qint64 lastFrame = 0;
    for (std::size_t i = 0; i < notices.size(); ++i) {
        apply(notices[i]);
        if (i % 64 == 0 && timer.nsecsElapsed() - lastFrame >= kFrameNanoseconds) {
            QApplication::processEvents();
            lastFrame = timer.nsecsElapsed();
        }
    }
    QApplication::processEvents();
    return static_cast<double>(notices.size()) * 1e9 / static_cast<double>(timer.nsecsElapsed());
}

} // namespace

int main(int argc, char* argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    QTextStream out(stdout);

    CKV100EngineInterface engine; // not connected: the notices are applied by hand
    CDefrager model;
    CCadence cadence;
    CDefragFeed feed(engine, model, cadence);
    std::vector<TId> volumes;
    for (int i = 0; i < kVolumes; ++i) {
        CDefrager::TVolumeInfo volume;
        volume.volumeId = QStringLiteral("{6c1f0e2a-0000-11ee-be56-0242ac12%1}")
                              .arg(i, 4, 10, QLatin1Char('0'))
                              .toStdWString();
        volume.mountName = QStringLiteral("/mnt/volume%1").arg(i).toStdWString();
        volume.label = L"Data";
        volume.fileSystem = L"NTFS";
        volume.driveType = 1 + static_cast<quint32>(i % 4);
        volume.sizeMegabytes = 1024.0 * (i + 1);
        volumes.push_back(volume.volumeId);
        model.SetVolume(volume);
    }
    emit feed.DefragModelUpdated();

    COptimizeSettingsWidget widget(feed);
    widget.resize(1000, 64 * 30);
    widget.show();
    QApplication::processEvents();

    const std::vector<TNotice> notices = MakeNotices();
    const auto throughSetters = [&](const TNotice& notice) {
        const TId& volume = volumes[notice.volume];
        if (notice.status)
            model.SetStatusText(volume, L"Defragmenting", notice.value);
        else
            model.SetFragmentation(volume, notice.value);
    };
    const auto throughFeed = [&](const TNotice& notice) {
        const TId& volume = volumes[notice.volume];
        if (notice.status)
            feed.OnStatusChanged(volume, CDefrager::kDefragmenting, notice.value, 45000.0);
        else
            feed.OnFragmentationChanged(volume, notice.value);
    };

    out << "drive table, " << kVolumes << " volumes, " << kNotices
        << " status and fragmentation notices, a repaint every 20 ms\n";
    for (const int column :
         {int(COptimizeTableModel::kNameColumn), int(COptimizeTableModel::kFragmentedColumn)}) {
        widget.View()->sortByColumn(column, Qt::AscendingOrder);
        const char* sorted = column == COptimizeTableModel::kNameColumn ? "name" : "fragmentation";
        out << "  sorted by " << sorted << ": drive model setters "
            << qRound64(Rate(notices, throughSetters)) << " notices/s, engine notices via feed "
            << qRound64(Rate(notices, throughFeed)) << " notices/s\n";
    }
    return 0;
}
