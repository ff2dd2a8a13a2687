#pragma once

#include "core/HResult.h"
#include "schedule/CCadence.h"

#include <QString>
#include <QStringView>

// The parameter texts of Exchange and guest schedules: one pair naming what the schedule
// processes.
class CExchangeGuestParameters {
public:
    CExchangeGuestParameters() = delete;

    // "datastores": "ALLDATASTORES", or "storage group|data store" entries joined by ";".
    static QString ExchangeString(const CCadence::CExScheduleData& schedule);
    // E_INVALIDARG when "datastores" is missing, names no entry, or an entry lacks its "|";
    // the outputs are changed only on success.
    static HRESULT ReadExchangeString(QStringView text, bool* allDataStores,
                                      CCadence::CExScheduleData::TDataStores* dataStores);

    // "Virtual Machines": "name|guest value" entries joined by ";", the guest value in decimal.
    static QString GuestString(const CCadence::CVmScheduleData& schedule);
    // E_INVALIDARG when "Virtual Machines" is missing, names no guest, or an entry lacks its
    // "|" or a decimal guest value; guests is changed only on success. The text does not hold a
    // guest's shutdown flag: read guests have it cleared.
    static HRESULT ReadGuestString(QStringView text, CCadence::CVmScheduleData::TGuests* guests);
};
