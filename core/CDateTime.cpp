#include "core/CDateTime.h"

#include "core/COleDate.h"

CDateTime::CDateTime(double value, quint32 status)
    : m_value(value)
    , m_status(status)
{}

CDateTime CDateTime::FromDateTime(const QDateTime& dateTime)
{
    const double value = COleDate::FromDateTime(dateTime);
    return CDateTime(value, value == COleDate::Invalid ? StatusInvalid : StatusValid);
}

bool CDateTime::IsValid() const
{
    return ToDateTime().isValid();
}

QDateTime CDateTime::ToDateTime() const
{
    if (m_status != StatusValid)
        return {};
    return COleDate::ToDateTime(m_value);
}
