// Calls per second of a trivial engine operation through the engine wrapper (a fresh proxy per
// call, over the peer connection to a test engine), and how long an activation takes while the
// daemon runs.
#include "engine/CKV100EngineInterface.h"
#include "engine/CServiceConnection.h"
#include "platform/com/IComActivator.h"
#include "tests/support/CTestEngine.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTextStream>

#include <algorithm>
#include <vector>

int main(int argc, char* argv[])
{
    QCoreApplication application(argc, argv);
    QTemporaryDir runtime;
    qputenv("KORVANE_RUNTIME_DIR", runtime.path().toLocal8Bit());
    QTextStream out(stdout);

    CTestEngine engine;
    if (!engine.Start()) {
        out << "the test engine could not start\n";
        return 1;
    }
    CKV100EngineInterface wrapper;
    if (FAILED(wrapper.Connect(L"", L"", L"", L""))) {
        out << "the wrapper could not connect\n";
        return 1;
    }

    constexpr int kCalls = 5000;
    TStringList volumes;
    QElapsedTimer timer;
    timer.start();
    for (int i = 0; i < kCalls; ++i)
        wrapper.GetVolumes(&volumes);
    const double seconds = static_cast<double>(timer.nsecsElapsed()) / 1e9;
    out << "GetVolumes through the wrapper: " << kCalls << " calls in "
        << QString::number(seconds, 'f', 3) << " s, " << qRound(kCalls / seconds)
        << " calls per second\n";

    std::vector<double> activations;
    const QStringList classIds = CServiceConnection::ClassIds(ServiceContract::Engine);
    for (int i = 0; i < 50; ++i) {
        CComObjectRef object;
        timer.restart();
        IComActivator::Instance().CreateInstance(classIds, QString(), QString(), {}, &object);
        activations.push_back(static_cast<double>(timer.nsecsElapsed()) / 1e6);
    }
    std::sort(activations.begin(), activations.end());
    out << "activation while the daemon runs (ms): min "
        << QString::number(activations.front(), 'f', 3) << ", median "
        << QString::number(activations[activations.size() / 2], 'f', 3) << ", max "
        << QString::number(activations.back(), 'f', 3) << "\n";
    wrapper.Disconnect();
    return 0;
}
