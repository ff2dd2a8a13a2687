#pragma once

#include <QMetaType>

#include <list>
#include <string>

// Wide-string types carried by the console's signals and records. Strings that travel on the
// wire are UTF-16LE and are converted to and from these at the boundary.
using TId = std::wstring;     // a drive (the engine's volume identifier) or another engine object
using TName = std::wstring;   // a name
using TString = std::wstring; // free text
using TStringList = std::list<TString>;

// Busy state of a model, carried by every BusyStateChanged signal.
enum class TBusyStatus : int {
    Idle = 0,
    Paused = 1,
    Busy = 2,
};

Q_DECLARE_METATYPE(std::wstring)
Q_DECLARE_METATYPE(TStringList)
Q_DECLARE_METATYPE(TBusyStatus)
