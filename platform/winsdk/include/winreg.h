// The Windows registry API on POSIX: root keys, access masks, value kinds
// and the ANSI registry functions.
//
// The registry lives in text files, one per root, in one folder (see
// platform/registry/include/twsregistry.h for where, and for the file
// format). Each function reads the file afresh, and each change is on disk,
// atomically, when the function returns; changes from several processes are
// serialised by a lock file. Names of keys and values are found ignoring
// case and kept as first written. Strings are UTF-8 bytes; "characters" in
// the size arguments of the A functions are bytes, as they are for the ANSI
// code page on Windows.
//
// Results are the Win32 ERROR_* codes of winerror.h. Beyond the usual ones:
//   ERROR_BADDB       a registry file is damaged; it is left as it is, and
//                     the message naming the file goes to stderr and to
//                     twsregistry::LastErrorText()
//   ERROR_CANTREAD / ERROR_CANTWRITE   the file cannot be read or replaced
//   ERROR_KEY_DELETED the key an open handle names was deleted meanwhile
//   ERROR_ACCESS_DENIED  besides the handle's access mask: a root whose file
//                     has no owner write permission is read-only, as a hive
//                     without write access is on Windows
//   ERROR_INVALID_PARAMETER  a key path with an empty part ("a\\b"), a
//                     leading backslash, or a control character in a key name
#pragma once

#include "windef.h"
#include "winerror.h"

struct HKEY__;
using HKEY = HKEY__*;
using PHKEY = HKEY*;
using REGSAM = DWORD;
using ACCESS_MASK = DWORD;
using LSTATUS = LONG;
using LPBYTE = BYTE*;
using LPDWORD = DWORD*;
using PLONG = LONG*;
using PFILETIME = FILETIME*;
struct _SECURITY_ATTRIBUTES;

// The predefined root keys, with the values of the Windows SDK (sign-extended
// 32-bit values, as the SDK casts them).
#define TIDEWASH_PREDEFINED_HKEY(v) \
    (reinterpret_cast<HKEY>(static_cast<ULONG_PTR>(static_cast<LONG_PTR>(static_cast<LONG>(v)))))
#define HKEY_CLASSES_ROOT TIDEWASH_PREDEFINED_HKEY(0x80000000)
#define HKEY_CURRENT_USER TIDEWASH_PREDEFINED_HKEY(0x80000001)
#define HKEY_LOCAL_MACHINE TIDEWASH_PREDEFINED_HKEY(0x80000002)

// Standard access rights.
#define DELETE 0x00010000L
#define READ_CONTROL 0x00020000L
#define WRITE_DAC 0x00040000L
#define WRITE_OWNER 0x00080000L
#define SYNCHRONIZE 0x00100000L
#define STANDARD_RIGHTS_REQUIRED 0x000F0000L
#define STANDARD_RIGHTS_READ READ_CONTROL
#define STANDARD_RIGHTS_WRITE READ_CONTROL
#define STANDARD_RIGHTS_EXECUTE READ_CONTROL
#define MAXIMUM_ALLOWED 0x02000000L

// Registry key access rights.
#define KEY_QUERY_VALUE 0x0001
#define KEY_SET_VALUE 0x0002
#define KEY_CREATE_SUB_KEY 0x0004
#define KEY_ENUMERATE_SUB_KEYS 0x0008
#define KEY_NOTIFY 0x0010
#define KEY_CREATE_LINK 0x0020
#define KEY_WOW64_64KEY 0x0100
#define KEY_WOW64_32KEY 0x0200
#define KEY_READ 0x20019
#define KEY_EXECUTE 0x20019
#define KEY_WRITE 0x20006
#define KEY_ALL_ACCESS 0xF003F

// Value kinds.
#define REG_NONE 0
#define REG_SZ 1
#define REG_EXPAND_SZ 2
#define REG_BINARY 3
#define REG_DWORD 4
#define REG_DWORD_LITTLE_ENDIAN 4
#define REG_DWORD_BIG_ENDIAN 5
#define REG_LINK 6
#define REG_MULTI_SZ 7
#define REG_QWORD 11
#define REG_QWORD_LITTLE_ENDIAN 11

// Key creation options and dispositions. Every key is kept on disk: a
// volatile key is stored like any other.
#define REG_OPTION_RESERVED 0x00000000L
#define REG_OPTION_NON_VOLATILE 0x00000000L
#define REG_OPTION_VOLATILE 0x00000001L
#define REG_CREATED_NEW_KEY 0x00000001L
#define REG_OPENED_EXISTING_KEY 0x00000002L

extern "C" {

LSTATUS WINAPI RegCreateKeyExA(HKEY hKey, LPCSTR lpSubKey, DWORD Reserved, LPSTR lpClass,
                               DWORD dwOptions, REGSAM samDesired,
                               const _SECURITY_ATTRIBUTES* lpSecurityAttributes, PHKEY phkResult,
                               LPDWORD lpdwDisposition);
LSTATUS WINAPI RegOpenKeyExA(HKEY hKey, LPCSTR lpSubKey, DWORD ulOptions, REGSAM samDesired,
                             PHKEY phkResult);
LSTATUS WINAPI RegCloseKey(HKEY hKey);
// Refuses a key that has subkeys (ERROR_ACCESS_DENIED). An empty lpSubKey
// deletes the key hKey names.
LSTATUS WINAPI RegDeleteKeyA(HKEY hKey, LPCSTR lpSubKey);
// Deletes the subkey with everything below it; with lpSubKey null, empties
// the key hKey names (its values and subkeys) and keeps it.
LSTATUS WINAPI RegDeleteTreeA(HKEY hKey, LPCSTR lpSubKey);
// Subkeys are enumerated in name order ignoring case, values in the order
// they were first written.
LSTATUS WINAPI RegEnumKeyExA(HKEY hKey, DWORD dwIndex, LPSTR lpName, LPDWORD lpcchName,
                             LPDWORD lpReserved, LPSTR lpClass, LPDWORD lpcchClass,
                             PFILETIME lpftLastWriteTime);
LSTATUS WINAPI RegEnumValueA(HKEY hKey, DWORD dwIndex, LPSTR lpValueName, LPDWORD lpcchValueName,
                             LPDWORD lpReserved, LPDWORD lpType, LPBYTE lpData, LPDWORD lpcbData);
// The data comes back exactly as it was set: a string set with its
// terminating zero is read with it.
LSTATUS WINAPI RegQueryValueExA(HKEY hKey, LPCSTR lpValueName, LPDWORD lpReserved, LPDWORD lpType,
                                LPBYTE lpData, LPDWORD lpcbData);
LSTATUS WINAPI RegSetValueExA(HKEY hKey, LPCSTR lpValueName, DWORD Reserved, DWORD dwType,
                              const BYTE* lpData, DWORD cbData);
LSTATUS WINAPI RegDeleteValueA(HKEY hKey, LPCSTR lpValueName);
// Keys carry no class and no write time here: the class is empty and the
// time zero.
LSTATUS WINAPI RegQueryInfoKeyA(HKEY hKey, LPSTR lpClass, LPDWORD lpcchClass, LPDWORD lpReserved,
                                LPDWORD lpcSubKeys, LPDWORD lpcbMaxSubKeyLen,
                                LPDWORD lpcbMaxClassLen, LPDWORD lpcValues,
                                LPDWORD lpcbMaxValueNameLen, LPDWORD lpcbMaxValueLen,
                                LPDWORD lpcbSecurityDescriptor, PFILETIME lpftLastWriteTime);
// Every change is on disk already; kept for code that calls it.
LSTATUS WINAPI RegFlushKey(HKEY hKey);

// The older conveniences: keys opened with the most access the root allows,
// and the default value of a subkey as a string.
LSTATUS WINAPI RegCreateKeyA(HKEY hKey, LPCSTR lpSubKey, PHKEY phkResult);
LSTATUS WINAPI RegOpenKeyA(HKEY hKey, LPCSTR lpSubKey, PHKEY phkResult);
LSTATUS WINAPI RegSetValueA(HKEY hKey, LPCSTR lpSubKey, DWORD dwType, LPCSTR lpData, DWORD cbData);
LSTATUS WINAPI RegQueryValueA(HKEY hKey, LPCSTR lpSubKey, LPSTR lpData, PLONG lpcbData);
}

// The product is built with 8-bit strings: the plain names are the A
// functions.
#ifndef UNICODE
#define RegCreateKeyEx RegCreateKeyExA
#define RegOpenKeyEx RegOpenKeyExA
#define RegDeleteKey RegDeleteKeyA
#define RegDeleteTree RegDeleteTreeA
#define RegEnumKeyEx RegEnumKeyExA
#define RegEnumValue RegEnumValueA
#define RegQueryValueEx RegQueryValueExA
#define RegSetValueEx RegSetValueExA
#define RegDeleteValue RegDeleteValueA
#define RegQueryInfoKey RegQueryInfoKeyA
#define RegCreateKey RegCreateKeyA
#define RegOpenKey RegOpenKeyA
#define RegSetValue RegSetValueA
#define RegQueryValue RegQueryValueA
#endif
