// The base types of COM and OLE automation: 16-bit OLE strings, BSTR,
// VARIANT_BOOL, locale and member identifiers, and the variant type codes.
//
// OLECHAR is WCHAR (char16_t, UTF-16). A BSTR points to the first
// character of a string that is preceded by its length in bytes (32 bits)
// and followed by a zero character; it may hold zero characters of its own.
// A null BSTR is the empty string.
#pragma once

#include "guiddef.h"
#include "windef.h"
#include "winerror.h"

using OLECHAR = WCHAR;
using LPOLESTR = OLECHAR*;
using LPCOLESTR = const OLECHAR*;
#define OLESTR(str) u##str

using BSTR = OLECHAR*;
using LPBSTR = BSTR*;

using SHORT = short;
using USHORT = unsigned short;
using INT = int;
using LPINT = int*;
using FLOAT = float;
using DOUBLE = double;
using LPBYTE = BYTE*;
using LPDWORD = DWORD*;
using LPBOOL = BOOL*;
using LPLONG = LONG*;

// Automation booleans: true is all bits set.
using VARIANT_BOOL = short;
#define VARIANT_TRUE (static_cast<VARIANT_BOOL>(-1))
#define VARIANT_FALSE (static_cast<VARIANT_BOOL>(0))

using LCID = DWORD;
using LANGID = WORD;
using DISPID = LONG;
using MEMBERID = DISPID;
using HREFTYPE = DWORD;
using DATE = double;
using VARTYPE = unsigned short;

#define LOCALE_NEUTRAL 0x0000
#define LOCALE_SYSTEM_DEFAULT 0x0800
#define LOCALE_USER_DEFAULT 0x0400

struct CY {
    LONGLONG int64;
};

enum VARENUM {
    VT_EMPTY = 0,
    VT_NULL = 1,
    VT_I2 = 2,
    VT_I4 = 3,
    VT_R4 = 4,
    VT_R8 = 5,
    VT_CY = 6,
    VT_DATE = 7,
    VT_BSTR = 8,
    VT_DISPATCH = 9,
    VT_ERROR = 10,
    VT_BOOL = 11,
    VT_VARIANT = 12,
    VT_UNKNOWN = 13,
    VT_DECIMAL = 14,
    VT_I1 = 16,
    VT_UI1 = 17,
    VT_UI2 = 18,
    VT_UI4 = 19,
    VT_I8 = 20,
    VT_UI8 = 21,
    VT_INT = 22,
    VT_UINT = 23,
    VT_VOID = 24,
    VT_HRESULT = 25,
    VT_PTR = 26,
    VT_SAFEARRAY = 27,
    VT_CARRAY = 28,
    VT_USERDEFINED = 29,
    VT_LPSTR = 30,
    VT_LPWSTR = 31,
    VT_RECORD = 36,
    VT_ARRAY = 0x2000,
    VT_BYREF = 0x4000,
    VT_TYPEMASK = 0x0FFF
};
