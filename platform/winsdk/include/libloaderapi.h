// Modules and their resources on POSIX: a module is a shared object and its
// HMODULE the handle the dynamic loader gives it.
//
// A module's string table is written as a resource script (STRINGTABLE in
// an .rc file); on POSIX the build turns it into data of the module (see
// cmake/StringTable.cmake) that LoadStringA reads.
//
// Named resources (BITMAP and ICON lines of a resource script, the images
// as PNG files) become data of the module too (cmake/Resources.cmake). The
// module exports TwsFindResource, which the FindResourceA below calls: its
// answer is the HRSRC, valid as long as the module is loaded.
#pragma once

#include "windef.h"

using HMODULE = void*;
using HINSTANCE = void*;
using FARPROC = void (*)();

// One named resource of a module: its bytes as the resource script's file
// had them (PNG for bitmaps and icons).
struct TwsResource {
    const char* name;
    unsigned type;
    const unsigned char* bytes;
    unsigned long size;
};
using HRSRC = const TwsResource*;
using HGLOBAL = const void*;
// TwsFindResource(name, type): the module's resource, or null.
using TwsFindResourceFunction = const TwsResource* (*)(const char* name, unsigned type);

// Resource types, as the system numbers them.
#define MAKEINTRESOURCEA(i) (reinterpret_cast<LPCSTR>(static_cast<ULONG_PTR>(static_cast<WORD>(i))))
#define RT_BITMAP MAKEINTRESOURCEA(2)
#define RT_ICON MAKEINTRESOURCEA(3)
#define RT_GROUP_ICON MAKEINTRESOURCEA(14)

#define GET_MODULE_HANDLE_EX_FLAG_PIN 0x1
#define GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT 0x2
#define GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS 0x4

extern "C" {
HMODULE LoadLibraryA(LPCSTR fileName);
BOOL FreeLibrary(HMODULE module);
FARPROC GetProcAddress(HMODULE module, LPCSTR name);
// With GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS, name is an address inside
// the module wanted; that is the form a module uses to find itself.
BOOL GetModuleHandleExA(DWORD flags, LPCSTR name, HMODULE* module);
// The module's full path; for a null module, the program's.
DWORD GetModuleFileNameA(HMODULE module, LPSTR fileName, DWORD size);
// Copies string resource id of the module into buffer (cut to size - 1
// characters and zero-terminated); returns the length copied, 0 when the
// module has no such string.
int LoadStringA(HINSTANCE instance, UINT id, LPSTR buffer, int size);
// The resource of that name and type (RT_BITMAP, RT_GROUP_ICON), or null.
// The other three give its bytes; nothing needs freeing.
HRSRC FindResourceA(HMODULE module, LPCSTR name, LPCSTR type);
HGLOBAL LoadResource(HMODULE module, HRSRC resource);
DWORD SizeofResource(HMODULE module, HRSRC resource);
LPVOID LockResource(HGLOBAL data);
}

namespace winsdk {
// The text the dynamic loader gave for the last failure of LoadLibraryA on
// this thread (for messages that name the reason).
const char* LastLoadError();
}  // namespace winsdk
