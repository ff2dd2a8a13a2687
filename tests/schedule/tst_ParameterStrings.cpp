#include "schedule/CEngineParameters.h"
#include "schedule/CExchangeGuestParameters.h"
#include "schedule/CExclusionWindowsText.h"
#include "engine/CParameterString.h"
#include "schedule/CScheduleCodes.h"

#include <QRandomGenerator>
#include <QtTest>

using namespace Qt::StringLiterals;

// The agent's parameter texts: escaping, the pair reader, and the texts of each kind of
// schedule written from records and read back.
class TestParameterStrings : public QObject {
    Q_OBJECT

private slots:
    void escapingOfEveryCodeUnit();
    void pairsAreWrittenInCodeUnitOrderOfKeys();
    void readingTokens_data();
    void readingTokens();
    void randomPairsRoundTrip();
    void driveStrings();
    void driveStringReadFailuresLeaveTheRecord_data();
    void driveStringReadFailuresLeaveTheRecord();
    void intervalsInDays();
    void quietWatchString();
    void exclusionWindows();
    void exchangeAndGuestStrings();
    void randomRecordsRoundTrip();
};

namespace {

CCadence::CScheduleData DriveRecord(quint32 type, quint32 passes, quint32 method)
{
    CCadence::CScheduleData record;
    record.name = L"Nightly";
    record.settings.type = type;
    record.settings.passes = passes;
    record.settings.method = method;
    return record;
}

// Writes the record's text and reads it back into a default record.
HRESULT RoundTrip(const CCadence::CScheduleData& record, CCadence::CScheduleData* read,
                  QString* text = nullptr)
{
    const quint32 code = CScheduleCodes::Code(CScheduleCodes::TKind::Drive, record.settings.type);
    const CEngineParameters written = CEngineParameters::FromRecord(record);
    const QString string = code == CScheduleCodes::kQuietWatch    ? written.QuietWatchString()
                           : code == CScheduleCodes::kScreenSaver ? written.ScreenSaverString()
                                                                  : written.DriveString();
    if (text != nullptr)
        *text = string;
    CEngineParameters parameters;
    const HRESULT result = CEngineParameters::Read(code, string, &parameters);
    return FAILED(result) ? result : parameters.ApplyTo(code, read);
}

QString RandomText(QRandomGenerator& random, int maxLength, QStringView alphabet = {})
{
    QString text;
    const int length = 1 + random.bounded(maxLength);
    for (int i = 0; i < length; ++i)
        text += alphabet.isEmpty() ? QChar(static_cast<char16_t>(random.bounded(0x10000)))
                                   : alphabet[random.bounded(static_cast<int>(alphabet.size()))];
    return text;
}

} // namespace

void TestParameterStrings::escapingOfEveryCodeUnit()
{
    const QList<int> listed = {34, 35, 36, 37, 38, 43, 44, 47, 58,  59,  60,  61,
                               62, 63, 64, 91, 92, 93, 94, 96, 123, 124, 125, 126};
    QString everyUnit;
    for (int unit = 0; unit < 0x10000; ++unit) {
        const QString text(QChar(static_cast<char16_t>(unit)));
        QString expected = text;
        if (unit == 32)
            expected = u"+"_s;
        else if (unit < 32 || (unit >= 128 && unit <= 255) || listed.contains(unit))
            expected = u'%' + u"%1"_s.arg(unit, 2, 16, QChar(u'0'));
        QCOMPARE(CParameterString::Escape(text), expected);
        QCOMPARE(CParameterString::Unescape(expected), text);
        everyUnit += text;
    }
    QCOMPARE(CParameterString::Escape(u";\t"_s), u"%3b%09"_s);
    QCOMPARE(CParameterString::Unescape(CParameterString::Escape(everyUnit)), everyUnit);
}

void TestParameterStrings::pairsAreWrittenInCodeUnitOrderOfKeys()
{
    CParameterString pairs;
    pairs.Add(u"b"_s, u"2"_s);
    pairs.Add(u"\uffff"_s, u"max"_s);
    pairs.Add(u"\U00010000"_s, u"surrogates"_s); // 0xD800 0xDC00: before U+FFFF by code unit
    pairs.Add(u"B"_s);
    pairs.Add(u"b"_s, u"1"_s);
    QCOMPARE(pairs.ToString(), u"B&b=2&b=1&\U00010000=surrogates&\uffff=max"_s);
}

void TestParameterStrings::readingTokens_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QStringList>("values");
    QTest::addColumn<int>("pairs");

    QTest::newRow("key without =") << u"flags&x=1"_s << u"flags"_s << QStringList{QString()} << 2;
    QTest::newRow("two = drop the token") << u"a=b=c&x=1"_s << u"a"_s << QStringList() << 1;
    QTest::newRow("empty parts skipped")
        << u"&&=a==1\r\n\nb"_s << u"a"_s << QStringList{u"1"_s} << 2;
    QTest::newRow("first pair first")
        << u"k=2&K=0&k=1"_s << u"k"_s << QStringList{u"2"_s, u"1"_s} << 3;
    QTest::newRow("escaped separators")
        << u"k%3d=a%26b+c%3B"_s << u"k="_s << QStringList{u"a&b c;"_s} << 1;
    QTest::newRow("% at the end") << u"k=ab%"_s << u"k"_s << QStringList{u"ab%"_s} << 1;
    QTest::newRow("%4 at the end") << u"k=ab%4"_s << u"k"_s << QStringList{u"ab%4"_s} << 1;
    QTest::newRow("% without hex") << u"k=%zz%4g"_s << u"k"_s << QStringList{u"%zz%4g"_s} << 1;
}

void TestParameterStrings::readingTokens()
{
    QFETCH(QString, text);
    QFETCH(QString, key);
    QFETCH(QStringList, values);
    QFETCH(int, pairs);
    const CParameterString read = CParameterString::Parse(text);
    QCOMPARE(static_cast<int>(read.Count()), pairs);
    QCOMPARE(read.Contains(key), !values.isEmpty());
    QCOMPARE(read.Values(key), values);
    QCOMPARE(read.Value(key), values.value(0));
}

void TestParameterStrings::randomPairsRoundTrip()
{
    QRandomGenerator random(20240611);
    for (int round = 0; round < 200; ++round) {
        CParameterString written;
        QList<std::pair<QString, QString>> pairs;
        for (int i = random.bounded(1, 6); i > 0; --i) {
            pairs.append({RandomText(random, 6),
                          random.bounded(4) == 0 ? QString() : RandomText(random, 8)});
            written.Add(pairs.last().first, pairs.last().second);
        }
        const CParameterString read = CParameterString::Parse(written.ToString());
        QCOMPARE(read.Count(), pairs.size());
        for (const auto& [key, value] : pairs)
            QVERIFY(read.Values(key).contains(value));
    }
}

void TestParameterStrings::driveStrings()
{
    CCadence::CScheduleData record =
        DriveRecord(CCadence::kDaily, CCadence::kOnlinePass | CCadence::kOfflinePass,
                    CCadence::kMethodDefragOnly);
    record.allDrives = true;
    record.settings.offlineOptions = 3;
    record.settings.freeSpaceConsolidation = true; // no sub-option: not written
    QCOMPARE(CEngineParameters::FromRecord(record).DriveString(),
             u"flags=ds&method=offline&method=defrag&volumes=ALLDRIVES"_s);

    record = DriveRecord(CCadence::kOneTime, CCadence::kOnlinePass, CCadence::kMethodTierLayout);
    record.drives = {L"C", L"D"};
    record.settings.offlineOptions = 7; // without the offline pass: no flags
    record.settings.option = 2;
    QCOMPARE(CEngineParameters::FromRecord(record).DriveString(),
             u"method=tl&option=auto&volumes=C%3bD"_s);

    record.drives = {L"C", L"My Disk"};
    record.settings.offlineOptions = 0;
    record.settings.freeSpaceConsolidation = true;
    record.settings.freeSpaceOptions = 3;
    CCadence::CScheduleData read;
    QString text;
    QCOMPARE(RoundTrip(record, &read, &text), S_OK);
    QCOMPARE(text, u"fsoptions=bt&fspace=y&method=tl&option=auto&volumes=C%3bMy+Disk"_s);
    QCOMPARE(read.drives, (TStringList{L"C", L"My Disk"}));
    QCOMPARE(read.settings, record.settings);

    // Both passes of the screen saver: the offline pass is never written for it.
    record = DriveRecord(CCadence::kScreenSaver, CCadence::kOnlinePass | CCadence::kOfflinePass,
                         CCadence::kMethodDriveDefault);
    record.allDrives = true;
    QCOMPARE(CEngineParameters::FromRecord(record).ScreenSaverString(),
             u"method=default&volumes=ALLDRIVES&interval=3"_s);

    // "Analyze Only" with the online pass alone writes no method and cannot be read back.
    record = DriveRecord(CCadence::kWeekly, CCadence::kOnlinePass, CCadence::kMethodAnalyzeOnly);
    record.allDrives = true;
    read = CCadence::CScheduleData();
    QCOMPARE(RoundTrip(record, &read, &text), E_INVALIDARG);
    QCOMPARE(text, u"volumes=ALLDRIVES"_s);
    QCOMPARE(read.settings.type, 0u);

    // Values compared without regard to case where the agent allows it; several methods: the
    // highest bit wins.
    CEngineParameters parameters;
    QCOMPARE(CEngineParameters::Read(101,
                                     u"fspace=Y&volumes=alldrives&method=cfs&method=defrag"
                                     u"&option=Parallel&flags=xp",
                                     &parameters),
             S_OK);
    read = CCadence::CScheduleData();
    QCOMPARE(parameters.ApplyTo(101, &read), S_OK);
    QVERIFY(read.allDrives);
    QVERIFY(read.settings.freeSpaceConsolidation);
    QCOMPARE(read.settings.method, quint32{CCadence::kMethodConsolidateFreeSpace});
    QCOMPARE(read.settings.passes, quint32{CCadence::kOnlinePass});
    QCOMPARE(read.settings.option, 0u);
    QCOMPARE(read.settings.offlineOptions, 4u);

    // 106 keeps only the drives: a daily schedule.
    QCOMPARE(CEngineParameters::Read(106, u"volumes=E,F;G"_s, &parameters), S_OK);
    QCOMPARE(parameters.ApplyTo(106, &read), S_OK);
    QCOMPARE(read.settings.type, quint32{CCadence::kDaily});
    QCOMPARE(read.drives, (TStringList{L"E", L"F", L"G"}));
}

void TestParameterStrings::driveStringReadFailuresLeaveTheRecord_data()
{
    QTest::addColumn<uint>("code");
    QTest::addColumn<QString>("text");

    QTest::newRow("no volumes") << 101u << u"method=tl"_s;
    QTest::newRow("empty drive list") << 102u << u"volumes=%3b,&method=tl"_s;
    QTest::newRow("no method") << 103u << u"volumes=C&flags=d"_s;
    QTest::newRow("no interval") << 104u << u"volumes=C&method=tl"_s;
    QTest::newRow("interval 0") << 104u << u"volumes=C&method=tl&interval=0.01"_s;
    QTest::newRow("no timeout") << 105u << u"volumes=C&method=tl&interval=1"_s;
    QTest::newRow("timeout 0") << 105u << u"volumes=C&method=tl&interval=1&timeout=0"_s;
    QTest::newRow("no programs") << 105u
                                 << u"volumes=C&method=tl&interval=1&timeout=5"
                                    u"&processes=;"_s;
    QTest::newRow("bad windows") << 105u
                                 << u"volumes=C&method=tl&interval=1&timeout=5"
                                    u"&exclude=1:2:3"_s;
    QTest::newRow("106 without volumes") << 106u << u"method=tl"_s;
    QTest::newRow("not a drive code") << 201u << u"volumes=C&method=tl"_s;
}

void TestParameterStrings::driveStringReadFailuresLeaveTheRecord()
{
    QFETCH(uint, code);
    QFETCH(QString, text);
    CEngineParameters parameters;
    parameters.drives = QStringList{u"kept"_s};
    QCOMPARE(CEngineParameters::Read(code, text, &parameters), E_INVALIDARG);
    QCOMPARE(parameters, [] {
        CEngineParameters kept;
        kept.drives = QStringList{u"kept"_s};
        return kept;
    }());
}

void TestParameterStrings::intervalsInDays()
{
    QCOMPARE(CEngineParameters::IntervalDays(72), u"3"_s);
    QCOMPARE(CEngineParameters::IntervalDays(1), u"0.0416667"_s);
    quint32 hours = 0;
    QCOMPARE(CEngineParameters::ReadIntervalDays(u"3", &hours), S_OK);
    QCOMPARE(hours, 72u);
    QCOMPARE(CEngineParameters::ReadIntervalDays(u"0.0416667", &hours), S_OK);
    QCOMPARE(hours, 1u);
    for (const QString& bad : {u"0"_s, u"-2"_s, u"x"_s, u""_s, u"nan"_s, u"1e300"_s})
        QCOMPARE(CEngineParameters::ReadIntervalDays(bad, &hours), E_INVALIDARG);
    QCOMPARE(hours, 1u);
}

void TestParameterStrings::quietWatchString()
{
    CCadence::CScheduleData record =
        DriveRecord(CCadence::kQuietWatch, CCadence::kOnlinePass, CCadence::kMethodDefragOnly);
    record.allDrives = true;
    record.settings.interval = 24;
    record.settings.idleMinutes = 10;
    record.settings.excludedPrograms = {L"a b.exe", L"c.exe"};
    record.settings.exclusionWindows = {{45000.5, 2, 7}, {45001.25, 1, 0}};
    CCadence::CScheduleData read;
    QString text;
    QCOMPARE(RoundTrip(record, &read, &text), S_OK);
    QCOMPARE(text, u"method=defrag&volumes=ALLDRIVES&interval=1&timeout=10&processes=a b.exe;"
                   u"c.exe&exclude=45000.500000000000:2:7;45001.250000000000:1:0"_s);
    QCOMPARE(read.settings, record.settings);
    QCOMPARE(read.settings.exclusionWindows, record.settings.exclusionWindows);

    record.settings.excludedPrograms.clear();
    record.settings.exclusionWindows.clear();
    QCOMPARE(RoundTrip(record, &read, &text), S_OK);
    QVERIFY(text.endsWith(u"&timeout=10&exclude="_s));
    QVERIFY(read.settings.excludedPrograms.empty());
    QVERIFY(read.settings.exclusionWindows.empty());
}

void TestParameterStrings::exclusionWindows()
{
    CScheduleSettings::TExclusionWindows windows{{1.5, 2, 3}};
    QCOMPARE(CExclusionWindowsText::Write(windows), u"1.500000000000:2:3"_s);
    QCOMPARE(CExclusionWindowsText::Read(u"", &windows), S_OK);
    QVERIFY(windows.empty());
    QCOMPARE(CExclusionWindowsText::Read(u"1.5:2:3;44000.75:24:1", &windows), S_OK);
    QCOMPARE(windows, (CScheduleSettings::TExclusionWindows{{1.5, 2, 3}, {44000.75, 24, 1}}));
    for (const QString& bad : {u"1.5:2:3;"_s, u"1:2:3"_s, u"1.5:2"_s, u";1.5:2:3"_s, u"1.5:2:3x"_s,
                               u"1.5:99999999999:3"_s, u"\u0661.5:2:3"_s})
        QCOMPARE(CExclusionWindowsText::Read(bad, &windows), E_INVALIDARG);
    QCOMPARE(windows.size(), 2u);
}

void TestParameterStrings::exchangeAndGuestStrings()
{
    CCadence::CExScheduleData exchange;
    exchange.dataStores = {{L"First SG", L"DB1"}, {L"SG2", L"DB|2"}};
    const QString exchangeText = CExchangeGuestParameters::ExchangeString(exchange);
    QCOMPARE(exchangeText, u"datastores=First+SG%7cDB1%3bSG2%7cDB%7c2"_s);
    bool all = true;
    CCadence::CExScheduleData::TDataStores stores;
    QCOMPARE(CExchangeGuestParameters::ReadExchangeString(exchangeText, &all, &stores), S_OK);
    QVERIFY(!all);
    QCOMPARE(stores, exchange.dataStores);
    exchange.allDataStores = true;
    QCOMPARE(CExchangeGuestParameters::ExchangeString(exchange), u"datastores=ALLDATASTORES"_s);
    for (const QString& bad : {u"datastores=SG"_s, u"datastores=%3b"_s, u"stores=SG%7cDB"_s})
        QCOMPARE(CExchangeGuestParameters::ReadExchangeString(bad, &all, &stores), E_INVALIDARG);
    QCOMPARE(stores.size(), 2u);

    CCadence::CVmScheduleData guests;
    CCadence::CVmScheduleData::TGuest web;
    web.name = L"web|1";
    web.options = {4, 3, 2, 1};
    guests.guests = {web};
    const QString guestText = CExchangeGuestParameters::GuestString(guests);
    QCOMPARE(guestText, u"Virtual+Machines=web%7c1%7c16909060"_s);
    CCadence::CVmScheduleData::TGuests read;
    QCOMPARE(CExchangeGuestParameters::ReadGuestString(guestText, &read), S_OK);
    QCOMPARE(read, guests.guests);
    for (const QString& bad : {u"Virtual+Machines=web"_s, u"Virtual+Machines=web%7cx"_s,
                               u"Virtual+Machines=%3b"_s, u"Virtual Machines=web%7c99999999999"_s})
        QCOMPARE(CExchangeGuestParameters::ReadGuestString(bad, &read), E_INVALIDARG);
    QCOMPARE(read, guests.guests);
}

void TestParameterStrings::randomRecordsRoundTrip()
{
    // What survives the text: the text written from the record read back is the text first
    // written, and the fields every kind keeps in its text are equal.
    QRandomGenerator random(4711);
    for (int round = 0; round < 300; ++round) {
        CCadence::CScheduleData record =
            DriveRecord(random.bounded(1, 6), random.bounded(1, 4), random.bounded(5));
        // Without a method pair nothing is readable.
        if (record.IsSpecial()) {
            record.settings.passes = CCadence::kOnlinePass;
            if (record.IsAnalyseOnly())
                record.settings.method = CCadence::kMethodDriveDefault;
        } else if (record.IsAnalyseOnly()) {
            record.settings.passes |= CCadence::kOfflinePass;
        }
        record.settings.freeSpaceConsolidation = random.bounded(2) == 1;
        record.settings.freeSpaceOptions = random.bounded(4);
        record.settings.offlineOptions = random.bounded(8);
        record.settings.option = random.bounded(3);
        record.settings.interval = random.bounded(1, 24 * 400);
        record.settings.idleMinutes = random.bounded(1, 600);
        record.allDrives = random.bounded(3) == 0;
        for (int i = random.bounded(1, 4); !record.allDrives && i > 0; --i) {
            QString drive = RandomText(random, 5);
            drive.remove(u';').remove(u',');
            record.drives.push_back((drive.isEmpty() ? u"C"_s : drive).toStdWString());
        }
        if (record.IsQuietWatch()) {
            for (int i = random.bounded(3); i > 0; --i)
                record.settings.excludedPrograms.push_back(
                    RandomText(random, 8, u"abcXYZ019 ._-").toStdWString());
            for (int i = random.bounded(3); i > 0; --i)
                record.settings.exclusionWindows.push_back(
                    {random.bounded(1, 60000) + random.bounded(86400) / 86400.0,
                     static_cast<quint32>(random.bounded(100)),
                     static_cast<quint32>(random.bounded(100))});
        }

        CCadence::CScheduleData read;
        QString written;
        QCOMPARE(RoundTrip(record, &read, &written), S_OK);
        QString again;
        CCadence::CScheduleData readAgain;
        QCOMPARE(RoundTrip(read, &readAgain, &again), S_OK);
        QCOMPARE(again, written);
        QCOMPARE(read.allDrives, record.allDrives);
        QCOMPARE(read.drives, record.drives);
        QCOMPARE(read.settings.option, record.settings.option);
        QCOMPARE(read.settings.type, record.settings.type);
        if (record.IsSpecial())
            QCOMPARE(read.settings.interval, record.settings.interval);
        if (record.IsQuietWatch()) {
            QCOMPARE(read.settings.excludedPrograms, record.settings.excludedPrograms);
            QCOMPARE(read.settings.idleMinutes, record.settings.idleMinutes);
        }
    }
}

QTEST_GUILESS_MAIN(TestParameterStrings)
#include "tst_ParameterStrings.moc"
