// A type library described in code: the POSIX form of a server module's
// type library resource.
//
// A module that has a type library exports TwsGetTypeLibrary, returning a
// description that lives as long as the module. LoadTypeLib (oleauto.h)
// reads it through that export and copies it. Texts are UTF-8; GUIDs are
// given by address so that the tables can be constant data built from the
// module's IID and CLSID constants, and lists as spans over constant arrays,
// so that no count is written by hand.
//
// Type indexes of the library: the interfaces in their order, then the
// coclasses in theirs. Every interface a coclass names must be one of the
// library's interfaces.
#pragma once

#include <span>

#include <windows.h>
#include "complatform.h"
#include "oaidl.h"

// One method or property of an interface.
struct TWS_TYPELIB_MEMBER {
    MEMBERID memid;
    const char* name;
    const char* helpString;  // null: none
};

// What the library, each interface and each coclass are known by.
struct TWS_TYPELIB_ENTRY {
    const GUID* guid;  // the LIBID, IID or CLSID
    const char* name;
    const char* helpString;
};

// An interface or a dispatch interface.
struct TWS_TYPELIB_INTERFACE {
    TWS_TYPELIB_ENTRY entry;
    WORD majorVersion;
    WORD minorVersion;
    TYPEKIND kind;   // TKIND_INTERFACE or TKIND_DISPATCH
    WORD typeFlags;  // TYPEFLAG_*, e.g. TYPEFLAG_FOLEAUTOMATION
    std::span<const TWS_TYPELIB_MEMBER> members;
};

// An interface a coclass implements, with IMPLTYPEFLAG_* (default, source).
struct TWS_TYPELIB_IMPLTYPE {
    const IID* iid;
    INT implTypeFlags;
};

struct TWS_TYPELIB_COCLASS {
    TWS_TYPELIB_ENTRY entry;
    WORD typeFlags;  // TYPEFLAG_FCANCREATE for a creatable class
    std::span<const TWS_TYPELIB_IMPLTYPE> interfaces;
};

struct TWS_TYPELIB {
    TWS_TYPELIB_ENTRY entry;
    WORD majorVersion;
    WORD minorVersion;
    LCID lcid;
    WORD libFlags;  // LIBFLAG_*
    std::span<const TWS_TYPELIB_INTERFACE> interfaces;
    std::span<const TWS_TYPELIB_COCLASS> coclasses;
};

// The export LoadTypeLib looks for.
#define TWS_TYPELIB_EXPORT_NAME "TwsGetTypeLibrary"
using TWS_GET_TYPELIB_FUNC = const TWS_TYPELIB* (*)();

extern "C" TWS_MODULE_EXPORT const TWS_TYPELIB* TwsGetTypeLibrary();
