#include "core/COleDate.h"
#include "schedule/CTimeline.h"
#include "schedule/CTimelineAddDialog.h"
#include "schedule/CTimelineDays.h"
#include "schedule/CTimelineDialog.h"
#include "schedule/CTimelineHours.h"
#include "schedule/CTimelineRepeat.h"
#include "tests/support/CScriptedPresenter.h"

#include <QCheckBox>
#include <QLabel>
#include <QMenu>
#include <QPaintEvent>
#include <QScrollBar>
#include <QTableWidget>
#include <QtTest>

using namespace Qt::StringLiterals;

// The timeline's widgets: marking and unmarking hours with the mouse, the day strip's menu,
// the repeat editor, the list and add dialogs, and the windows in and out.
class TestTimeline : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void dragMarksRun_data();
    void dragMarksRun();
    void dragOverMarkedHoursUnmarks();
    void shrinkingRunRestoresHours();
    void dragPastEdgeScrollsToYearEnd();
    void dragRepaintsOnlyChangedCells();
    void selectAllHoursForDay();
    void repeatEditorSetsPeriodRepeat();
    void addDialogRefuses_data();
    void addDialogRefuses();
    void addedPeriodLandsInGrid();
    void deleteInListDialog();
    void cancelledListKeepsGrid();
    void windowsRoundTrip_data();
    void windowsRoundTrip();
    void frameIsDrawnFromSkinPieces();
    void pageStepsGoToWholeDays_data();
    void pageStepsGoToWholeDays();

private:
    QPoint CellCenter(int cell) const { return m_timeline->Hours().CellRect(cell).center(); }
    void Drag(const QList<int>& cells);

    CTimeline* m_timeline = nullptr;
};

Q_DECLARE_METATYPE(CScheduleSettings::TExclusionWindows)

namespace {

// Away from daylight-saving changes, so hours and wall-clock hours agree.
QDateTime Base()
{
    return QDateTime(QDate(2026, 1, 5), QTime(0, 0));
}

CScheduleSettings::TExclusionWindow Window(int firstHour, quint32 hours, quint32 repeat = 0)
{
    return {COleDate::FromDateTime(Base().addSecs(firstHour * 3600)), hours, repeat};
}

QList<int> MarkedCells(const CTimelineGrid& grid, int first, int last)
{
    QList<int> cells;
    for (int cell = first; cell <= last; ++cell)
        if (grid.IsMarked(cell))
            cells.append(cell);
    return cells;
}

QList<int> Range(int first, int last)
{
    QList<int> cells;
    for (int cell = first; cell <= last; ++cell)
        cells.append(cell);
    return cells;
}

// Records the areas a widget paints.
class CPaintLog : public QObject {
public:
    explicit CPaintLog(QWidget* widget) { widget->installEventFilter(this); }
    QRegion painted;
    int paints = 0;

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::Paint) {
            painted += static_cast<QPaintEvent*>(event)->region();
            ++paints;
        }
        return false;
    }
};

} // namespace

void TestTimeline::init()
{
    m_timeline = new CTimeline;
    m_timeline->SetWindows({}, Base());
    m_timeline->resize(760, 260);
    m_timeline->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_timeline));
}

void TestTimeline::cleanup()
{
    delete m_timeline;
    m_timeline = nullptr;
}

void TestTimeline::Drag(const QList<int>& cells)
{
    CTimelineHours& hours = m_timeline->Hours();
    QTest::mousePress(&hours, Qt::LeftButton, {}, CellCenter(cells.first()));
    for (const int cell : cells.mid(1))
        QTest::mouseMove(&hours, CellCenter(cell));
    QTest::mouseRelease(&hours, Qt::LeftButton, {}, CellCenter(cells.last()));
}

void TestTimeline::dragMarksRun_data()
{
    QTest::addColumn<QList<int>>("path");
    QTest::addColumn<int>("first");
    QTest::addColumn<int>("last");

    QTest::newRow("one cell") << QList<int>{3} << 3 << 3;
    QTest::newRow("rightwards") << QList<int>{2, 3, 4} << 2 << 4;
    QTest::newRow("leftwards, skipping cells") << QList<int>{20, 12} << 12 << 20;
    QTest::newRow("first cell of the year") << QList<int>{0, 1} << 0 << 1;
}

void TestTimeline::dragMarksRun()
{
    QFETCH(QList<int>, path);
    QFETCH(int, first);
    QFETCH(int, last);
    QSignalSpy updated(m_timeline, &CTimeline::Updated);
    QSignalSpy selected(&m_timeline->Hours(), &CTimelineHours::Selected);

    Drag(path);

    QCOMPARE(updated.count(), 1);
    QCOMPARE(selected.count(), 1);
    QCOMPARE(selected.first().first().toInt(), first);
    QCOMPARE(MarkedCells(m_timeline->Grid(), 0, 100), Range(first, last));
    const CScheduleSettings::TExclusionWindows expected{Window(first, quint32(last - first + 1))};
    QCOMPARE(m_timeline->Windows(), expected);
    // The repeat editor follows the run just marked.
    QCOMPARE(m_timeline->Repeat().First(), first);
    QCOMPARE(m_timeline->Repeat().Last(), last);
}

void TestTimeline::dragOverMarkedHoursUnmarks()
{
    m_timeline->SetWindows({Window(2, 9)}, Base()); // cells 2..10
    QSignalSpy updated(m_timeline, &CTimeline::Updated);

    Drag({4, 5, 6, 7, 8});

    QCOMPARE(updated.count(), 1);
    QCOMPARE(MarkedCells(m_timeline->Grid(), 0, 20), (QList<int>{2, 3, 9, 10}));
    const CScheduleSettings::TExclusionWindows expected{Window(2, 2), Window(9, 2)};
    QCOMPARE(m_timeline->Windows(), expected);
}

void TestTimeline::shrinkingRunRestoresHours()
{
    // A repeating period inside the cells the run passes over and leaves again.
    m_timeline->SetWindows({Window(28, 2, 7)}, Base()); // cells 28, 29
    CTimelineHours& hours = m_timeline->Hours();

    QTest::mousePress(&hours, Qt::LeftButton, {}, CellCenter(20));
    QTest::mouseMove(&hours, CellCenter(32));
    QCOMPARE(MarkedCells(m_timeline->Grid(), 0, 40), Range(20, 32));
    QTest::mouseMove(&hours, CellCenter(24));
    QTest::mouseRelease(&hours, Qt::LeftButton, {}, CellCenter(24));

    QCOMPARE(MarkedCells(m_timeline->Grid(), 0, 40), Range(20, 24) + QList<int>({28, 29}));
    QCOMPARE(m_timeline->Grid().Repeat(28), 7);
    QCOMPARE(m_timeline->Grid().Repeat(29), 7);
}

void TestTimeline::dragPastEdgeScrollsToYearEnd()
{
    CTimelineHours& hours = m_timeline->Hours();
    const int last = CTimelineGrid::CellCount - 1;
    // The days strip moves the hours strip near the year's end.
    QSignalSpy moved(&m_timeline->Days(), &CTimelineDays::Moved);
    m_timeline->Days().SetStartIndex(CTimelineGrid::DayCount - 1);
    const QPoint lastDay((CTimelineGrid::DayCount - 1 - m_timeline->Days().StartIndex()) *
                                 CTimelineDays::kDayWidth +
                             5,
                         10);
    QTest::mouseClick(&m_timeline->Days(), Qt::LeftButton, {}, lastDay);
    QCOMPARE(moved.count(), 1);
    QCOMPARE(hours.StartIndex(), CTimelineGrid::CellCount - hours.VisibleCells());
    QCOMPARE(m_timeline->HourBar().value(), hours.StartIndex());

    const int from = last - hours.VisibleCells() - 5;
    m_timeline->HourBar().setValue(from - 3);
    QCOMPARE(hours.StartIndex(), from - 3);
    const QPoint beyond(hours.width() + 40, CellCenter(from).y());
    QTest::mousePress(&hours, Qt::LeftButton, {}, CellCenter(from));
    // Every move past the right edge scrolls on, until the year's end.
    for (int step = 0; step < 20; ++step)
        QTest::mouseMove(&hours, beyond);
    QTest::mouseRelease(&hours, Qt::LeftButton, {}, beyond);

    QCOMPARE(hours.StartIndex(), CTimelineGrid::CellCount - hours.VisibleCells());
    QCOMPARE(MarkedCells(m_timeline->Grid(), 0, last), Range(from, last));
    const CScheduleSettings::TExclusionWindows windows = m_timeline->Windows();
    QCOMPARE(windows.size(), std::size_t(1));
    QCOMPARE(windows.front().lengthHours, quint32(last - from + 1));
}

void TestTimeline::dragRepaintsOnlyChangedCells()
{
    CTimelineHours& hours = m_timeline->Hours();
    QTest::mousePress(&hours, Qt::LeftButton, {}, CellCenter(5));
    QTest::mouseMove(&hours, CellCenter(8));
    // The window's pending areas are painted together: once a small area of the days strip
    // has been painted, so have the cells marked so far.
    CPaintLog before(&m_timeline->Days());
    m_timeline->Days().update(0, 0, 1, 1);
    QTRY_VERIFY(before.paints > 0);
    CPaintLog log(&hours);
    QTest::mouseMove(&hours, CellCenter(10));
    QTRY_VERIFY(log.paints > 0);
    // The release changes no cell, so it repaints nothing of the strip.
    CPaintLog days(&m_timeline->Days());
    QTest::mouseRelease(&hours, Qt::LeftButton, {}, CellCenter(10));
    m_timeline->Days().update(0, 0, 1, 1);
    QTRY_VERIFY(days.paints > 0);

    // Cells 9 and 10 changed; nothing else of the strip is painted again.
    const QRegion changed = QRegion(hours.CellRect(9)) + hours.CellRect(10);
    QVERIFY2((log.painted - changed).isEmpty(),
             qPrintable(u"painted %1 px wide"_s.arg(log.painted.boundingRect().width())));
}

void TestTimeline::selectAllHoursForDay()
{
    CTimelineDays& days = m_timeline->Days();
    m_timeline->Grid().SetRange(50, 50, true, 3); // a marked hour of day 2 gets the day's value
    QSignalSpy updated(m_timeline, &CTimeline::Updated);

    const QPoint dayTwo(2 * CTimelineDays::kDayWidth + 5, 10);
    std::unique_ptr<QMenu> menu(days.CreateContextMenu(dayTwo));
    QVERIFY(menu);
    QCOMPARE(menu->actions().size(), 1);
    QCOMPARE(menu->actions().first()->text(), u"Select All Hours For Day"_s);
    menu->actions().first()->trigger();

    QCOMPARE(updated.count(), 1);
    QCOMPARE(MarkedCells(m_timeline->Grid(), 0, 100), Range(48, 71));
    const CScheduleSettings::TExclusionWindows expected{Window(48, 24)};
    QCOMPARE(m_timeline->Windows(), expected);
    // No day right of the year's last.
    days.resize(CTimelineDays::kDayWidth * (CTimelineGrid::DayCount + 2), days.height());
    QVERIFY(!days.CreateContextMenu(
        QPoint(CTimelineDays::kDayWidth * (CTimelineGrid::DayCount + 1), 10)));
}

void TestTimeline::repeatEditorSetsPeriodRepeat()
{
    Drag({30, 31, 32});
    CTimelineRepeat& repeat = m_timeline->Repeat();
    QVERIFY(repeat.findChild<QLabel*>(u"period"_s)->text().startsWith(u"Do not run on "_s));
    QSignalSpy updated(m_timeline, &CTimeline::Updated);

    repeat.SetValue(7);
    QCOMPARE(updated.count(), 1);
    CScheduleSettings::TExclusionWindows expected{Window(30, 3, 7)};
    QCOMPARE(m_timeline->Windows(), expected);

    auto* every = repeat.findChild<QCheckBox*>(u"every"_s);
    QVERIFY(every->isChecked());
    QTest::mouseClick(every, Qt::LeftButton);
    QCOMPARE(updated.count(), 2);
    expected = {Window(30, 3)};
    QCOMPARE(m_timeline->Windows(), expected);
    QCOMPARE(repeat.Value(), 0);
}

void TestTimeline::addDialogRefuses_data()
{
    QTest::addColumn<int>("startHour");
    QTest::addColumn<int>("endHour");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("text");

    QTest::newRow("start after end") << 9 << 8 << u"Date/Time Error"_s
                                     << u"The start date/time cannot be after the end date/time."_s;
    QTest::newRow("start at end") << 9 << 9 << u"Date/Time Error"_s
                                  << u"The start date/time cannot be after the end date/time."_s;
    QTest::newRow("overlap") << 4 << 6 << u"Time Overlap"_s
                             << u"The time period you chose overlaps an existing time period."_s;
}

void TestTimeline::addDialogRefuses()
{
    QFETCH(int, startHour);
    QFETCH(int, endHour);
    QFETCH(QString, title);
    QFETCH(QString, text);
    CScriptedPresenter presenter;
    // Day 1, 05:00 to 06:00 marked.
    CTimelineGrid grid(Base());
    grid.SetRange(29, 29, true);
    const CTimelineGrid before = grid;

    CTimelineAddDialog dialog(grid);
    dialog.SetStart(Base().addDays(1).addSecs(startHour * 3600));
    dialog.SetEndTime(QTime(endHour, 0));
    dialog.OnOk();

    QCOMPARE(presenter.messages.size(), 1);
    QCOMPARE(presenter.messages.first().title, title);
    QCOMPARE(presenter.messages.first().text, text);
    QCOMPARE(dialog.result(), int(QDialog::Rejected));
    QCOMPARE(grid.ToWindows(), before.ToWindows());
}

void TestTimeline::addedPeriodLandsInGrid()
{
    CScriptedPresenter presenter;
    m_timeline->SetWindows({Window(29, 1)}, Base());
    QSignalSpy updated(m_timeline, &CTimeline::Updated);
    int rowsAfterAdd = -1;
    // The list dialog adds through the add dialog, then is closed with OK.
    presenter.dialogScripts.append([&presenter, &rowsAfterAdd](QDialog& dialog) {
        auto& list = dynamic_cast<CTimelineDialog&>(dialog);
        presenter.dialogScripts.append([](QDialog& nested) {
            auto& add = dynamic_cast<CTimelineAddDialog&>(nested);
            add.SetStart(Base().addDays(2).addSecs(22 * 3600 + 1800)); // cut to 22:00
            add.SetEndTime(QTime(0, 0));                               // the day's end
            add.SetRepeatDays(7);
            add.OnOk();
            return add.result();
        });
        list.OnAdd();
        rowsAfterAdd = list.Table().rowCount();
        return int(QDialog::Accepted);
    });

    m_timeline->OnDetails();

    QCOMPARE(presenter.dialogTitles, (QStringList{u"Current Exclusions"_s, u"Add Exclusion"_s}));
    QVERIFY(presenter.messages.isEmpty());
    QCOMPARE(rowsAfterAdd, 2);
    QCOMPARE(updated.count(), 1);
    const CScheduleSettings::TExclusionWindows expected{Window(29, 1), Window(70, 2, 7)};
    QCOMPARE(m_timeline->Windows(), expected);
}

void TestTimeline::deleteInListDialog()
{
    CTimelineGrid grid(Base());
    grid.FromWindows(CTimelineGrid::FromRecord({Window(2, 3), Window(30, 2, 1), Window(60, 1)}));
    CTimelineDialog dialog(grid);
    QTableWidget& table = dialog.Table();
    QCOMPARE(table.rowCount(), 3);
    QCOMPARE(table.item(1, CTimelineDialog::kRepeatValueColumn)->text(), u"1"_s);
    QCOMPARE(table.item(1, CTimelineDialog::kRepeatedColumn)->text(), u"Every Day"_s);

    dialog.OnDelete(); // nothing selected: nothing happens
    QCOMPARE(table.rowCount(), 3);
    table.selectRow(0);
    table.selectionModel()->select(table.model()->index(2, 0),
                                   QItemSelectionModel::Select | QItemSelectionModel::Rows);
    dialog.OnDelete();

    QCOMPARE(table.rowCount(), 1);
    QCOMPARE(table.item(0, CTimelineDialog::kRepeatedColumn)->text(), u"Every Day"_s);
    QCOMPARE(CTimelineGrid::ToRecord(dialog.Grid().ToWindows()),
             CScheduleSettings::TExclusionWindows{Window(30, 2, 1)});
    // The dialog works on its own copy.
    QCOMPARE(grid.MarkedCount(), 6);
}

void TestTimeline::cancelledListKeepsGrid()
{
    CScriptedPresenter presenter;
    m_timeline->SetWindows({Window(2, 3)}, Base());
    QSignalSpy updated(m_timeline, &CTimeline::Updated);
    presenter.dialogScripts.append([](QDialog& dialog) {
        auto& list = dynamic_cast<CTimelineDialog&>(dialog);
        list.Table().selectRow(0);
        list.OnDelete();
        return int(QDialog::Rejected);
    });

    m_timeline->OnDetails();

    QCOMPARE(updated.count(), 0);
    QCOMPARE(m_timeline->Windows(), CScheduleSettings::TExclusionWindows{Window(2, 3)});
}

void TestTimeline::windowsRoundTrip_data()
{
    using TWindows = CScheduleSettings::TExclusionWindows;
    QTest::addColumn<TWindows>("windows");
    QTest::addColumn<TWindows>("expected");

    QTest::newRow("none") << TWindows{} << TWindows{};
    QTest::newRow("two periods, one repeating")
        << TWindows{Window(2, 3), Window(100, 5, 7)} << TWindows{Window(2, 3), Window(100, 5, 7)};
    QTest::newRow("weekly, started three weeks before")
        << TWindows{Window(-3 * 7 * 24 + 2, 2, 7)} << TWindows{Window(2, 2, 7)};
    QTest::newRow("over the year's end") << TWindows{Window(CTimelineGrid::CellCount - 2, 10)}
                                         << TWindows{Window(CTimelineGrid::CellCount - 2, 2)};
    QTest::newRow("ended before the base") << TWindows{Window(-30, 5)} << TWindows{};
}

void TestTimeline::windowsRoundTrip()
{
    QFETCH(CScheduleSettings::TExclusionWindows, windows);
    QFETCH(CScheduleSettings::TExclusionWindows, expected);
    QSignalSpy updated(m_timeline, &CTimeline::Updated);

    m_timeline->SetWindows(windows, Base());

    QCOMPARE(m_timeline->Grid().Base(), Base());
    QCOMPARE(m_timeline->Windows(), expected);
    QCOMPARE(updated.count(), 0);
    QCOMPARE(m_timeline->Hours().StartIndex(), 0);
}

void TestTimeline::frameIsDrawnFromSkinPieces()
{
    for (int index = 0; index < CNinePieceFrame::kPieceCount; ++index)
        QVERIFY2(!m_timeline->Piece(index).isNull(), CTimeline::kPieceNames[std::size_t(index)]);
    // The title band is the top pieces' height; the strips start below it.
    QVERIFY(m_timeline->Days().geometry().top() >= m_timeline->Piece(1).height());
}

void TestTimeline::pageStepsGoToWholeDays_data()
{
    QTest::addColumn<int>("baseHour");
    QTest::addColumn<int>("from");
    QTest::addColumn<int>("action");
    QTest::addColumn<int>("to");

    const int add = QAbstractSlider::SliderPageStepAdd;
    const int sub = QAbstractSlider::SliderPageStepSub;
    QTest::newRow("forward from within a day") << 0 << 5 << add << 24;
    QTest::newRow("forward from a day's start") << 0 << 24 << add << 48;
    QTest::newRow("back from within a day") << 0 << 30 << sub << 24;
    QTest::newRow("back from a day's start") << 0 << 48 << sub << 24;
    QTest::newRow("back at the first cell") << 0 << 0 << sub << 0;
    QTest::newRow("forward deep in the year") << 0 << 5000 << add << 5016;
    // A base at 18:00: midnight is cell 6, 30, ...
    QTest::newRow("forward, base in the evening") << 18 << 2 << add << 6;
    QTest::newRow("back, base in the evening") << 18 << 20 << sub << 6;
}

void TestTimeline::pageStepsGoToWholeDays()
{
    QFETCH(int, baseHour);
    QFETCH(int, from);
    QFETCH(int, action);
    QFETCH(int, to);
    m_timeline->SetWindows({}, Base().addSecs(baseHour * 3600));
    QScrollBar& bar = m_timeline->HourBar();
    bar.setValue(from);
    QCOMPARE(m_timeline->Hours().StartIndex(), from);

    bar.triggerAction(QAbstractSlider::SliderAction(action));

    QCOMPARE(m_timeline->Hours().StartIndex(), to);
    // The days strip shows the day of the first hour shown, highlighted.
    const int day = to / CTimelineGrid::HoursPerDay;
    CTimelineDays& days = m_timeline->Days();
    QVERIFY(day >= days.StartIndex() && day < days.StartIndex() + days.VisibleDays());
    QCOMPARE(m_timeline->DayBar().value(), days.StartIndex());
}

QTEST_MAIN(TestTimeline)
#include "tst_Timeline.moc"
