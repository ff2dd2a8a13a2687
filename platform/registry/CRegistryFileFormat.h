#pragma once

#include "platform/registry/CRegistryHive.h"

#include <QByteArray>

// The registry export text format, one hive per file:
//
//   Windows Registry Editor Version 5.00
//
//   [HKEY_CURRENT_USER\Software\Tellmar]
//   "Name"="text"            REG_SZ, with \\ and \" escapes
//   @=dword:00000001         the default value, REG_DWORD
//   "List"=hex(7):61,00,...  any other type as bytes: hex: binary, hex(2): expandable string,
//                            hex(7): multi-string, hex(b): qword, hex(N): type N
//
// Long byte lists continue on the next line after ",\". Files are UTF-8 (UTF-16LE with a byte
// order mark is read too). A string that the quoted form cannot carry exactly (line breaks,
// nulls, unpaired surrogates) is written as hex(1): so that every value survives unchanged.
class CRegistryFileFormat {
public:
    static const char* const kHeader;

    static QByteArray Write(HKEY hive, const CRegistryHive& keys);

    // Parses a whole file. On failure answers false with the line and the reason in *error and
    // leaves *keys untouched. An empty file is an empty hive.
    static bool Parse(const QByteArray& bytes, HKEY hive, CRegistryHive* keys, QString* error);
};
