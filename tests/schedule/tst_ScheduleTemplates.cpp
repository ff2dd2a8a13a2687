#include "schedule/CScheduleDataFileIO.h"

#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QtTest>

#include <sys/stat.h>

using namespace Qt::StringLiterals;

// Schedule template files: their bytes, what reading replaces, and the files that are refused.
class TestScheduleTemplates : public QObject {
    Q_OBJECT

private slots:
    void init() { QVERIFY(m_directory.isValid()); }
    void driveScheduleBytes();
    void unsetDatesBecomeTenMinutesFromNow_data();
    void unsetDatesBecomeTenMinutesFromNow();
    void anyTemplateTagIsAccepted();
    void recordsRoundTrip();
    void truncatedFilesAreRefused();
    void longerFileIsOverwrittenInPlace();
    void fileErrors();

private:
    QString Path(const QString& name) const { return m_directory.filePath(name); }

    QTemporaryDir m_directory;
};

namespace {

using TDriveIO = CScheduleDataFileIO<CCadence::CScheduleData>;
using TExchangeIO = CScheduleDataFileIO<CCadence::CExScheduleData>;
using TGuestIO = CScheduleDataFileIO<CCadence::CVmScheduleData>;

// Distinct values in every stored field, so that a field written in the wrong place shows.
CScheduleSettings DistinctSettings()
{
    return CScheduleSettings(3, 1, true, 2, 3, 5, 45000.25, 24, 7200, true, 0x41, 7, {L"x"}, 2,
                             44999.5, 45001.75, true, {{45000.0, 2, 1}});
}

void WriteBytes(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(file.write(bytes), bytes.size());
}

QByteArray ReadBytes(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

CCadence::CScheduleData SampleDrive()
{
    CCadence::CScheduleData record;
    record.name = L"Nightly";
    record.settings = DistinctSettings();
    record.drives = {L"\\\\?\\Volume{aaaa}\\", L"D:"};
    return record;
}

CCadence::CExScheduleData SampleExchange()
{
    CCadence::CExScheduleData record;
    record.name = L"Stores";
    record.settings = DistinctSettings();
    record.allDataStores = true;
    record.dataStores = {{L"First Storage Group", L"Mailbox Database"}};
    return record;
}

CCadence::CVmScheduleData SampleGuest()
{
    CCadence::CVmScheduleData record;
    record.name = L"Gäste 𝄞";
    record.settings = DistinctSettings();
    record.guests = {{L"guest.vmx", {1, 2, 3, 4}, 5}, {L"other", {6, 7, 8, 9}, 0}};
    return record;
}

} // namespace

void TestScheduleTemplates::driveScheduleBytes()
{
    CCadence::CScheduleData record;
    record.name = L"A";
    record.settings = DistinctSettings();
    record.allDrives = true;
    QCOMPARE(TDriveIO().Write(Path(u"a.kvt"_s), record), ERROR_SUCCESS);

    const QByteArray expected = QByteArray::fromHex(
        "6f4e38303032564b"                    // tag "oN8002VK"
        "0100000041 00"                       // name "A"
        "03000000 01000000 03000000 05000000" // type, method, passes, offline options
        "00000000 08f9e540"                   // start 45000.25
        "18000000 201c0000 01"                // interval, maximum duration, shutdown
        "41000000 07000000"                   // weekdays, idle minutes
        "01000000 01000000 7800"              // excluded programs ["x"]
        "02000000"                            // option
        "00000000f0f8e540 0000000038f9e540"   // last run, next run
        "01 02000000 01"                      // disabled, free-space options, consolidation
        "01 00000000");                       // all drives, no drives
    QCOMPARE(ReadBytes(Path(u"a.kvt"_s)).toHex(' '), expected.toHex(' '));
    // An empty name is its count alone.
    QCOMPARE(TDriveIO::Encode(CCadence::CScheduleData()).mid(8, 4), QByteArray(4, '\0'));
}

void TestScheduleTemplates::unsetDatesBecomeTenMinutesFromNow_data()
{
    QTest::addColumn<double>("date");
    QTest::newRow("zero") << 0.0;
    QTest::newRow("negative") << -2.5;
    QTest::newRow("NaN") << qQNaN();
    QTest::newRow("infinite") << qInf();
}

void TestScheduleTemplates::unsetDatesBecomeTenMinutesFromNow()
{
    QFETCH(double, date);
    constexpr double kNow = 45000.5;
    CCadence::CScheduleData written = SampleDrive();
    written.settings.start = date;
    written.settings.nextRun = date;
    written.settings.lastRun = 0.0;
    TDriveIO io;
    io.SetClock([] { return kNow; });
    CCadence::CScheduleData loaded;
    loaded.settings.lastRun = 40000.0;
    QCOMPARE(io.Decode(TDriveIO::Encode(written), loaded), ERROR_SUCCESS);
    QCOMPARE(loaded.settings.start, kNow + 600.0 / 86400.0);
    QCOMPARE(loaded.settings.nextRun, kNow + 600.0 / 86400.0);
    // The last run is the agent's report: an unset one stays unset.
    QCOMPARE(loaded.settings.lastRun, 0.0);
}

void TestScheduleTemplates::anyTemplateTagIsAccepted()
{
    // An Exchange template opened as a drive schedule: same name and settings, and the
    // Exchange part read as the drive part: all data stores as all drives, one data store as
    // one drive named by its storage group (the data store's name is left over and ignored).
    const CCadence::CExScheduleData exchange = SampleExchange();
    QCOMPARE(TExchangeIO().Write(Path(u"stores.kxt"_s), exchange), ERROR_SUCCESS);
    CCadence::CScheduleData drive;
    drive.source = CCadence::kSourceGroupPolicy;
    QCOMPARE(TDriveIO().Read(Path(u"stores.kxt"_s), drive), ERROR_SUCCESS);
    QCOMPARE(drive.name, exchange.name);
    QVERIFY(drive.settings == exchange.settings);
    QVERIFY(drive.allDrives);
    QVERIFY((drive.drives == TStringList{L"First Storage Group"}));
    QCOMPARE(drive.source, quint32(CCadence::kSourceGroupPolicy));

    // A foreign tag, or the right first word with another second one.
    for (const char* tag : {"oN8002VJ", "oN8003VK", "KV2008No"}) {
        QByteArray bytes = TExchangeIO::Encode(exchange);
        bytes.replace(0, 8, tag);
        CCadence::CExScheduleData untouched = SampleExchange();
        QCOMPARE(TExchangeIO().Decode(bytes, untouched), ERROR_FILE_CORRUPT);
        QCOMPARE(untouched.name, exchange.name);
    }
}

void TestScheduleTemplates::recordsRoundTrip()
{
    // Distinct values everywhere, so that a field read in another's place shows; the stored
    // fields compare through their bytes, whose layout driveScheduleBytes pins.
    const QString path = Path(u"sample.tpl"_s);
    const auto roundTrips = [&](auto io, const auto& written) {
        std::decay_t<decltype(written)> read;
        return io.Write(path, written) == ERROR_SUCCESS && io.Read(path, read) == ERROR_SUCCESS &&
               decltype(io)::Encode(read) == decltype(io)::Encode(written);
    };
    QVERIFY(roundTrips(TDriveIO(), SampleDrive()));
    QVERIFY(roundTrips(TExchangeIO(), SampleExchange()));
    QVERIFY(roundTrips(TGuestIO(), SampleGuest()));
    // Texts that begin with U+FEFF keep it: it is a character here, not a byte order mark.
    CCadence::CScheduleData marked = SampleDrive();
    marked.name = L"\uFEFF\uFEFFname";
    marked.settings.excludedPrograms = {L"\uFEFFa.exe"};
    marked.drives = {L"\uFEFF"};
    QVERIFY(roundTrips(TDriveIO(), marked));
    CCadence::CScheduleData read;
    QCOMPARE(TDriveIO().Decode(TDriveIO::Encode(marked), read), ERROR_SUCCESS);
    QVERIFY(read.name == marked.name && read.drives == marked.drives);
    CCadence::CVmScheduleData guests;
    QCOMPARE(TGuestIO().Decode(TGuestIO::Encode(SampleGuest()), guests), ERROR_SUCCESS);
    QCOMPARE(guests.guests, SampleGuest().guests);
}

void TestScheduleTemplates::truncatedFilesAreRefused()
{
    const QString path = Path(u"cut.tpl"_s);
    // The reader is given another record, so that anything it took over would show.
    const auto refusesEveryCut = [&](auto io, const auto& written) {
        const QByteArray whole = decltype(io)::Encode(written);
        std::decay_t<decltype(written)> before;
        before.name = L"before";
        const QByteArray beforeBytes = decltype(io)::Encode(before);
        for (qsizetype length = 0; length < whole.size(); ++length) {
            WriteBytes(path, whole.left(length));
            auto target = before;
            if (io.Read(path, target) != ERROR_FILE_CORRUPT ||
                decltype(io)::Encode(target) != beforeBytes)
                return false;
        }
        return true;
    };
    QVERIFY(refusesEveryCut(TDriveIO(), SampleDrive()));
    QVERIFY(refusesEveryCut(TExchangeIO(), SampleExchange()));
    QVERIFY(refusesEveryCut(TGuestIO(), SampleGuest()));

    // A count far beyond the file's end is refused before anything is made for it.
    QByteArray huge = TGuestIO::Encode(SampleGuest());
    CCadence::CVmScheduleData withoutGuests = SampleGuest();
    withoutGuests.guests.clear();
    const qsizetype guestCount = TGuestIO::Encode(withoutGuests).size() - 4;
    QCOMPARE(huge.mid(guestCount, 4), QByteArray::fromHex("02000000"));
    huge.replace(guestCount, 4, QByteArray::fromHex("ffffff7f"));
    CCadence::CVmScheduleData guest = SampleGuest();
    QCOMPARE(TGuestIO().Decode(huge, guest), ERROR_FILE_CORRUPT);
    QCOMPARE(guest.guests.size(), std::size_t(2));
}

void TestScheduleTemplates::longerFileIsOverwrittenInPlace()
{
    const QString path = Path(u"reused.kvt"_s);
    CCadence::CScheduleData longer = SampleDrive();
    longer.drives.assign(20, L"\\\\?\\Volume{0123456789}\\");
    QCOMPARE(TDriveIO().Write(path, longer), ERROR_SUCCESS);
    const qint64 longerSize = QFileInfo(path).size();

    const CCadence::CScheduleData shorter = SampleDrive();
    QCOMPARE(TDriveIO().Write(path, shorter), ERROR_SUCCESS);
    QCOMPARE(QFileInfo(path).size(), longerSize);
    QVERIFY(ReadBytes(path).startsWith(TDriveIO::Encode(shorter)));

    CCadence::CScheduleData loaded;
    QCOMPARE(TDriveIO().Read(path, loaded), ERROR_SUCCESS);
    QCOMPARE(loaded.name, shorter.name);
    QVERIFY(loaded.drives == shorter.drives);
}

void TestScheduleTemplates::fileErrors()
{
    // A named pipe chosen as a template is refused at once, for reading and for writing,
    // rather than waiting for another end that never comes.
    const QString pipe = Path(u"pipe.kvt"_s);
    QCOMPARE(::mkfifo(QFile::encodeName(pipe).constData(), 0600), 0);
    CCadence::CScheduleData record = SampleDrive();
    QCOMPARE(TDriveIO().Read(pipe, record), ERROR_ACCESS_DENIED);
    QCOMPARE(TDriveIO().Write(pipe, record), ERROR_ACCESS_DENIED);
    QCOMPARE(TDriveIO().Read(m_directory.path(), record), ERROR_ACCESS_DENIED);
    QCOMPARE(TDriveIO().Write(m_directory.path(), record), ERROR_ACCESS_DENIED);
    QCOMPARE(TDriveIO().Read(Path(u"missing.kvt"_s), record), ERROR_FILE_NOT_FOUND);
    QCOMPARE(TDriveIO().Read(Path(u"no/such/folder.kvt"_s), record), ERROR_PATH_NOT_FOUND);
    QCOMPARE(TDriveIO().Write(Path(u"no/such/folder.kvt"_s), record), ERROR_PATH_NOT_FOUND);
    QCOMPARE(TDriveIO::Encode(record), TDriveIO::Encode(SampleDrive()));
    QVERIFY(!QFile::exists(Path(u"missing.kvt"_s)));
}

QTEST_GUILESS_MAIN(TestScheduleTemplates)
#include "tst_ScheduleTemplates.moc"
