#pragma once

#include "core/CWideText.h"
#include "core/Types.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <type_traits>
#include <vector>

// The conversions between the console's values and the values on the wire, and how long a call
// may take. The wrappers speak wide strings and lists of them; the services speak Qt's.
namespace ServiceCall {

// How long a call waits for its answer before it counts as a lost connection.
namespace Timeout {
// Subscriptions and other bookkeeping that must not hold up a disconnect.
inline constexpr int Quick = 5000;
// Ordinary reads, writes and the start of an operation.
inline constexpr int Normal = 30000;
// Answers the service builds by walking a drive or a large store: statistics blocks, file lists,
// log ranges, result streams.
inline constexpr int Long = 300000;
} // namespace Timeout

inline QString ToWire(const TString& value)
{
    return CWideText::ToQString(value);
}

inline QStringList ToWire(const TStringList& values)
{
    QStringList list;
    list.reserve(static_cast<qsizetype>(values.size()));
    for (const TString& value : values)
        list.append(CWideText::ToQString(value));
    return list;
}

// Everything else travels as it is.
template <typename T>
const T& ToWire(const T& value)
{
    return value;
}

inline void FromWire(const QString& value, TString* target)
{
    *target = value.toStdWString();
}

inline void FromWire(const QStringList& values, TStringList* target)
{
    target->clear();
    for (const QString& value : values)
        target->push_back(value.toStdWString());
}

inline void FromWire(const QStringList& values, std::vector<TString>* target)
{
    target->clear();
    target->reserve(static_cast<std::size_t>(values.size()));
    for (const QString& value : values)
        target->push_back(value.toStdWString());
}

template <typename T>
void FromWire(const QList<T>& values, std::vector<T>* target)
{
    target->assign(values.cbegin(), values.cend());
}

// Numbers widen or narrow to the caller's type; anything else is taken as it is.
template <typename TWire, typename TTarget>
requires std::is_assignable_v<TTarget&, const TWire&>
void FromWire(const TWire& value, TTarget* target)
{
    *target = static_cast<TTarget>(value);
}

} // namespace ServiceCall
