// The agent's schedule parameter texts: the pairs themselves, the drive, screen-saver and
// QuietWatch texts of drive schedules, the Exchange and guest texts, and the interval in days.
// A text the reader accepts must write back to a text the reader accepts, with the same values.
//
// Input: one byte choosing the reader, then the text as UTF-16LE units.

#include "FuzzSupport.h"

#include "engine/CParameterString.h"
#include "schedule/CEngineParameters.h"
#include "schedule/CExchangeGuestParameters.h"
#include "schedule/CScheduleCodes.h"

#include <cstdint>

namespace {

void PairsRoundTrip(QStringView text)
{
    const CParameterString pairs = CParameterString::Parse(text);
    const QString written = pairs.ToString();
    const CParameterString again = CParameterString::Parse(written);
    FUZZ_CHECK(again.Count() == pairs.Count());
    FUZZ_CHECK(again.ToString() == written);
}

QString WriteEngineText(quint32 code, const CEngineParameters& parameters)
{
    switch (code) {
    case CScheduleCodes::kScreenSaver:
        return parameters.ScreenSaverString();
    case CScheduleCodes::kQuietWatch:
        return parameters.QuietWatchString();
    default:
        return parameters.DriveString();
    }
}

void EngineRoundTrip(quint32 code, QStringView text)
{
    CEngineParameters read;
    if (FAILED(CEngineParameters::Read(code, text, &read))) {
        FUZZ_CHECK(read == CEngineParameters());
        return;
    }
    // The first write drops what the text held and the record cannot (pairs the code does not
    // read, a consolidation flag without its options); from there the text must stay as it is.
    const QString written = WriteEngineText(code, read);
    CEngineParameters again;
    FUZZ_CHECK(SUCCEEDED(CEngineParameters::Read(code, written, &again)));
    FUZZ_CHECK(again.drives == read.drives && again.driveSelection == read.driveSelection);
    FUZZ_CHECK(again.option == read.option && again.offlineFlags == read.offlineFlags);
    FUZZ_CHECK(again.methodFlags == read.methodFlags);
    FUZZ_CHECK(again.intervalHours == read.intervalHours);
    FUZZ_CHECK(again.timeoutMinutes == read.timeoutMinutes && again.processes == read.processes);
    FUZZ_CHECK(WriteEngineText(code, again) == written);
}

void ExchangeRoundTrip(QStringView text)
{
    CCadence::CExScheduleData schedule;
    if (FAILED(CExchangeGuestParameters::ReadExchangeString(text, &schedule.allDataStores,
                                                            &schedule.dataStores))) {
        FUZZ_CHECK(!schedule.allDataStores && schedule.dataStores.empty());
        return;
    }
    CCadence::CExScheduleData again;
    FUZZ_CHECK(SUCCEEDED(CExchangeGuestParameters::ReadExchangeString(
        CExchangeGuestParameters::ExchangeString(schedule), &again.allDataStores,
        &again.dataStores)));
    FUZZ_CHECK(again.allDataStores == schedule.allDataStores);
    FUZZ_CHECK(again.dataStores == schedule.dataStores);
}

void GuestRoundTrip(QStringView text)
{
    CCadence::CVmScheduleData schedule;
    if (FAILED(CExchangeGuestParameters::ReadGuestString(text, &schedule.guests))) {
        FUZZ_CHECK(schedule.guests.empty());
        return;
    }
    CCadence::CVmScheduleData::TGuests again;
    FUZZ_CHECK(SUCCEEDED(CExchangeGuestParameters::ReadGuestString(
        CExchangeGuestParameters::GuestString(schedule), &again)));
    FUZZ_CHECK(again == schedule.guests);
}

void IntervalRoundTrip(QStringView text)
{
    quint32 hours = 0;
    if (FAILED(CEngineParameters::ReadIntervalDays(text, &hours))) {
        FUZZ_CHECK(hours == 0);
        return;
    }
    quint32 again = 0;
    FUZZ_CHECK(SUCCEEDED(
        CEngineParameters::ReadIntervalDays(CEngineParameters::IntervalDays(hours), &again)));
    FUZZ_CHECK(again == hours);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 1)
        return 0;
    const QString text = FuzzUtf16(data + 1, size - 1);
    switch (data[0] % 10) {
    case 0:
        PairsRoundTrip(text);
        break;
    case 1:
        ExchangeRoundTrip(text);
        break;
    case 2:
        GuestRoundTrip(text);
        break;
    case 3:
        IntervalRoundTrip(text);
        break;
    default: // 4 to 9: the drive codes 101 to 106
        EngineRoundTrip(CScheduleCodes::kDriveOneTime + (data[0] % 10 - 4), text);
        break;
    }
    return 0;
}
