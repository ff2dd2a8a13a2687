#include "engine/CParameterString.h"
#include "schedule/CEngineParameters.h"
#include "schedule/CExchangeGuestParameters.h"
#include "schedule/CExclusionWindowsText.h"
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
    void readingTokens_data();
    void readingTokens();
    void driveStrings();
    void driveStringReadFailuresLeaveTheRecord_data();
    void driveStringReadFailuresLeaveTheRecord();
    void quietWatchStringAndWindows();
    void intervalDaysReadBack();
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

// Writes the record's text and reads it back into READ.
HRESULT RoundTrip(const CCadence::CScheduleData& record, CCadence::CScheduleData* read,
                  QString* text)
{
    const quint32 code = CScheduleCodes::Code(CScheduleCodes::TKind::Drive, record.settings.type);
    const CEngineParameters written = CEngineParameters::FromRecord(record);
    *text = code == CScheduleCodes::kQuietWatch    ? written.QuietWatchString()
            : code == CScheduleCodes::kScreenSaver ? written.ScreenSaverString()
                                                   : written.DriveString();
    CEngineParameters parameters;
    const HRESULT result = CEngineParameters::Read(code, *text, &parameters);
    return FAILED(result) ? result : parameters.ApplyTo(code, read);
}

QString RandomText(QRandomGenerator& random, int maxLength, QStringView alphabet = {})
{
    QString text;
    for (int i = 1 + random.bounded(maxLength); i > 0; --i)
        text += alphabet.isEmpty() ? QChar(static_cast<char16_t>(random.bounded(0x10000)))
                                   : alphabet[random.bounded(static_cast<int>(alphabet.size()))];
    return text;
}

} // namespace

void TestParameterStrings::escapingOfEveryCodeUnit()
{
    // Blanks as "+"; control units, 128..255 and the agent's punctuation as lower-case "%xx";
    // every other unit, those above 255 among them, as it is. Every unit reads back.
    QCOMPARE(CParameterString::Escape(u"a b;\t\u007f\u0080\u00e9\u00ff\u0100~`\"_.-!*()'"_s),
             u"a+b%3b%09\u007f%80%e9%ff\u0100%7e%60%22_.-!*()'"_s);
    QString everyUnit;
    for (int unit = 0; unit < 0x10000; ++unit)
        everyUnit += QChar(static_cast<char16_t>(unit));
    const QString escaped = CParameterString::Escape(everyUnit);
    QVERIFY(!escaped.contains(u' ') && !escaped.contains(u'&') && !escaped.contains(u'='));
    QCOMPARE(CParameterString::Unescape(escaped), everyUnit);

    // Pairs are written in the UTF-16 code-unit order of their keys, equal keys as added.
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
    QTest::newRow("% without hex") << u"k=%zz%4g"_s << u"k"_s << QStringList{u"%zz%4g"_s} << 1;
}

void TestParameterStrings::readingTokens()
{
    QFETCH(QString, text);
    QFETCH(QString, key);
    QFETCH(QStringList, values);
    const CParameterString read = CParameterString::Parse(text);
    QTEST(static_cast<int>(read.Count()), "pairs");
    QCOMPARE(read.Contains(key), !values.isEmpty());
    QCOMPARE(read.Values(key), values);
    QCOMPARE(read.Value(key), values.value(0));
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
    record.drives = {L"C", L"My Disk"};
    record.settings.offlineOptions = 7; // without the offline pass: no flags
    record.settings.option = 2;
    record.settings.freeSpaceConsolidation = true;
    record.settings.freeSpaceOptions = 3;
    CCadence::CScheduleData read;
    QString text;
    QCOMPARE(RoundTrip(record, &read, &text), S_OK);
    QCOMPARE(text, u"fsoptions=bt&fspace=y&method=tl&option=auto&volumes=C%3bMy+Disk"_s);
    QCOMPARE(read.drives, (TStringList{L"C", L"My Disk"}));
    record.settings.offlineOptions = 0;
    QCOMPARE(read.settings, record.settings);
    // A list of the one drive "ALLDRIVES" stays a list.
    record.drives = {L"alldrives"};
    QCOMPARE(RoundTrip(record, &read, &text), S_OK);
    QVERIFY(text.endsWith(u"&volumes=alldrives%3b"_s));
    QVERIFY(!read.allDrives);
    QCOMPARE(read.drives, (TStringList{L"alldrives"}));

    // "Analyze Only" with the online pass alone writes no method pair, as the agent does, and a
    // text without one reads back as that, for the special schedules too; "method=offline"
    // alone is the offline pass alone.
    record = DriveRecord(CCadence::kWeekly, CCadence::kOnlinePass, CCadence::kMethodAnalyzeOnly);
    record.allDrives = true;
    read = DriveRecord(0, CCadence::kOfflinePass, CCadence::kMethodDefragOnly);
    QCOMPARE(RoundTrip(record, &read, &text), S_OK);
    QCOMPARE(text, u"volumes=ALLDRIVES"_s);
    QCOMPARE(read.settings, record.settings);
    record.settings.type = CCadence::kQuietWatch;
    QCOMPARE(RoundTrip(record, &read, &text), S_OK);
    QCOMPARE(read.settings.method, quint32{CCadence::kMethodAnalyzeOnly});
    QCOMPARE(read.settings.passes, quint32{CCadence::kOnlinePass});
    CEngineParameters parameters;
    QCOMPARE(CEngineParameters::Read(101, u"volumes=C&method=offline", &parameters), S_OK);
    QCOMPARE(parameters.ApplyTo(101, &read), S_OK);
    QCOMPARE(read.settings.passes, quint32{CCadence::kOfflinePass});

    // Values compared without regard to case where the agent allows it; several methods: the
    // highest bit wins.
    QCOMPARE(CEngineParameters::Read(101,
                                     u"fspace=Y&volumes=alldrives&method=cfs&method=defrag"
                                     u"&option=Parallel&flags=xp",
                                     &parameters),
             S_OK);
    read = CCadence::CScheduleData();
    QCOMPARE(parameters.ApplyTo(101, &read), S_OK);
    QVERIFY(read.allDrives && read.settings.freeSpaceConsolidation);
    QCOMPARE(read.settings.method, quint32{CCadence::kMethodConsolidateFreeSpace});
    QCOMPARE(read.settings.passes, quint32{CCadence::kOnlinePass});
    QCOMPARE(read.settings.option, 0u);
    QCOMPARE(read.settings.offlineOptions, 4u);
}

void TestParameterStrings::driveStringReadFailuresLeaveTheRecord_data()
{
    QTest::addColumn<uint>("code");
    QTest::addColumn<QString>("text");
    const QString quietWatch = u"volumes=C&method=tl&interval=1&timeout=5"_s;
    QTest::newRow("no volumes") << 101u << u"method=tl"_s;
    QTest::newRow("empty drive list") << 102u << u"volumes=%3b,&method=tl"_s;
    QTest::newRow("no interval") << 104u << u"volumes=C&method=tl"_s;
    for (const QString& interval : {u"0.01"_s, u"-2"_s, u"x"_s, u""_s, u"nan"_s, u"1e300"_s})
        QTest::addRow("interval %s", qPrintable(interval))
            << 104u << u"volumes=C&method=tl&interval="_s + interval;
    QTest::newRow("no timeout") << 105u << u"volumes=C&method=tl&interval=1"_s;
    QTest::newRow("timeout 0") << 105u << u"volumes=C&method=tl&interval=1&timeout=0"_s;
    QTest::newRow("no programs") << 105u << quietWatch + u"&processes=;"_s;
    for (const QString& windows : {u"1.5:2:3;"_s, u"1:2:3"_s, u"1.5:2"_s, u";1.5:2:3"_s,
                                   u"1.5:99999999999:3"_s, u"\u0661.5:2:3"_s})
        QTest::addRow("windows %s", qPrintable(windows))
            << 105u << quietWatch + u"&exclude="_s + windows;
    QTest::newRow("106 without volumes") << 106u << u"method=tl"_s;
    QTest::newRow("not a drive code") << 201u << u"volumes=C&method=tl"_s;
}

void TestParameterStrings::driveStringReadFailuresLeaveTheRecord()
{
    QFETCH(uint, code);
    QFETCH(QString, text);
    CEngineParameters kept;
    kept.drives = QStringList{u"kept"_s};
    CEngineParameters parameters = kept;
    QCOMPARE(CEngineParameters::Read(code, text, &parameters), E_INVALIDARG);
    QCOMPARE(parameters, kept);
}

void TestParameterStrings::quietWatchStringAndWindows()
{
    CCadence::CScheduleData record =
        DriveRecord(CCadence::kQuietWatch, CCadence::kOnlinePass, CCadence::kMethodDefragOnly);
    record.allDrives = true;
    record.settings.interval = 72;
    record.settings.idleMinutes = 10;
    record.settings.excludedPrograms = {L"a b.exe", L"c.exe"};
    record.settings.exclusionWindows = {{45000.5, 2, 7}, {45001.25, 1, 0}};
    CCadence::CScheduleData read;
    QString text;
    QCOMPARE(RoundTrip(record, &read, &text), S_OK);
    // Programs and windows unescaped, windows without a trailing ";".
    QCOMPARE(text, u"method=defrag&volumes=ALLDRIVES&interval=3&timeout=10&processes=a b.exe;"
                   u"c.exe&exclude=45000.500000000000:2:7;45001.250000000000:1:0"_s);
    QCOMPARE(read.settings, record.settings);
    QCOMPARE(read.settings.exclusionWindows, record.settings.exclusionWindows);

    // The units the reader would misread are escaped; other names stay as they are.
    record.settings.excludedPrograms = {L"notepad++.exe", L"a&b=c%41.exe", L"line\r\nbreak"};
    QCOMPARE(RoundTrip(record, &read, &text), S_OK);
    QVERIFY(text.contains(u"&processes=notepad%2b%2b.exe;a%26b%3dc%2541.exe;line%0d%0abreak&"_s));
    QCOMPARE(read.settings.excludedPrograms, record.settings.excludedPrograms);

    record.settings.excludedPrograms.clear();
    record.settings.exclusionWindows.clear();
    QCOMPARE(RoundTrip(record, &read, &text), S_OK);
    QVERIFY(text.endsWith(u"&timeout=10&exclude="_s));
    QVERIFY(read.settings.excludedPrograms.empty() && read.settings.exclusionWindows.empty());
    QCOMPARE(CExclusionWindowsText::Read(u"1.5:2:3;44000.75:24:1", &read.settings.exclusionWindows),
             S_OK);
    QCOMPARE(read.settings.exclusionWindows,
             (CScheduleSettings::TExclusionWindows{{1.5, 2, 3}, {44000.75, 24, 1}}));
}

void TestParameterStrings::intervalDaysReadBack()
{
    QCOMPARE(CEngineParameters::IntervalDays(72), u"3"_s);
    QCOMPARE(CEngineParameters::IntervalDays(1), u"0.0416667"_s);
    QCOMPARE(CEngineParameters::IntervalDays(240001), u"10000.04"_s);
    // Every interval reads back as itself, the longest included.
    for (quint32 hours : {1u, 23u, 239999u, 240001u, 1000003u, 4294967294u, 4294967295u}) {
        quint32 read = 0;
        QCOMPARE(CEngineParameters::ReadIntervalDays(CEngineParameters::IntervalDays(hours), &read),
                 S_OK);
        QCOMPARE(read, hours);
    }
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
    guests.guests = {{L"web|1", {4, 3, 2, 1}, 0}};
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
    // Every record reads back: the text written from the record read is the text first
    // written, and the fields every kind keeps in its text are equal.
    QRandomGenerator random(4711);
    for (int round = 0; round < 300; ++round) {
        CCadence::CScheduleData record =
            DriveRecord(random.bounded(1, 6), random.bounded(1, 4), random.bounded(5));
        // The special schedules never run the offline pass, and read back without it.
        if (record.IsSpecial())
            record.settings.passes = CCadence::kOnlinePass;
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
        for (int i = record.IsQuietWatch() ? random.bounded(3) : 0; i > 0; --i)
            record.settings.excludedPrograms.push_back(
                RandomText(random, 8, u"abcXYZ019 ._-").toStdWString());

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
        QCOMPARE(read.settings.excludedPrograms, record.settings.excludedPrograms);
        QVERIFY(!record.IsSpecial() || read.settings.interval == record.settings.interval);
    }
}

QTEST_GUILESS_MAIN(TestParameterStrings)
#include "tst_ParameterStrings.moc"
