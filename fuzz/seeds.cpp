// Writes the seed corpora of the fuzz targets: a few small valid inputs per target, made with the
// console's own encoders, as FOLDER/<target>/seed-<name>. Usage: kv_fuzz_seeds FOLDER
// (scripts/fuzz --seeds writes them into fuzz/corpus).

#include "PropertyBagText.h"

#include "core/COleDate.h"
#include "engine/CNoticeOwners.h"
#include "engine/CStatisticsBlock.h"
#include "engine/CStatisticsBlockWriter.h"
#include "engine/NoticeTypes.h"
#include "notify/CNoticeWriter.h"
#include "platform/instance/CInstanceFrame.h"
#include "platform/registry/CRegistryFileFormat.h"
#include "platform/registry/CRegistryHive.h"
#include "platform/registry/CSettings.h"
#include "schedule/CEngineParameters.h"
#include "schedule/CExchangeGuestParameters.h"
#include "schedule/CExclusionWindowsText.h"
#include "schedule/CScheduleDataFileIO.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QRect>
#include <QSize>
#include <QTimeZone>
#include <QtEndian>

#include <cstdio>

namespace {

QString g_folder;
bool g_failed = false;

void Seed(const char* target, const char* name, const QByteArray& bytes)
{
    const QString folder = g_folder + u'/' + QLatin1String(target);
    QFile file(folder + QStringLiteral("/seed-") + QLatin1String(name));
    if (!QDir().mkpath(folder) || !file.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
        file.write(bytes) != bytes.size()) {
        std::fprintf(stderr, "kv_fuzz_seeds: cannot write %s\n", qPrintable(file.fileName()));
        g_failed = true;
    }
}

QByteArray Utf16(const QString& text)
{
    return QByteArray(reinterpret_cast<const char*>(text.utf16()), text.size() * 2);
}

QByteArray Selected(int selector, const QByteArray& rest)
{
    return QByteArray(1, static_cast<char>(selector)) + rest;
}

// notices: the owner's number, then per message a u16 length and the message (sequence number
// and body), as the fuzz target reads them.
QByteArray NoticeMessages(const QString& owner, const QList<CNoticeWriter>& notices)
{
    QByteArray input(1, static_cast<char>(CNoticeOwners::Kinds().indexOf(owner)));
    quint32 sequence = 0;
    for (const CNoticeWriter& notice : notices) {
        QByteArray message(4, Qt::Uninitialized);
        qToLittleEndian(sequence++, message.data());
        message.append(notice.Body());
        char length[2];
        qToLittleEndian(static_cast<quint16>(message.size()), length);
        input.append(length, 2).append(message);
    }
    return input;
}

void Notices()
{
    const QString volume = QStringLiteral("{6f1c0a52-3e1d-4d8a-9c1b-2b7e5f0a9d13}");
    Seed(
        "notices", "engine",
        NoticeMessages(
            u"engine"_qs,
            {CNoticeWriter().U32(NoticeType::EngineOpStarted).String(volume),
             CNoticeWriter().U32(NoticeType::EngineStatus).String(volume).U32(3).F64(42.5).F64(100),
             CNoticeWriter()
                 .U32(NoticeType::EngineWorkingMessage)
                 .String(volume)
                 .F64(50)
                 .String(u"Moving files"_qs),
             CNoticeWriter().U32(NoticeType::EngineBitmap).String(volume).U8(2).U32(4096).U32(512),
             CNoticeWriter().U32(NoticeType::EngineFragmentation).String(volume).F64(12.5),
             CNoticeWriter().U32(NoticeType::EngineOpCompleted).String(volume)}));
    Seed("notices", "agent",
         NoticeMessages(u"agent"_qs,
                        {CNoticeWriter()
                             .U32(NoticeType::AgentScheduleStarted)
                             .String(u"Weekly"_qs)
                             .String(volume),
                         CNoticeWriter().U32(NoticeType::AgentResources).F64(12.5).F64(3.25),
                         CNoticeWriter()
                             .U32(NoticeType::AgentScheduleStopped)
                             .String(u"Weekly"_qs)
                             .String(volume)}));
    const QList<CNoticeWriter> tool = {
        CNoticeWriter().U32(NoticeType::ToolState).U32(1),
        CNoticeWriter().U32(NoticeType::ToolProgress).String(u"Scanning /home"_qs).F64(33),
        CNoticeWriter()
            .U32(NoticeType::ToolCounts)
            .U32(1)
            .U32(2)
            .U32(3)
            .U32(4)
            .String(u"4 files"_qs),
        CNoticeWriter().U32(NoticeType::ToolItem).U32(1).U32(2).U32(3).String(u"/home/a.txt"_qs),
        CNoticeWriter().U32(NoticeType::ToolPercentMessage).U32(50).String(u"Half"_qs),
        CNoticeWriter().U32(NoticeType::ToolMessage).U32(7).String(u"Done"_qs),
        CNoticeWriter().U32(NoticeType::ToolFailure).U32(0x80070005u)};
    Seed("notices", "duplicates", NoticeMessages(u"duplicates"_qs, tool));
    Seed("notices", "cleaner", NoticeMessages(u"cleaner"_qs, tool));
    Seed("notices", "exchange",
         NoticeMessages(u"exchange"_qs, {CNoticeWriter()
                                             .U32(NoticeType::ExchangeOperation)
                                             .String(u"First Storage Group"_qs)
                                             .String(u"Mailbox Store"_qs)
                                             .String(u"Compacting"_qs)
                                             .U32(ExchangeStatus::Compacting)
                                             .U32(40)
                                             .U32(0),
                                         CNoticeWriter()
                                             .U32(NoticeType::ExchangeOutput)
                                             .String(u"Defragmentation complete."_qs),
                                         CNoticeWriter()
                                             .U32(NoticeType::ExchangeStatistics)
                                             .String(u"First Storage Group"_qs)
                                             .String(u"Mailbox Store"_qs)
                                             .String(u"00:01:02"_qs)
                                             .String(u"00:05:00"_qs)
                                             .String(u"/srv/exchange/priv1.edb"_qs)
                                             .F64(2048)
                                             .F64(1536)
                                             .F64(25)
                                             .String(u"/srv/backup"_qs)}));
    const QString guest = QStringLiteral("/var/lib/vms/guest.xml");
    Seed("notices", "vm",
         NoticeMessages(u"vm"_qs,
                        {CNoticeWriter().U32(NoticeType::VmOpStarted),
                         CNoticeWriter().U32(NoticeType::VmGuestStarted).String(guest),
                         CNoticeWriter()
                             .U32(NoticeType::VmGuestProgress)
                             .String(guest)
                             .F64(40)
                             .String(u"Defragmenting"_qs)
                             .F64(30),
                         CNoticeWriter()
                             .U32(NoticeType::VmDiskFailed)
                             .String(guest)
                             .String(u"disk0.vhd"_qs)
                             .U32(0x80004005u)
                             .String(u"Failed"_qs),
                         CNoticeWriter()
                             .U32(NoticeType::VmGuestCompleted)
                             .String(guest)
                             .I64(1 << 30)
                             .I64(1 << 29),
                         CNoticeWriter().U32(NoticeType::VmHostProgress).F64(80).String(u"Host"_qs),
                         CNoticeWriter().U32(NoticeType::VmOpFinished)}));
    const QString set = QStringLiteral("set-1");
    Seed("notices", "spacereports",
         NoticeMessages(
             u"spacereports"_qs,
             {CNoticeWriter().U32(NoticeType::SpaceReportStarted).String(set),
              CNoticeWriter().U32(NoticeType::SpaceReportProgress).String(set).F64(0.5),
              CNoticeWriter().U32(NoticeType::SpaceReportFailed).String(set).U32(0x80070002u),
              CNoticeWriter().U32(NoticeType::SpaceReportCompleted).String(set)}));
}

void StatisticsBlocks()
{
    Seed("statistics_block", "analysis",
         CStatisticsBlockWriter(CStatisticsBlock::kAnalysis).Bytes());
    Seed("statistics_block", "online", CStatisticsBlockWriter(CStatisticsBlock::kOnline).Bytes());
    Seed("statistics_block", "offline", CStatisticsBlockWriter(CStatisticsBlock::kOffline).Bytes());
    Seed("statistics_block", "zeroed",
         CStatisticsBlockWriter(CStatisticsBlock::kAnalysis, CStatisticsBlockWriter::TStart::Zeroed)
             .Bytes());
}

void StatisticsHistory()
{
    const QChar entry(0x1E);
    const QChar field(0x1F);
    const QString log = u"2"_qs + entry + u"45000.5"_qs + field + u"Agent"_qs + field + u"4"_qs +
                        field + u"1001"_qs + field + u"Schedule Weekly started"_qs + entry +
                        u"45001.25"_qs + field + u"Engine"_qs + field + u"1"_qs + field +
                        u"2002"_qs + field + u"Pass failed"_qs;
    Seed("statistics_history", "log-text", Selected(0, Utf16(log)));

    DBusContract::TPropertyBag logBag;
    logBag[u"/"_qs] = {{u"NumLogPoints"_qs, 1}, {u"TotalAvailableLogPoints"_qs, 3}};
    logBag[u"/1"_qs] = {{u"LogTime"_qs, 45000.5},
                        {u"Source"_qs, u"Agent"_qs},
                        {u"EventType"_qs, 4},
                        {u"EventId"_qs, 1001},
                        {u"Message"_qs, u"Schedule started"_qs}};
    Seed("statistics_history", "log-bag", Selected(1, Utf16(PropertyBagText::Write(logBag))));

    DBusContract::TPropertyBag statistics;
    statistics[u"/"_qs] = {{u"NumStatPoints"_qs, 2}};
    for (int n = 1; n <= 2; ++n) {
        const QString number = QString::number(n);
        statistics[u"/Fragmented/"_qs + number] = {
            {u"Date"_qs, 45000.0 + n}, {u"Before"_qs, 12.5}, {u"After"_qs, 1.5}};
        statistics[u"/FreeSpaceFragmentation/"_qs + number] = {{u"Before"_qs, u"40"_qs},
                                                               {u"After"_qs, 10}};
        statistics[u"/Performance/"_qs + number] = {{u"Before"_qs, 60.0}, {u"After"_qs, 95u}};
    }
    Seed("statistics_history", "statistics-bag",
         Selected(2, Utf16(PropertyBagText::Write(statistics))));

    DBusContract::TPropertyBag freeSpace;
    freeSpace[u"/"_qs] = {{u"NumFreeSpaceStatPoints"_qs, 1}};
    freeSpace[u"/FreeSpace/1"_qs] = {{u"StatsDate"_qs, 45000.5},
                                     {u"FreeSpaceBefore"_qs, qint64(1) << 33},
                                     {u"FreeSpaceAfter"_qs, qint64(1) << 34},
                                     {u"TotalSize"_qs, qint64(1) << 36}};
    Seed("statistics_history", "free-space-bag",
         Selected(3, Utf16(PropertyBagText::Write(freeSpace))));
}

void ScheduleTemplates()
{
    CCadence::CScheduleData drive;
    drive.name = L"Weekly drives";
    drive.settings.type = CCadence::kDaily;
    drive.settings.start = 45000.75;
    drive.settings.excludedPrograms = {L"backup", L"indexer"};
    drive.drives = {L"{6f1c0a52-3e1d-4d8a-9c1b-2b7e5f0a9d13}"};
    Seed("schedule_template", "drive",
         Selected(0, CScheduleDataFileIO<CCadence::CScheduleData>::Encode(drive)));
    Seed("schedule_template", "drive-default",
         Selected(0,
                  CScheduleDataFileIO<CCadence::CScheduleData>::Encode(CCadence::CScheduleData())));

    CCadence::CExScheduleData exchange;
    exchange.name = L"Stores";
    exchange.dataStores = {{L"First Storage Group", L"Mailbox Store"}};
    Seed("schedule_template", "exchange",
         Selected(1, CScheduleDataFileIO<CCadence::CExScheduleData>::Encode(exchange)));

    CCadence::CVmScheduleData guests;
    guests.name = L"Guests";
    CCadence::CVmScheduleData::TGuest guest;
    guest.name = L"/var/lib/vms/guest.xml";
    guest.SetGuestValue(0x01000101);
    guests.guests = {guest};
    Seed("schedule_template", "guest",
         Selected(2, CScheduleDataFileIO<CCadence::CVmScheduleData>::Encode(guests)));
}

void ParameterStrings()
{
    CEngineParameters drive;
    drive.driveSelection = CEngineParameters::kDriveList;
    drive.drives = {u"{6f1c0a52-3e1d-4d8a-9c1b-2b7e5f0a9d13}"_qs, u"/media/data"_qs};
    drive.freeSpaceConsolidation = 1;
    drive.freeSpaceOptions = 3;
    drive.option = 2;
    drive.offlineFlags = 5;
    drive.methodFlags = CEngineParameters::kMethodOffline | CEngineParameters::kMethodDefrag;
    drive.intervalHours = 72;
    drive.timeoutMinutes = 10;
    drive.processes = {u"backup"_qs, u"indexer"_qs};
    drive.exclusionWindows = {{45000.5, 2, 7}};
    CParameterString pairs;
    pairs.Add(u"volumes"_qs, u"ALLDRIVES"_qs);
    pairs.Add(u"note"_qs, u"a b&c=d%"_qs);
    pairs.Add(u"flag"_qs);
    Seed("parameter_strings", "pairs", Selected(0, Utf16(pairs.ToString())));

    CCadence::CExScheduleData exchange;
    exchange.dataStores = {{L"First Storage Group", L"Mailbox Store"}, {L"Second", L"Public"}};
    Seed("parameter_strings", "exchange",
         Selected(1, Utf16(CExchangeGuestParameters::ExchangeString(exchange))));
    CCadence::CVmScheduleData guests;
    CCadence::CVmScheduleData::TGuest guest;
    guest.name = L"/var/lib/vms/guest|1.xml";
    guest.SetGuestValue(0x00010001);
    guests.guests = {guest};
    Seed("parameter_strings", "guest",
         Selected(2, Utf16(CExchangeGuestParameters::GuestString(guests))));
    Seed("parameter_strings", "interval", Selected(3, Utf16(CEngineParameters::IntervalDays(1))));
    Seed("parameter_strings", "drive", Selected(4, Utf16(drive.DriveString())));
    Seed("parameter_strings", "screensaver", Selected(7, Utf16(drive.ScreenSaverString())));
    Seed("parameter_strings", "quietwatch", Selected(8, Utf16(drive.QuietWatchString())));
    Seed("parameter_strings", "volumes", Selected(9, Utf16(drive.DriveString())));
}

void ExclusionWindows()
{
    Seed("exclusion_windows", "two",
         Utf16(CExclusionWindowsText::Write({{45000.5, 2, 7}, {45001.041666666667, 1, 0}})));
}

void Catalogue()
{
    const QString text =
        u"#KVHOME_TRANSLATION_FILE\r\n"_qs
        u"\"Analyze\"\t\"Analysieren\"\t\"CDefragTab\"\r\n"_qs
        u"\"Failure for (%1), %2 (%3)\"\t\"Fehler bei (%1), %2 (%3)\"\t\"CVmView\"\r\n"_qs
        u"\"Line\\nbreak\\t\\\"q\\\"\"\t\"Zeilen\\numbruch\"\t\"\"\r\n"_qs;
    Seed("translation_catalog", "catalogue", QByteArray("\xFF\xFE", 2) + Utf16(text));
}

void MessageTemplates()
{
    const QString zero(QChar(u'\0'));
    Seed("message_template", "three",
         Utf16(u"Failure for (%1), %2 (%3) %% %4 %10"_qs + zero + u"disk0"_qs + zero +
               u"Access %1 denied"_qs + zero + u"5"_qs));
}

void ConfigIni()
{
    Seed(
        "config_ini", "user-interface",
        "; written by the administrator\r\n[UserInterface]\r\nAllowLaunch = 1\r\nAllowAnalyze=0\r\n"
        "AllowOnlineDefrag = -1\r\n# comment\r\n[[Other]]\nKey=Value=More\n");
}

void RegistryFile()
{
    CRegistryHive hive;
    const QString key = u"Software\\Tellmar\\Korvane"_qs;
    hive.SetValue(key, u"Text"_qs, CRegistryValue::FromString(u"say \"hi\" \\ there"_qs));
    hive.SetValue(key, u""_qs, CRegistryValue::FromDWord(1));
    hive.SetValue(key, u"Path"_qs, CRegistryValue::FromString(u"%HOME%/x"_qs, REG_EXPAND_SZ));
    hive.SetValue(key, u"List"_qs, CRegistryValue::FromMultiString({u"a"_qs, u"b"_qs}));
    hive.SetValue(key, u"Big"_qs, CRegistryValue::FromQWord(Q_UINT64_C(0x123456789)));
    hive.SetValue(key + u"\\Sub"_qs, u"Blob"_qs,
                  CRegistryValue::FromBinary(QByteArray(40, '\x7f')));
    hive.SetValue(key + u"\\Sub"_qs, u"Lines"_qs, CRegistryValue::FromString(u"one\ntwo"_qs));
    Seed("registry_file", "hive", CRegistryFileFormat::Write(HKEY_CURRENT_USER, hive));
}

void SettingsValues()
{
    // The type's place in the target's table: REG_SZ 0, REG_MULTI_SZ 2, REG_DWORD 3, REG_QWORD 4,
    // REG_BINARY 5.
    const auto seed = [](const char* name, int selector, const QVariant& value) {
        bool ok = false;
        const CRegistryValue stored = CSettings::ToRegistryValue(value, &ok);
        if (!ok) {
            std::fprintf(stderr, "kv_fuzz_seeds: the settings cannot store %s\n", name);
            g_failed = true;
            return;
        }
        Seed("settings_value", name, Selected(selector, stored.Data()));
    };
    seed("size", 0, QSize(640, 480));
    seed("date-time", 0, QDateTime(QDate(2026, 12, 7), QTime(3, 4, 5), QTimeZone::utc()));
    seed("rectangle", 0, QRect(1, 2, 300, 400));
    seed("double", 0, 0.1);
    seed("at-text", 0, u"@at"_qs);
    seed("list", 2, QStringList{u"a"_qs, u"b"_qs});
    seed("number", 3, 42);
    seed("wide-number", 4, qlonglong(1) << 40);
    seed("bytes", 5, QByteArray("\x01\x02", 2));
}

void InstanceFrames()
{
    Seed("instance_frame", "terminate", CInstanceFrame::Encode(u"terminate"_qs));
    Seed("instance_frame", "connect", CInstanceFrame::Encode(u"/connect=server.example"_qs));
    Seed("instance_frame", "empty", CInstanceFrame::Encode(QString()));
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: kv_fuzz_seeds FOLDER\n");
        return 2;
    }
    g_folder = QFile::decodeName(argv[1]);
    Notices();
    StatisticsBlocks();
    StatisticsHistory();
    ScheduleTemplates();
    ParameterStrings();
    ExclusionWindows();
    Catalogue();
    MessageTemplates();
    ConfigIni();
    RegistryFile();
    SettingsValues();
    InstanceFrames();
    return g_failed ? 1 : 0;
}
