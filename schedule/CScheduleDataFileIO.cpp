#include "schedule/CScheduleDataFileIO.h"

#include "core/COleDate.h"
#include "schedule/CScheduleFileDecoder.h"
#include "schedule/CScheduleFileEncoder.h"
#include "schedule/CScheduleTemplateFile.h"

#include <utility>

namespace {

// The tags as two little-endian words: the first names the kind, the second is common.
constexpr quint32 kScheduleDataFileIODriveTag = 0x30384E6F;    // "oN80"
constexpr quint32 kScheduleDataFileIOExchangeTag = 0x30384578; // "xE80"
constexpr quint32 kScheduleDataFileIOGuestTag = 0x30384323;    // "#C80"
constexpr quint32 kScheduleDataFileIOCommonTag = 0x4B563230;   // "02VK"

// What "not set" dates become when a template is read.
constexpr double kScheduleDataFileIODelayDays = 600.0 / 86400.0;

// The smallest encodings of list entries, to refuse impossible counts early.
constexpr qsizetype kScheduleDataFileIOMinimumString = 4;
constexpr qsizetype kScheduleDataFileIOMinimumDataStore = 2 * kScheduleDataFileIOMinimumString;
constexpr qsizetype kScheduleDataFileIOMinimumGuest = kScheduleDataFileIOMinimumString + 5;

void ScheduleDataFileIOPutSettings(CScheduleFileEncoder& out, const CScheduleSettings& settings)
{
    // The file's order, which is not the declaration order: the free-space fields come last.
    out.PutU32(settings.type);
    out.PutU32(settings.method);
    out.PutU32(settings.passes);
    out.PutU32(settings.offlineOptions);
    out.PutF64(settings.start);
    out.PutU32(settings.interval);
    out.PutU32(settings.maxDuration);
    out.PutBool(settings.shutdownWhenComplete);
    out.PutU32(settings.weekdays);
    out.PutU32(settings.idleMinutes);
    out.PutCount(settings.excludedPrograms.size());
    for (const TString& program : settings.excludedPrograms)
        out.PutString(program);
    out.PutU32(settings.option);
    out.PutF64(settings.lastRun);
    out.PutF64(settings.nextRun);
    out.PutBool(settings.disabled);
    out.PutU32(settings.freeSpaceOptions);
    out.PutBool(settings.freeSpaceConsolidation);
}

bool ScheduleDataFileIOTakeStrings(CScheduleFileDecoder& in, TStringList& strings)
{
    quint32 count = 0;
    if (!in.TakeCount(count, kScheduleDataFileIOMinimumString))
        return false;
    TStringList taken;
    for (quint32 i = 0; i < count; ++i) {
        TString text;
        if (!in.TakeString(text))
            return false;
        taken.push_back(std::move(text));
    }
    strings = std::move(taken);
    return true;
}

bool ScheduleDataFileIOTakeSettings(CScheduleFileDecoder& in, CScheduleSettings& settings)
{
    return in.TakeU32(settings.type) && in.TakeU32(settings.method) &&
           in.TakeU32(settings.passes) && in.TakeU32(settings.offlineOptions) &&
           in.TakeF64(settings.start) && in.TakeU32(settings.interval) &&
           in.TakeU32(settings.maxDuration) && in.TakeBool(settings.shutdownWhenComplete) &&
           in.TakeU32(settings.weekdays) && in.TakeU32(settings.idleMinutes) &&
           ScheduleDataFileIOTakeStrings(in, settings.excludedPrograms) &&
           in.TakeU32(settings.option) && in.TakeF64(settings.lastRun) &&
           in.TakeF64(settings.nextRun) && in.TakeBool(settings.disabled) &&
           in.TakeU32(settings.freeSpaceOptions) && in.TakeBool(settings.freeSpaceConsolidation);
}

// The kinds' own parts.

quint32 ScheduleDataFileIOTag(const CCadence::CScheduleData&)
{
    return kScheduleDataFileIODriveTag;
}

quint32 ScheduleDataFileIOTag(const CCadence::CExScheduleData&)
{
    return kScheduleDataFileIOExchangeTag;
}

quint32 ScheduleDataFileIOTag(const CCadence::CVmScheduleData&)
{
    return kScheduleDataFileIOGuestTag;
}

void ScheduleDataFileIOPutKind(CScheduleFileEncoder& out, const CCadence::CScheduleData& record)
{
    out.PutBool(record.allDrives);
    out.PutCount(record.drives.size());
    for (const TId& drive : record.drives)
        out.PutString(drive);
}

void ScheduleDataFileIOPutKind(CScheduleFileEncoder& out, const CCadence::CExScheduleData& record)
{
    out.PutBool(record.allDataStores);
    out.PutCount(record.dataStores.size());
    for (const auto& dataStore : record.dataStores) {
        out.PutString(dataStore.storageGroup);
        out.PutString(dataStore.dataStore);
    }
}

void ScheduleDataFileIOPutKind(CScheduleFileEncoder& out, const CCadence::CVmScheduleData& record)
{
    out.PutCount(record.guests.size());
    for (const auto& guest : record.guests) {
        out.PutString(guest.name);
        for (const quint8 option : guest.options)
            out.PutU8(option);
        out.PutU8(guest.shutdownToDefragment);
    }
}

bool ScheduleDataFileIOTakeKind(CScheduleFileDecoder& in, CCadence::CScheduleData& record)
{
    return in.TakeBool(record.allDrives) && ScheduleDataFileIOTakeStrings(in, record.drives);
}

bool ScheduleDataFileIOTakeKind(CScheduleFileDecoder& in, CCadence::CExScheduleData& record)
{
    quint32 count = 0;
    if (!in.TakeBool(record.allDataStores) ||
        !in.TakeCount(count, kScheduleDataFileIOMinimumDataStore))
        return false;
    CCadence::CExScheduleData::TDataStores dataStores(count);
    for (auto& dataStore : dataStores) {
        if (!in.TakeString(dataStore.storageGroup) || !in.TakeString(dataStore.dataStore))
            return false;
    }
    record.dataStores = std::move(dataStores);
    return true;
}

bool ScheduleDataFileIOTakeKind(CScheduleFileDecoder& in, CCadence::CVmScheduleData& record)
{
    quint32 count = 0;
    if (!in.TakeCount(count, kScheduleDataFileIOMinimumGuest))
        return false;
    CCadence::CVmScheduleData::TGuests guests(count);
    for (auto& guest : guests) {
        if (!in.TakeString(guest.name))
            return false;
        for (quint8& option : guest.options) {
            if (!in.TakeU8(option))
                return false;
        }
        if (!in.TakeU8(guest.shutdownToDefragment))
            return false;
    }
    record.guests = std::move(guests);
    return true;
}

template <class T>
void ScheduleDataFileIOPut(CScheduleFileEncoder& out, const T& record)
{
    out.PutU32(ScheduleDataFileIOTag(record));
    out.PutU32(kScheduleDataFileIOCommonTag);
    out.PutString(record.name);
    ScheduleDataFileIOPutSettings(out, record.settings);
    ScheduleDataFileIOPutKind(out, record);
}

bool ScheduleDataFileIOIsTemplateTag(quint32 kindTag, quint32 commonTag)
{
    return (kindTag == kScheduleDataFileIODriveTag || kindTag == kScheduleDataFileIOExchangeTag ||
            kindTag == kScheduleDataFileIOGuestTag) &&
           commonTag == kScheduleDataFileIOCommonTag;
}

} // namespace

template <class T>
DWORD CScheduleDataFileIO<T>::Write(const QString& fileName, const T& record) const
{
    return CScheduleTemplateFile::Write(fileName, Encode(record));
}

template <class T>
DWORD CScheduleDataFileIO<T>::Read(const QString& fileName, T& record) const
{
    QByteArray contents;
    const DWORD error = CScheduleTemplateFile::Read(fileName, contents);
    if (error != ERROR_SUCCESS)
        return error;
    return Decode(contents, record);
}

template <class T>
QByteArray CScheduleDataFileIO<T>::Encode(const T& record)
{
    CScheduleFileEncoder out;
    ScheduleDataFileIOPut(out, record);
    out.Allocate();
    ScheduleDataFileIOPut(out, record);
    return out.Buffer();
}

template <class T>
DWORD CScheduleDataFileIO<T>::Decode(const QByteArray& contents, T& record) const
{
    CScheduleFileDecoder in(contents);
    quint32 kindTag = 0;
    quint32 commonTag = 0;
    if (!in.TakeU32(kindTag) || !in.TakeU32(commonTag) ||
        !ScheduleDataFileIOIsTemplateTag(kindTag, commonTag))
        return ERROR_FILE_CORRUPT;

    T parsed = record;
    if (!in.TakeString(parsed.name) || !ScheduleDataFileIOTakeSettings(in, parsed.settings))
        return ERROR_FILE_CORRUPT;
    // Not set: below 1.0, or not a date at all (NaN or infinite).
    const double later = Now() + kScheduleDataFileIODelayDays;
    if (!COleDate::IsSet(parsed.settings.start))
        parsed.settings.start = later;
    if (!COleDate::IsSet(parsed.settings.nextRun))
        parsed.settings.nextRun = later;
    if (!ScheduleDataFileIOTakeKind(in, parsed))
        return ERROR_FILE_CORRUPT;
    record = parsed;
    return ERROR_SUCCESS;
}

template <class T>
double CScheduleDataFileIO<T>::Now() const
{
    return m_clock ? m_clock() : COleDate::Now();
}

template class CScheduleDataFileIO<CCadence::CScheduleData>;
template class CScheduleDataFileIO<CCadence::CExScheduleData>;
template class CScheduleDataFileIO<CCadence::CVmScheduleData>;
