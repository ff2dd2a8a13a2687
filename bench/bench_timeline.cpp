// The timeline's hours strip: a repaint of the whole year (all 8760 cells shown at one pixel a
// cell, and the year scrolled through page by page at the usual cell width), and a drag that
// marks a month cell by cell, scrolling past the strip's edge, with the longest frame (the
// mouse event and the repaint it causes).
#include "schedule/CTimeline.h"
#include "schedule/CTimelineHours.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QImage>
#include <QMouseEvent>
#include <QPainter>
#include <QTemporaryDir>
#include <QTextStream>

#include <algorithm>
#include <vector>

namespace {

constexpr int kRounds = 201;

double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

QString Ms(double value)
{
    return QString::number(value, 'f', 3);
}

// Nights excluded all year, weekends whole, a few odd hours: runs of every length.
void MarkYear(CTimelineGrid& grid)
{
    for (int day = 0; day < CTimelineGrid::DayCount; ++day) {
        const int first = day * CTimelineGrid::HoursPerDay;
        if (day % 7 >= 5)
            grid.MarkDay(day, 7);
        else
            grid.SetRange(first + 22, first + 29, true);
        if (day % 3 == 0)
            grid.SetRange(first + 12, first + 12, true, 3);
    }
}

void SendMouse(QWidget& widget, QEvent::Type type, const QPoint& position)
{
    const Qt::MouseButton button = type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton;
    const Qt::MouseButtons buttons =
        type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton;
    QMouseEvent event(type, QPointF(position), QPointF(widget.mapToGlobal(position)), button,
                      buttons, Qt::NoModifier);
    QApplication::sendEvent(&widget, &event);
}

} // namespace

int main(int argc, char* argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QTemporaryDir home;
    qputenv("KORVANE_REGISTRY_DIR", home.filePath(QStringLiteral("registry")).toLocal8Bit());
    qputenv("KORVANE_RUNTIME_DIR", home.filePath(QStringLiteral("run")).toLocal8Bit());
    QApplication application(argc, argv);
    QTextStream out(stdout);
    const QDateTime base(QDate(2026, 1, 5), QTime(0, 0));

    // The whole year at once: 8760 cells of one pixel.
    {
        CTimelineGrid grid(base);
        MarkYear(grid);
        CTimelineHours hours(grid);
        hours.SetCellWidth(1);
        hours.resize(CTimelineGrid::CellCount, hours.sizeHint().height());
        QImage image(hours.size(), QImage::Format_ARGB32_Premultiplied);
        std::vector<double> times;
        for (int round = -1; round < kRounds; ++round) {
            QPainter painter(&image);
            QElapsedTimer timer;
            timer.start();
            hours.PaintArea(painter, hours.rect());
            // The first round warms the caches.
            if (round >= 0)
                times.push_back(double(timer.nsecsElapsed()) / 1e6);
        }
        out << "full year shown (8760 cells x 1 px), " << kRounds << " rounds\n";
        out << "  paint, median ms: " << Ms(Median(times)) << ", worst "
            << Ms(*std::max_element(times.begin(), times.end())) << "\n";
    }

    // The whole year scrolled through at the usual width, one page after another.
    {
        CTimelineGrid grid(base);
        MarkYear(grid);
        CTimelineHours hours(grid);
        hours.resize(760, hours.sizeHint().height());
        QImage image(hours.size(), QImage::Format_ARGB32_Premultiplied);
        const int page = hours.VisibleCells();
        std::vector<double> times;
        for (int round = 0; round < kRounds; ++round) {
            double total = 0;
            for (int start = 0; start < CTimelineGrid::CellCount; start += page) {
                hours.SetStartIndex(start);
                QPainter painter(&image);
                QElapsedTimer timer;
                timer.start();
                hours.PaintArea(painter, hours.rect());
                total += double(timer.nsecsElapsed()) / 1e6;
            }
            times.push_back(total);
        }
        out << "full year scrolled (" << page << " cells of " << hours.CellWidth() << " px a page, "
            << (CTimelineGrid::CellCount + page - 1) / page << " pages), " << kRounds
            << " rounds\n";
        out << "  paint of all pages, median ms: " << Ms(Median(times)) << ", worst "
            << Ms(*std::max_element(times.begin(), times.end())) << "\n";
    }

    // A month marked by dragging, in the shown timeline.
    for (const int cellsPerMove : {1, 8}) {
        CTimeline timeline;
        timeline.SetWindows({}, base);
        MarkYear(timeline.Grid());
        timeline.Grid().SetRange(0, 24 * 31, false);
        timeline.resize(800, 260);
        timeline.show();
        QCoreApplication::processEvents();
        CTimelineHours& hours = timeline.Hours();
        const int y = CTimelineHours::kLabelHeight + CTimelineHours::kCellHeight / 2;
        const int cellWidth = hours.CellWidth();
        std::vector<double> frames;
        auto frame = [&](QEvent::Type type, int x) {
            QElapsedTimer timer;
            timer.start();
            SendMouse(hours, type, QPoint(x, y));
            QCoreApplication::processEvents();
            frames.push_back(double(timer.nsecsElapsed()) / 1e6);
        };
        frame(QEvent::MouseButtonPress, cellWidth / 2);
        // Across the strip, then past its right edge, where every move scrolls on.
        int x = cellWidth / 2;
        while (x + cellsPerMove * cellWidth < hours.width()) {
            x += cellsPerMove * cellWidth;
            frame(QEvent::MouseMove, x);
        }
        while (hours.StartIndex() + hours.VisibleCells() < 24 * 31)
            frame(QEvent::MouseMove, hours.width() + cellsPerMove * cellWidth - 1);
        frame(QEvent::MouseButtonRelease, hours.width() - 1);
        int monthMarked = 0;
        for (int cell = 0; cell < 24 * 31; ++cell)
            monthMarked += timeline.Grid().IsMarked(cell) ? 1 : 0;
        out << "drag across a month, " << cellsPerMove << " cell(s) a move: " << frames.size()
            << " frames, " << monthMarked << " of the month's " << 24 * 31 << " hours marked\n";
        out << "  frame, median ms: " << Ms(Median(frames)) << ", worst "
            << Ms(*std::max_element(frames.begin(), frames.end())) << ", over 16 ms: "
            << std::count_if(frames.begin(), frames.end(), [](double ms) { return ms > 16.0; })
            << " (the worst is frame "
            << std::max_element(frames.begin(), frames.end()) - frames.begin() << ")\n";
    }
    return 0;
}
