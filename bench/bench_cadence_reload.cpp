// How long the scheduling tab takes to reload 1,000 schedules from the reference agent: every
// schedule listed and read over the agent's connection into the scheduling model, the table
// model reset and each of its cells read once.
#include "engine/CKV100AgentInterface.h"
#include "schedule/CAgentSchedules.h"
#include "schedule/CCadence.h"
#include "schedule/CCadenceFeed.h"
#include "schedule/CCadenceTableModel.h"
#include "tests/support/CEngineDaemonProcess.h"
#include "tests/support/CTestEnvironment.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTextStream>

#include <algorithm>
#include <vector>

namespace {

constexpr int kSchedules = 1000;
constexpr int kRounds = 10;

// Drive schedules of every type but the special ones, some disabled, a few Exchange and guest.
HRESULT MakeSchedules(CKV100AgentInterface& agent)
{
    const CAgentSchedules schedules(agent);
    const double start = 47000.25; // a date well ahead
    for (int i = 0; i < kSchedules; ++i) {
        const TName name = L"Schedule " + std::to_wstring(i);
        HRESULT result = S_OK;
        if (i % 50 == 7) {
            CCadence::CExScheduleData exchange;
            exchange.name = name;
            exchange.settings.type = CCadence::kOneTime;
            exchange.settings.start = start + i;
            exchange.allDataStores = true;
            result = schedules.Save(exchange);
        } else if (i % 50 == 9) {
            CCadence::CVmScheduleData guest;
            guest.name = name;
            guest.settings.type = CCadence::kOneTime;
            guest.settings.start = start + i;
            CCadence::CVmScheduleData::TGuest web;
            web.name = L"web";
            web.SetGuestValue(1);
            guest.guests.push_back(web);
            result = schedules.Save(guest);
        } else {
            CCadence::CScheduleData drive;
            drive.name = name;
            drive.settings.type = 1 + quint32(i % 3);
            drive.settings.start = start + i / 24.0;
            drive.settings.weekdays = drive.settings.type == CCadence::kWeekly ? 0x15 : 0;
            drive.settings.interval = 24;
            drive.settings.disabled = i % 10 == 0;
            drive.drives = {L"/", L"/home"};
            result = schedules.Save(drive);
        }
        if (FAILED(result))
            return result;
    }
    return S_OK;
}

} // namespace

int main(int argc, char* argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    QTextStream out(stdout);
    CTestEnvironment environment;
    const QString volume = environment.Root() + QStringLiteral("/volume");
    QDir().mkpath(volume);
    // The agent writes its state file through at every change: in memory when it can be, so
    // that making the schedules does not take minutes.
    const QString memory = QStringLiteral("/dev/shm");
    QTemporaryDir state(QFileInfo(memory).isWritable() ? memory + QStringLiteral("/bench-XXXXXX")
                                                       : QString());

    CEngineDaemonProcess daemon;
    if (!daemon.Start(QStringLiteral(KORVANE_ENGINE_PROGRAM), volume, state.path())) {
        out << "the reference engine could not start\n";
        return 1;
    }
    CKV100AgentInterface agent;
    if (FAILED(agent.Connect(L"", L"", L"", L""))) {
        out << "the agent could not be connected\n";
        return 1;
    }
    QElapsedTimer setup;
    setup.start();
    if (const HRESULT made = MakeSchedules(agent); FAILED(made)) {
        out << "the schedules could not be made: " << Qt::hex << quint32(made) << "\n";
        return 1;
    }
    out << "made " << kSchedules << " schedules in " << setup.elapsed() << " ms" << Qt::endl;

    std::vector<double> reload;
    std::vector<double> total;
    std::size_t listed = 0;
    for (int round = 0; round < kRounds; ++round) {
        CCadence cadence;
        CCadenceFeed feed(agent, cadence);
        CCadenceTableModel model(cadence);
        QElapsedTimer timer;
        timer.start();
        const CCadenceFeed::TReloadFailures failures = feed.Reload();
        reload.push_back(timer.nsecsElapsed() / 1e6);
        model.Reset();
        int cells = 0;
        for (int row = 0; row < model.rowCount(); ++row) {
            for (int column = 0; column < model.columnCount(); ++column)
                cells += model.index(row, column).data().isValid() ? 1 : 0;
        }
        total.push_back(timer.nsecsElapsed() / 1e6);
        listed = std::size_t(model.rowCount());
        if (!failures.empty() || cells == 0) {
            out << "the reload failed\n";
            return 1;
        }
    }
    std::sort(reload.begin(), reload.end());
    std::sort(total.begin(), total.end());
    out << "reload of " << listed << " schedules, median of " << kRounds << " rounds: agent "
        << reload[kRounds / 2] << " ms, end to end with the table " << total[kRounds / 2]
        << " ms (best " << total.front() << " ms, target <= 300 ms)\n";
    daemon.Stop();
    return 0;
}
