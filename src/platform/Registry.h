#pragma once
// The settings hives, shaped like advapi32's RegOpenKeyExA, RegQueryValueExA and
// RegCloseKey, which is all the language functions need. On Windows
// (Registry_win32.cpp) they are those very functions on the system's registry; elsewhere
// (Registry_posix.cpp) the hives are files, as follows.
//
// Each hive is one file in the registry export format (".reg"):
//   - per user (HKEY_CURRENT_USER): the file named by TESSARO_USER_REGISTRY, else
//     $XDG_CONFIG_HOME/tessaro/user.reg, else $HOME/.config/tessaro/user.reg;
//   - per machine (HKEY_LOCAL_MACHINE): TESSARO_MACHINE_REGISTRY, else
//     /etc/tessaro/machine.reg.
// The environment is read and the file parsed again at every RegistryOpenKey, so a
// changed hive takes effect at the next open; nothing is cached.
//
// The format:
//   - first line "Windows Registry Editor Version 5.00" (or "REGEDIT4"); a file without
//     it is read all the same;
//   - sections "[HKEY_CURRENT_USER\Software\Vendor\App]" (HKCU/HKLM accepted too). Only
//     sections under the file's own hive count; sections under the other hive are
//     ignored. "[-...]" deletes the key and its subkeys read so far;
//   - values  "Name"="text"   (\" and \\ escape a quote and a backslash)
//             @="text"        (the key's default value, queried by the empty name)
//             "Name"=dword:00000006
//             "Name"=hex:01,02            (binary, type 3)
//             "Name"=hex(N):..            (type N, hexadecimal; 2 = expandable text)
//             "Name"=-                    (deletes the value read so far)
//     Hex data may continue on the next lines after a trailing backslash;
//   - ";" starts a comment line; blank lines are ignored; lines end in CR LF, LF or CR;
//   - the text is UTF-16LE (with its byte-order mark), UTF-8 (with or without the mark),
//     or else Windows-1252;
//   - a malformed line is skipped, never fatal; later values replace earlier ones.
// Key paths and value names compare without regard to letter case (in the component's
// code page, as its UpperCase does). Key paths are relative to the hive; empty
// components (leading, trailing or doubled backslashes) are ignored, and the empty path
// is the hive's root. A key exists when a section names it or a key below it.
//
// Texts in and out are in the component's code page, as with the "A" functions: text
// data (types 1, 2 and 7) is converted from the file's Unicode into the code page
// ("?" for what it lacks) with its terminating zero; the data of hex(1), hex(2) and
// hex(7) is read as UTF-16LE in a version 5.00 file (and one without a header line) and
// as 8-bit text (UTF-8 if valid, else Windows-1252) in a REGEDIT4 file.
// All other types give their bytes as written.
//
// Thread safety: every function may be called from any thread; a key handle belongs to
// the caller until it closes it.

#include <cstdint>
#include <string>
#include <string_view>

namespace tessaro {

// Hive handles, as on Windows.
constexpr uint32_t kHKeyCurrentUser = 0x80000001u;
constexpr uint32_t kHKeyLocalMachine = 0x80000002u;
// The access right of RegOpenKeyExA's KEY_READ; the only one there is here.
constexpr uint32_t kKeyRead = 0x20019u;

// Registry types.
constexpr uint32_t kRegNone = 0;
constexpr uint32_t kRegSz = 1;
constexpr uint32_t kRegExpandSz = 2;
constexpr uint32_t kRegBinary = 3;
constexpr uint32_t kRegDword = 4;
constexpr uint32_t kRegMultiSz = 7;

// Results, as Windows error codes.
constexpr int32_t kRegSuccess = 0;
constexpr int32_t kRegFileNotFound = 2;    // no such hive file, key or value
constexpr int32_t kRegInvalidHandle = 6;   // not a hive or an open key
constexpr int32_t kRegInvalidParameter = 87;  // data given without its size
constexpr int32_t kRegAccessDenied = 5;    // access other than kKeyRead
constexpr int32_t kRegMoreData = 234;      // the buffer is too small for the data

// An open key: a snapshot of its values taken at open.
struct RegistryKeyData;
using RegistryKey = RegistryKeyData*;

// Opens keyPath under hive (kHKeyCurrentUser or kHKeyLocalMachine) for reading. On
// success *result is the open key; otherwise *result is nullptr and the result says why:
// kRegInvalidHandle for another hive, kRegAccessDenied for access beyond kKeyRead.
// A missing or unreadable hive file gives kRegFileNotFound, like a missing key.
int32_t RegistryOpenKey(uint32_t hive, std::string_view keyPath, uint32_t options, uint32_t access,
                        RegistryKey* result);

// Reads the value valueName of key. *size passes in the size of data and comes back as
// the size of the value's data. When the data does not fit, the result is kRegMoreData
// and *size the size needed; when data is nullptr only type and size are given back.
// type may be nullptr.
int32_t RegistryQueryValue(RegistryKey key, std::string_view valueName, uint32_t* type, unsigned char* data,
                           uint32_t* size);

// Closes a key. Closing nullptr does nothing and gives kRegInvalidHandle.
int32_t RegistryCloseKey(RegistryKey key);

// Where the hives are .reg files (not on Windows): the file that holds a hive under the
// current environment (empty for an unknown hive).
std::string HiveFile(uint32_t hive);

}  // namespace tessaro
