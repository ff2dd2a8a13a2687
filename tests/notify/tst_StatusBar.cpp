#include "app/CAnimationEngine.h"
#include "notify/statusbar/CAnimatedIcon.h"
#include "notify/statusbar/CCustomStatusBar.h"
#include "tests/support/CAppFixture.h"

#include <QSignalSpy>
#include <QtTest>

#include <cmath>
#include <thread>

using namespace Qt::StringLiterals;

class TestStatusBar : public QObject {
    Q_OBJECT

private slots:
    void iconsFollowTheBusyIndexes();
    void toolTipsThroughAPass();
    void currentDriveProgressAndMessage();
    void inTheMainWindow();
};

namespace {

const TId kHome = L"{home}";
const TId kSrv = L"{srv}";
const TId kVar = L"{var}";

CDefrager::TVolumeInfo Record(const TId& id, const TName& mountName)
{
    CDefrager::TVolumeInfo record;
    record.volumeId = id;
    record.mountName = mountName;
    return record;
}

// Three drives, /home current.
void FillDrives(CDefrager& drives)
{
    drives.SetVolume(Record(kHome, L"/home"));
    drives.SetVolume(Record(kSrv, L"/srv"));
    drives.SetVolume(Record(kVar, L"/var"));
    drives.SetCurrentVolume(kHome);
}

// As a listener's polling thread calls the wrapper.
template <typename TCall>
void FromAnotherThread(TCall call)
{
    std::thread(call).join();
}

} // namespace

void TestStatusBar::iconsFollowTheBusyIndexes()
{
    CAppFixture fixture;
    CCustomStatusBar bar(&fixture.app->Defrager());
    QSignalSpy wanted(&bar, &CCustomStatusBar::AnimationWanted);
    QVERIFY(!bar.Icon(3) && !bar.Icon(4) && !bar.Icon(-1));
    for (int index = 0; index < CCustomStatusBar::kIconCount; ++index)
        QVERIFY(!bar.Icon(index)->FramePixmap(CAnimatedIcon::kFrameCount - 1).isNull());

    // Exchange and virtual machines have no icon: nothing moves.
    bar.SetProgressIconBusy(3, true);
    bar.SetProgressIconBusy(4, true);
    bar.SetProgressIconTooltip(3, u"Exchange"_s);
    QVERIFY(!bar.AnyIconAnimating() && !bar.ToolTipTimer().isActive() && wanted.isEmpty());

    CAnimatedIcon* defrag = bar.Icon(CCustomStatusBar::kDefragmentationIcon);
    CAnimatedIcon* scheduling = bar.Icon(CCustomStatusBar::kSchedulingIcon);
    bar.OnAnimate();
    QCOMPARE(defrag->Frame(), 0); // idle icons stand still
    bar.SetProgressIconBusy(CCustomStatusBar::kDefragmentationIcon, true);
    QVERIFY(defrag->IsAnimating() && !scheduling->IsAnimating());
    QVERIFY(bar.ToolTipTimer().isActive());
    QCOMPARE(wanted.size(), 1);
    QCOMPARE(wanted.at(0).at(0).toBool(), true);
    // Nine frames, then the first again; only the busy icon turns.
    QList<int> frames;
    for (int tick = 0; tick < CAnimatedIcon::kFrameCount; ++tick) {
        bar.OnAnimate();
        frames.append(defrag->Frame());
    }
    QCOMPARE(frames, (QList<int>{1, 2, 3, 4, 5, 6, 7, 8, 0}));
    QCOMPARE(scheduling->Frame(), 0);

    bar.SetProgressIconBusy(CCustomStatusBar::kSchedulingIcon, true);
    bar.OnAnimate();
    bar.OnAnimate();
    QCOMPARE(wanted.size(), 1); // still wanted, not told again
    bar.SetProgressIconBusy(CCustomStatusBar::kDefragmentationIcon, false);
    QVERIFY(!defrag->IsAnimating() && defrag->Frame() == 0);
    QVERIFY(bar.ToolTipTimer().isActive() && wanted.size() == 1);
    bar.SetProgressIconBusy(CCustomStatusBar::kSchedulingIcon, false);
    bar.SetProgressIconBusy(3, false);
    QVERIFY(!bar.AnyIconAnimating() && !bar.ToolTipTimer().isActive());
    QCOMPARE(wanted.size(), 2);
    QCOMPARE(wanted.at(1).at(0).toBool(), false);
}

void TestStatusBar::toolTipsThroughAPass()
{
    CAppFixture fixture;
    CDefrager& drives = fixture.app->Defrager();
    FillDrives(drives);
    CKVTempRecycleCleanInterface cleaner;
    CCustomStatusBar bar(&drives);
    bar.SetCleaner(&cleaner);
    CAnimatedIcon* defrag = bar.Icon(CCustomStatusBar::kDefragmentationIcon);
    CAnimatedIcon* freeSpace = bar.Icon(CCustomStatusBar::kFreeSpaceIcon);
    CAnimatedIcon* scheduling = bar.Icon(CCustomStatusBar::kSchedulingIcon);

    // Busy with nothing to say yet; then two drives analyse, and the timer tells.
    bar.SetProgressIconBusy(CCustomStatusBar::kDefragmentationIcon, true);
    QCOMPARE(defrag->toolTip(), QString());
    drives.SetStatus(kHome, CDefrager::kAnalysing);
    drives.SetStatusText(kHome, L"Analyzing", 42.0);
    drives.SetStatus(kVar, CDefrager::kAnalysing);
    drives.SetStatusText(kVar, L"Analyzing", 7.0);
    QCOMPARE(defrag->toolTip(), QString()); // not before the next beat
    QTRY_COMPARE(defrag->toolTip(), u"/home  Analyzing 42%\n/var  Analyzing 7%"_s);

    // Each status its words; an unknown one says so.
    drives.SetStatus(kHome, CDefrager::kPaused);
    drives.SetStatus(kSrv, 9);
    drives.SetStatus(kVar, CDefrager::kVerifying);
    drives.SetCompletionPercent(kVar, 99.6);
    bar.UpdateToolTips();
    QCOMPARE(defrag->toolTip(),
             u"/home  Paused 42%\nError: Invalid Status\n/var  Verifying 100%"_s);
    drives.SetStatus(kSrv, CDefrager::kDefragmenting);
    drives.SetStatus(kHome, CDefrager::kResumed);
    drives.SetStatus(kVar, CDefrager::kIdle);
    bar.UpdateToolTips();
    QCOMPARE(defrag->toolTip(), u"/home  Resumed 42%\n/srv  Defragmenting 0%"_s);

    // The cleaner's progress arrives from its listener's thread, in a later turn.
    FromAnotherThread([&] { cleaner.OnPercentMessage(30, L"Emptying the recycle bin"); });
    QCOMPARE(bar.CleanerMessage(), QString());
    QTRY_COMPARE(bar.CleanerMessage(), u"Emptying the recycle bin"_s);
    QCOMPARE(freeSpace->toolTip(), QString()); // its icon is idle
    bar.SetProgressIconBusy(CCustomStatusBar::kFreeSpaceIcon, true);
    QCOMPARE(freeSpace->toolTip(), u"Emptying the recycle bin"_s);
    FromAnotherThread([&] { cleaner.OnPercentMessage(60, L"Removing temporary files"); });
    QTRY_COMPARE(freeSpace->toolTip(), u"Removing temporary files"_s);
    bar.SetProgressIconTooltip(CCustomStatusBar::kSchedulingIcon, u"Daily at 02:00"_s);
    QCOMPARE(scheduling->toolTip(), u"Daily at 02:00"_s);

    // One icon stops: its words go, the other's stay and keep coming.
    bar.SetProgressIconBusy(CCustomStatusBar::kDefragmentationIcon, false);
    QCOMPARE(defrag->toolTip(), QString());
    QCOMPARE(freeSpace->toolTip(), u"Removing temporary files"_s);
    QVERIFY(bar.ToolTipTimer().isActive());
    // A new pass forgets the last one's words.
    FromAnotherThread([&] { cleaner.OnState(10); });
    QTRY_COMPARE(freeSpace->toolTip(), QString());

    // The last busy icon stops: no tool tips, no timer.
    FromAnotherThread([&] { cleaner.OnPercentMessage(5, L"Scanning"); });
    QTRY_COMPARE(freeSpace->toolTip(), u"Scanning"_s);
    bar.SetProgressIconBusy(CCustomStatusBar::kDefragmentationIcon, true);
    QVERIFY(!defrag->toolTip().isEmpty());
    bar.SetProgressIconBusy(CCustomStatusBar::kDefragmentationIcon, false);
    bar.SetProgressIconBusy(CCustomStatusBar::kFreeSpaceIcon, false);
    QCOMPARE(defrag->toolTip(), QString());
    QCOMPARE(freeSpace->toolTip(), QString());
    QVERIFY(!bar.ToolTipTimer().isActive());

    // A cleaner no longer followed says nothing more.
    bar.SetCleaner(nullptr);
    FromAnotherThread([&] { cleaner.OnPercentMessage(8, L"Late"); });
    QCoreApplication::processEvents();
    QCOMPARE(bar.CleanerMessage(), QString());
}

void TestStatusBar::currentDriveProgressAndMessage()
{
    CAppFixture fixture;
    CDefrager& drives = fixture.app->Defrager();
    FillDrives(drives);
    CCustomStatusBar bar(&drives);
    QCOMPARE(bar.ProgressValue(), 0);
    QCOMPARE(bar.ProgressMessage(), u"   "_s);

    drives.SetWorkingMessage(kHome, 42.9, L"Moving files");
    QCOMPARE(bar.ProgressValue(), 42);
    QCOMPARE(bar.ProgressMessage(), u"   Moving files"_s);
    // Another drive's pass is not on show until it becomes the current one.
    drives.SetWorkingMessage(kSrv, 77.5, L"Consolidating free space");
    QCOMPARE(bar.ProgressMessage(), u"   Moving files"_s);
    drives.SetCurrentVolume(kSrv);
    QCOMPARE(bar.ProgressValue(), 77);
    QCOMPARE(bar.ProgressMessage(), u"   Consolidating free space"_s);
    drives.SetCurrentVolume(kVar);
    QCOMPARE(bar.ProgressValue(), 0);
    QCOMPARE(bar.ProgressMessage(), u"   "_s);
    drives.SetWorkingMessage(kVar, std::nan(""), L"");
    QCOMPARE(bar.ProgressValue(), 0);
    drives.SetWorkingMessage(kVar, 250.0, L"Verifying");
    QCOMPARE(bar.ProgressValue(), 100);
    drives.SetCurrentVolume(TId());
    QCOMPARE(bar.ProgressValue(), 0);
    QCOMPARE(bar.ProgressMessage(), QString());
}

void TestStatusBar::inTheMainWindow()
{
    CAppFixture fixture;
    CApp& app = *fixture.app;
    FillDrives(app.Defrager());
    app.Layout().SetEdition(2, false, false);
    CMainWindow* window = app.GetMainWindow();
    CCustomStatusBar* bar = window->StatusBar();
    QVERIFY(window->statusBar() == bar);
    CAnimatedIcon* defrag = bar->Icon(CCustomStatusBar::kDefragmentationIcon);
    CAnimatedIcon* freeSpace = bar->Icon(CCustomStatusBar::kFreeSpaceIcon);

    // The free-space icon only where the connection has the free-space tab.
    QVERIFY(freeSpace->isHidden());
    app.Layout().SetEdition(2, false, true);
    emit app.ComputerConnected();
    QVERIFY(!freeSpace->isHidden());
    app.Layout().SetEdition(6, false, true);
    emit app.ComputerConnected();
    QVERIFY(freeSpace->isHidden());

    // The controller's busy states reach the icons; the clock ticks only while one turns and
    // the window shows.
    window->show();
    QVERIFY(!window->Animation()->IsRunning());
    app.SetSystemTrayProgressBusy(CModel::kExchange, TBusyStatus::Busy);
    QVERIFY(window->ProgressIconBusy(CModel::kExchange) && !bar->AnyIconAnimating());
    QVERIFY(!window->Animation()->IsRunning());
    app.Defrager().SetStatus(kSrv, CDefrager::kDefragmenting);
    QVERIFY(defrag->IsAnimating() && window->Animation()->IsRunning());
    QCOMPARE(defrag->toolTip(), u"/srv  Defragmenting 0%"_s);
    QTRY_VERIFY(defrag->Frame() != 0);
    window->hide();
    QVERIFY(!window->Animation()->IsRunning());
    window->show();
    QVERIFY(window->Animation()->IsRunning());
    app.Defrager().SetStatus(kSrv, CDefrager::kPaused);
    QVERIFY(!defrag->IsAnimating() && !window->Animation()->IsRunning());
    QCOMPARE(defrag->toolTip(), QString());

    // The cleaner of the controller feeds the free-space tool tip.
    FromAnotherThread([&] { app.TempRecycleCleaner().OnPercentMessage(10, L"Counting files"); });
    QTRY_COMPARE(bar->CleanerMessage(), u"Counting files"_s);

    // The right piece follows the window's state.
    QVERIFY(!bar->RightPieceShown());
    emit window->Maximized(true);
    QVERIFY(bar->RightPieceShown());
    emit window->Maximized(false);
    QVERIFY(!bar->RightPieceShown());

    // Another skin, other pictures.
    const QImage blueMiddle = bar->Piece(1).toImage();
    const QImage blueFrame = defrag->FramePixmap(0).toImage();
    app.SetSkin(1);
    QVERIFY(!bar->Piece(1).isNull() && bar->Piece(1).toImage() != blueMiddle);
    QVERIFY(defrag->FramePixmap(0).toImage() != blueFrame);
    app.SetSkin(0);
    QCOMPARE(bar->Piece(1).toImage(), blueMiddle);
    qApp->setStyleSheet(QString());
}

QTEST_MAIN(TestStatusBar)
#include "tst_StatusBar.moc"
