#pragma once

#include <QMap>
#include <QString>
#include <QStringView>
#include <QVariantMap>

// What the engine services' D-Bus contract (the XML files beside this header) shares with the
// code on both sides of it.
namespace DBusContract {

// The agent's property bag: section path ("/", "/Fragmented/1", ...) to key to value. Values are
// int (counts, codes), double (dates, measures) or QString (text).
using TPropertyBag = QMap<QString, QVariantMap>;

inline constexpr char kInterfacePrefix[] = "com.tellmar.korvane.";
inline constexpr char kActivationPath[] = "/";

inline constexpr int kNotImplemented = static_cast<int>(0x80004001u);     // E_NOTIMPL
inline constexpr int kNoInterface = static_cast<int>(0x80004002u);        // E_NOINTERFACE
inline constexpr int kClassNotRegistered = static_cast<int>(0x80040154u); // REGDB_E_CLASSNOTREG

// Makes the contract's own types known to QtDBus. Both sides call it before their first call
// that carries a property bag or an object path (the generated service bases do it
// themselves). Thread-safe.
void RegisterTypes();

// "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}" in upper case, from a class or interface ID written
// with or without braces in any letter case; empty when the text is not such an ID.
QString NormalizeGuid(QStringView guid);

// The object path of a class: "/clsid/" and the class ID's hex digits in upper case with '_'
// for '-'. Empty when the text is not a class ID.
QString ClassObjectPath(QStringView classId);

// The D-Bus interface that serves a COM interface ID ("com.tellmar.korvane.Engine", ...);
// empty for an ID the contract does not know.
QString InterfaceForIid(QStringView iid);

} // namespace DBusContract
