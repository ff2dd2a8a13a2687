#include "schedule/CExchangeGuestParameters.h"

#include "core/CWideText.h"
#include "engine/CParameterString.h"

using namespace Qt::StringLiterals;

namespace {

const QString CExchangeGuestParametersDataStoresKey = u"datastores"_s;
const QString CExchangeGuestParametersAllDataStores = u"ALLDATASTORES"_s;
const QString CExchangeGuestParametersGuestsKey = u"Virtual Machines"_s;

} // namespace

QString CExchangeGuestParameters::ExchangeString(const CCadence::CExScheduleData& schedule)
{
    QString value = CExchangeGuestParametersAllDataStores;
    if (!schedule.allDataStores) {
        QStringList entries;
        for (const auto& store : schedule.dataStores)
            entries.append(CWideText::ToQString(store.storageGroup) + u'|' +
                           CWideText::ToQString(store.dataStore));
        value = entries.join(u';');
    }
    CParameterString pairs;
    pairs.Add(CExchangeGuestParametersDataStoresKey, value);
    return pairs.ToString();
}

HRESULT
CExchangeGuestParameters::ReadExchangeString(QStringView text, bool* allDataStores,
                                             CCadence::CExScheduleData::TDataStores* dataStores)
{
    if (allDataStores == nullptr || dataStores == nullptr)
        return E_POINTER;
    const CParameterString pairs = CParameterString::Parse(text);
    if (!pairs.Contains(CExchangeGuestParametersDataStoresKey))
        return E_INVALIDARG;
    const QString value = pairs.Value(CExchangeGuestParametersDataStoresKey);
    if (value.compare(CExchangeGuestParametersAllDataStores, Qt::CaseInsensitive) == 0) {
        *allDataStores = true;
        dataStores->clear();
        return S_OK;
    }
    CCadence::CExScheduleData::TDataStores read;
    for (const QString& entry : value.split(u';', Qt::SkipEmptyParts)) {
        const qsizetype bar = entry.indexOf(u'|');
        if (bar < 0)
            return E_INVALIDARG;
        read.push_back({entry.first(bar).toStdWString(), entry.sliced(bar + 1).toStdWString()});
    }
    if (read.empty())
        return E_INVALIDARG;
    *allDataStores = false;
    *dataStores = std::move(read);
    return S_OK;
}

QString CExchangeGuestParameters::GuestString(const CCadence::CVmScheduleData& schedule)
{
    QStringList entries;
    for (const auto& guest : schedule.guests)
        entries.append(CWideText::ToQString(guest.name) + u'|' +
                       QString::number(guest.GuestValue()));
    CParameterString pairs;
    pairs.Add(CExchangeGuestParametersGuestsKey, entries.join(u';'));
    return pairs.ToString();
}

HRESULT CExchangeGuestParameters::ReadGuestString(QStringView text,
                                                  CCadence::CVmScheduleData::TGuests* guests)
{
    if (guests == nullptr)
        return E_POINTER;
    const CParameterString pairs = CParameterString::Parse(text);
    if (!pairs.Contains(CExchangeGuestParametersGuestsKey))
        return E_INVALIDARG;
    CCadence::CVmScheduleData::TGuests read;
    for (const QString& entry :
         pairs.Value(CExchangeGuestParametersGuestsKey).split(u';', Qt::SkipEmptyParts)) {
        // The value is digits only, so the last "|" ends the name even when the name has one.
        const qsizetype bar = entry.lastIndexOf(u'|');
        if (bar < 0)
            return E_INVALIDARG;
        bool ok = false;
        const quint32 value = QStringView(entry).sliced(bar + 1).toUInt(&ok, 10);
        if (!ok)
            return E_INVALIDARG;
        CCadence::CVmScheduleData::TGuest guest;
        guest.name = entry.first(bar).toStdWString();
        guest.SetGuestValue(value);
        read.push_back(std::move(guest));
    }
    if (read.empty())
        return E_INVALIDARG;
    *guests = std::move(read);
    return S_OK;
}
