// How long the defragmentation page takes to appear with 64 volumes, from a connected engine:
// the drive model read from the engine, the page built, shown and painted once.
#include "defrag/CDefragFeed.h"
#include "defrag/CDefragWidget.h"
#include "engine/CKV100EngineInterface.h"
#include "schedule/CCadence.h"
#include "tests/support/CTestEngine.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEvent>
#include <QTemporaryDir>
#include <QTextStream>

#include <algorithm>
#include <vector>

namespace {

// Tells when the page has been painted once.
class CPaintWatch : public QObject {
public:
    bool painted = false;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Paint)
            painted = true;
        return QObject::eventFilter(watched, event);
    }
};

} // namespace

int main(int argc, char* argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    QTemporaryDir runtime;
    qputenv("KORVANE_RUNTIME_DIR", runtime.path().toLocal8Bit());
    QTextStream out(stdout);

    constexpr int kVolumes = 64;
    CTestEngine engine;
    engine.volumes.clear();
    for (int i = 0; i < kVolumes; ++i) {
        const QString id =
            QStringLiteral("{%1-0000-0000-0000-000000000000}").arg(i, 8, 10, QLatin1Char('0'));
        engine.volumes << id;
        CTestEngine::TVolumeData data;
        data.mountName = QStringLiteral("/mnt/volume%1").arg(i);
        data.label = QStringLiteral("Volume %1").arg(i);
        data.sizeMegabytes = 1024.0 * (i + 1);
        data.analysed = i % 2 == 0;
        data.fileFragmentation = i;
        data.driveMap = QList<uint>(3600, 1);
        engine.SetVolumeData(id, data);
    }
    if (!engine.Start()) {
        out << "the test engine could not start\n";
        return 1;
    }
    CKV100EngineInterface wrapper;
    if (FAILED(wrapper.Connect(L"", L"", L"", L""))) {
        out << "the wrapper could not connect\n";
        return 1;
    }

    constexpr int kRounds = 20;
    std::vector<double> model;
    std::vector<double> total;
    for (int round = 0; round < kRounds; ++round) {
        CDefrager drives;
        CCadence cadence;
        CDefragFeed feed(wrapper, drives, cadence);
        QElapsedTimer timer;
        timer.start();
        feed.Rebuild();
        model.push_back(timer.nsecsElapsed() / 1e6);
        CDefragWidget page(feed);
        CPaintWatch watch;
        page.installEventFilter(&watch);
        page.resize(1200, 700);
        page.show();
        while (!watch.painted)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        total.push_back(timer.nsecsElapsed() / 1e6);
    }
    const auto median = [](std::vector<double> values) {
        std::sort(values.begin(), values.end());
        return values[values.size() / 2];
    };
    out << "drive model of " << kVolumes << " volumes read from the engine: median "
        << median(model) << " ms\n";
    out << "page built, shown and painted: median " << median(total) << " ms, worst "
        << *std::max_element(total.begin(), total.end()) << " ms (target 200 ms)\n";
    return 0;
}
