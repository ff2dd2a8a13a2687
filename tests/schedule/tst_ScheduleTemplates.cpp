#include "schedule/CScheduleDataFileIO.h"

#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QtTest>

#include <random>

using namespace Qt::StringLiterals;

// Schedule template files: their bytes, what reading replaces, and the files that are refused.
class TestScheduleTemplates : public QObject {
    Q_OBJECT

private slots:
    void init();
    void driveScheduleBytes();
    void emptyNameAndUnsetDates();
    void anyTemplateTagIsAccepted();
    void randomRecordsRoundTrip();
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

constexpr double kNow = 45000.5;
constexpr double kTenMinutesLater = kNow + 600.0 / 86400.0;

template <class TIO>
TIO WithFixedClock()
{
    TIO io;
    io.SetClock([] { return kNow; });
    return io;
}

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

class CRandomRecords {
public:
    TString Text()
    {
        // Basic Multilingual Plane characters outside the surrogates, some of them ASCII.
        std::uniform_int_distribution<int> length(0, 6);
        std::uniform_int_distribution<int> unit(1, 0xD7FF);
        TString text;
        for (int n = length(m_random); n > 0; --n) {
            const int value = unit(m_random);
            text.push_back(static_cast<wchar_t>(value % 3 == 0 ? 0x20 + value % 95 : value));
        }
        return text;
    }
    quint32 Number() { return m_random(); }
    bool Flag() { return m_random() % 2 != 0; }
    // Set dates only: unset ones are replaced on reading.
    double Date() { return 1.0 + std::uniform_real_distribution<double>(0.0, 60000.0)(m_random); }
    TStringList Texts()
    {
        TStringList texts;
        for (quint32 n = m_random() % 4; n > 0; --n)
            texts.push_back(Text());
        return texts;
    }
    CScheduleSettings Settings()
    {
        return CScheduleSettings(Number(), Number(), Flag(), Number(), Number(), Number(), Date(),
                                 Number(), Number(), Flag(), Number(), Number(), Texts(), Number(),
                                 Date(), Date(), Flag(), {});
    }
    CCadence::CScheduleData Drive()
    {
        CCadence::CScheduleData record;
        record.name = Text();
        record.settings = Settings();
        record.allDrives = Flag();
        record.drives = Texts();
        return record;
    }
    CCadence::CExScheduleData Exchange()
    {
        CCadence::CExScheduleData record;
        record.name = Text();
        record.settings = Settings();
        record.allDataStores = Flag();
        for (quint32 n = m_random() % 3; n > 0; --n)
            record.dataStores.push_back({Text(), Text()});
        return record;
    }
    CCadence::CVmScheduleData Guest()
    {
        CCadence::CVmScheduleData record;
        record.name = Text();
        record.settings = Settings();
        for (quint32 n = m_random() % 3; n > 0; --n) {
            CCadence::CVmScheduleData::TGuest entry;
            entry.name = Text();
            entry.SetGuestValue(Number());
            entry.shutdownToDefragment = static_cast<quint8>(Number());
            record.guests.push_back(entry);
        }
        return record;
    }

private:
    std::mt19937 m_random{20240611};
};

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
    record.name = L"Guests";
    record.settings = DistinctSettings();
    record.guests = {{L"guest.vmx", {1, 0, 1, 0}, 1}, {L"other", {0, 1, 0, 1}, 0}};
    return record;
}

} // namespace

void TestScheduleTemplates::init()
{
    QVERIFY(m_directory.isValid());
}

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
}

void TestScheduleTemplates::emptyNameAndUnsetDates()
{
    CCadence::CScheduleData record;
    const QByteArray bytes = TDriveIO::Encode(record);
    QCOMPARE(bytes.mid(8, 4), QByteArray(4, '\0'));
    // Tag, name, 10 words, 3 dates, 3 flags, the excluded programs, all drives, the drives.
    QCOMPARE(bytes.size(), 8 + 4 + 10 * 4 + 3 * 8 + 3 + 4 + 1 + 4);

    WriteBytes(Path(u"unset.kvt"_s), bytes);
    CCadence::CScheduleData loaded;
    loaded.settings.start = 40000.0;
    loaded.settings.lastRun = 40000.0;
    QCOMPARE(WithFixedClock<TDriveIO>().Read(Path(u"unset.kvt"_s), loaded), ERROR_SUCCESS);
    QCOMPARE(loaded.settings.start, kTenMinutesLater);
    QCOMPARE(loaded.settings.nextRun, kTenMinutesLater);
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
    QCOMPARE(drive.settings.nextRun, exchange.settings.nextRun);
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

void TestScheduleTemplates::randomRecordsRoundTrip()
{
    // The stored fields compare through their bytes, whose layout driveScheduleBytes pins.
    const QString path = Path(u"random.tpl"_s);
    const auto roundTrips = [&](auto io, const auto& written) {
        std::decay_t<decltype(written)> read;
        return io.Write(path, written) == ERROR_SUCCESS && io.Read(path, read) == ERROR_SUCCESS &&
               read.name == written.name &&
               decltype(io)::Encode(read) == decltype(io)::Encode(written);
    };
    CRandomRecords random;
    for (int round = 0; round < 40; ++round) {
        QVERIFY(roundTrips(TDriveIO(), random.Drive()));
        QVERIFY(roundTrips(TExchangeIO(), random.Exchange()));
        QVERIFY(roundTrips(TGuestIO(), random.Guest()));
    }
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
    CCadence::CScheduleData record = SampleDrive();
    QCOMPARE(TDriveIO().Read(Path(u"missing.kvt"_s), record), ERROR_FILE_NOT_FOUND);
    QCOMPARE(TDriveIO().Read(Path(u"no/such/folder.kvt"_s), record), ERROR_PATH_NOT_FOUND);
    QCOMPARE(TDriveIO().Write(Path(u"no/such/folder.kvt"_s), record), ERROR_PATH_NOT_FOUND);
    QCOMPARE(TDriveIO().Read(m_directory.path(), record), ERROR_ACCESS_DENIED);
    QCOMPARE(record.name, SampleDrive().name);
    QVERIFY(record.drives == SampleDrive().drives);
}

QTEST_GUILESS_MAIN(TestScheduleTemplates)
#include "tst_ScheduleTemplates.moc"
