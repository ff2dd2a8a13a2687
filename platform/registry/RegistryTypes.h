#pragma once

#include "core/HResult.h"

#include <QString>

// The registry's vocabulary: root keys, value types and access rights, with the numeric values
// the registry API gives them, so that stored values and masks read the same everywhere.

using LONG = std::int32_t;
using REGSAM = std::uint32_t;

enum class HKEY : std::uint32_t {
    ClassesRoot = 0x80000000u,
    CurrentUser = 0x80000001u,
    LocalMachine = 0x80000002u,
    CurrentConfig = 0x80000005u,
};

constexpr HKEY HKEY_CLASSES_ROOT = HKEY::ClassesRoot;
constexpr HKEY HKEY_CURRENT_USER = HKEY::CurrentUser;
constexpr HKEY HKEY_LOCAL_MACHINE = HKEY::LocalMachine;
constexpr HKEY HKEY_CURRENT_CONFIG = HKEY::CurrentConfig;

// Value types.
constexpr DWORD REG_NONE = 0;
constexpr DWORD REG_SZ = 1;
constexpr DWORD REG_EXPAND_SZ = 2;
constexpr DWORD REG_BINARY = 3;
constexpr DWORD REG_DWORD = 4;
constexpr DWORD REG_MULTI_SZ = 7;
constexpr DWORD REG_QWORD = 11;

// Access rights.
constexpr REGSAM KEY_QUERY_VALUE = 0x0001;
constexpr REGSAM KEY_SET_VALUE = 0x0002;
constexpr REGSAM KEY_CREATE_SUB_KEY = 0x0004;
constexpr REGSAM KEY_ENUMERATE_SUB_KEYS = 0x0008;
constexpr REGSAM KEY_NOTIFY = 0x0010;
constexpr REGSAM KEY_CREATE_LINK = 0x0020;
constexpr REGSAM KEY_WOW64_64KEY = 0x0100;
constexpr REGSAM KEY_WOW64_32KEY = 0x0200;
constexpr REGSAM DELETE = 0x00010000;
constexpr REGSAM READ_CONTROL = 0x00020000;
constexpr REGSAM KEY_READ = READ_CONTROL | KEY_QUERY_VALUE | KEY_ENUMERATE_SUB_KEYS | KEY_NOTIFY;
constexpr REGSAM KEY_WRITE = READ_CONTROL | KEY_SET_VALUE | KEY_CREATE_SUB_KEY;
constexpr REGSAM KEY_ALL_ACCESS = 0x000F003F;

// The four hives the store keeps, in a fixed order.
constexpr HKEY kRegistryHives[] = {HKEY_CLASSES_ROOT, HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE,
                                   HKEY_CURRENT_CONFIG};

// "HKEY_CURRENT_USER" and so on; empty for a value that is not a root key.
QString RegistryHiveName(HKEY hive);
// The root key of a name such as "HKEY_LOCAL_MACHINE"; false when the name is not one.
bool RegistryHiveFromName(const QString& name, HKEY* hive);
