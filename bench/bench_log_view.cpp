// The log viewer over a log of 100,000 entries: how long the engine's log takes to add them and to
// read its file again, and how long the viewer takes from a re-query, and from a page down, until
// its page is painted, over the agent service on a D-Bus peer connection.
#include "engine/CStatisticsHistory.h"
#include "refengine/CEventLog.h"
#include "resources/CSkinResources.h"
#include "settings/CLogViewDlg.h"
#include "settings/CLogViewDlgTableModel.h"
#include "tests/settings/CLogViewTestAgent.h"

#include <QApplication>
#include <QDateEdit>
#include <QElapsedTimer>
#include <QLabel>
#include <QPrinter>
#include <QTableView>
#include <QTextStream>

#include <algorithm>
#include <functional>
#include <vector>

namespace {

constexpr int kEntries = 100000;
constexpr int kRuns = 9;

QString Milliseconds(double value)
{
    return QString::number(value, 'f', 1);
}

// Min, median and max in milliseconds of kRuns runs of what.
QString Timed(const std::function<void()>& prepare, const std::function<void()>& what)
{
    std::vector<double> times;
    for (int run = 0; run < kRuns; ++run) {
        prepare();
        QElapsedTimer timer;
        timer.start();
        what();
        times.push_back(static_cast<double>(timer.nsecsElapsed()) / 1e6);
    }
    std::sort(times.begin(), times.end());
    return QStringLiteral("min %1, median %2, max %3 ms")
        .arg(Milliseconds(times.front()), Milliseconds(times[times.size() / 2]),
             Milliseconds(times.back()));
}

} // namespace

int main(int argc, char* argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    QTextStream out(stdout);

    CLogViewTestAgent rig;
    int added = 0;
    // Spread over the rig's day, so that one range holds them all.
    rig.log->SetClock(
        [&added] { return CLogViewTestAgent::DayStart() + 0.9 * (added++) / kEntries; });
    QElapsedTimer timer;
    timer.start();
    for (int i = 1; i <= kEntries; ++i)
        rig.log->Append(QStringLiteral("KVEngine"),
                        i % 10 == 0 ? CEventLog::kError : CEventLog::kInformation, i,
                        QStringLiteral("Pass %1 of volume /dev/sda1 completed\nmoved %2 files")
                            .arg(i)
                            .arg(i * 7));
    const double appendMs = static_cast<double>(timer.nsecsElapsed()) / 1e6;
    out << "CEventLog: " << kEntries << " appends in " << Milliseconds(appendMs) << " ms, "
        << QString::number(appendMs * 1000.0 / kEntries, 'f', 2) << " us each\n";
    timer.restart();
    const int reloaded = CEventLog(rig.log->FilePath()).Count();
    out << "CEventLog: reading the file of " << reloaded << " entries took "
        << Milliseconds(static_cast<double>(timer.nsecsElapsed()) / 1e6) << " ms\n";

    if (!rig.Connect()) {
        out << "the agent could not connect\n";
        return 1;
    }
    CLogViewDlg dialog;
    dialog.StartDate()->setDate(CLogViewTestAgent::Day());
    dialog.EndDate()->setDate(CLogViewTestAgent::Day());
    dialog.show();
    dialog.SetAgent(&rig.agent);
    QApplication::processEvents();
    out << "viewer: " << dialog.ResultLabel()->text() << ", " << dialog.Model().rowCount()
        << " rows\n";

    const auto paint = [&dialog] {
        dialog.repaint();
        QApplication::processEvents();
    };
    out << "viewer: re-query to the first page painted: "
        << Timed([] {},
                 [&] {
                     dialog.ReQuery();
                     paint();
                 })
        << "\n";
    out << "viewer: page down to the next page painted: "
        << Timed([&] { dialog.ReQuery(); },
                 [&] {
                     dialog.PageDown();
                     paint();
                 })
        << "\n";
    out << "viewer: page down from the middle of the log: "
        << Timed(
               [&] {
                   dialog.ReQuery();
                   for (int page = 0; page < 80; ++page)
                       dialog.PageDown();
               },
               [&] {
                   dialog.PageDown();
                   paint();
               })
        << " (" << dialog.ResultLabel()->text() << ")\n";
    // With a folder: the dialog in both skins and the printed page, to look at.
    const int shots = QApplication::arguments().indexOf(QStringLiteral("--pictures"));
    if (shots > 0 && shots + 1 < QApplication::arguments().size()) {
        const QString folder = QApplication::arguments().at(shots + 1);
        dialog.ReQuery();
        dialog.OnLogViewItemClick(dialog.Model().index(1, CLogViewDlgTableModel::kDetails));
        for (int skin = 0; skin < CSkinResources::kSkinCount; ++skin) {
            const QString name = CSkinResources::StyleSheetName(skin);
            qApp->setStyleSheet(CSkinResources::StyleSheet(name));
            QApplication::processEvents();
            dialog.grab().save(folder + u'/' + name + QStringLiteral(".png"));
        }
        QPrinter printer(QPrinter::HighResolution);
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(folder + QStringLiteral("/log.pdf"));
        dialog.PrintTo(printer);
    }

    // Where a page's time goes: the agent's answer, the model, the rows' heights.
    QList<CStatisticsHistory::CLogPoint> points;
    int total = 0;
    out << "  of which the agent's answer of a page: "
        << Timed([] {},
                 [&] {
                     CStatisticsHistory::ReadLogPoints(&rig.agent, dialog.RangeStart(),
                                                       dialog.RangeEnd(), 48600,
                                                       CLogViewDlg::kPageSize, &points, &total);
                 })
        << "\n";
    CLogViewDlgTableModel model;
    out << "  of which filling the model: " << Timed([] {}, [&] { model.SetEntries(points); })
        << "\n";
    out << "  measuring every row instead (not done): "
        << Timed([] {}, [&] { dialog.Table()->resizeRowsToContents(); }) << "\n";
    rig.agent.Disconnect();
    return 0;
}
