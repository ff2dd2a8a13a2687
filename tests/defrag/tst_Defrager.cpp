#include "defrag/CDefrager.h"

#include <QSignalSpy>
#include <QtTest>

#include <limits>

using namespace Qt::StringLiterals;

// The drive model: its records, selection, busy state, drive-map runs and next-run entries.
class TestDefrager : public QObject {
    Q_OBJECT

public slots:
    void Count() { ++m_emitted; }

private:
    int m_emitted = 0;

private slots:
    void newRecordsAndFileSystems();
    void busyStateFollowsEveryStatusChange();
    void selection();
    void removingAndClearing();
    void unknownVolumesAreIgnored();
    void blockRunsAtTheEdges();
    void scheduleOffersBetweenKinds();
    void scheduleOffersBetweenTimedSchedules();
};

namespace {

const TId kVolumeA = L"\\\\?\\Volume{aaaa}\\";
const TId kVolumeB = L"\\\\?\\Volume{bbbb}\\";
const TId kVolumeC = L"\\\\?\\Volume{cccc}\\";
const TId kUnknown = L"\\\\?\\Volume{none}\\";

// OLE dates around a fixed "now".
constexpr double kNow = 45000.5;
constexpr double kTomorrow = kNow + 1.0;
constexpr double kYesterday = kNow - 1.0;

CDefrager::TVolumeInfo Record(const TId& id, const TName& mountName,
                              const TString& fileSystem = L"NTFS")
{
    CDefrager::TVolumeInfo volume;
    volume.volumeId = id;
    volume.mountName = mountName;
    volume.fileSystem = fileSystem;
    return volume;
}

// A model with volumes A (C:\), B (D:\) and C (E:\) and a fixed clock.
void Fill(CDefrager& model)
{
    model.SetVolume(Record(kVolumeB, L"D:\\", L"FAT32"));
    model.SetVolume(Record(kVolumeA, L"C:\\"));
    model.SetVolume(Record(kVolumeC, L"E:\\", L"exFAT"));
    model.SetClock([] { return kNow; });
}

CDefrager::TScheduleOffer Offer(quint32 type, const TName& name, double nextRun,
                                double lastRun = 0.0)
{
    return {type, name, lastRun, nextRun, false, false};
}

// The schedule model's answer: next runs by name, absent names no longer exist.
CDefrager::TScheduleLookup Lookup(std::map<TName, double> nextRuns)
{
    return [nextRuns](quint32, const TName& name) -> std::optional<double> {
        const auto found = nextRuns.find(name);
        return found == nextRuns.end() ? std::nullopt : std::optional(found->second);
    };
}

std::pair<quint32, TName> Entry(const CDefrager& model, const TId& id)
{
    const CDefrager::TVolumeInfo* volume = model.FindVolume(id);
    return {volume->nextRunKind, volume->nextRunName};
}

QList<int> BusyValues(const QSignalSpy& spy)
{
    QList<int> values;
    for (const QList<QVariant>& arguments : spy)
        values.append(static_cast<int>(arguments.at(0).value<TBusyStatus>()));
    return values;
}

} // namespace

void TestDefrager::newRecordsAndFileSystems()
{
    CDefrager model;
    Fill(model);
    model.SetVolume(Record(L"fat", L"F:\\", L"FAT"));
    model.SetVolume(Record(L"other", L"G:\\", L"ntfs"));
    QVERIFY(model.CanDefragmentSystemFiles(kVolumeA));
    for (const TId& id : {kVolumeB, kVolumeC, TId(L"fat"), TId(L"other")})
        QVERIFY(!model.CanDefragmentSystemFiles(id));

    // A record given with a short map still gets the whole map; records come back in key order.
    CDefrager::TVolumeInfo shortMap = Record(kVolumeA, L"C:\\");
    shortMap.blocks.assign(10, 1);
    model.SetVolume(shortMap);
    QCOMPARE(model.Volume(kVolumeA).blocks.size(), std::size_t{3600});
    QCOMPARE(model.Volume(kVolumeA).blocks[3599], 13u);
    QCOMPARE(model.begin()->first, kVolumeA);
    QCOMPARE(model.VolumeIdOfMountName(L"E:\\"), kVolumeC);
    QCOMPARE(model.VolumeIdOfMountName(L"Z:\\"), TId());
    QCOMPARE(CDefrager::StatusText(1, 42.6), u"Analyzing 43%"_s);
    QCOMPARE(CDefrager::StatusText(6, 0), u"Invalid Status"_s);
}

void TestDefrager::busyStateFollowsEveryStatusChange()
{
    CDefrager model;
    Fill(model);
    QSignalSpy busy(&model, &CDefrager::BusyStateChanged);
    QSignalSpy status(&model, &CDefrager::StatusChanged);

    model.SetStatus(kVolumeA, CDefrager::kDefragmenting);
    model.SetStatus(kVolumeB, CDefrager::kPaused);
    model.SetStatus(kVolumeA, CDefrager::kIdle);
    model.SetStatus(kVolumeB, CDefrager::kIdle);
    model.SetStatus(kVolumeB, CDefrager::kIdle);
    QCOMPARE(BusyValues(busy), QList<int>({2, 2, 1, 0, 0}));
    QCOMPARE(status.count(), 5);

    // Every running code counts as running; an unknown code is neither running nor paused.
    for (quint32 code : {1u, 2u, 4u, 5u}) {
        model.SetStatus(kVolumeC, code);
        QCOMPARE(model.BusyState(), TBusyStatus::Busy);
        QVERIFY(model.IsRunningOrPaused(kVolumeC));
    }
    model.SetStatus(kVolumeC, 9);
    QCOMPARE(model.BusyState(), TBusyStatus::Idle);
    QVERIFY(model.AnyNotIdle() && !model.AnyRunning());
}

void TestDefrager::selection()
{
    CDefrager model;
    Fill(model);
    QSignalSpy selected(&model, &CDefrager::VolumesSelected);
    QSignalSpy deselected(&model, &CDefrager::VolumesDeselected);
    QVERIFY(model.AnySelectedNtfs());

    model.SelectVolumes({kVolumeC, kVolumeA});
    model.SelectVolumes({kVolumeA, kUnknown, kVolumeB});
    QCOMPARE(model.Selection(), std::list<TId>({kVolumeA, kVolumeB, kVolumeC}));
    QCOMPARE(selected.count(), 2);

    model.SetStatus(kVolumeB, CDefrager::kPaused);
    QVERIFY(model.AnySelectedPaused() && !model.AnySelectedRunning());
    model.SetShutDownWhenDone(true);

    model.DeselectVolumes({kVolumeA, kVolumeA, kUnknown});
    QCOMPARE(model.Selection(), std::list<TId>({kVolumeB, kVolumeC}));
    QVERIFY(!model.AnySelectedNtfs() && model.Volume(kVolumeA).shutDownWhenDone);
    QCOMPARE(deselected.count(), 0);
}

void TestDefrager::removingAndClearing()
{
    CDefrager model;
    Fill(model);
    model.SetCurrentVolume(kVolumeA);
    model.SelectVolumes({kVolumeA, kVolumeB});
    QSignalSpy current(&model, &CDefrager::CurrentVolumeChanged);

    model.RemoveVolume(kVolumeB);
    QCOMPARE(current.count(), 0);
    model.RemoveVolume(kVolumeA);
    QCOMPARE(model.CurrentVolume(), TId());
    QCOMPARE(current.count(), 1);
    QVERIFY(model.IsSelectionEmpty());
    CDefrager::TVolumeInfo untouched = Record(L"kept", L"K:\\");
    QCOMPARE(model.CurrentVolumeInfo(untouched), E_FAIL);
    QCOMPARE(untouched.mountName, TName(L"K:\\"));

    // A copy is a snapshot that later changes do not reach.
    model.SetCurrentVolume(kVolumeC);
    CDefrager::TVolumeInfo snapshot;
    auto skipped = std::make_shared<CDefragStatisticsData::CFTNotExceeded>();
    model.SetStatistics(kVolumeC, CDefrager::kThresholdNotExceeded, skipped);
    QCOMPARE(model.CurrentVolumeInfo(snapshot), S_OK);
    model.SetFragmentation(kVolumeC, 12.5);
    model.SetStatistics(kVolumeC, CDefrager::kThresholdNotExceeded, nullptr);
    QVERIFY(!snapshot.fragmentation && !model.Statistics(kVolumeC, CDefrager::kPassResults));
    QVERIFY(!model.Statistics(kVolumeC, CDefrager::kThresholdNotExceeded));
    QCOMPARE(snapshot.statistics.size(), std::size_t{1});

    model.Clear();
    QVERIFY(model.Count() == 0 && model.CurrentVolume().empty());
    QCOMPARE(current.count(), 3);
}

void TestDefrager::unknownVolumesAreIgnored()
{
    CDefrager model;
    Fill(model);
    model.SetCurrentVolume(kVolumeA);
    // Every signal of the model counts.
    const QMetaObject& meta = CDefrager::staticMetaObject;
    const QMetaMethod count = metaObject()->method(metaObject()->indexOfSlot("Count()"));
    for (int index = meta.methodOffset(); index < meta.methodCount(); ++index)
        if (meta.method(index).methodType() == QMetaMethod::Signal)
            connect(&model, meta.method(index), this, count);

    model.SetStatus(kUnknown, 2);
    model.SetStatusText(kUnknown, L"x", 1);
    model.SetStatusLine(kUnknown, L"x", 1);
    model.ClearStatusDetails(kUnknown);
    model.SetWorkingMessage(kUnknown, 1, L"x");
    model.SetCompletionPercent(kUnknown, 1);
    model.ClearCompletionPercent(kUnknown);
    model.SetFragmentation(kUnknown, 1);
    model.SetFreeSpaceFragmentation(kUnknown, 1);
    model.SetBlockRun(kUnknown, 1, 0, 10);
    model.SetDriveType(kUnknown, 4);
    model.SetCurrentVolume(kUnknown);
    QCOMPARE(model.OfferSchedule(kUnknown, Offer(2, L"Daily", kTomorrow), Lookup({})), false);
    model.RemoveVolume(kUnknown);

    QCOMPARE(m_emitted, 0);
    QVERIFY(model.Count() == 3 && model.CurrentVolume() == kVolumeA);
    QVERIFY(model.MountName(kUnknown).empty() && model.Volume(kUnknown).volumeId.empty());
    QVERIFY(!model.IsRunning(kUnknown) && !model.IsNtfs(kUnknown));
}

void TestDefrager::blockRunsAtTheEdges()
{
    CDefrager model;
    Fill(model);
    QSignalSpy updates(&model, &CDefrager::BitmapUpdated);
    const auto blocks = [&](const TId& id) { return model.FindVolume(id)->blocks; };

    model.SetBlockRun(kVolumeA, 2, 3599, 5);
    model.SetBlockRun(kVolumeA, 3, 4000, 1);
    model.SetBlockRun(kVolumeA, 4, 10, 0);
    model.SetBlockRun(kVolumeA, 5, std::numeric_limits<uint>::max(), 2);
    model.SetBlockRun(kVolumeA, 6, 0, 2);
    std::vector<quint32> expected(3600, 13);
    expected[3599] = 2;
    expected[0] = expected[1] = 6;
    QCOMPARE(blocks(kVolumeA), expected);
    // Runs past the map and empty runs still tell the views, with the values as given.
    QCOMPARE(updates.count(), 5);
    QCOMPARE(updates.at(1).at(2).toUInt(), 4000u);
    QCOMPARE(updates.at(2).at(3).toUInt(), 0u);

    // Alternating volumes, and a volume removed and given again, each take their own runs.
    model.SetBlockRun(kVolumeB, 7, 0, 3600);
    model.RemoveVolume(kVolumeA);
    model.SetBlockRun(kVolumeA, 8, 0, 1);
    model.SetVolume(Record(kVolumeA, L"C:\\"));
    model.SetBlockRun(kVolumeA, 9, 100, 1);
    QVERIFY(blocks(kVolumeA)[100] == 9u && blocks(kVolumeA)[0] == 13u);
    QCOMPARE(blocks(kVolumeB), std::vector<quint32>(3600, 7));
}

void TestDefrager::scheduleOffersBetweenKinds()
{
    CDefrager model;
    Fill(model);
    const auto lookup = Lookup({{L"Daily", kNow + 2.0}, {L"Weekly", kTomorrow}});

    QVERIFY(model.OfferSchedule(kVolumeA, Offer(2, L"Daily", kNow + 2.0), lookup));
    QVERIFY(!model.OfferSchedule(kVolumeA, Offer(4, L"Screen Saver", 0), lookup));
    QCOMPARE(Entry(model, kVolumeA), std::make_pair(2u, TName(L"Daily")));
    QVERIFY(model.OfferSchedule(kVolumeA, Offer(3, L"Weekly", kTomorrow), lookup));
    QCOMPARE(Entry(model, kVolumeA), std::make_pair(3u, TName(L"Weekly")));

    // Event-driven entries: a timed schedule replaces them, another event type does too, the
    // same type does not.
    QVERIFY(model.OfferSchedule(kVolumeB, Offer(4, L"Screen Saver", 0), lookup));
    QVERIFY(!model.OfferSchedule(kVolumeB, Offer(4, L"Screen Saver 2", 0), lookup));
    QVERIFY(model.OfferSchedule(kVolumeB, Offer(5, L"QuietWatch", 0), lookup));
    QCOMPARE(Entry(model, kVolumeB), std::make_pair(5u, TName(L"QuietWatch")));
    QVERIFY(model.OfferSchedule(kVolumeB, Offer(1, L"Once", kTomorrow), lookup));
    QCOMPARE(Entry(model, kVolumeB), std::make_pair(1u, TName(L"Once")));

    // Offered again with its last run equal to the last pass: nothing changes, still its entry,
    // even though its next run is now past.
    model.SetLastDefragmented(kVolumeA, kYesterday);
    QVERIFY(model.OfferSchedule(kVolumeA, Offer(3, L"Weekly", kYesterday, kYesterday), lookup));
    QVERIFY(!model.OfferSchedule(kVolumeA, Offer(3, L"Weekly", kYesterday, kNow), lookup));
    QCOMPARE(Entry(model, kVolumeA), std::make_pair(3u, TName(L"Weekly")));

    model.ResetNextRun(kVolumeA);
    QCOMPARE(Entry(model, kVolumeA), std::make_pair(0u, TName()));
    QCOMPARE(model.Volume(kVolumeA).lastDefragmented, 0.0);

    // Never taken: disabled, not applying, of no kind, timed without a future next run (what
    // the clock says is the future).
    CDefrager::TScheduleOffer disabled = Offer(2, L"Daily", kTomorrow);
    disabled.disabled = true;
    CDefrager::TScheduleOffer notApplying = Offer(4, L"Screen Saver", 0);
    notApplying.notApplying = true;
    for (const auto& offer :
         {disabled, notApplying, Offer(0, L"Not set", kTomorrow), Offer(6, L"Odd", kTomorrow),
          Offer(1, L"Past", kYesterday), Offer(2, L"Now", kNow)})
        QVERIFY2(!model.OfferSchedule(kVolumeC, offer, lookup),
                 qPrintable(QString::fromStdWString(offer.name)));
    model.SetClock([] { return kNow - 10.0; });
    QVERIFY(model.OfferSchedule(kVolumeC, Offer(1, L"Past", kYesterday), lookup));
}

void TestDefrager::scheduleOffersBetweenTimedSchedules()
{
    CDefrager model;
    Fill(model);
    QVERIFY(model.OfferSchedule(kVolumeA, Offer(2, L"Daily", kNow + 2.0), Lookup({})));

    // An offer without a known next run is not taken; for the entry's own schedule the offer
    // still succeeds.
    const auto dailyKnown = Lookup({{L"Daily", kNow + 2.0}});
    QVERIFY(!model.OfferSchedule(kVolumeA, Offer(3, L"Weekly", 0), dailyKnown));
    QVERIFY(model.OfferSchedule(kVolumeA, Offer(2, L"Daily", 0, kYesterday), dailyKnown));
    QCOMPARE(Entry(model, kVolumeA), std::make_pair(2u, TName(L"Daily")));

    // Later than the entry: kept; the entry's schedule gone, or its next run unknown: replaced.
    QVERIFY(!model.OfferSchedule(kVolumeA, Offer(3, L"Weekly", kNow + 3.0), dailyKnown));
    QVERIFY(model.OfferSchedule(kVolumeA, Offer(3, L"Weekly", kNow + 3.0), Lookup({})));
    QCOMPARE(Entry(model, kVolumeA), std::make_pair(3u, TName(L"Weekly")));
    QVERIFY(
        model.OfferSchedule(kVolumeA, Offer(1, L"Once", kNow + 5.0), Lookup({{L"Weekly", 0.0}})));
    QCOMPARE(Entry(model, kVolumeA), std::make_pair(1u, TName(L"Once")));

    // Only a strictly earlier next run replaces.
    const auto onceKnown = Lookup({{L"Once", kNow + 5.0}});
    QVERIFY(!model.OfferSchedule(kVolumeA, Offer(2, L"Daily", kNow + 5.0), onceKnown));
    QVERIFY(model.OfferSchedule(kVolumeA, Offer(2, L"Daily", kNow + 4.0), onceKnown));
    QCOMPARE(Entry(model, kVolumeA), std::make_pair(2u, TName(L"Daily")));
}

QTEST_GUILESS_MAIN(TestDefrager)
#include "tst_Defrager.moc"
